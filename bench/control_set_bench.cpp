// Times property sets through the control's automation interface (InvokeByName) at 9600 baud.
//
// The C++ path that the Python module's set loop is measured against
// (bench/python_set_bench.py), against the same rzcam-sim --baud-pace
// process: prints the wire time of the bytes the sets put on the line and
// the client's CPU time per set.
//   control_set_bench DEVICE [SETS]
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_support.h"
#include "control/control.h"

namespace {

using namespace xkiv;
using automation::InvokeKind;
using automation::Variant;

// The control with every line on the link counted.
class WireCountingControl final : public CXKivRZ150LXCtrl {
public:
    using CXKivRZ150LXCtrl::CXKivRZ150LXCtrl;
    void LogMessage(const std::string& text, bool sent) override {
        wireBytes += text.size();
        CXKivRZ150LXCtrl::LogMessage(text, sent);
    }
    std::size_t wireBytes = 0;
};

bool Invoke(WireCountingControl& control, const char* name, InvokeKind kind,
            std::vector<Variant> args) {
    automation::AutomationError error;
    Variant result;
    if (control.InvokeByName(name, kind, args, &result, &error) != automation::kOk) {
        std::fprintf(stderr, "control_set_bench: %s failed: %s\n", name, error.description.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: control_set_bench DEVICE [SETS]\n");
        return 2;
    }
    const int sets = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
    ::setenv("XKIV_SERIAL_PORTS", argv[1], 1);
    const bench::TempProfile temp;
    CXKivRZ150LX module(temp.dir / "module.ini", SystemClock());
    WireCountingControl control(module);
    if (!Invoke(control, "StartCommunication", InvokeKind::Method,
                {Variant::Long(0), Variant::Long(0)})) {
        return 1;
    }
    control.wireBytes = 0;
    const bench::Stopwatch stopwatch;
    // The values the Python loop sets: each differs from the one before.
    for (int i = 0; i < sets; ++i) {
        if (!Invoke(control, "MasterGain", InvokeKind::PropertyPut, {Variant::Long(100 + i)})) {
            return 1;
        }
    }
    const double wall = stopwatch.Wall();
    const double cpu = stopwatch.Cpu();
    std::printf(
        "sets: %d\nwire bytes: %zu\nwire time: %.6f s\nwall time: %.6f s\n"
        "CPU per set: %.9f s\n",
        sets, control.wireBytes, control.wireBytes * bench::kSecondsPerByte, wall, cpu / sets);
    return 0;
}
