// Times a complete read of a simulated RZ-130LX at 9600 baud.
//
// Prints wall time against the wire time of every query and answer (target
// <= 1.10) and the client's CPU time against wall time (target <= 0.02).
#include <cstdlib>

#include "bench/bench_support.h"
#include "sim/sim_server.h"

int main(int argc, char** argv) {
    using namespace xkiv;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    sim::CameraConfig config;
    config.model = "RZ-130LX";
    sim::LineConfig line;
    line.baudPace = true;
    std::string error;
    auto server = sim::SimServer::Create(config, line, &error);
    if (!server || !server->Start()) {
        std::fprintf(stderr, "readall_bench: cannot start the simulator: %s\n", error.c_str());
        return 1;
    }
    ::setenv("XKIV_SERIAL_PORTS", server->DevicePath().c_str(), 1);
    bool withinTarget = false;
    {
        bench::TempProfile temp;
        bench::WireCountingCamera camera(temp.profile);
        if (const ResultCode result = camera.Connect(0, 0); result != rc::kOk) {
            std::fprintf(stderr, "readall_bench: connecting failed: %s\n",
                         GetErrorText(result).c_str());
            return 1;
        }
        camera.wireBytes = 0;
        const bench::Stopwatch stopwatch;
        for (int round = 0; round < rounds; ++round) {
            int failedRow = 0;
            if (const ResultCode result = camera.ReadAll(&failedRow); result != rc::kOk) {
                std::fprintf(stderr, "readall_bench: read failed at %s: %s\n",
                             Mnemonic(failedRow).c_str(), GetErrorText(result).c_str());
                return 1;
            }
        }
        const double wall = stopwatch.Wall();
        const double cpu = stopwatch.Cpu();
        const std::string what =
            std::to_string(rounds) + " x ReadAll of an RZ-130LX against rzcam-sim --baud-pace";
        withinTarget =
            bench::Report(what.c_str(), camera.wireBytes * bench::kSecondsPerByte, wall, cpu);
    }
    server->Stop();
    return withinTarget ? 0 : 3;
}
