// Timing helpers and a camera object that counts the bytes on the line.
#pragma once

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "camera/camera.h"
#include "sim/sim_server.h"
#include "tests/support/ser2net_bridge.h"

namespace xkiv::bench {

// 8N1: a start bit, eight data bits and a stop bit per byte.
inline constexpr double kSecondsPerByte = 10.0 / 9600.0;

inline double Seconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Wall time and the CPU time of the calling thread only: the simulator runs
// in another thread of the same process and must not count as client CPU.
struct Stopwatch {
    double wallStart = Seconds(CLOCK_MONOTONIC);
    double cpuStart = Seconds(CLOCK_THREAD_CPUTIME_ID);
    double Wall() const { return Seconds(CLOCK_MONOTONIC) - wallStart; }
    double Cpu() const { return Seconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart; }
};

// Counts every byte of every command and answer line that passes the link
// (the log sees each line with its CR LF).
class WireCountingCamera : public CCamera {
public:
    using CCamera::CCamera;
    using CCamera::StoreValue;
    void LogMessage(const std::string& text, bool sent) override {
        wireBytes += text.size();
        CCamera::LogMessage(text, sent);
    }
    std::size_t wireBytes = 0;
};

// A profile folder of its own (one per object, so that several cameras of
// one process write apart), removed at exit.
struct TempProfile {
    static int Next() {
        static std::atomic<int> count{0};
        return count++;
    }
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("xkiv-bench-" + std::to_string(::getpid()) + "-" + std::to_string(Next()));
    ProfileStore profile{dir / "profile.ini"};
    ~TempProfile() { std::filesystem::remove_all(dir); }
};

// A simulator at real 9600-baud timing and a camera object connected to
// it, each with a profile of its own; with a bridge mode, through ser2net
// in that mode. Check Ready() before use.
class PacedCamera {
public:
    using Bridge = test::Ser2netBridge;
    PacedCamera(const char* program, const sim::CameraConfig& config,
                std::optional<Bridge::Mode> bridge = std::nullopt)
        : program_(program) {
        sim::LineConfig line;
        line.baudPace = true;
        std::string error;
        server_ = sim::SimServer::Create(config, line, &error);
        if (!server_ || !server_->Start()) {
            std::fprintf(stderr, "%s: cannot start the simulator: %s\n", program, error.c_str());
            return;
        }
        temp_ = std::make_unique<TempProfile>();
        std::string device = server_->DevicePath();
        if (bridge) {
            std::filesystem::create_directories(temp_->dir);
            bridge_ = std::make_unique<Bridge>(temp_->dir, server_->PtyPath(), *bridge);
            if (!bridge_->Start()) {
                std::fprintf(stderr, "%s: cannot start ser2net\n", program);
                return;
            }
            device = bridge_->Address();
        }
        ::setenv("XKIV_SERIAL_PORTS", device.c_str(), 1);
        camera_ = std::make_unique<WireCountingCamera>(temp_->profile);
        connectStopwatch_ = Stopwatch();
        if (const ResultCode result = camera_->Connect(CComm::ClassOfDevice(device), 0);
            result != rc::kOk) {
            std::fprintf(stderr, "%s: connecting failed: %s\n", program,
                         GetErrorText(result).c_str());
            return;
        }
        connectWall_ = connectStopwatch_.Wall();
        connectBytes_ = camera_->wireBytes;
        camera_->wireBytes = 0;
        ready_ = true;
    }
    ~PacedCamera() {
        camera_.reset();
        bridge_.reset();
        if (server_) {
            server_->Stop();
        }
    }

    bool Ready() const { return ready_; }
    WireCountingCamera& Camera() { return *camera_; }
    // Connecting, which identifies the camera: its wall time and the bytes
    // it moved (not counted in Camera().wireBytes).
    double ConnectWall() const { return connectWall_; }
    std::size_t ConnectBytes() const { return connectBytes_; }
    // Reports a failed exchange and gives the exit status for it.
    int Failed(int row, ResultCode result) const {
        std::fprintf(stderr, "%s: %s failed: %s\n", program_, Mnemonic(row).c_str(),
                     GetErrorText(result).c_str());
        return 1;
    }

private:
    const char* program_;
    std::unique_ptr<sim::SimServer> server_;
    std::unique_ptr<TempProfile> temp_;
    std::unique_ptr<Bridge> bridge_;
    std::unique_ptr<WireCountingCamera> camera_;
    Stopwatch connectStopwatch_;
    double connectWall_ = 0;
    std::size_t connectBytes_ = 0;
    bool ready_ = false;
};

// Prints the two figures and tells whether both are within their targets.
inline bool Report(const char* what, double wireSeconds, double wall, double cpu) {
    const double wireRatio = wall / wireSeconds;
    const double cpuRatio = cpu / wall;
    std::printf("%s\n", what);
    std::printf("  wire time at 9600 8N1:  %.3f s\n", wireSeconds);
    std::printf("  wall time:              %.3f s\n", wall);
    std::printf("  client CPU time:        %.4f s\n", cpu);
    std::printf("  wall / wire time:       %.3f (target <= 1.10)\n", wireRatio);
    std::printf("  client CPU / wall time: %.4f (target <= 0.02)\n", cpuRatio);
    return wireRatio <= 1.10 && cpuRatio <= 0.02;
}

}  // namespace xkiv::bench
