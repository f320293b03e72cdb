// Times a complete read of a simulated RZ-130LX at 9600 baud.
//
// Prints wall time against the wire time of every query and answer (target
// <= 1.10) and the client's CPU time against wall time (target <= 0.02).
#include <cstdlib>

#include "bench/bench_support.h"

int main(int argc, char** argv) {
    using namespace xkiv;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    sim::CameraConfig config;
    config.model = "RZ-130LX";
    bench::PacedCamera paced("readall_bench", config);
    if (!paced.Ready()) {
        return 1;
    }
    bench::WireCountingCamera& camera = paced.Camera();
    const bench::Stopwatch stopwatch;
    for (int round = 0; round < rounds; ++round) {
        int failedRow = 0;
        if (const ResultCode result = camera.ReadAll(&failedRow); result != rc::kOk) {
            return paced.Failed(failedRow, result);
        }
    }
    const double wall = stopwatch.Wall();
    const double cpu = stopwatch.Cpu();
    const std::string what =
        std::to_string(rounds) + " x ReadAll of an RZ-130LX against rzcam-sim --baud-pace";
    return bench::Report(what.c_str(), camera.wireBytes * bench::kSecondsPerByte, wall, cpu) ? 0
                                                                                             : 3;
}
