// Tests of command exchanges through the Camera Link transports to the camera simulator.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "comm/comm_link.h"
#include "comm/comm_link_all_serial.h"
#include "comm/comm_link_serial.h"
#include "sim/sim_server.h"
#include "tests/comm/camera_link_support.h"
#include "tests/support/patience.h"

namespace xkiv {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using testing_cl::CleanClEnvironment;

std::unique_ptr<sim::SimServer> StartCamera() {
    std::string error;
    auto server = sim::SimServer::Create(sim::CameraConfig{}, sim::LineConfig{}, &error);
    EXPECT_NE(server, nullptr) << error;
    if (server != nullptr) {
        EXPECT_TRUE(server->Start());
    }
    return server;
}

ResultCode WriteText(CCommAbstract& transport, const std::string& text) {
    return transport.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 400);
}

// Reads one byte at a time until CR LF, as the command exchange does.
std::string ReadLine(CCommAbstract& transport) {
    std::string line;
    while (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
        std::uint8_t byte = 0;
        std::size_t received = 0;
        if (transport.Read(&byte, 1, received, test::kPatienceMs) != rc::kOk || received != 1) {
            break;
        }
        line.push_back(static_cast<char>(byte));
    }
    return line;
}

// One way of reaching a simulated camera: the environment that leads the
// transport's port to the simulator, the transport and the port to open.
struct RouteCase {
    const char* name;
    std::function<void(testing_cl::ScopedEnvironment&, const std::string& device)> configure;
    std::function<std::unique_ptr<CCommAbstract>()> make;
    int port;
};

const RouteCase kRoutes[] = {
    {"VendorLibrary",
     [](auto& environment, const std::string& device) {
         environment.Set("XKIV_CL_SERIAL_PORTS", "Acme=" + device);
     },
     [] { return std::make_unique<CCommLinkSerial>(); }, 0},
    // Each manufacturer's camera sits on that manufacturer's first port.
    {"VendorLibrarySecondManufacturer",
     [](auto& environment, const std::string& device) {
         environment.Set("XKIV_CL_SERIAL_PORTS", "Acme=/dev/xkiv-absent:Bolt=" + device);
     },
     [] { return std::make_unique<CCommLinkSerial>(); }, 1},
    {"AllVendorLibrary",
     [](auto& environment, const std::string& device) {
         environment.Set("XKIV_CL_ALLSERIAL_PORTS", "Acme|CL0=/dev/xkiv-absent:Acme|CL1=" + device);
     },
     [] { return std::make_unique<CCommLinkAllSerial>(); }, 1},
    {"CompositeOverVendorLibrary",
     [](auto& environment, const std::string& device) {
         environment.Set("XKIV_CL_SERIAL_PORTS", "Acme=" + device);
         environment.Set("XKIV_CL_ALLSERIAL_PORTS", "Bolt|P0=/dev/xkiv-absent");
     },
     [] { return std::make_unique<CCommLink>(); }, 0},
    {"CompositeOverAllVendorLibrary",
     [](auto& environment, const std::string& device) {
         environment.Set("XKIV_CL_SERIAL_PORTS", "Acme=/dev/xkiv-absent");
         environment.Set("XKIV_CL_ALLSERIAL_PORTS", "Bolt|P0=" + device);
     },
     [] { return std::make_unique<CCommLink>(); }, 1},
};

class CameraLinkExchangeTest : public testing::TestWithParam<RouteCase> {
protected:
    void SetUp() override {
        camera_ = StartCamera();
        ASSERT_NE(camera_, nullptr);
        GetParam().configure(environment_, camera_->DevicePath());
        transport_ = GetParam().make();
        ASSERT_EQ(transport_->Open(GetParam().port), rc::kOk);
    }

    CleanClEnvironment environment_;
    std::unique_ptr<sim::SimServer> camera_;
    std::unique_ptr<CCommAbstract> transport_;
};

TEST_P(CameraLinkExchangeTest, SetAndQueryRowsReachTheCamera) {
    ASSERT_EQ(transport_->Purge(), rc::kOk);
    ASSERT_EQ(WriteText(*transport_, "GA=100\r\n"), rc::kOk);
    EXPECT_EQ(ReadLine(*transport_), "COMPLETE\r\n");
    ASSERT_EQ(WriteText(*transport_, "GA?\r\n"), rc::kOk);
    EXPECT_EQ(ReadLine(*transport_), "GA=100\r\n");
    EXPECT_EQ(camera_->ReceivedLines(), (std::vector<std::string>{"GA=100", "GA?"}));
}

TEST_P(CameraLinkExchangeTest, ReadWithoutAnswerTimesOutWith7) {
    std::uint8_t byte = 0;
    std::size_t received = 99;
    const auto start = SteadyClock::now();
    EXPECT_EQ(transport_->Read(&byte, 1, received, 50), rc::kReadTimeout);
    EXPECT_GE(SteadyClock::now() - start, 45ms);
    EXPECT_EQ(received, 0u);
}

TEST_P(CameraLinkExchangeTest, PartialAnswerTimesOutWithTheBytesThatCame) {
    ASSERT_EQ(WriteText(*transport_, "GA=100\r\n"), rc::kOk);
    camera_->WaitIdle();  // the whole answer has come
    std::uint8_t buffer[32] = {};
    std::size_t received = 0;
    EXPECT_EQ(transport_->Read(buffer, sizeof buffer, received, 50), rc::kReadTimeout);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), received), "COMPLETE\r\n");
}

TEST_P(CameraLinkExchangeTest, PurgeDropsAnAnswerNobodyRead) {
    ASSERT_EQ(WriteText(*transport_, "GA?\r\n"), rc::kOk);
    camera_->WaitIdle();  // the answer has come and waits unread
    ASSERT_EQ(transport_->Purge(), rc::kOk);
    std::uint8_t byte = 0;
    std::size_t received = 0;
    EXPECT_EQ(transport_->Read(&byte, 1, received, 50), rc::kReadTimeout);
}

TEST_P(CameraLinkExchangeTest, PulledCableTurnsReadsAndWritesIntoFailures) {
    camera_->PullCable();
    std::uint8_t byte = 0;
    std::size_t received = 0;
    EXPECT_EQ(transport_->Read(&byte, 1, received, 200), rc::kReadFailed);
    EXPECT_EQ(WriteText(*transport_, "GA?\r\n"), rc::kWriteFailed);
}

TEST_P(CameraLinkExchangeTest, ClosedTransportRefusesIo) {
    ASSERT_EQ(transport_->Close(), rc::kOk);
    std::uint8_t byte = 0;
    std::size_t received = 5;
    EXPECT_EQ(WriteText(*transport_, "GA?\r\n"), rc::kPortUnavailable);
    EXPECT_EQ(transport_->Read(&byte, 1, received, 10), rc::kPortUnavailable);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(transport_->Purge(), rc::kPortUnavailable);
    EXPECT_EQ(transport_->GetBytesAvailable(), 0);
    EXPECT_TRUE(camera_->ReceivedLines().empty());
}

// A library that claims success while leaving bytes unsent must not pass
// for a complete command.
TEST_P(CameraLinkExchangeTest, ShortWriteReportedAsSuccessIsAFailure) {
    environment_.Set("XKIV_CL_FAULTS", "short-write");
    EXPECT_EQ(WriteText(*transport_, "GA=100\r\n"), rc::kWriteFailed);
}

INSTANTIATE_TEST_SUITE_P(Routes, CameraLinkExchangeTest, testing::ValuesIn(kRoutes),
                         [](const testing::TestParamInfo<RouteCase>& info) {
                             return std::string(info.param.name);
                         });

// With one manufacturer and two all-vendor ports, Camera Link port 1 is the
// first all-vendor port.
TEST(CameraLinkCompositeTest, IndexAfterVendorPortsOpensTheFirstAllVendorPort) {
    auto vendorCamera = StartCamera();
    auto firstCamera = StartCamera();
    auto secondCamera = StartCamera();
    ASSERT_TRUE(vendorCamera && firstCamera && secondCamera);
    CleanClEnvironment environment;
    environment.Set("XKIV_CL_SERIAL_PORTS", "Acme=" + vendorCamera->DevicePath());
    environment.Set("XKIV_CL_ALLSERIAL_PORTS", "Bolt|P0=" + firstCamera->DevicePath() +
                                                   ":Bolt|P1=" + secondCamera->DevicePath());
    CCommLink link;
    ASSERT_EQ(link.GetPortCount(), 3);

    ASSERT_EQ(link.Open(1), rc::kOk);
    ASSERT_EQ(WriteText(link, "GA=100\r\n"), rc::kOk);
    EXPECT_EQ(ReadLine(link), "COMPLETE\r\n");

    EXPECT_EQ(firstCamera->ReceivedLines(), std::vector<std::string>{"GA=100"});
    EXPECT_TRUE(vendorCamera->ReceivedLines().empty());
    EXPECT_TRUE(secondCamera->ReceivedLines().empty());

    // Opening a vendor port closes the all-vendor one first.
    ASSERT_EQ(link.Open(0), rc::kOk);
    ASSERT_EQ(WriteText(link, "GA?\r\n"), rc::kOk);
    EXPECT_EQ(ReadLine(link).substr(0, 3), "GA=");
    EXPECT_EQ(vendorCamera->ReceivedLines(), std::vector<std::string>{"GA?"});
    EXPECT_EQ(link.Open(3), rc::kPortNotFound);
    EXPECT_FALSE(link.IsOpen());
}

}  // namespace
}  // namespace xkiv
