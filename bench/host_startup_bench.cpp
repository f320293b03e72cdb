// Tarnview's start: process start to the first paint of its window with the control, offline
// and with the simulated camera online, and the peak memory with every panel open; then the
// real Tarnview idle under a virtual X display: its CPU time and wake-ups over 10 s.
//
// The program runs itself as a child that starts as Tarnview does (a Qt application and the
// host window with the control created from the built module); the parent times the child from
// before it is spawned to the child's first paint, on the system-wide monotonic clock.
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/control_dialog.h"
#include "platform/component_loader.h"
#include "sim/sim_server.h"

extern char** environ;

namespace {

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Notes the time of the first paint of the window.
class FirstPaint final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && at == 0) {
            at = Now();
        }
        return QObject::eventFilter(watched, event);
    }
    double at = 0;
};

// The child: starts like Tarnview, prints the first paint's time and the
// peak resident memory once every panel is open, and ends.
int RunChild(int argc, char** argv) {
    QApplication application(argc, argv);
    // A message box the control shows when it finds no camera is answered at once.
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    dismiss.start(0);
    xkiv::host::CControlDialog dialog;
    dismiss.stop();
    FirstPaint paint;
    dialog.installEventFilter(&paint);
    dialog.show();
    while (paint.at == 0) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    for (const auto dispid : {xkiv::host::kShowAboutWindow, xkiv::host::kShowCommunicationWindow,
                              xkiv::host::kShowControlWindow}) {
        dialog.Control().SetBoolProperty(dispid, true);
    }
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.6f %ld\n", paint.at, usage.ru_maxrss);
    return 0;
}

struct Run {
    double seconds;
    long peakKiB;
};

Run RunOnce(const char* self) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    char childFlag[] = "--child";
    char* args[] = {const_cast<char*>(self), childFlag, nullptr};
    pid_t pid = 0;
    const double start = Now();
    if (posix_spawn(&pid, self, &actions, nullptr, args, environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        out.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    double paintAt = 0;
    long peak = 0;
    if (std::sscanf(out.c_str(), "%lf %ld", &paintAt, &peak) != 2) {
        std::fprintf(stderr, "child failed (status %d): %s\n", status, out.c_str());
        std::exit(1);
    }
    return {paintAt - start, peak};
}

// Whether the figures meet the targets: 0.5 s to the first paint, 80 MB.
bool Measure(const char* self, const char* label, int runs) {
    std::vector<Run> results;
    for (int i = 0; i < runs; ++i) {
        results.push_back(RunOnce(self));
    }
    std::sort(results.begin(), results.end(),
              [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    long peak = 0;
    for (const Run& run : results) {
        peak = std::max(peak, run.peakKiB);
    }
    std::printf(
        "%-8s start to first paint: median %.3f s (min %.3f, max %.3f, %d runs); "
        "peak resident memory with every panel open: %.1f MB\n",
        label, results[results.size() / 2].seconds, results.front().seconds, results.back().seconds,
        runs, static_cast<double>(peak) / 1024.0);
    return results[results.size() / 2].seconds <= 0.5 && peak <= 80 * 1024;
}

// --- Idle ---------------------------------------------------------------------

constexpr int kIdleSeconds = 10;
// Long enough for the start, the camera's identification and the panels' first paints.
constexpr int kSettleSeconds = 3;

pid_t Spawn(const std::vector<std::string>& command, int outFd = -1) {
    std::vector<char*> args;
    for (const std::string& arg : command) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    }
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

void Stop(pid_t pid) {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

// CPU time (user and system) of a process in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold spaces, start after its ')'.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0;
    unsigned long long system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            user = std::stoull(field);
        } else if (index == 15) {
            system = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Context switches of every thread of a process: each is a wake-up.
long long WakeUps(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    long long total = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:")) {
                total += std::stoll(line.substr(line.find(':') + 1));
            }
        }
    }
    return total;
}

// Starts Xvfb on a free display and returns its pid; the display name in display.
pid_t StartXvfb(std::string& display) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t pid = Spawn({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0",
                             "1024x768x24", "-nolisten", "tcp"});
    close(pipeFds[1]);
    std::string number;
    char c = 0;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(pipeFds[0]);
    if (pid <= 0 || number.empty()) {
        Stop(pid);
        return -1;
    }
    display = ":" + number;
    return pid;
}

// The real Tarnview with every panel open and the camera online, idle on a virtual X
// display with a window manager: its share of a core and its wake-ups per second over
// kIdleSeconds, and the X server's share. Whether both figures meet their targets.
bool MeasureIdle(const std::filesystem::path& folder, const std::string& tarnview,
                 const std::string& device) {
    std::string display;
    const pid_t xvfb = StartXvfb(display);
    if (xvfb <= 0) {
        std::printf("idle     not measured: Xvfb is missing or did not start\n");
        return true;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const pid_t manager = Spawn({"openbox", "--sm-disable"});
    std::filesystem::create_directories(folder / "config" / "KIV");
    std::ofstream(folder / "config" / "KIV" / "XKivRZ150LX Control.ini")
        << "[Comm]\nClass=0\nPortName=" << device << "\n[AboutDialog]\nShow=1\n"
        << "[CommunicationDialog]\nShow=1\n[ControlDialog]\nShow=1\n";
    setenv("XKIV_SERIAL_PORTS", device.c_str(), 1);
    const pid_t host = Spawn({tarnview});
    std::this_thread::sleep_for(std::chrono::seconds(kSettleSeconds));
    if (host <= 0 || waitpid(host, nullptr, WNOHANG) != 0) {
        std::printf("idle     not measured: %s did not start\n", tarnview.c_str());
        Stop(manager);
        Stop(xvfb);
        return false;
    }
    const double cpu0 = CpuSeconds(host);
    const double server0 = CpuSeconds(xvfb);
    const long long wakes0 = WakeUps(host);
    const double start = Now();
    std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
    const double elapsed = Now() - start;
    const double share = (CpuSeconds(host) - cpu0) / elapsed * 100.0;
    const double serverShare = (CpuSeconds(xvfb) - server0) / elapsed * 100.0;
    const double wakes = static_cast<double>(WakeUps(host) - wakes0) / elapsed;
    Stop(host);
    Stop(manager);
    Stop(xvfb);
    std::printf(
        "idle     every panel open, camera online, %s: CPU %.2f %% of a core, %.1f wake-ups/s "
        "over %d s; the X server %.2f %%\n",
        manager > 0 ? "window manager" : "no window manager", share, wakes, kIdleSeconds,
        serverShare);
    return share < 0.5 && wakes < 20;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        return RunChild(argc, argv);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char folderTemplate[] = "/tmp/host-bench-XXXXXX";
    const std::filesystem::path folder = mkdtemp(folderTemplate);
    setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    setenv("XDG_DATA_DIRS", (folder / "shared").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    std::string error;
    // Another build's program and module can be measured: RUNS TARNVIEW MODULE.
    if (xkiv::automation::RegisterModule(argc > 3 ? argv[3] : XKIV_CONTROL_MODULE_PATH, &error) !=
        xkiv::automation::kOk) {
        std::fprintf(stderr, "register: %s\n", error.c_str());
        return 1;
    }
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;

    setenv("XKIV_SERIAL_PORTS", (folder / "no-camera").c_str(), 1);
    bool onTarget = Measure(argv[0], "offline", runs);

    auto server = xkiv::sim::SimServer::Create({}, {}, &error);
    if (server == nullptr || !server->Start()) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    setenv("XKIV_SERIAL_PORTS", server->DevicePath().c_str(), 1);
    onTarget = Measure(argv[0], "online", runs) && onTarget;
    onTarget = MeasureIdle(folder, argc > 2 ? argv[2] : XKIV_TARNVIEW_PATH, server->DevicePath()) &&
               onTarget;
    server->Stop();
    std::filesystem::remove_all(folder);
    return onTarget ? 0 : 3;
}
