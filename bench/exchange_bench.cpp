// Times set and query exchanges against the simulator at 9600 baud.
//
// Prints how close the exchanges come to the pure wire time of their bytes
// (target <= 1.10) and how much CPU the client spends while it waits
// (target <= 0.02: a read that spins shows about 1.0).
#include <cstdlib>
#include <vector>

#include "bench/bench_support.h"

namespace {

using namespace xkiv;

struct Exchange {
    int row;
    bool set;
    std::int32_t value;
};

const std::vector<Exchange> kPattern = {
    {row::GA, true, 120},    {row::GA, false, 0},  {row::BL, true, 12}, {row::BL, false, 0},
    {row::KSR, true, 40000}, {row::KSR, false, 0}, {row::TR, true, 1},  {row::TR, false, 0},
    {row::VN, false, 0},     {row::MD, false, 0},
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    bench::PacedCamera paced("exchange_bench", sim::CameraConfig{});
    if (!paced.Ready()) {
        return 1;
    }
    bench::WireCountingCamera& camera = paced.Camera();
    const bench::Stopwatch stopwatch;
    for (int round = 0; round < rounds; ++round) {
        for (const Exchange& exchange : kPattern) {
            ResultCode result;
            if (exchange.set) {
                camera.StoreValue(exchange.row, exchange.value);
                result = camera.WriteParameter(exchange.row, true);
            } else {
                result = camera.ReadParameter(exchange.row, true);
            }
            if (result != rc::kOk) {
                return paced.Failed(exchange.row, result);
            }
        }
    }
    const double wall = stopwatch.Wall();
    const double cpu = stopwatch.Cpu();
    const std::string what = std::to_string(rounds * kPattern.size()) +
                             " set and query exchanges against rzcam-sim --baud-pace";
    return bench::Report(what.c_str(), camera.wireBytes * bench::kSecondsPerByte, wall, cpu) ? 0
                                                                                             : 3;
}
