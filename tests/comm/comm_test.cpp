// Tests of the communication front: selection validation, opening and persistence.
#include "comm/comm.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace xkiv {
namespace {

namespace fs = std::filesystem;
using test::WriteFile;

// What a fake transport saw; outlives the transport, which the front owns.
struct TransportLog {
    std::vector<std::string> calls;
    bool open = false;
    mutable int listQuestions = 0;  // port count and name questions
};

class FakeTransport final : public CCommAbstract {
public:
    FakeTransport(std::string className, int portCount, TransportLog& log,
                  ResultCode openResult = rc::kOk)
        : className_(std::move(className)),
          portCount_(portCount),
          log_(log),
          openResult_(openResult) {}

    bool IsOpen() const override { return log_.open; }
    int GetPortCount() const override {
        ++log_.listQuestions;
        return portCount_;
    }
    std::string GetPortName(int index) const override {
        ++log_.listQuestions;
        return index >= 0 && index < portCount_ ? className_ + std::to_string(index) : "";
    }
    std::string GetClassName() const override { return className_; }
    ResultCode Open(int index) override {
        log_.calls.push_back("Open " + std::to_string(index));
        log_.open = openResult_ == rc::kOk;
        return openResult_;
    }
    ResultCode Close() override {
        log_.calls.push_back("Close");
        log_.open = false;
        return rc::kOk;
    }
    ResultCode Purge() override { return rc::kOk; }
    std::int32_t GetBytesAvailable() override { return 0; }
    ResultCode Write(const std::uint8_t*, std::size_t, std::uint32_t) override { return rc::kOk; }
    ResultCode Read(std::uint8_t*, std::size_t, std::size_t& received, std::uint32_t) override {
        received = 0;
        return rc::kReadTimeout;
    }

private:
    std::string className_;
    int portCount_;
    TransportLog& log_;
    ResultCode openResult_;
};

class CommTest : public testing::Test {
protected:
    void SetUp() override { file_ = folder_ / "profile.ini"; }

    void StoreSelection(std::optional<int> commClass, std::optional<int> port) {
        ProfileStore profile(file_);
        if (commClass) {
            profile.WriteInt("Comm", "Class", *commClass);
        }
        if (port) {
            profile.WriteInt("Comm", "Port", *port);
        }
        ASSERT_TRUE(profile.Flush());
    }

    std::unique_ptr<CComm> MakeFront(ProfileStore& profile, int serialPorts, int linkPorts,
                                     ResultCode linkOpenResult = rc::kOk) {
        return std::make_unique<CComm>(
            profile, std::make_unique<FakeTransport>("COM", serialPorts, serialLog_),
            std::make_unique<FakeTransport>("Link", linkPorts, linkLog_, linkOpenResult));
    }

    test::TemporaryFolder temporary_{"comm-test"};
    const fs::path& folder_ = temporary_.Path();
    fs::path file_;
    TransportLog serialLog_;
    TransportLog linkLog_;
};

struct SelectionCase {
    const char* name;
    int serialPorts;
    int linkPorts;
    std::optional<int> storedClass;
    std::optional<int> storedPort;
    int expectedClass;
    int expectedPort;
};

class CommSelectionTest : public CommTest, public testing::WithParamInterface<SelectionCase> {};

TEST_P(CommSelectionTest, StoredSelectionIsValidatedAgainstThePortLists) {
    const SelectionCase& c = GetParam();
    StoreSelection(c.storedClass, c.storedPort);
    ProfileStore profile(file_);
    auto front = MakeFront(profile, c.serialPorts, c.linkPorts);

    EXPECT_EQ(front->GetClass(), c.expectedClass);
    EXPECT_EQ(front->GetPort(), c.expectedPort);
    EXPECT_TRUE(serialLog_.calls.empty() && linkLog_.calls.empty()) << "construction opens nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommSelectionTest,
    testing::Values(SelectionCase{"NothingStored", 16, 0, std::nullopt, std::nullopt, 0, 0},
                    SelectionCase{"ValidSerialPortKept", 16, 0, 0, 15, 0, 15},
                    SelectionCase{"SerialPortBeyondListBecomesZero", 16, 0, 0, 20, 0, 0},
                    SelectionCase{"NegativePortBecomesZero", 16, 0, 0, -4, 0, 0},
                    SelectionCase{"CameraLinkWithoutPortsFallsBack", 16, 0, 1, 3, 0, 0},
                    SelectionCase{"CameraLinkKeptWhileItHasPorts", 16, 2, 1, 1, 1, 1},
                    SelectionCase{"CameraLinkPortBeyondListBecomesZero", 16, 2, 1, 5, 1, 0},
                    SelectionCase{"NoPortsAnywhere", 0, 0, 1, 2, 0, 0},
                    SelectionCase{"CameraLinkKeptWithoutSerialPorts", 0, 2, 1, 1, 1, 1},
                    SelectionCase{"NegativeClassFallsBack", 16, 2, -1, 1, 0, 0},
                    SelectionCase{"UnknownClassFallsBack", 16, 2, 2, 1, 0, 0}),
    [](const testing::TestParamInfo<SelectionCase>& info) { return std::string(info.param.name); });

struct NamedSelectionCase {
    const char* name;
    int storedClass;
    int storedPort;
    const char* storedName;
    int expectedPort;
    int openedPort;        // the port the run opens in the stored class; -1 none
    bool serialListGiven;  // XKIV_SERIAL_PORTS names the run's serial ports
    int expectedStoredPort;
    const char* expectedStoredName;
};

class CommNamedSelectionTest : public CommTest,
                               public testing::WithParamInterface<NamedSelectionCase> {};

// The serial ports change order when adapters come and go: the stored name
// finds its port; the index is the fallback when the name is not listed,
// and the stored name and index stay until the user chooses another port.
TEST_P(CommNamedSelectionTest, StoredNameSelectsThePortWhereverItIsListed) {
    const NamedSelectionCase& c = GetParam();
    {
        ProfileStore profile(file_);
        profile.WriteInt("Comm", "Class", c.storedClass);
        profile.WriteInt("Comm", "Port", c.storedPort);
        profile.WriteString("Comm", "PortName", c.storedName);
    }
    {
        ProfileStore profile(file_);
        CComm front(profile, std::make_unique<FakeTransport>("COM", 8, serialLog_),
                    std::make_unique<FakeTransport>("Link", 2, linkLog_), c.serialListGiven);
        EXPECT_EQ(front.GetClass(), c.storedClass);
        EXPECT_EQ(front.GetPort(), c.expectedPort);
        if (c.openedPort >= 0) {
            EXPECT_EQ(front.SelectAndOpen(c.storedClass, c.openedPort), rc::kOk);
        }
    }
    ProfileStore reread(file_);
    EXPECT_EQ(reread.GetInt("Comm", "Port", -1), c.expectedStoredPort);
    EXPECT_EQ(reread.GetString("Comm", "PortName", ""), c.expectedStoredName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommNamedSelectionTest,
    testing::Values(
        NamedSelectionCase{"NameWinsOverIndex", 0, 2, "COM5", 5, -1, false, 5, "COM5"},
        NamedSelectionCase{"NameWinsOverIndexOutOfRange", 0, 12, "COM7", 7, -1, false, 7, "COM7"},
        NamedSelectionCase{"UnlistedNameIsKeptWithItsIndex", 0, 3, "COM20", 3, -1, false, 3,
                           "COM20"},
        NamedSelectionCase{"UnlistedNameOutlivesARunOnTheStandIn", 0, 12, "COM20", 0, 0, false, 12,
                           "COM20"},
        NamedSelectionCase{"ChoosingAnotherPortReplacesTheName", 0, 3, "COM20", 3, 4, false, 4,
                           "COM4"},
        NamedSelectionCase{"PortOfAGivenSerialListIsAChoice", 0, 3, "COM20", 3, 3, true, 3, "COM3"},
        NamedSelectionCase{"EmptyNameKeepsIndex", 0, 4, "", 4, -1, false, 4, "COM4"},
        NamedSelectionCase{"CameraLinkName", 1, 0, "Link1", 1, -1, false, 1, "Link1"},
        NamedSelectionCase{"NameOfOtherClassIsKept", 1, 1, "COM0", 1, 1, true, 1, "COM0"}),
    [](const testing::TestParamInfo<NamedSelectionCase>& info) {
        return std::string(info.param.name);
    });

// A device used last time that the list lacks (the simulator's
// pseudo-terminal, a link under /dev/serial/by-id) is added and selected, so
// the next run does not open another device; a path that is no device is not.
TEST_F(CommTest, RememberedDeviceOutsideTheListIsSelectedWhileItExists) {
    test::ScopedEnvironment environment("XKIV_SERIAL_PORTS", nullptr);
    WriteFile(folder_ / "plain", "x");
    const struct {
        std::string remembered;
        int expectedCount;
        int expectedPort;
    } cases[] = {{"/dev/null", 3, 2}, {(folder_ / "plain").string(), 2, 1}};
    for (const auto& c : cases) {
        ProfileStore profile(file_);
        profile.WriteString("Comm", "Devices", "/dev/ttyX1:/dev/ttyX0");
        profile.WriteInt("Comm", "Port", 1);
        profile.WriteString("Comm", "PortName", c.remembered);
        CComm front(profile);
        EXPECT_EQ(front.GetPortCount(0), c.expectedCount) << c.remembered;
        EXPECT_EQ(front.GetPort(), c.expectedPort) << c.remembered;
    }
}

TEST_F(CommTest, NamesComeFromTheClassesTransport) {
    ProfileStore profile(file_);
    auto front = MakeFront(profile, 16, 2);

    EXPECT_EQ(front->GetClassCount(), 2);
    EXPECT_EQ(front->GetClassName(0), "COM");
    EXPECT_EQ(front->GetClassName(1), "Link");
    EXPECT_EQ(front->GetClassName(7), "Link");
    EXPECT_EQ(front->GetPortName(0, 0), "COM0");
    EXPECT_EQ(front->GetPortName(0, 16), "");
    EXPECT_EQ(front->GetPortName(1, 1), "Link1");
    EXPECT_EQ(front->GetPortCount(1), 2);
    EXPECT_EQ(&front->Current(), &front->Transport(0));
}

TEST_F(CommTest, SelectAndOpenClosesThePreviousTransportFirst) {
    ProfileStore profile(file_);
    auto front = MakeFront(profile, 16, 2);

    ASSERT_EQ(front->SelectAndOpen(0, 3), rc::kOk);
    ASSERT_EQ(front->SelectAndOpen(1, 1), rc::kOk);

    EXPECT_EQ(serialLog_.calls, (std::vector<std::string>{"Close", "Open 3", "Close"}));
    EXPECT_EQ(linkLog_.calls, (std::vector<std::string>{"Open 1"}));
    EXPECT_EQ(&front->Current(), &front->Transport(1));
    EXPECT_EQ(front->GetClass(), 1);
    EXPECT_EQ(front->GetPort(), 1);
}

TEST_F(CommTest, DestructionClosesAndSavesSelectionEvenWhenOpenFailed) {
    {
        ProfileStore profile(file_);
        auto front = MakeFront(profile, 16, 2, rc::kPortInUse);
        EXPECT_EQ(front->SelectAndOpen(1, 1), rc::kPortInUse);
        front.reset();
        EXPECT_EQ(linkLog_.calls.back(), "Close");
    }
    ProfileStore reread(file_);
    EXPECT_EQ(reread.GetInt("Comm", "Class", -1), 1);
    EXPECT_EQ(reread.GetInt("Comm", "Port", -1), 1);
}

TEST_F(CommTest, DestructionWritesTheValidatedSelectionWithoutAnyOpen) {
    StoreSelection(1, 3);
    {
        ProfileStore profile(file_);
        auto front = MakeFront(profile, 16, 0);
        EXPECT_EQ(front->GetPort(), 0);
        front.reset();
        // The front flushes itself: the file holds the selection before the
        // profile object goes away.
        ProfileStore meanwhile(file_);
        EXPECT_EQ(meanwhile.GetInt("Comm", "Class", -1), 0);
        EXPECT_EQ(meanwhile.GetInt("Comm", "Port", -1), 0);
    }
    EXPECT_TRUE(serialLog_.calls == std::vector<std::string>{"Close"});
}

// Listing ports scans devices and looks for libraries: a run that never
// needs the selection (offline) asks no list and leaves the stored one alone.
TEST_F(CommTest, PortListsAreAskedOnlyWhenTheSelectionIsNeeded) {
    // Stored: Camera Link port 7, which the lists (4 serial ports, no Camera
    // Link port) refuse once asked.
    const struct {
        const char* name;
        std::function<void(CComm&)> use;
        bool listsAsked;
        int savedClass;
        int savedPort;
    } cases[] = {
        {"unused", [](CComm&) {}, false, 1, 7},
        {"class asked", [](CComm& front) { (void)front.GetClass(); }, true, 0, 0},
        {"port asked", [](CComm& front) { (void)front.GetPort(); }, true, 0, 0},
        // A port chosen outright needs no list to validate the stored one.
        {"opened", [](CComm& front) { (void)front.SelectAndOpen(0, 2); }, false, 0, 2},
    };
    for (const auto& c : cases) {
        // Each case from a profile of its own: a port name an earlier case
        // wrote would be a stored name this run lacks, which is kept.
        std::filesystem::remove(file_);
        StoreSelection(1, 7);
        serialLog_ = {};
        linkLog_ = {};
        {
            ProfileStore profile(file_);
            auto front = MakeFront(profile, 4, 0);
            c.use(*front);
            EXPECT_EQ(serialLog_.listQuestions + linkLog_.listQuestions > 0, c.listsAsked)
                << c.name;
        }
        ProfileStore reread(file_);
        EXPECT_EQ(reread.GetInt("Comm", "Class", -1), c.savedClass) << c.name;
        EXPECT_EQ(reread.GetInt("Comm", "Port", -1), c.savedPort) << c.name;
    }
}

// The front with its real transports: serial devices from the environment,
// else from the profile's device list; Camera Link without libraries.
TEST_F(CommTest, RealTransportsTakeDevicesFromEnvironmentOrProfile) {
    const char* saved = std::getenv("XKIV_SERIAL_PORTS");
    const std::optional<std::string> old = saved ? std::optional<std::string>(saved) : std::nullopt;
    {
        ProfileStore profile(file_);
        profile.WriteString("Comm", "Devices", "/dev/ttyX1:/dev/ttyX0");
        profile.WriteInt("Comm", "Class", 1);

        ::unsetenv("XKIV_SERIAL_PORTS");
        CComm fromProfile(profile);
        EXPECT_EQ(fromProfile.GetClassName(0), "COM-Ports");
        EXPECT_EQ(fromProfile.GetClassName(1), "CameraLink");
        EXPECT_EQ(fromProfile.GetClassCount(), 1);
        EXPECT_EQ(fromProfile.GetClass(), 0);
        EXPECT_EQ(fromProfile.GetPortName(0, 0), "/dev/ttyX1");
        EXPECT_EQ(fromProfile.GetPortName(0, 1), "/dev/ttyX0");
        EXPECT_EQ(fromProfile.GetPortName(1, 0), "");

        ::setenv("XKIV_SERIAL_PORTS", "/dev/ttyE0", 1);
        CComm fromEnvironment(profile);
        EXPECT_EQ(fromEnvironment.GetPortCount(0), 1);
        EXPECT_EQ(fromEnvironment.GetPortName(0, 0), "/dev/ttyE0");
    }
    if (old) {
        ::setenv("XKIV_SERIAL_PORTS", old->c_str(), 1);
    } else {
        ::unsetenv("XKIV_SERIAL_PORTS");
    }
}

}  // namespace
}  // namespace xkiv
