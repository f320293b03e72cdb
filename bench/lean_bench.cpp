// Start-up, exchange and memory figures of xkivctl beside the floor, a bare C client.
//
// Every figure is taken on fresh processes, interleaved with the floor
// (bench/floor_client.c) doing the same work, and printed beside the floor's:
//   - instructions to the first output of `xkivctl --offline get ModelName`
//     beside the floor printing one file (callgrind stops at the first
//     write and does not depend on the machine's load; without valgrind, a
//     perf_event counter over the whole run), and the wall time of both;
//   - system calls (strace) and CPU time (the kernel's accounting of the
//     child) per exchange without pacing: a read-all run minus an
//     identify-only run, divided by the exchanges between them, for xkivctl
//     and for the floor replaying the same lines over the same line, also
//     made to purge and run as many instructions an exchange as xkivctl;
//   - what one exchange, and at 9600 baud one wake-up, touches (lackey);
//   - CPU ÷ wall time of a paced identify and read-all, and where the CPU
//     goes: an identify alone, and each exchange of the read-all beyond it;
//   - peak resident memory.
// The start-up wall time is the best of several runs; CPU figures are the
// middle of many runs, each set beside the floor's. Exit status 3 when a
// figure is off target, 1 when one cannot be measured.
#include <errno.h>
#include <linux/perf_event.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kStartRuns = 20;
// An unpaced pair of runs takes a few milliseconds, and the exchanges' share
// of it is a tenth: hundreds of pairs keep the middle from moving by more
// than the difference being looked for.
constexpr int kExchangeRuns = 401;
constexpr int kPacedRuns = 15;

struct Target {
    const char* what;
    double value;
    double limit;
};

struct Child {
    int status = -1;
    double wall = 0;
    double cpu = 0;
    long maxRssKb = 0;
    long instructions = -1;  // user-space, when a counter was asked for and opened
};

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A counter of the user-space instructions of process pid (0: this one)
// and the processes it starts; counting from its next exec when asked.
int OpenInstructionCounter(pid_t pid, bool fromExec) {
    perf_event_attr attr{};
    attr.size = sizeof attr;
    attr.type = PERF_TYPE_HARDWARE;
    attr.config = PERF_COUNT_HW_INSTRUCTIONS;
    attr.exclude_kernel = 1;
    attr.exclude_hv = 1;
    attr.inherit = 1;
    attr.disabled = fromExec ? 1 : 0;
    attr.enable_on_exec = fromExec ? 1 : 0;
    return static_cast<int>(::syscall(SYS_perf_event_open, &attr, pid, -1, -1, 0));
}

// Why no instruction counter can be opened here, or empty when one can.
std::string InstructionCounterUnavailable() {
    const int fd = OpenInstructionCounter(0, false);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    const int error = errno;
    std::string why = std::string("perf_event_open: ") + std::strerror(error);
    if (error == ENOENT || error == EOPNOTSUPP || error == ENODEV) {
        why += " (the processor, or the virtual machine, exposes no instruction counter)";
    } else if (error == EACCES || error == EPERM) {
        why += " (see /proc/sys/kernel/perf_event_paranoid, or a container's seccomp profile)";
    }
    return why;
}

// Runs argv with stdout to outPath and stderr discarded; its CPU time and
// peak memory come from the kernel's accounting of the child, its
// instructions from a counter opened before it execs when countInstructions.
Child Run(const std::vector<std::string>& argv, const std::string& outPath = "/dev/null",
          bool countInstructions = false) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    Child child;
    // The child waits at the gate until its counter is open.
    int gate[2];
    if (::pipe(gate) != 0) {
        return child;
    }
    std::fflush(stdout);
    const double start = Now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(gate[1]);
        char go = 0;
        const bool opened = ::read(gate[0], &go, 1) == 1;
        ::close(gate[0]);
        std::FILE* out = std::freopen(outPath.c_str(), "w", stdout);
        std::FILE* err = std::freopen("/dev/null", "w", stderr);
        if (opened && out != nullptr && err != nullptr) {
            ::execv(args[0], args.data());
        }
        ::_exit(127);
    }
    ::close(gate[0]);
    const int counter = pid > 0 && countInstructions ? OpenInstructionCounter(pid, true) : -1;
    const char go = 1;
    const bool released = pid > 0 && ::write(gate[1], &go, 1) == 1;
    ::close(gate[1]);
    rusage usage{};
    const bool reaped = pid > 0 && ::wait4(pid, &child.status, 0, &usage) == pid;
    if (counter >= 0) {
        std::uint64_t count = 0;
        if (::read(counter, &count, sizeof count) == sizeof count) {
            child.instructions = static_cast<long>(count);
        }
        ::close(counter);
    }
    if (!released || !reaped) {
        child.status = -1;
        return child;
    }
    child.wall = Now() - start;
    const auto seconds = [](const timeval& tv) {
        return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) * 1e-6;
    };
    child.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    child.maxRssKb = usage.ru_maxrss;
    return child;
}

// The middle of values (the mean of the middle two for an even count).
double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 != 0 ? values[half] : (values[half - 1] + values[half]) / 2;
}

bool Succeeded(const Child& child) {
    return WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::string> FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const fs::path candidate = fs::path(folder) / program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
    }
    return std::nullopt;
}

// The number after the first occurrence of key in text, or -1.
long NumberAfter(const std::string& text, const std::string& key) {
    const auto at = text.find(key);
    return at == std::string::npos ? -1 : std::atol(text.c_str() + at + key.size());
}

// Instructions a program runs up to its first output: callgrind dumps its
// counts before the first write. Without valgrind, a hardware counter
// counts the whole run (an upper bound). -1 when neither can.
struct InstructionCount {
    long toFirstOutput = -1;
    long wholeRun = -1;
};

InstructionCount CountInstructions(const std::optional<std::string>& valgrind, bool perf,
                                   const fs::path& dir, const std::vector<std::string>& argv) {
    InstructionCount count;
    if (valgrind) {
        const fs::path out = dir / "callgrind.out";
        std::vector<std::string> counted = {*valgrind, "--tool=callgrind", "--dump-before=write",
                                            "--callgrind-out-file=" + out.string()};
        counted.insert(counted.end(), argv.begin(), argv.end());
        if (Succeeded(Run(counted))) {
            count.toFirstOutput = NumberAfter(ReadText(out.string() + ".1"), "summary: ");
        }
        fs::remove(out);
        fs::remove(out.string() + ".1");
    }
    if (perf) {
        const Child run = Run(argv, "/dev/null", true);
        count.wholeRun = Succeeded(run) ? run.instructions : -1;
    }
    return count;
}

// What one exchange or one wake-up touches: the instructions it runs and
// the distinct cache lines (64 bytes) and pages (4 KB) of code and of data it
// reaches, the middle over a run traced by lackey. An exchange runs from one
// write to the port to the next; a wake-up from one poll to the next, which
// at 9600 baud is a byte of an answer. Unlike CPU time this does not move
// with the machine's load, and it is what the work costs beyond its system
// calls when it runs with cold caches after a wake-up.
enum class Stretch { Exchange, WakeUp };

struct Footprint {
    double instructions = -1;
    double codeLines = 0;
    double codePages = 0;
    double dataLines = 0;
    double dataPages = 0;
};

Footprint MeasureFootprint(const std::string& valgrind, const fs::path& dir,
                           const std::vector<std::string>& argv, Stretch stretch) {
    Footprint result;
    const fs::path trace = dir / "lackey.txt";
    std::vector<std::string> traced = {valgrind, "--tool=lackey", "--trace-mem=yes",
                                       "--trace-syscalls=yes", "--log-file=" + trace.string()};
    traced.insert(traced.end(), argv.begin(), argv.end());
    if (!Succeeded(Run(traced))) {
        return result;
    }
    struct Exchange {
        std::unordered_set<std::uint64_t> codeLines, codePages, dataLines, dataPages;
        double instructions = 0;
    };
    std::vector<Exchange> exchanges;
    std::ifstream in(trace);
    std::string line;
    // Lackey's lines: "I  ADDR,SIZE" for an instruction, " L|S|M ADDR,SIZE"
    // for data; valgrind's "SYSCALL[...](1) sys_write ( FD, ..." for a write
    // and "SYSCALL[...](7) sys_poll ( ..." for a poll.
    while (std::getline(in, line)) {
        if (line.starts_with("SYSCALL")) {
            const auto at = line.find("sys_write ( ");
            const bool begins =
                stretch == Stretch::Exchange
                    ? at != std::string::npos && std::atoi(line.c_str() + at + 12) > 2
                    : line.find(" sys_poll ") != std::string::npos;
            if (begins) {
                exchanges.emplace_back();
            }
            continue;
        }
        if (exchanges.empty() || line.size() < 4 ||
            !(line[0] == 'I' || line[1] == 'L' || line[1] == 'S' || line[1] == 'M')) {
            continue;
        }
        const std::uint64_t address = std::strtoull(line.c_str() + 3, nullptr, 16);
        Exchange& current = exchanges.back();
        if (line[0] == 'I') {
            current.codeLines.insert(address >> 6);
            current.codePages.insert(address >> 12);
            current.instructions += 1;
        } else {
            current.dataLines.insert(address >> 6);
            current.dataPages.insert(address >> 12);
        }
    }
    in.close();
    fs::remove(trace);
    // The last exchange runs on into the program's exit.
    if (exchanges.size() < 2) {
        return result;
    }
    exchanges.pop_back();
    const auto middle = [&](auto field) {
        std::vector<double> values;
        for (const Exchange& exchange : exchanges) {
            values.push_back(field(exchange));
        }
        return Median(values);
    };
    result.instructions = middle([](const Exchange& e) { return e.instructions; });
    result.codeLines =
        middle([](const Exchange& e) { return static_cast<double>(e.codeLines.size()); });
    result.codePages =
        middle([](const Exchange& e) { return static_cast<double>(e.codePages.size()); });
    result.dataLines =
        middle([](const Exchange& e) { return static_cast<double>(e.dataLines.size()); });
    result.dataPages =
        middle([](const Exchange& e) { return static_cast<double>(e.dataPages.size()); });
    return result;
}

// Traces xkivctl's and the floor's run (in that order) and prints what each
// stretch of them touches, side by side; xkivctl's, or nothing when a trace
// failed.
std::optional<Footprint> PrintFootprints(const std::string& valgrind, const fs::path& dir,
                                         const std::array<std::vector<std::string>, 2>& runs,
                                         Stretch stretch) {
    const Footprint ours = MeasureFootprint(valgrind, dir, runs[0], stretch);
    const Footprint floors = MeasureFootprint(valgrind, dir, runs[1], stretch);
    if (ours.instructions < 0 || floors.instructions < 0) {
        return std::nullopt;
    }
    std::printf("  what %s touches (lackey, median; code, then data):\n",
                stretch == Stretch::Exchange ? "an exchange" : "a wake-up");
    std::printf("    instructions %.0f, floor %.0f\n", ours.instructions, floors.instructions);
    std::printf("    code: %.0f cache lines in %.0f pages, floor %.0f in %.0f\n", ours.codeLines,
                ours.codePages, floors.codeLines, floors.codePages);
    std::printf("    data: %.0f cache lines in %.0f pages, floor %.0f in %.0f\n", ours.dataLines,
                ours.dataPages, floors.dataLines, floors.dataPages);
    return ours;
}

// The steps of work (floor_client replay ... WORK) that make the floor's
// exchange, purge included, run as many instructions as xkivctl's: counted by
// lackey with no steps and with a thousand, and scaled between them.
std::optional<long> StepsToMatch(const std::string& valgrind, const fs::path& dir,
                                 std::vector<std::string> floorReplay, double instructions) {
    floorReplay.push_back("0");
    const Footprint none = MeasureFootprint(valgrind, dir, floorReplay, Stretch::Exchange);
    floorReplay.back() = "1000";
    const Footprint thousand = MeasureFootprint(valgrind, dir, floorReplay, Stretch::Exchange);
    const double perStep = (thousand.instructions - none.instructions) / 1000;
    if (none.instructions < 0 || thousand.instructions < 0 || perStep <= 0) {
        return std::nullopt;
    }
    return std::max(0L, std::lround((instructions - none.instructions) / perStep));
}

// rzcam-sim on a pseudo-terminal of its own, logging every command it gets.
class Simulator {
public:
    Simulator(const std::string& program, const fs::path& log, bool paced) : log_(log) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        std::fflush(stdout);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            const std::string logPath = log.string();
            std::vector<const char*> args = {program.c_str(), "--log", logPath.c_str()};
            if (paced) {
                args.push_back("--baud-pace");
            }
            args.push_back(nullptr);
            ::execv(args[0], const_cast<char* const*>(args.data()));
            ::_exit(127);
        }
        ::close(out[1]);
        // The banner's first line names the device: "Device: PATH".
        std::FILE* banner = ::fdopen(out[0], "r");
        char line[512] = {};
        if (banner != nullptr && std::fgets(line, sizeof line, banner) != nullptr) {
            std::string text(line);
            const auto start = text.find("Device: ");
            if (start != std::string::npos) {
                device_ = text.substr(start + 8, text.find_first_of(" \n", start + 8) - start - 8);
            }
        }
        banner_ = banner;
    }
    ~Simulator() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (banner_ != nullptr) {
            std::fclose(banner_);
        }
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    const std::string& Device() const { return device_; }
    // Empties the log, so that it holds the lines of the next run alone.
    void ClearLog() const { std::ofstream(log_, std::ios::trunc).close(); }
    // Copies the lines logged since ClearLog to path and says how many.
    long TakeLog(const fs::path& path) const {
        fs::copy_file(log_, path, fs::copy_options::overwrite_existing);
        const std::string text = ReadText(path);
        return static_cast<long>(std::count(text.begin(), text.end(), '\n'));
    }

private:
    fs::path log_;
    pid_t pid_ = -1;
    std::FILE* banner_ = nullptr;
    std::string device_;
};

// System calls of one run, counted by strace over the process and its threads.
long CountSystemCalls(const std::string& strace, const fs::path& report,
                      const std::vector<std::string>& argv) {
    std::vector<std::string> traced = {strace, "-f", "-c", "-o", report.string()};
    traced.insert(traced.end(), argv.begin(), argv.end());
    if (!Succeeded(Run(traced))) {
        return -1;
    }
    // The summary's last line: "100.00 SECONDS USECS/CALL CALLS [ERRORS] total".
    const std::string text = ReadText(report);
    const auto totalLine = text.rfind("\n100.00");
    if (totalLine == std::string::npos) {
        return -1;
    }
    std::stringstream fields(text.substr(totalLine));
    std::string skipped;
    long calls = -1;
    fields >> skipped >> skipped >> skipped >> calls;
    return calls;
}

// A long run and a short one of the same client over the same line: what
// the extra exchanges of the long one cost.
struct Pair {
    std::vector<std::string> all;
    std::vector<std::string> few;
};

struct PerExchange {
    double calls = 0;
    double cpu = 0;
};

// System calls from one traced run of each. CPU from kExchangeRuns untraced
// pairs of runs, every client's pairs interleaved with the others' so that a
// change in the machine's load touches them alike: the middle of what each
// long run took beyond the short one beside it. A run's start-up alone moves
// by more than its exchanges cost, so many pairs are taken (unpaced, a pair
// takes milliseconds).
std::optional<std::vector<PerExchange>> MeasureExchanges(const std::string& strace,
                                                         const fs::path& dir,
                                                         const std::vector<Pair>& clients,
                                                         long exchanges) {
    std::vector<PerExchange> result(clients.size());
    const fs::path report = dir / "strace.txt";
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const long all = CountSystemCalls(strace, report, clients[i].all);
        const long few = CountSystemCalls(strace, report, clients[i].few);
        if (all < 0 || few < 0) {
            return std::nullopt;
        }
        result[i].calls = static_cast<double>(all - few) / static_cast<double>(exchanges);
    }
    std::vector<std::vector<double>> extra(clients.size());
    for (int run = 0; run < kExchangeRuns; ++run) {
        for (std::size_t i = 0; i < clients.size(); ++i) {
            const Child all = Run(clients[i].all);
            const Child few = Run(clients[i].few);
            if (!Succeeded(all) || !Succeeded(few)) {
                return std::nullopt;
            }
            extra[i].push_back(all.cpu - few.cpu);
        }
    }
    for (std::size_t i = 0; i < clients.size(); ++i) {
        result[i].cpu = Median(extra[i]) / static_cast<double>(exchanges);
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    // Another build's xkivctl may be named, to compare with it.
    const std::string xkivctl = argc > 1 ? argv[1] : XKIV_XKIVCTL_PATH;
    const std::string floor = XKIV_FLOOR_CLIENT_PATH;
    const std::string sim = XKIV_RZCAM_SIM_PATH;
    const std::optional<std::string> valgrind = FindOnPath("valgrind");
    const std::optional<std::string> strace = FindOnPath("strace");
    const std::string perfUnavailable = InstructionCounterUnavailable();
    if (!strace) {
        std::fprintf(stderr, "lean_bench: needs strace (scripts/install-deps)\n");
        return 1;
    }
    // A profile and class registry of the bench's own, removed at the end.
    const fs::path dir =
        fs::temp_directory_path() / ("xkiv-lean-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    ::unsetenv("XKIV_SERIAL_PORTS");
    int status = 0;
    std::vector<Target> targets;
    const auto fail = [&](const char* what) {
        std::fprintf(stderr, "lean_bench: %s failed\n", what);
        status = 1;
    };
    const auto finish = [&]() {
        fs::remove_all(dir);
        for (const Target& target : targets) {
            if (!(target.value <= target.limit)) {
                std::printf("off target: %s\n", target.what);
                status = status == 0 ? 3 : status;
            }
        }
        return status;
    };

    // Start-up: instructions to the first output, then wall time and memory.
    const std::vector<std::string> offlineGet = {xkivctl, "--offline", "get", "ModelName"};
    const fs::path printed = dir / "printed.txt";
    std::ofstream(printed) << "ModelName=RZ-130LX\n";
    const std::vector<std::string> floorCat = {floor, "cat", printed.string()};
    std::printf("xkivctl --offline get ModelName, beside the floor printing a file\n");
    if (!perfUnavailable.empty()) {
        std::printf("  (no hardware counter: %s)\n", perfUnavailable.c_str());
    }
    if (!valgrind && !perfUnavailable.empty()) {
        std::printf(
            "  instructions: not measured, needs valgrind (scripts/install-deps) or a "
            "hardware counter\n");
        fail("counting the start-up's instructions");
    }
    const InstructionCount ours =
        CountInstructions(valgrind, perfUnavailable.empty(), dir, offlineGet);
    const InstructionCount floors =
        CountInstructions(valgrind, perfUnavailable.empty(), dir, floorCat);
    if (ours.toFirstOutput >= 0 && floors.toFirstOutput >= 0) {
        std::printf(
            "  instructions to first output:  %.2f M, floor %.2f M (callgrind; target <= 1.5 M)\n",
            static_cast<double>(ours.toFirstOutput) / 1e6,
            static_cast<double>(floors.toFirstOutput) / 1e6);
        targets.push_back({"instructions", static_cast<double>(ours.toFirstOutput) / 1e6, 1.5});
    } else if (valgrind) {
        fail("counting the start-up's instructions with callgrind");
    }
    if (ours.wholeRun >= 0 && floors.wholeRun >= 0) {
        std::printf(
            "  instructions, whole run:       %.2f M, floor %.2f M (perf_event, user space)\n",
            static_cast<double>(ours.wholeRun) / 1e6, static_cast<double>(floors.wholeRun) / 1e6);
        if (!valgrind) {
            // An upper bound of the count to the first output.
            targets.push_back({"instructions", static_cast<double>(ours.wholeRun) / 1e6, 1.5});
        }
    }
    double xkivctlWall = 1e9;
    double floorWall = 1e9;
    long peakKb = 0;
    long floorPeakKb = 0;
    for (int i = 0; i < kStartRuns; ++i) {
        const Child run = Run(offlineGet);
        const Child cat = Run(floorCat);
        if (!Succeeded(run) || !Succeeded(cat)) {
            fail("the start-up runs");
            break;
        }
        xkivctlWall = std::min(xkivctlWall, run.wall);
        floorWall = std::min(floorWall, cat.wall);
        peakKb = std::max(peakKb, run.maxRssKb);
        floorPeakKb = std::max(floorPeakKb, cat.maxRssKb);
    }
    std::printf("  wall time:                     %.2f ms, floor %.2f ms (best of %d)\n",
                xkivctlWall * 1e3, floorWall * 1e3, kStartRuns);
    std::printf("  wall / floor:                  %.2f (target <= 1.5)\n", xkivctlWall / floorWall);
    targets.push_back({"start-up wall", xkivctlWall / floorWall, 1.5});

    // Exchanges without pacing: a read-all run minus an identify-only run,
    // per exchange of the difference, for xkivctl and for the floor
    // replaying the lines xkivctl sent.
    {
        Simulator simulator(sim, dir / "unpaced.log", false);
        if (simulator.Device().empty()) {
            fail("starting rzcam-sim");
            return finish();
        }
        const std::vector<std::string> identify = {xkivctl, "--device", simulator.Device(), "get",
                                                   "ModelName"};
        const std::vector<std::string> readAll = {xkivctl, "--device", simulator.Device(),
                                                  "read-all"};
        simulator.ClearLog();
        const Child identifyRun = Run(identify);
        const long identifyLines = simulator.TakeLog(dir / "identify.lines");
        simulator.ClearLog();
        const Child readAllRun = Run(readAll);
        const long readAllLines = simulator.TakeLog(dir / "read-all.lines");
        const long exchanges = readAllLines - identifyLines;
        if (!Succeeded(identifyRun) || !Succeeded(readAllRun) || exchanges <= 0) {
            fail("the unpaced runs");
            return finish();
        }
        peakKb = std::max({peakKb, identifyRun.maxRssKb, readAllRun.maxRssKb});
        std::vector<Pair> clients = {
            {readAll, identify},
            {{floor, "replay", simulator.Device(), (dir / "read-all.lines").string()},
             {floor, "replay", simulator.Device(), (dir / "identify.lines").string()}},
        };
        std::printf("unpaced exchange (read-all %ld lines minus identify %ld lines)\n",
                    readAllLines, identifyLines);
        // The floor made to run as many instructions an exchange as xkivctl,
        // and to purge as it does: what the same work costs without the
        // layers it runs through.
        std::optional<long> steps;
        if (valgrind) {
            const auto ours =
                PrintFootprints(*valgrind, dir, {readAll, clients[1].all}, Stretch::Exchange);
            if (!ours) {
                fail("tracing the exchanges with lackey");
                return finish();
            }
            steps = StepsToMatch(*valgrind, dir, clients[1].all, ours->instructions);
            if (!steps) {
                fail("counting the floor's steps of work with lackey");
                return finish();
            }
            Pair worked = clients[1];
            worked.all.push_back(std::to_string(*steps));
            worked.few.push_back(std::to_string(*steps));
            clients.push_back(worked);
        }
        const auto measured = MeasureExchanges(*strace, dir, clients, exchanges);
        if (!measured) {
            fail("measuring the unpaced exchanges");
            return finish();
        }
        const PerExchange& xk = (*measured)[0];
        const PerExchange& fl = (*measured)[1];
        std::printf("  system calls per exchange:     %.1f, floor %.1f (strace; target <= 5)\n",
                    xk.calls, fl.calls);
        std::printf(
            "  CPU per exchange:              %.1f us, floor %.1f us (median of %d pairs)\n",
            xk.cpu * 1e6, fl.cpu * 1e6, kExchangeRuns);
        std::printf("  CPU / floor's:                 %.2f (target <= 1.3)\n", xk.cpu / fl.cpu);
        if (steps) {
            const PerExchange& worked = (*measured)[2];
            std::printf(
                "  the floor purging and running as many instructions (%ld steps):\n"
                "                                 %.1f us, %.2f of the floor's\n",
                *steps, worked.cpu * 1e6, worked.cpu / fl.cpu);
        }
        targets.push_back({"system calls per exchange", xk.calls, 5});
        targets.push_back({"exchange CPU", xk.cpu / fl.cpu, 1.3});
    }

    // Identify and read-all at 9600 baud: CPU ÷ wall beside the floor's.
    {
        Simulator simulator(sim, dir / "paced.log", true);
        if (simulator.Device().empty()) {
            fail("starting rzcam-sim --baud-pace");
            return finish();
        }
        const std::vector<std::string> readAll = {xkivctl, "--device", simulator.Device(),
                                                  "read-all"};
        const std::vector<std::string> floorReadAll = {floor, "replay", simulator.Device(),
                                                       (dir / "paced.lines").string()};
        const std::vector<std::string> identify = {xkivctl, "--device", simulator.Device(), "get",
                                                   "ModelName"};
        const std::vector<std::string> floorIdentify = {floor, "replay", simulator.Device(),
                                                        (dir / "paced-identify.lines").string()};
        // The CPU a paced run takes is a few milliseconds in a second, so a
        // busy moment of the machine moves it by half: each run is set beside
        // the floor's run right after it, and the middle of those ratios is
        // the figure.
        std::vector<double> shares;
        std::vector<double> floorShares;
        std::vector<double> ratios;
        // Where the CPU goes: an identify alone, and each exchange a read-all
        // makes beyond it.
        std::vector<double> fixed;
        std::vector<double> floorFixed;
        std::vector<double> perExchange;
        std::vector<double> floorPerExchange;
        long lines = 0;
        long identifyLines = 0;
        for (int i = 0; i < kPacedRuns; ++i) {
            simulator.ClearLog();
            const Child few = Run(identify);
            identifyLines = simulator.TakeLog(dir / "paced-identify.lines");
            const Child floorFew = Run(floorIdentify);
            simulator.ClearLog();
            const Child run = Run(readAll);
            lines = simulator.TakeLog(dir / "paced.lines");
            const Child replay = Run(floorReadAll);
            if (!Succeeded(run) || !Succeeded(replay) || !Succeeded(few) || !Succeeded(floorFew) ||
                lines <= identifyLines) {
                fail("the paced runs");
                return finish();
            }
            const auto exchanges = static_cast<double>(lines - identifyLines);
            fixed.push_back(few.cpu);
            floorFixed.push_back(floorFew.cpu);
            perExchange.push_back((run.cpu - few.cpu) / exchanges);
            floorPerExchange.push_back((replay.cpu - floorFew.cpu) / exchanges);
            shares.push_back(run.cpu / run.wall);
            floorShares.push_back(replay.cpu / replay.wall);
            ratios.push_back(shares.back() / floorShares.back());
            peakKb = std::max(peakKb, run.maxRssKb);
            floorPeakKb = std::max(floorPeakKb, replay.maxRssKb);
        }
        const double ratio = Median(ratios);
        std::printf("paced identify + read-all (%ld lines at 9600 baud, median of %d pairs)\n",
                    lines, kPacedRuns);
        std::printf("  CPU / wall:                    %.4f, floor %.4f\n", Median(shares),
                    Median(floorShares));
        std::printf("  CPU / wall ÷ floor's:          %.2f (target <= 1.1)\n", ratio);
        std::printf("  identify alone (%ld lines):     %.2f ms of CPU, floor %.2f ms (medians)\n",
                    identifyLines, Median(fixed) * 1e3, Median(floorFixed) * 1e3);
        std::printf("  each further exchange:         %.0f us of CPU, floor %.0f us (medians)\n",
                    Median(perExchange) * 1e6, Median(floorPerExchange) * 1e6);
        targets.push_back({"paced CPU share", ratio, 1.1});
        if (valgrind && !PrintFootprints(*valgrind, dir, {readAll, floorReadAll}, Stretch::WakeUp)
                             .has_value()) {
            fail("tracing the paced wake-ups with lackey");
            return finish();
        }
    }

    const double peakMb = static_cast<double>(peakKb) * 1024 / 1e6;
    const double floorPeakMb = static_cast<double>(floorPeakKb) * 1024 / 1e6;
    std::printf("peak resident memory over all runs: %.2f MB, floor %.2f MB (target <= 4.2 MB)\n",
                peakMb, floorPeakMb);
    targets.push_back({"peak memory", peakMb, 4.2});
    return finish();
}
