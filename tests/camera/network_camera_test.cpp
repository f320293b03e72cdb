// A camera behind ser2net, raw and RFC 2217: identify, read-all, write-all, a lost and regained
// bridge.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>

#include "sim/sim_camera.h"
#include "tests/camera/sim_fixture.h"
#include "tests/support/ser2net_bridge.h"

namespace xkiv {
namespace {

using Mode = test::Ser2netBridge::Mode;

// Calls a hook when the n-th command line goes out, before it is sent.
class HookedCamera : public test::RecordingCamera {
public:
    using RecordingCamera::RecordingCamera;
    void LogMessage(const std::string& text, bool sent) override {
        if (sent && ++sentLines_ == hookAt && hook) {
            hook();
        }
        RecordingCamera::LogMessage(text, sent);
    }
    int hookAt = 0;
    std::function<void()> hook;

private:
    int sentLines_ = 0;
};

class NetworkCameraTest : public test::SimCameraTest, public testing::WithParamInterface<Mode> {
protected:
    void SetUp() override {
        if (test::Ser2netBridge::Program().empty()) {
            GTEST_SKIP() << "ser2net is not installed (scripts/install-deps installs it)";
        }
        sim_ = &StartSim();
        bridge_ = std::make_unique<test::Ser2netBridge>(dir_, sim_->PtyPath(), GetParam());
        ASSERT_TRUE(bridge_->Start());
        UseSerialPorts({bridge_->Address()});
        camera_ = std::make_unique<HookedCamera>(*profile_, ui_);
    }
    void TearDown() override {
        camera_.reset();
        bridge_.reset();
    }

    std::int32_t SimValue(int row) {
        std::int32_t value = 0;
        sim_->WithCamera([&](sim::SimCamera& camera) { value = camera.Value(row); });
        return value;
    }

    sim::SimServer* sim_ = nullptr;
    std::unique_ptr<test::Ser2netBridge> bridge_;
    std::unique_ptr<HookedCamera> camera_;
};

TEST_P(NetworkCameraTest, IdentifiesReadsAndWritesEverything) {
    ASSERT_EQ(camera_->GetPortName(CComm::kNetworkClass, 0), bridge_->Address());
    ASSERT_EQ(camera_->Connect(CComm::kNetworkClass, 0), rc::kOk);
    EXPECT_EQ(camera_->Text(row::MD), "RZ-130LX");
    EXPECT_EQ(camera_->Text(row::ID), "SIM0001");

    sim_->WithCamera([](sim::SimCamera& camera) { camera.SetValue(row::GA, 345); });
    int failedRow = -1;
    ASSERT_EQ(camera_->ReadAll(&failedRow), rc::kOk) << Mnemonic(failedRow);
    EXPECT_EQ(camera_->Value(row::GA), 345);
    EXPECT_TRUE(camera_->IsSynchronized());

    camera_->StoreValue(row::GA, 456);
    ASSERT_EQ(camera_->WriteAll(&failedRow, false), rc::kOk) << Mnemonic(failedRow);
    EXPECT_EQ(SimValue(row::GA), 456);
}

// The bridge dies in the middle of a read-all: the read fails without a
// hang, the camera goes offline, and no value is lost or made up: rows read
// before hold the camera's values, the others what they held before. The
// bridge comes back on its port and the camera connects again.
TEST_P(NetworkCameraTest, BridgeLostDuringReadAllThenBack) {
    ASSERT_EQ(camera_->Connect(CComm::kNetworkClass, 0), rc::kOk);
    std::array<std::int32_t, kParameterCount> before{};
    for (int row = 0; row < kParameterCount; ++row) {
        before[row] = camera_->Value(row);
    }
    camera_->hookAt = 12;  // counted from the connection's first line
    camera_->hook = [this] { bridge_->Stop(); };

    camera_->events.clear();
    int failedRow = -1;
    const ResultCode result = camera_->ReadAll(&failedRow);
    EXPECT_NE(result, rc::kOk);
    EXPECT_FALSE(camera_->IsOnline());
    int readRows = 0;
    for (int row = 0; row < kParameterCount; ++row) {
        const std::string readEvent = "Value:" + Mnemonic(row) + ":norefresh";
        const bool read = std::find(camera_->events.begin(), camera_->events.end(), readEvent) !=
                          camera_->events.end();
        readRows += read ? 1 : 0;
        if (!(Entry(row).flags & PF_STRING)) {
            EXPECT_EQ(camera_->Value(row), read ? SimValue(row) : before[row]) << Mnemonic(row);
        }
    }
    EXPECT_EQ(readRows, 5);
    EXPECT_LT(readRows, failedRow);

    EXPECT_NE(camera_->Connect(CComm::kNetworkClass, 0), rc::kOk);
    ASSERT_TRUE(bridge_->Start());
    ASSERT_EQ(camera_->Connect(CComm::kNetworkClass, 0), rc::kOk);
    EXPECT_EQ(camera_->ReadAll(&failedRow), rc::kOk) << Mnemonic(failedRow);
}

INSTANTIATE_TEST_SUITE_P(Modes, NetworkCameraTest, testing::Values(Mode::Raw, Mode::Rfc2217),
                         [](const testing::TestParamInfo<Mode>& info) {
                             return info.param == Mode::Raw ? "Raw" : "Rfc2217";
                         });

}  // namespace
}  // namespace xkiv
