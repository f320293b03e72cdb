// Values that arrive from the camera are shown, never written back: what each operation sends
// with every panel open, from a fresh or a stale profile, and what the camera holds afterwards.
#include <gmock/gmock.h>

#include <QComboBox>
#include <QLabel>
#include <array>
#include <tuple>

#include "platform/profile_store.h"
#include "tests/support/camera_state.h"
#include "tests/ui/ui_fixture.h"

namespace xkiv::ui_test {
namespace {

using ::testing::IsEmpty;

enum class Operation {
    Connect,
    ReadAll,
    Report,
    LoadFactory,
    LoadUser1,
    LoadUser2,
    PortSwitch,
    Search
};

constexpr std::array kOperationNames = {"Connect",   "ReadAll",   "Report",     "LoadFactory",
                                        "LoadUser1", "LoadUser2", "PortSwitch", "Search"};
constexpr std::array kModels = {"RZ-130LX", "RZ-150LX", "RZ-130LX-FS", "RZ-150LX-HR"};

// The camera's own settings, none of them the factory's: the load of an area, a page's bound
// check or the program's stored values would each show in them.
const std::vector<const char*> kCameraSettings = {
    "TR=1",    "SRO=0",   "LR=23456", "AL=300", "PER=4000", "PEG=4100", "PEB=4200", "GM=1",
    "GA=300",  "GAR=200", "GAB=-50",  "BLM=1",  "BL=40",    "BLR=5",    "BLB=6",    "KN=1",
    "KSR=300", "KPR=700", "TS=2",     "WB=2",   "SGG=1",    "NR=1"};
// Aberration set 3 (selected): red L3 with a chain below the factory's, which the camera takes
// only third pixel first and must get back in an order its bounds accept; blue R1. Sets 1 and
// 2 differ from the factory's too: loading an area replaces every set.
const std::vector<const char*> kAberrationSettings = {
    "MAV=1",     "MAVCG=2",   "CABLR=2,-3", "CABTR=2,2", "CABSR=2,3", "CABAR=2,4",
    "CABLB=2,1", "CABAB=2,5", "CABLR=0,1",  "CABAR=0,5", "CABLB=1,3"};

void Prepare(sim::SimCamera& camera) {
    for (const char* line : kCameraSettings) {
        EXPECT_EQ(camera.HandleLine(line), "COMPLETE\r\n") << line;
    }
    if (IsSupported(row::MAV, camera)) {
        for (const char* line : kAberrationSettings) {
            EXPECT_EQ(camera.HandleLine(line), "COMPLETE\r\n") << line;
        }
    }
}

// Stored values of another camera: another model, bounds that refuse the line rate and the
// gain, and an aberration chain that refuses the camera's.
void StoreStaleValues(ProfileStore& profile, const char* model) {
    const ParameterKey& modelKey = Entry(row::MD).profile;
    profile.WriteString(modelKey.section, modelKey.key, model);
    const std::array<std::pair<int, std::int32_t>, 15> kStale = {{{row::SRO, 1},
                                                                  {row::LR, 0},
                                                                  {row::GM, 0},
                                                                  {row::GA, 1404},
                                                                  {row::TR, 0},
                                                                  {row::AL, 1000},
                                                                  {row::BLM, 0},
                                                                  {row::MAVCG, 2},
                                                                  {row::CABLR, -3},
                                                                  {row::CABAR, 8},
                                                                  {row::CABSR, 6},
                                                                  {row::CABTR, 5},
                                                                  {row::CABLB, -2},
                                                                  {row::CABAB, 3},
                                                                  {row::CABSB, 2}}};
    for (const auto& [row, value] : kStale) {
        profile.WriteInt(Entry(row).profile.section, Entry(row).profile.key, value);
    }
}

bool IsSet(const std::string& line) {
    return line.find('=') != std::string::npos;
}

std::vector<std::string> SetLines(const std::vector<std::string>& lines) {
    std::vector<std::string> sets;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(sets), IsSet);
    return sets;
}

class ValuesFromTheCamera : public UiTest,
                            public ::testing::WithParamInterface<std::tuple<int, Operation>> {
protected:
    std::int32_t Call(const char* method, std::vector<automation::Variant> args = {}) {
        automation::Variant result;
        automation::AutomationError error;
        EXPECT_EQ(
            control_->InvokeByName(method, automation::InvokeKind::Method, args, &result, &error),
            automation::kOk)
            << method << ": " << error.description;
        return result.ToLong().value_or(-1);
    }
    // The camera's settings after only the load of an area from the prepared state.
    static test::CameraState AfterLoad(const char* model, int area) {
        sim::SimCamera reference(test::Model(model));
        Prepare(reference);
        reference.HandleLine("LD=" + std::to_string(area));
        return test::StateOf(reference);
    }
    std::int32_t CameraValue(sim::SimServer& server, int row) {
        std::int32_t value = 0;
        server.WithCamera([&](sim::SimCamera& camera) { value = camera.Value(row); });
        return value;
    }
};

TEST_P(ValuesFromTheCamera, AreShownAndNeverWrittenBack) {
    const auto [modelIndex, operation] = GetParam();
    const char* model = kModels[modelIndex];
    {
        ProfileStore profile(ProfilePath());
        profile.WriteInt("ControlDialog", "Show", 1);
        profile.WriteInt("CommunicationDialog", "Show", 1);
        // Every other model starts from a stale profile, the rest from a fresh one.
        if (modelIndex % 2 == 1) {
            StoreStaleValues(profile, kModels[(modelIndex + 1) % kModels.size()]);
        }
        ASSERT_TRUE(profile.Flush());
    }
    sim::SimServer& camera = StartSim(test::Model(model));
    camera.WithCamera(Prepare);
    const test::CameraState before = test::StateOf(camera);
    std::vector<std::string> devices = {camera.DevicePath()};
    sim::SimServer* other = nullptr;
    if (operation == Operation::PortSwitch) {
        other = &StartSim(test::Model(kModels[(modelIndex + 1) % kModels.size()]));
        other->WithCamera(Prepare);
        devices.insert(devices.begin(), other->DevicePath());
    } else if (operation == Operation::Search) {
        devices.insert(devices.begin(), (dir_ / "no-camera").string());
    }
    const test::CameraState otherBefore = other != nullptr ? test::StateOf(*other) : before;

    CXKivRZ150LXCtrl& control = Open(devices);
    ASSERT_TRUE(PanelWindow(kPanelControl)->isVisible());
    ASSERT_TRUE(PanelWindow(kPanelCommunication)->isVisible());
    // Connecting covers the start as well: the panels open, then the port is opened again.
    const std::size_t mark = operation == Operation::Connect ? 0 : camera.ReceivedLines().size();
    const std::size_t otherMark = other != nullptr ? other->ReceivedLines().size() : 0;
    int area = -1;
    switch (operation) {
        case Operation::Connect:
            EXPECT_EQ(Call("StartCommunication",
                           {automation::Variant::Long(0), automation::Variant::Long(0)}),
                      rc::kOk);
            break;
        case Operation::ReadAll:
            EXPECT_EQ(Call("ReadAllFromCamera"), rc::kOk);
            break;
        case Operation::Report:
            EXPECT_EQ(Call("WriteCameraDataToFile",
                           {automation::Variant::String((dir_ / "report.txt").string())}),
                      rc::kOk);
            break;
        case Operation::LoadFactory:
        case Operation::LoadUser1:
        case Operation::LoadUser2: {
            area = static_cast<int>(operation) - static_cast<int>(Operation::LoadFactory);
            std::vector<automation::Variant> value{automation::Variant::Long(area)};
            ASSERT_EQ(control.InvokeByName("EEPROMArea", automation::InvokeKind::PropertyPut, value,
                                           nullptr, nullptr),
                      automation::kOk);
            EXPECT_EQ(Call("LoadSettings"), rc::kOk);
            break;
        }
        case Operation::PortSwitch: {
            auto* ports = Find<QComboBox>(kPanelCommunication, "PortList");
            ports->setCurrentIndex(1);
            emit ports->activated(1);
            break;
        }
        case Operation::Search: {
            std::int32_t commClass = -1;
            std::int32_t port = -1;
            EXPECT_EQ(Call("AutoSelectCommunication",
                           {automation::Variant::LongRef(&commClass),
                            automation::Variant::LongRef(&port), automation::Variant::Long(1)}),
                      1);
            EXPECT_EQ(port, 1);
            break;
        }
    }
    ASSERT_TRUE(control.IsOnline());
    EXPECT_EQ(control.Text(row::MD), model);

    const std::vector<std::string> sent = LinesSince(camera, mark);
    const std::vector<std::string> sets = SetLines(sent);
    RecordProperty("linesSent", static_cast<int>(sent.size()));
    RecordProperty("setsSent", static_cast<int>(sets.size()));
    if (area >= 0) {
        // The load itself, then the test pattern it sets again as the camera reports it.
        EXPECT_EQ(sets, (std::vector<std::string>{"LD=" + std::to_string(area),
                                                  "TS=" + std::to_string(control.Value(row::TS))}));
        EXPECT_THAT(test::Changes(AfterLoad(model, area), test::StateOf(camera)), IsEmpty());
    } else if (operation == Operation::Report) {
        // Only the loads of the three areas before everything is read; then what puts the
        // camera's own settings back.
        const auto lastLoad = std::find(sets.begin(), sets.end(), "LD=2");
        ASSERT_NE(lastLoad, sets.end());
        EXPECT_EQ(std::vector<std::string>(sets.begin(), lastLoad + 1),
                  (std::vector<std::string>{"LD=0", "LD=1", "LD=2"}));
        EXPECT_THAT(test::Changes(before, test::StateOf(camera)), IsEmpty());
    } else {
        EXPECT_THAT(sets, IsEmpty());
        EXPECT_THAT(test::Changes(before, test::StateOf(camera)), IsEmpty());
    }
    if (other != nullptr) {
        EXPECT_THAT(SetLines(LinesSince(*other, otherMark)), IsEmpty());
        EXPECT_THAT(test::Changes(otherBefore, test::StateOf(*other)), IsEmpty());
    }

    // The Camera Control page shows the program's values: the camera's once read, else the
    // stored ones brought within the identified model's bounds.
    const std::int32_t lineRate = control.Value(row::LR);
    const bool read =
        operation == Operation::ReadAll || operation == Operation::Report || area >= 0;
    if (read) {
        EXPECT_EQ(lineRate, CameraValue(camera, row::LR));
    }
    EXPECT_GE(lineRate, control.GetMinimum(row::LR, false));
    EXPECT_LE(lineRate, control.GetMaximum(row::LR, false));
    EXPECT_EQ(Find<QLineEdit>(kPanelControl, "LineRate")->text().toStdString(),
              std::to_string(lineRate));
    auto* syncText = Find<QLabel>(kPanelControl, "SyncText");
    ASSERT_NE(syncText, nullptr);
    EXPECT_EQ(syncText->text().toStdString(), read ? "Synchronized" : "Not Synchronized");
}

INSTANTIATE_TEST_SUITE_P(
    EveryModel, ValuesFromTheCamera,
    ::testing::Combine(::testing::Range(0, static_cast<int>(kModels.size())),
                       ::testing::Values(Operation::Connect, Operation::ReadAll, Operation::Report,
                                         Operation::LoadFactory, Operation::LoadUser1,
                                         Operation::LoadUser2, Operation::PortSwitch,
                                         Operation::Search)),
    [](const auto& info) {
        std::string name = std::string(kModels[std::get<0>(info.param)]) +
                           kOperationNames[static_cast<int>(std::get<1>(info.param))];
        std::erase(name, '-');
        return name;
    });

}  // namespace
}  // namespace xkiv::ui_test
