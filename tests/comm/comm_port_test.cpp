// Tests of the serial-port transport over pseudo-terminals.
#include "comm/comm_port.h"
#include "tests/support/patience.h"
#include "tests/support/test_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace xkiv {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using test::kPatience;
using test::kPatienceMs;

// A time-out no test outlives: a transfer that waited for it would be ended by the test's
// own time limit.
constexpr std::uint32_t kForeverMs = 60 * 60 * 1000;

// Sets XKIV_SERIAL_PORTS (or clears it for nullptr) for one scope.
class ScopedSerialPorts : public test::ScopedEnvironment {
public:
    explicit ScopedSerialPorts(const char* value)
        : test::ScopedEnvironment("XKIV_SERIAL_PORTS", value) {}
};

// The far end of a serial line: the master side of a pseudo-terminal.
class PtyPeer {
public:
    PtyPeer() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            path_ = ::ptsname(master_);
        }
    }
    ~PtyPeer() { Hangup(); }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& Path() const { return path_; }
    int Master() const { return master_; }

    void Send(const std::string& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Reads until count bytes arrived, or what arrived when nothing more comes.
    std::string Receive(std::size_t count) {
        std::string bytes;
        pollfd waitFor{master_, POLLIN, 0};
        while (bytes.size() < count && ::poll(&waitFor, 1, kPatienceMs) == 1) {
            char chunk[256];
            const ssize_t got =
                ::read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (got <= 0) {
                break;
            }
            bytes.append(chunk, static_cast<std::size_t>(got));
        }
        return bytes;
    }

    void Hangup() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    std::string path_;
};

ResultCode WriteText(CCommPort& port, const std::string& text, std::uint32_t timeoutMs = 400) {
    return port.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), timeoutMs);
}

// A second descriptor of a port's device, opened before the port takes it for itself. A
// poll() on it waits until bytes the peer wrote have reached the device, where the port sees
// them too.
class DeviceWatch {
public:
    explicit DeviceWatch(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
    ~DeviceWatch() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // Waits until the device holds at least count unread bytes. A pseudo-terminal
    // hands a large write to the reading side in pieces, and the first piece
    // already wakes poll(); the rest has no event of its own, so the count is
    // looked at again every millisecond.
    bool AwaitBytes(int count = 1) const {
        const auto deadline = SteadyClock::now() + kPatience;
        pollfd waitFor{fd_, POLLIN, 0};
        if (::poll(&waitFor, 1, kPatienceMs) != 1) {
            return false;
        }
        for (int waiting = 0; ::ioctl(fd_, FIONREAD, &waiting) == 0;) {
            if (waiting >= count) {
                return true;
            }
            if (SteadyClock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }

private:
    int fd_;
};

class CommPortTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(peer_.Path().empty()) << "no pseudo-terminal";
        ASSERT_FALSE(other_.Path().empty()) << "no pseudo-terminal";
        environment_.emplace((peer_.Path() + ":" + other_.Path()).c_str());
        port_ = std::make_unique<CCommPort>();
    }

    PtyPeer peer_;
    PtyPeer other_;
    std::optional<ScopedSerialPorts> environment_;
    std::unique_ptr<CCommPort> port_;
};

TEST(CommPortListTest, PortListComesFromEnvironmentThenConfiguredDevices) {
    const struct {
        const char* environment;
        const char* configured;
        std::vector<std::string> expected;
    } cases[] = {
        {"/dev/ttyB:/dev/ttyA::/dev/ttyC:", "/dev/ttyZ", {"/dev/ttyB", "/dev/ttyA", "/dev/ttyC"}},
        {"", "/dev/ttyZ", {}},
        {nullptr,
         "/dev/serial/by-id/usb-cam:/dev/ttyUSB0",
         {"/dev/serial/by-id/usb-cam", "/dev/ttyUSB0"}},
    };
    for (const auto& c : cases) {
        ScopedSerialPorts environment(c.environment);
        CCommPort port(c.configured);
        std::vector<std::string> names;
        for (int i = 0; i < port.GetPortCount(); ++i) {
            names.push_back(port.GetPortName(i));
        }
        EXPECT_EQ(names, c.expected) << (c.environment ? c.environment : "(unset)");
        EXPECT_EQ(port.GetPortName(-1), "");
        EXPECT_EQ(port.GetPortName(port.GetPortCount()), "");
        EXPECT_EQ(port.GetClassName(), "COM-Ports");
    }
}

TEST(CommPortListTest, OpenFailuresLeaveThePortClosed) {
    char regular[] = "/tmp/comm-port-test-XXXXXX";
    const int fd = ::mkstemp(regular);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ScopedSerialPorts environment(
        (std::string("/dev/no-such-serial-device:") + regular + ":/tmp").c_str());
    CCommPort port;

    EXPECT_EQ(port.Open(3), rc::kPortNotFound);
    EXPECT_EQ(port.Open(-1), rc::kPortNotFound);
    EXPECT_EQ(port.Open(0), rc::kPortInUse);  // missing device
    EXPECT_EQ(port.Open(1), rc::kPortInUse);  // a regular file is no terminal
    EXPECT_EQ(port.Open(2), rc::kPortInUse);  // a folder cannot be opened for writing
    EXPECT_FALSE(port.IsOpen());
    std::filesystem::remove(regular);
}

TEST_F(CommPortTest, OpenSetsTheLineTo9600RawWithoutFlowControl) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    EXPECT_TRUE(port_->IsOpen());

    // The master side reports the terminal settings of its slave.
    termios settings{};
    ASSERT_EQ(::tcgetattr(peer_.Master(), &settings), 0);
    EXPECT_EQ(::cfgetispeed(&settings), B9600);
    EXPECT_EQ(::cfgetospeed(&settings), B9600);
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_NE(settings.c_cflag & CLOCAL, 0u);
    EXPECT_NE(settings.c_cflag & CREAD, 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
}

TEST_F(CommPortTest, WritesCommandAndReadsAnswer) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    ASSERT_EQ(WriteText(*port_, "GA=100\r\n"), rc::kOk);
    EXPECT_EQ(peer_.Receive(8), "GA=100\r\n");

    peer_.Send("COMPLETE\r\n");
    std::uint8_t answer[10] = {};
    std::size_t received = 99;
    EXPECT_EQ(port_->Read(answer, sizeof answer, received, kPatienceMs), rc::kOk);
    EXPECT_EQ(received, sizeof answer);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(answer), received), "COMPLETE\r\n");
}

TEST_F(CommPortTest, ReadWaitsForBytesThatArriveLater) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    std::thread late([this] {
        std::this_thread::sleep_for(100ms);
        peer_.Send("AB");
        std::this_thread::sleep_for(100ms);
        peer_.Send("C");
    });
    std::uint8_t bytes[3] = {};
    std::size_t received = 0;
    const ResultCode result = port_->Read(bytes, 3, received, kPatienceMs);
    late.join();
    EXPECT_EQ(result, rc::kOk);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), received), "ABC");
}

TEST_F(CommPortTest, ReadOnSilentLineTimesOutAfterTheTimeout) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    std::uint8_t byte = 0;
    std::size_t received = 99;
    const auto start = SteadyClock::now();
    EXPECT_EQ(port_->Read(&byte, 1, received, 200), rc::kReadTimeout);
    EXPECT_EQ(received, 0u);
    // Never sooner; a busy machine can only make it later.
    EXPECT_GE(SteadyClock::now() - start, 195ms);
}

TEST_F(CommPortTest, PartialAnswerTimesOutWithWhatArrived) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    peer_.Send("CO");
    std::uint8_t bytes[8] = {};
    std::size_t received = 0;
    EXPECT_EQ(port_->Read(bytes, sizeof bytes, received, 100), rc::kReadTimeout);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), received), "CO");
}

TEST_F(CommPortTest, ReadOfNothingReturnsAtOnce) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    std::size_t received = 99;
    const auto start = SteadyClock::now();
    EXPECT_EQ(port_->Read(nullptr, 0, received, kForeverMs), rc::kOk);
    EXPECT_EQ(received, 0u);
    EXPECT_LT(SteadyClock::now() - start, kPatience);
}

// A purge drops a stale answer and a pile larger than the read-ahead buffer
// alike; the next byte read is the first one sent after it.
TEST_F(CommPortTest, PurgeDiscardsWhatArrivedUnread) {
    const DeviceWatch watch(peer_.Path());
    ASSERT_EQ(port_->Open(0), rc::kOk);
    for (const std::string& stale : {std::string("stale answer\r\n"), std::string(3000, 'x')}) {
        peer_.Send(stale);
        ASSERT_TRUE(watch.AwaitBytes(static_cast<int>(stale.size())));
        EXPECT_EQ(port_->Purge(), rc::kOk);
        EXPECT_EQ(port_->GetBytesAvailable(), 0) << stale.size() << " bytes";
        peer_.Send("X");
        std::uint8_t byte = 0;
        std::size_t received = 0;
        EXPECT_EQ(port_->Read(&byte, 1, received, kPatienceMs), rc::kOk);
        EXPECT_EQ(byte, 'X') << stale.size() << " bytes";
    }
}

// An answer arrives whole; the exchange takes it byte by byte, each byte
// from what one read of the device brought in.
TEST_F(CommPortTest, BytesReadAheadAreHandedOutInOrderAndPurgeDropsThem) {
    const DeviceWatch watch(peer_.Path());
    ASSERT_EQ(port_->Open(0), rc::kOk);
    peer_.Send("GA=12\r\nTR=1\r\n");
    ASSERT_TRUE(watch.AwaitBytes(13));
    ASSERT_EQ(port_->GetBytesAvailable(), 13);
    std::string taken;
    for (std::uint8_t byte = 0; !taken.ends_with("\r\n");) {
        std::size_t received = 0;
        ASSERT_EQ(port_->Read(&byte, 1, received, 0), rc::kOk);
        ASSERT_EQ(received, 1u);
        taken += static_cast<char>(byte);
    }
    EXPECT_EQ(taken, "GA=12\r\n");
    EXPECT_EQ(port_->GetBytesAvailable(), 6) << "the second line, read ahead";

    // A read wanting more than is buffered gets the buffer, then waits.
    std::uint8_t buffer[8] = {};
    std::size_t received = 0;
    EXPECT_EQ(port_->Read(buffer, 3, received, 0), rc::kOk);
    EXPECT_EQ(std::string(buffer, buffer + received), "TR=");
    peer_.Send("9");
    ASSERT_TRUE(watch.AwaitBytes());
    EXPECT_EQ(port_->Read(buffer, 5, received, 200), rc::kReadTimeout);
    EXPECT_EQ(std::string(buffer, buffer + received), "1\r\n9");

    peer_.Send("stale\r\n");
    ASSERT_TRUE(watch.AwaitBytes(7));
    ASSERT_EQ(port_->Read(buffer, 1, received, 0), rc::kOk);
    EXPECT_EQ(port_->Purge(), rc::kOk);
    EXPECT_EQ(port_->GetBytesAvailable(), 0) << "purge empties the buffer too";
    peer_.Send("X");
    EXPECT_EQ(port_->Read(buffer, 1, received, 1000), rc::kOk);
    EXPECT_EQ(buffer[0], 'X');
}

TEST_F(CommPortTest, ClosedPortRefusesTransfers) {
    std::uint8_t byte = 0;
    std::size_t received = 99;
    EXPECT_EQ(port_->Read(&byte, 1, received, 10), rc::kPortUnavailable);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(port_->Purge(), rc::kPortUnavailable);
    EXPECT_EQ(WriteText(*port_, "GA?\r\n"), rc::kPortUnavailable);
    EXPECT_EQ(port_->GetBytesAvailable(), 0);
    EXPECT_EQ(port_->Close(), rc::kOk);

    ASSERT_EQ(port_->Open(0), rc::kOk);
    EXPECT_EQ(port_->Close(), rc::kOk);
    EXPECT_EQ(WriteText(*port_, "GA?\r\n"), rc::kPortUnavailable);
}

TEST_F(CommPortTest, DeviceIsExclusiveWhileOpen) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    CCommPort second;
    EXPECT_EQ(second.Open(0), rc::kPortInUse);
    EXPECT_EQ(second.Open(1), rc::kOk);

    // Opening another port releases the first device.
    ASSERT_EQ(port_->Open(1), rc::kPortInUse);
    EXPECT_FALSE(port_->IsOpen());
    EXPECT_EQ(second.Open(0), rc::kOk);
    (void)second.Close();
    EXPECT_EQ(port_->Open(0), rc::kOk);
}

TEST_F(CommPortTest, PeerGoingAwayFailsReadAndWrite) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    peer_.Hangup();
    std::uint8_t byte = 0;
    std::size_t received = 0;
    const auto start = SteadyClock::now();
    EXPECT_EQ(port_->Read(&byte, 1, received, kForeverMs), rc::kReadFailed);
    EXPECT_LT(SteadyClock::now() - start, kPatience)
        << "a dead line must not wait for the time-out";
    EXPECT_EQ(WriteText(*port_, "GA?\r\n"), rc::kWriteFailed);
    EXPECT_EQ(port_->Close(), rc::kOk);
}

TEST_F(CommPortTest, PeerGoingAwayDuringReadFailsTheRead) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    std::thread pull([this] {
        std::this_thread::sleep_for(100ms);
        peer_.Hangup();
    });
    std::uint8_t byte = 0;
    std::size_t received = 0;
    const ResultCode result = port_->Read(&byte, 1, received, kForeverMs);
    pull.join();
    EXPECT_EQ(result, rc::kReadFailed);
}

TEST_F(CommPortTest, WriteTimesOutWhenTheLineDoesNotTakeTheBytes) {
    ASSERT_EQ(port_->Open(0), rc::kOk);
    // Nobody reads the master side, so the terminal's buffers fill up.
    const std::vector<std::uint8_t> flood(1 << 20, 'x');
    const auto start = SteadyClock::now();
    EXPECT_EQ(port_->Write(flood.data(), flood.size(), 200), rc::kWriteTimeout);
    EXPECT_GE(SteadyClock::now() - start, 195ms);
}

}  // namespace
}  // namespace xkiv
