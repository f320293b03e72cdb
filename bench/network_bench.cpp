// Times cameras behind ser2net and several cameras at once, all at 9600 baud.
//
// First identify + read-all of an RZ-130LX on the local port, through
// ser2net raw and through ser2net RFC 2217: wall time against the wire time
// of the bytes moved (target <= 1.03 over the network). Then read-all on
// eight cameras at once, each on a thread of its own, against one camera
// alone: wall time (target <= 1.15 x) and client CPU per camera (target:
// no more than alone). Each figure is the best of three rounds.
#include <algorithm>
#include <array>
#include <thread>
#include <vector>

#include "bench/bench_support.h"

namespace {

using namespace xkiv;
using Mode = bench::PacedCamera::Bridge::Mode;

constexpr const char* kProgram = "network_bench";

sim::CameraConfig Rz130() {
    sim::CameraConfig config;
    config.model = "RZ-130LX";
    return config;
}

constexpr int kRounds = 3;  // the best of three: other work on the machine only slows a round

// Identify + read-all through one route, the best of kRounds; false when it
// failed. ok turns false when the figure is off target.
bool IdentifyAndReadAll(const char* route, std::optional<Mode> mode, double target, bool& ok) {
    double best = 0;
    double wire = 0;
    for (int round = 0; round < kRounds; ++round) {
        bench::PacedCamera paced(kProgram, Rz130(), mode);
        if (!paced.Ready()) {
            return false;
        }
        bench::WireCountingCamera& camera = paced.Camera();
        const bench::Stopwatch stopwatch;
        int failedRow = 0;
        if (const ResultCode result = camera.ReadAll(&failedRow); result != rc::kOk) {
            paced.Failed(failedRow, result);
            return false;
        }
        const double wall = paced.ConnectWall() + stopwatch.Wall();
        wire =
            static_cast<double>(paced.ConnectBytes() + camera.wireBytes) * bench::kSecondsPerByte;
        best = round == 0 ? wall : std::min(best, wall);
    }
    std::printf("identify + read-all, %-18s wire %.3f s, wall %.3f s, wall / wire %.4f", route,
                wire, best, best / wire);
    if (target > 0) {
        std::printf(" (target <= %.2f)", target);
        ok = ok && best / wire <= target;
    }
    std::printf("\n");
    return true;
}

struct ReadAllRun {
    double wall = 0;
    double cpuPerCamera = 0;
};

// The shorter wall time and the smaller CPU time of two runs.
ReadAllRun Best(const std::optional<ReadAllRun>& best, const ReadAllRun& run) {
    if (!best) {
        return run;
    }
    return {std::min(best->wall, run.wall), std::min(best->cpuPerCamera, run.cpuPerCamera)};
}

// One read-all on each camera, every camera on a thread of its own.
std::optional<ReadAllRun> ReadAllAtOnce(std::vector<std::unique_ptr<bench::PacedCamera>>& cameras) {
    std::vector<double> cpu(cameras.size());
    std::vector<ResultCode> results(cameras.size(), rc::kOk);
    std::vector<int> failedRows(cameras.size());
    const bench::Stopwatch stopwatch;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        threads.emplace_back([&, i] {
            const bench::Stopwatch own;
            results[i] = cameras[i]->Camera().ReadAll(&failedRows[i]);
            cpu[i] = own.Cpu();
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ReadAllRun run{stopwatch.Wall(), 0};
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        if (results[i] != rc::kOk) {
            cameras[i]->Failed(failedRows[i], results[i]);
            return std::nullopt;
        }
        run.cpuPerCamera += cpu[i] / static_cast<double>(cameras.size());
    }
    return run;
}

std::vector<std::unique_ptr<bench::PacedCamera>> Cameras(int count) {
    std::vector<std::unique_ptr<bench::PacedCamera>> cameras;
    for (int i = 0; i < count; ++i) {
        cameras.push_back(std::make_unique<bench::PacedCamera>(kProgram, Rz130()));
        if (!cameras.back()->Ready()) {
            return {};
        }
    }
    return cameras;
}

}  // namespace

int main() {
    bool ok = true;
    if (!IdentifyAndReadAll("local port:", std::nullopt, 0, ok) ||
        !IdentifyAndReadAll("ser2net raw:", Mode::Raw, 1.03, ok) ||
        !IdentifyAndReadAll("ser2net RFC 2217:", Mode::Rfc2217, 1.03, ok)) {
        return 1;
    }

    constexpr int kCameras = 8;
    auto one = Cameras(1);
    auto eight = Cameras(kCameras);
    if (one.empty() || eight.empty()) {
        return 1;
    }
    std::optional<ReadAllRun> alone;
    std::optional<ReadAllRun> together;
    for (int round = 0; round < kRounds; ++round) {
        const std::optional<ReadAllRun> oneRun = ReadAllAtOnce(one);
        const std::optional<ReadAllRun> eightRun = ReadAllAtOnce(eight);
        if (!oneRun || !eightRun) {
            return 1;
        }
        alone = Best(alone, *oneRun);
        together = Best(together, *eightRun);
    }
    const double wallRatio = together->wall / alone->wall;
    const double cpuRatio = together->cpuPerCamera / alone->cpuPerCamera;
    std::printf("read-all, one camera:     wall %.3f s, client CPU %.4f s\n", alone->wall,
                alone->cpuPerCamera);
    std::printf("read-all, %d cameras:      wall %.3f s, client CPU %.4f s per camera\n", kCameras,
                together->wall, together->cpuPerCamera);
    std::printf("  wall, %d / one:          %.3f (target <= 1.15)\n", kCameras, wallRatio);
    std::printf("  CPU per camera, %d / one: %.3f (target <= 1)\n", kCameras, cpuRatio);
    ok = ok && wallRatio <= 1.15 && cpuRatio <= 1.0;
    return ok ? 0 : 3;
}
