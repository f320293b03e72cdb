// rzcam-sim: serves a simulated RZ camera on a pseudo-terminal until interrupted.
#include <getopt.h>
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>

#include "camera/parameter_table.h"
#include "sim/sim_camera.h"
#include "sim/sim_server.h"

namespace {

constexpr int kExitBadOption = 2;

volatile bool stopRequested = false;

void RequestStop(int) {
    stopRequested = true;
}

constexpr const char* kUsage =
    "Usage: rzcam-sim [OPTION]...\n"
    "Emulates one RZ colour line-scan camera on a pseudo-terminal and prints the device\n"
    "to connect to. Stops on Ctrl+C (SIGINT) or SIGTERM.\n"
    "\n"
    "Camera:\n"
    "  --model NAME             @MODELS@\n"
    "                           or any other name of up to 12 characters\n"
    "  --firmware N             firmware version VN, 0-999 (default: the first version\n"
    "                           with every feature of the model)\n"
    "  --fpga N                 FPGA version PV, 0-999 (default 10)\n"
    "  --camera-id TEXT         camera ID, up to 12 characters (default SIM0001)\n"
    "  --user-id TEXT           user ID, up to 12 characters (default empty)\n"
    "  --unlock-code N          ULCK code that allows a user ID change (default 7381)\n"
    "  --onepush-ms N           how long a one-push command runs (default 300)\n"
    "  --onepush-result N       result of every one-push command: 1 Succeeded (default),\n"
    "                           2 Too Bright, 3 Too Dark, 4 Time Out, 0 never finishes\n"
    "  --onepush-result CMD=N   result of one command (AH, AW, SDR, PGR, PBR); repeatable\n"
    "\n"
    "Line:\n"
    "  --link PATH              also reach the device through this symbolic link\n"
    "                           (removed at exit)\n"
    "  --baud-pace              time every byte as on a 9600-baud 8N1 line\n"
    "  --log FILE               append every received command line to FILE\n"
    "\n"
    "Faults:\n"
    "  --drop-every N           leave every N-th answer unsent\n"
    "  --garble-every N         corrupt every N-th answer\n"
    "  --echo                   echo every command line before its answer\n"
    "  --chunk N                send answers in pieces of N bytes with a short pause between\n"
    "  --silent-after N         answer nothing after the N-th command\n"
    "\n"
    "  --help                   show this help\n";

// The usage text with the model table's names; the default model is marked.
std::string Usage() {
    std::string models;
    for (const xkiv::ModelEntry& model : xkiv::kModels) {
        models += models.empty() ? "" : ", ";
        models += model.name;
        if (model.name == xkiv::sim::CameraConfig{}.model) {
            models += " (default)";
        }
    }
    std::string usage = kUsage;
    const std::string placeholder = "@MODELS@";
    usage.replace(usage.find(placeholder), placeholder.size(), models);
    return usage;
}

enum Option {
    kModel = 256,
    kFirmware,
    kFpga,
    kCameraId,
    kUserId,
    kUnlockCode,
    kOnePushMs,
    kOnePushResult,
    kLink,
    kBaudPace,
    kLog,
    kDropEvery,
    kGarbleEvery,
    kEcho,
    kChunk,
    kSilentAfter,
    kHelp,
};

constexpr option kOptions[] = {
    {"model", required_argument, nullptr, kModel},
    {"firmware", required_argument, nullptr, kFirmware},
    {"fpga", required_argument, nullptr, kFpga},
    {"camera-id", required_argument, nullptr, kCameraId},
    {"user-id", required_argument, nullptr, kUserId},
    {"unlock-code", required_argument, nullptr, kUnlockCode},
    {"onepush-ms", required_argument, nullptr, kOnePushMs},
    {"onepush-result", required_argument, nullptr, kOnePushResult},
    {"link", required_argument, nullptr, kLink},
    {"baud-pace", no_argument, nullptr, kBaudPace},
    {"log", required_argument, nullptr, kLog},
    {"drop-every", required_argument, nullptr, kDropEvery},
    {"garble-every", required_argument, nullptr, kGarbleEvery},
    {"echo", no_argument, nullptr, kEcho},
    {"chunk", required_argument, nullptr, kChunk},
    {"silent-after", required_argument, nullptr, kSilentAfter},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

std::optional<int> ParseCount(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 0) {
        return std::nullopt;
    }
    return value;
}

struct Options {
    xkiv::sim::CameraConfig camera;
    xkiv::sim::LineConfig line;
    bool help = false;
};

// Applies one option with its argument; false with a reason when the argument is not valid.
bool ApplyOption(int option, const std::string& argument, Options& options, std::string& error) {
    auto& camera = options.camera;
    auto& line = options.line;
    if (option == kModel || option == kCameraId || option == kUserId) {
        (option == kModel      ? camera.model
         : option == kCameraId ? camera.cameraId
                               : camera.userId) = argument;
        return true;
    }
    if (option == kLink || option == kLog) {
        (option == kLink ? line.linkPath : line.logFile) = argument;
        return true;
    }
    if (option == kOnePushResult && argument.find('=') != std::string::npos) {
        const std::string mnemonic = argument.substr(0, argument.find('='));
        const std::optional<int> result = ParseCount(argument.substr(argument.find('=') + 1));
        if (!result) {
            error = "--onepush-result needs CMD=N with a number N";
            return false;
        }
        camera.onePushResults[mnemonic] = *result;
        return true;
    }
    const std::optional<int> number = ParseCount(argument);
    if (!number) {
        error = "'" + argument + "' is not a number";
        return false;
    }
    switch (option) {
        case kFirmware:
            camera.firmware = *number;
            break;
        case kFpga:
            camera.fpga = *number;
            break;
        case kUnlockCode:
            camera.unlockCode = *number;
            break;
        case kOnePushMs:
            camera.onePushMs = *number;
            break;
        case kOnePushResult:
            camera.onePushResult = *number;
            break;
        case kDropEvery:
            line.dropEvery = *number;
            break;
        case kGarbleEvery:
            line.garbleEvery = *number;
            break;
        case kChunk:
            line.chunkSize = static_cast<std::size_t>(*number);
            break;
        case kSilentAfter:
            line.silentAfter = *number;
            break;
        default:
            break;
    }
    return true;
}

// Parses the command line; null after printing the reason when it is not valid.
std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    opterr = 0;
    int option = 0;
    while ((option = getopt_long(argc, argv, "", kOptions, nullptr)) != -1) {
        std::string error;
        if (option == '?' || option == ':') {
            const char* given = argv[optind - 1];
            std::cerr << "rzcam-sim: unknown option or missing argument: " << given << "\n";
            return std::nullopt;
        }
        if (option == kHelp || option == kBaudPace || option == kEcho) {
            options.help |= option == kHelp;
            options.line.baudPace |= option == kBaudPace;
            options.line.echo |= option == kEcho;
            continue;
        }
        if (!ApplyOption(option, optarg, options, error)) {
            std::cerr << "rzcam-sim: " << error << "\n";
            return std::nullopt;
        }
    }
    if (optind < argc) {
        std::cerr << "rzcam-sim: unexpected argument: " << argv[optind] << "\n";
        return std::nullopt;
    }
    return options;
}

std::string OnePushDescription(const xkiv::sim::CameraConfig& camera) {
    std::ostringstream text;
    text << "One-push commands take " << camera.onePushMs << " ms and end with result "
         << camera.onePushResult;
    for (const auto& [mnemonic, result] : camera.onePushResults) {
        text << ", " << mnemonic << " with " << result;
    }
    return text.str() + ".";
}

std::string FaultDescription(const xkiv::sim::LineConfig& line) {
    std::ostringstream text;
    if (line.baudPace) {
        text << " 9600-baud timing;";
    }
    if (line.echo) {
        text << " echo;";
    }
    if (line.dropEvery > 0) {
        text << " every " << line.dropEvery << ". answer dropped;";
    }
    if (line.garbleEvery > 0) {
        text << " every " << line.garbleEvery << ". answer garbled;";
    }
    if (line.chunkSize > 0) {
        text << " answers in " << line.chunkSize << "-byte pieces;";
    }
    if (line.silentAfter > 0) {
        text << " silent after " << line.silentAfter << " commands;";
    }
    std::string faults = text.str();
    return faults.empty() ? "Line: clean, no timing."
                          : "Line:" + faults.substr(0, faults.size() - 1) + ".";
}

void PrintBanner(const xkiv::sim::SimServer& server, const Options& options) {
    const auto& camera = options.camera;
    std::cout << "Device: " << server.DevicePath();
    if (server.DevicePath() != server.PtyPath()) {
        std::cout << " -> " << server.PtyPath();
    }
    std::cout << "\n"
              << "Emulating camera model " << camera.model << ", firmware version "
              << xkiv::sim::ResolveFirmware(camera) << ", FPGA version " << camera.fpga
              << ", camera ID \"" << camera.cameraId << "\", user ID \"" << camera.userId
              << "\" (unlock code " << camera.unlockCode << ").\n"
              << OnePushDescription(camera) << "\n"
              << FaultDescription(options.line) << "\n"
              << "Press Ctrl+C to stop." << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::cerr << "Try 'rzcam-sim --help' for more information.\n";
        return kExitBadOption;
    }
    if (options->help) {
        std::cout << Usage();
        return 0;
    }
    // Blocked except while the server waits, so a stop request is never missed between its
    // check of the flag and its wait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::string error;
    const auto server = xkiv::sim::SimServer::Create(options->camera, options->line, &error);
    if (!server) {
        std::cerr << "rzcam-sim: " << error << "\n";
        const bool badConfiguration = !xkiv::sim::ValidateCameraConfig(options->camera, nullptr);
        return badConfiguration ? kExitBadOption : 1;
    }
    PrintBanner(*server, *options);
    server->Run(&stopRequested);
    return 0;
}
