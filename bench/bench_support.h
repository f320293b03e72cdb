// Timing helpers and a camera object that counts the bytes on the line.
#pragma once

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "camera/camera.h"

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

// A profile folder of its own, removed at exit.
struct TempProfile {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("xkiv-bench-" + std::to_string(::getpid()));
    ProfileStore profile{dir / "profile.ini"};
    ~TempProfile() { std::filesystem::remove_all(dir); }
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
