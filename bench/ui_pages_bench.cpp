// The Camera Control panel: CPU from a property set to the page showing it, and creating the panel.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench/bench_support.h"
#include "control/control.h"
#include "control/module.h"
#include "sim/sim_server.h"
#include "tests/support/qt_control.h"
#include "ui/dialog_function.h"

namespace {

using namespace xkiv;

constexpr double kRefreshCpuGoalMs = 5.0;
constexpr int kRounds = 50;

// Properties set in turn, each between two values, so every set changes what a page shows.
struct Change {
    const char* property;
    int first;
    int second;
};
constexpr Change kChanges[] = {
    {"LineRate", 5000, 6000}, {"MasterGain", 100, 200}, {"TriggerMode", 0, 1},
    {"GainMode", 0, 1},       {"RedKneePoint", 10, 20}, {"AberrationAreaNumberRed", 4, 5},
};

void Set(CXKivRZ150LXCtrl& control, const char* property, int value) {
    std::vector<automation::Variant> args{automation::Variant::Long(value)};
    control.InvokeByName(property, automation::InvokeKind::PropertyPut, args, nullptr, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    bench::TempProfile temp;
    ::setenv("XDG_CONFIG_HOME", temp.dir.c_str(), 1);
    sim::CameraConfig camera;
    camera.model = "RZ-150LX";
    std::string error;
    auto server = sim::SimServer::Create(camera, {}, &error);
    if (server == nullptr || !server->Start()) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    ::setenv("XKIV_SERIAL_PORTS", server->DevicePath().c_str(), 1);
    test::QtControl qt(temp.dir / "control.ini");
    auto& control = qt.control;
    test::WindowSite host;
    control->CreateControlWindow(host);
    host.window.show();
    Set(*control, "MovingAverageControl", 1);
    Set(*control, "AberrationLeftSidePixelRed", 1);

    // A second Camera Control panel, created and shown from nothing.
    const std::size_t linesBefore = server->ReceivedLines().size();
    bench::Stopwatch create;
    std::unique_ptr<Panel> panel = qt.factory.CreatePanel(kPanelControl);
    panel->Create(kPanelControl, 232, qt.factory.MainWindow(), *control, "ControlDialog", false);
    static_cast<QWidget*>(panel->Window())->show();
    QApplication::processEvents();
    const double createWallMs = create.Wall() * 1e3;
    const double createCpuMs = create.Cpu() * 1e3;
    const std::size_t sentWhileOpening = server->ReceivedLines().size() - linesBefore;
    control->SetShowFlag(kPanelControl, true);
    QApplication::processEvents();

    double worstCpuMs = 0;
    double totalCpuMs = 0;
    int sets = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (const Change& change : kChanges) {
            bench::Stopwatch set;
            Set(*control, change.property, round % 2 == 0 ? change.second : change.first);
            QApplication::processEvents();
            const double cpuMs = set.Cpu() * 1e3;
            worstCpuMs = std::max(worstCpuMs, cpuMs);
            totalCpuMs += cpuMs;
            ++sets;
        }
    }
    panel->DestroyWindow();
    control->DestroyControlWindow();
    server->Stop();

    std::printf(
        "create and first show of the Camera Control panel: %.1f ms wall, %.1f ms CPU, "
        "%zu lines sent\n",
        createWallMs, createCpuMs, sentWhileOpening);
    std::printf(
        "property set to page shown (%d sets): CPU mean %.2f ms, worst %.2f ms "
        "(goal < %.1f ms)\n",
        sets, totalCpuMs / sets, worstCpuMs, kRefreshCpuGoalMs);
    return totalCpuMs / sets < kRefreshCpuGoalMs && sentWhileOpening == 0 ? 0 : 3;
}
