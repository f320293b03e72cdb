// Tests of the serial-port transport against the simulated camera.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "comm/comm_port.h"
#include "sim/sim_server.h"
#include "tests/support/patience.h"

namespace xkiv {
namespace {

// Sends one command line and collects the answer line the way the command
// exchange does: one byte per read until CR LF.
ResultCode Exchange(CCommPort& port, const std::string& command, std::string& answer) {
    answer.clear();
    if (const ResultCode written =
            port.Write(reinterpret_cast<const std::uint8_t*>(command.data()), command.size(), 400);
        written != rc::kOk) {
        return written;
    }
    while (!answer.ends_with("\r\n")) {
        std::uint8_t byte = 0;
        std::size_t received = 0;
        if (const ResultCode read = port.Read(&byte, 1, received, test::kPatienceMs);
            read != rc::kOk) {
            return read;
        }
        answer.push_back(static_cast<char>(byte));
    }
    answer.resize(answer.size() - 2);
    return rc::kOk;
}

class CommPortSimTest : public testing::Test {
protected:
    void StartCamera(const sim::LineConfig& line = {}) {
        std::string error;
        server_ = sim::SimServer::Create(sim::CameraConfig{}, line, &error);
        ASSERT_NE(server_, nullptr) << error;
        ASSERT_TRUE(server_->Start());
        if (const char* old = std::getenv("XKIV_SERIAL_PORTS")) {
            oldPorts_ = old;
        }
        ::setenv("XKIV_SERIAL_PORTS", server_->DevicePath().c_str(), 1);
        port_ = std::make_unique<CCommPort>();
    }
    void TearDown() override {
        port_.reset();
        server_.reset();
        if (oldPorts_) {
            ::setenv("XKIV_SERIAL_PORTS", oldPorts_->c_str(), 1);
        } else {
            ::unsetenv("XKIV_SERIAL_PORTS");
        }
    }

    std::unique_ptr<sim::SimServer> server_;
    std::unique_ptr<CCommPort> port_;
    std::optional<std::string> oldPorts_;
};

TEST_F(CommPortSimTest, SetsAndQueriesAParameter) {
    StartCamera();
    ASSERT_EQ(port_->Open(0), rc::kOk);
    std::string answer;
    ASSERT_EQ(Exchange(*port_, "GA=100\r\n", answer), rc::kOk);
    EXPECT_EQ(answer, "COMPLETE");
    ASSERT_EQ(Exchange(*port_, "GA?\r\n", answer), rc::kOk);
    EXPECT_EQ(answer, "GA=100");
}

// The simulator keeps its side of the terminal open; closing must leave the
// device usable for the next open.
TEST_F(CommPortSimTest, ReopensAfterClose) {
    StartCamera();
    ASSERT_EQ(port_->Open(0), rc::kOk);
    ASSERT_EQ(port_->Close(), rc::kOk);
    ASSERT_EQ(port_->Open(0), rc::kOk);
    std::string answer;
    EXPECT_EQ(Exchange(*port_, "GA=7\r\n", answer), rc::kOk);
    EXPECT_EQ(answer, "COMPLETE");
}

TEST_F(CommPortSimTest, AnswersPacedAt9600BaudArrive) {
    sim::LineConfig line;
    line.baudPace = true;
    line.chunkSize = 3;
    StartCamera(line);
    ASSERT_EQ(port_->Open(0), rc::kOk);
    std::string answer;
    ASSERT_EQ(Exchange(*port_, "GA=12\r\n", answer), rc::kOk);
    ASSERT_EQ(Exchange(*port_, "GA?\r\n", answer), rc::kOk);
    EXPECT_EQ(answer, "GA=12");
}

TEST_F(CommPortSimTest, PulledCableFailsTheRead) {
    StartCamera();
    ASSERT_EQ(port_->Open(0), rc::kOk);
    server_->PullCable();
    std::uint8_t byte = 0;
    std::size_t received = 0;
    EXPECT_EQ(port_->Read(&byte, 1, received, 2000), rc::kReadFailed);
}

}  // namespace
}  // namespace xkiv
