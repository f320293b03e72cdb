// The communication methods: port search, port questions and StartCommunication.
#include <algorithm>
#include <cstddef>
#include <filesystem>

#include "tests/control/methods_sim_fixture.h"

namespace xkiv::test {
namespace {

using automation::Variant;

class CommunicationMethodsTest : public MethodsTest {
protected:
    std::int32_t AutoSelect(std::int32_t& commClass, std::int32_t& port, int showProgress) {
        const Variant found = Call(
            "AutoSelectCommunication",
            {Variant::LongRef(&commClass), Variant::LongRef(&port), Variant::Long(showProgress)});
        return found.ToLong().value_or(-99);
    }

    std::vector<std::string> ProgressLog() const {
        std::vector<std::string> entries;
        std::copy_if(ui_.log.begin(), ui_.log.end(), std::back_inserter(entries),
                     [](const std::string& entry) { return entry.rfind("message:", 0) != 0; });
        return entries;
    }
};

class AutoSelectProgressTest : public CommunicationMethodsTest,
                               public ::testing::WithParamInterface<int> {};

TEST_P(AutoSelectProgressTest, FindsTheCameraOnTheSecondPortAfterTryingTheFirst) {
    sim::SimServer& silent = StartSilentSim();
    sim::SimServer& server = StartSim(Model("RZ-150LX"));
    CXKivRZ150LXCtrl& control = MakeControl({silent.DevicePath(), server.DevicePath()});
    std::int32_t commClass = -1;
    std::int32_t port = -1;

    EXPECT_EQ(AutoSelect(commClass, port, GetParam()), 1);

    EXPECT_EQ(commClass, 0);
    EXPECT_EQ(port, 1);
    EXPECT_TRUE(control.IsOnline());
    EXPECT_EQ(control.GetPort(), 1);
    EXPECT_EQ(control.Text(row::MD), "RZ-150LX");
    // Each try reports online, synchronization and the port change; the
    // first one ends offline, the second online.
    const auto& events = events_.events;
    const auto firstPort = std::find(events.begin(), events.end(), kCommPortEvent);
    ASSERT_NE(firstPort, events.end());
    EXPECT_EQ(std::vector<automation::DispId>(events.begin(), events.begin() + 3),
              (std::vector<automation::DispId>{kOnlineEvent, kSynchronizedEvent, kOnlineEvent}));
    const std::vector<automation::DispId> secondTry(firstPort + 1, events.end());
    ASSERT_GE(secondTry.size(), 3U);
    EXPECT_EQ(std::vector<automation::DispId>(secondTry.begin(), secondTry.begin() + 3),
              (std::vector<automation::DispId>{kOnlineEvent, kSynchronizedEvent, kOnlineEvent}));
    EXPECT_EQ(events.back(), kCommPortEvent);
    EXPECT_EQ(events_.Count(kCommPortEvent), 2);
    // Identification is the last exchange: no second read of the model name.
    const std::vector<std::string> lines = server.ReceivedLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "MD?"), 1);
    EXPECT_EQ(lines.back(), "UD?");

    if (GetParam() == 0) {
        EXPECT_TRUE(ProgressLog().empty());
    } else {
        const std::vector<std::string> expected = {
            "progress:open",
            "progress:range=0..2",
            "progress:cancel-button",
            "progress:text=Checking " + control.GetPortName(0, 0) + " ...",
            "step",
            "progress:text=Checking " + control.GetPortName(0, 1) + " ...",
            "step",
            "progress:close"};
        EXPECT_EQ(ProgressLog(), expected);
        EXPECT_EQ(ui_.pumps, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(ShowProgress, AutoSelectProgressTest, ::testing::Values(0, 1));

TEST_F(CommunicationMethodsTest, CancelStopsTheSearchAndLeavesTheOutParametersAlone) {
    sim::SimServer& silent = StartSilentSim();
    sim::SimServer& server = StartSim();
    CXKivRZ150LXCtrl& control = MakeControl({silent.DevicePath(), server.DevicePath()});
    ui_.cancelAfterSteps = 2;  // after the first port was tried
    std::int32_t commClass = 77;
    std::int32_t port = 88;

    EXPECT_EQ(AutoSelect(commClass, port, 1), 0);

    EXPECT_EQ(commClass, 77);
    EXPECT_EQ(port, 88);
    EXPECT_TRUE(server.ReceivedLines().empty());
    EXPECT_FALSE(control.IsOnline());
    EXPECT_EQ(ui_.progressOpen, 0);
    EXPECT_EQ(events_.Count(kCommPortEvent), 1);
}

TEST_F(CommunicationMethodsTest, WithoutPortsNothingIsTriedAndNoEventFires) {
    CXKivRZ150LXCtrl& control = MakeControl({});
    std::int32_t commClass = 7;
    std::int32_t port = 8;

    EXPECT_EQ(AutoSelect(commClass, port, 1), 0);

    EXPECT_EQ(commClass, 7);
    EXPECT_EQ(port, 8);
    EXPECT_TRUE(events_.events.empty());
    EXPECT_EQ(ui_.StepCount(), 0);
    EXPECT_EQ(ui_.progressOpen, 0);
    EXPECT_FALSE(control.IsOnline());
}

TEST_F(CommunicationMethodsTest, AFailedSearchEndsOfflineOnTheLastPortTried) {
    sim::SimServer& first = StartSilentSim();
    sim::SimServer& second = StartSilentSim();
    CXKivRZ150LXCtrl& control = MakeControl({first.DevicePath(), second.DevicePath()});
    std::int32_t commClass = 5;
    std::int32_t port = 6;

    EXPECT_EQ(AutoSelect(commClass, port, 0), 0);

    EXPECT_EQ(commClass, 5);
    EXPECT_EQ(port, 6);
    EXPECT_FALSE(control.IsOnline());
    EXPECT_EQ(control.GetClass(), 0);
    EXPECT_EQ(control.GetPort(), 1);
    EXPECT_EQ(events_.Count(kCommPortEvent), 2);
}

// The Camera Link ports are searched even when there is no COM port at all.
TEST_F(CommunicationMethodsTest, FindsACameraLinkCameraWhenNoComPortExists) {
    // The test libraries live in the build tree's cl folder, two levels above
    // this executable's folder.
    const std::filesystem::path libraries =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / ".." / ".." / "cl";
    if (!std::filesystem::exists(libraries / "libclallserial.so")) {
        GTEST_SKIP() << "test Camera Link library not built at " << libraries;
    }
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ::setenv("CLSERIALPATH", libraries.c_str(), 1);
    ::setenv("XKIV_CL_ALLSERIAL_PORTS", ("Sim|PortId=" + server.DevicePath()).c_str(), 1);
    CXKivRZ150LXCtrl& control = MakeControl({});
    ASSERT_EQ(control.GetPortCount(1), 1);
    std::int32_t commClass = -1;
    std::int32_t port = -1;

    EXPECT_EQ(AutoSelect(commClass, port, 1), 1);

    EXPECT_EQ(commClass, 1);
    EXPECT_EQ(port, 0);
    EXPECT_TRUE(control.IsOnline());
    EXPECT_EQ(ui_.StepCount(), 1);
}

struct PortQuestion {
    const char* method;
    std::int32_t first;
    std::int32_t second;  // ignored by the one-argument questions
    Variant expected;
};

// Two COM ports, no Camera Link library.
const PortQuestion kTwoPortQuestions[] = {
    PortQuestion{"AskCommClassRange", 0, 0, Variant::Long(0)},
    PortQuestion{"AskCommClassRange", 1, 0, Variant::Long(0)},
    PortQuestion{"AskCommClassString", 0, 0, Variant::String("COM-Ports")},
    PortQuestion{"AskCommClassString", 1, 0, Variant::String("")},
    PortQuestion{"AskCommClassString", -1, 0, Variant::String("")},
    PortQuestion{"AskCommPortRange", 0, 0, Variant::Long(0)},
    PortQuestion{"AskCommPortRange", 0, 3, Variant::Long(1)},
    PortQuestion{"AskCommPortString", 0, 1, Variant::String("<second>")},
    PortQuestion{"AskCommPortString", 0, 2, Variant::String("")},
    PortQuestion{"AskCommPortString", 0, -1, Variant::String("")},
    PortQuestion{"AskCommPortString", 5, 0, Variant::String("")},
    PortQuestion{"AskCommPortString", 1, 0, Variant::String("")}};

// No port at all.
const PortQuestion kNoPortQuestions[] = {
    PortQuestion{"AskCommClassRange", 1, 0, Variant::Long(-1)},
    PortQuestion{"AskCommClassRange", 0, 0, Variant::Long(0)},
    PortQuestion{"AskCommClassString", 0, 0, Variant::String("")},
    PortQuestion{"AskCommPortRange", 0, 1, Variant::Long(-1)},
    PortQuestion{"AskCommPortString", 0, 0, Variant::String("")}};

// The questions only read, so one control answers a whole table.
class PortQuestionTest : public CommunicationMethodsTest {
protected:
    template <std::size_t N>
    void ExpectAnswers(const PortQuestion (&questions)[N], const std::string& secondPort = "") {
        for (const PortQuestion& question : questions) {
            const bool twoArguments =
                std::string(question.method).find("Port") != std::string::npos;
            std::vector<Variant> args = {Variant::Long(question.first)};
            if (twoArguments) {
                args.push_back(Variant::Long(question.second));
            }
            const Variant expected = question.expected == Variant::String("<second>")
                                         ? Variant::String(secondPort)
                                         : question.expected;
            EXPECT_EQ(Call(question.method, args), expected)
                << question.method << "(" << question.first << ", " << question.second << ")";
        }
    }
};

TEST_F(PortQuestionTest, AnswerForTwoComPorts) {
    sim::SimServer& first = StartSilentSim();
    sim::SimServer& second = StartSilentSim();
    MakeControl({first.DevicePath(), second.DevicePath()});
    ExpectAnswers(kTwoPortQuestions, second.DevicePath());
}

TEST_F(PortQuestionTest, AnswerWithoutPorts) {
    MakeControl({});
    ExpectAnswers(kNoPortQuestions);
}

TEST_F(CommunicationMethodsTest, StartCommunicationConnectsAndReadsTheModelNameOnceMore) {
    sim::SimServer& server = StartSim(Model("RZ-130LX-FS"));
    CXKivRZ150LXCtrl& control = MakeControl({server.DevicePath()});

    EXPECT_EQ(Call("StartCommunication", {Variant::Long(0), Variant::Long(0)}), Variant::Long(0));

    EXPECT_TRUE(control.IsOnline());
    const std::vector<std::string> lines = server.ReceivedLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "MD?"), 2);
    EXPECT_EQ(lines.back(), "MD?");
}

TEST_F(CommunicationMethodsTest, StartCommunicationOnASilentPortRaisesTheTimeOut) {
    sim::SimServer& silent = StartSilentSim();
    CXKivRZ150LXCtrl& control = MakeControl({silent.DevicePath()});

    const automation::AutomationError error =
        CallRaising("StartCommunication", {Variant::Long(0), Variant::Long(0)});

    EXPECT_EQ(error.code, automation::kDeviceIoError);
    EXPECT_EQ(error.description, GetErrorText(rc::kTimeout));
    EXPECT_FALSE(control.IsOnline());
}

}  // namespace
}  // namespace xkiv::test
