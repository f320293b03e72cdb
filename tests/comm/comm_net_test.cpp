// The network transport against local sockets: opening, refusals, time-outs, dropped connections.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comm/comm_net.h"

namespace xkiv {
namespace {

// A listening socket on the loopback interface, accepting only when asked.
class LocalServer {
public:
    explicit LocalServer(bool ipv6 = false, int backlog = 8) {
        fd_ = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_storage address{};
        socklen_t length = 0;
        if (ipv6) {
            auto& in6 = reinterpret_cast<sockaddr_in6&>(address);
            in6.sin6_family = AF_INET6;
            in6.sin6_addr = in6addr_loopback;
            length = sizeof in6;
        } else {
            auto& in4 = reinterpret_cast<sockaddr_in&>(address);
            in4.sin_family = AF_INET;
            in4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof in4;
        }
        ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
              ::listen(fd_, backlog) == 0 &&
              ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0;
        port_ = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                           : reinterpret_cast<sockaddr_in&>(address).sin_port);
        host_ = ipv6 ? "[::1]" : "127.0.0.1";
    }
    ~LocalServer() {
        CloseClient();
        ::close(fd_);
    }
    bool Ok() const { return ok_; }
    int Port() const { return port_; }
    std::string Address(const char* scheme = "tcp") const {
        return std::string(scheme) + "://" + host_ + ":" + std::to_string(port_);
    }
    // Takes the next connection that the kernel has completed.
    void Accept() {
        CloseClient();
        client_ = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    void Send(const std::vector<std::uint8_t>& bytes) const {
        ASSERT_EQ(::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    void CloseClient() {
        if (client_ >= 0) {
            ::close(client_);
            client_ = -1;
        }
    }

private:
    int fd_ = -1;
    int client_ = -1;
    int port_ = 0;
    bool ok_ = false;
    std::string host_;
};

// A port nobody listens on: bound and closed again.
std::string RefusingAddress() {
    const LocalServer probe;
    return probe.Address();
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The far ends a case sets up, kept until the case ends.
struct FarEnd {
    std::vector<std::unique_ptr<LocalServer>> servers;
    std::vector<std::unique_ptr<CCommNet>> others;  // connections of other clients
    std::vector<std::thread> threads;
    ~FarEnd() {
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    LocalServer& Serve(bool ipv6 = false, int backlog = 8) {
        servers.push_back(std::make_unique<LocalServer>(ipv6, backlog));
        return *servers.back();
    }
};

// How Open ends for the kinds of far end that users meet. The cases that
// fail by time-out end within the connect time-out; none may hang.
struct OpenCase {
    const char* name;
    std::function<std::string(FarEnd&)> address;
    ResultCode expected;
};

class CommNetOpenTest : public testing::TestWithParam<OpenCase> {};

TEST_P(CommNetOpenTest, OpensOrSaysWhy) {
    FarEnd far;
    CCommNet transport({GetParam().address(far)});
    EXPECT_EQ(transport.Open(0), GetParam().expected);
    EXPECT_EQ(transport.IsOpen(), GetParam().expected == rc::kOk);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommNetOpenTest,
    testing::Values(
        OpenCase{"RawListening", [](FarEnd& far) { return far.Serve().Address(); }, rc::kOk},
        OpenCase{
            "HostNameResolved",
            [](FarEnd& far) { return "tcp://localhost:" + std::to_string(far.Serve().Port()); },
            rc::kOk},
        OpenCase{"Ipv6Loopback",
                 [](FarEnd& far) {
                     LocalServer& server = far.Serve(true);
                     return server.Ok() ? server.Address() : far.Serve().Address();
                 },
                 rc::kOk},
        OpenCase{"NoPortInName", [](FarEnd&) { return std::string("tcp://127.0.0.1"); },
                 rc::kPortNotFound},
        OpenCase{"PortOutOfRange", [](FarEnd&) { return std::string("tcp://127.0.0.1:70000"); },
                 rc::kPortNotFound},
        OpenCase{"ConnectionRefused", [](FarEnd&) { return RefusingAddress(); }, rc::kPortInUse},
        // A listener whose queue is full drops further connection requests:
        // the host does not answer, and the connect time-out ends the wait.
        OpenCase{"HostDoesNotAnswer",
                 [](FarEnd& far) {
                     const std::string address = far.Serve(false, 0).Address();
                     far.others.push_back(
                         std::make_unique<CCommNet>(std::vector<std::string>{address}));
                     EXPECT_EQ(far.others.back()->Open(0), rc::kOk);
                     return address;
                 },
                 rc::kPortInUse},
        OpenCase{"TelnetServerSilent", [](FarEnd& far) { return far.Serve().Address("rfc2217"); },
                 rc::kPortInUse},
        OpenCase{"TelnetServerRefusesComPort",
                 [](FarEnd& far) {
                     LocalServer& server = far.Serve();
                     far.threads.emplace_back([&server] {
                         server.Accept();
                         server.Send({255, 254, 44});  // IAC DONT COM-PORT-OPTION
                     });
                     return server.Address("rfc2217");
                 },
                 rc::kPortInUse}),
    [](const testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

// Reads take what arrived in one piece and serve it byte by byte; a
// connection closed by the far end fails the read (with what came before
// it delivered) and the next write; opening again connects anew.
TEST(CommNetTest, DroppedConnectionFailsUntilReopened) {
    LocalServer server;
    CCommNet transport({server.Address()});
    ASSERT_EQ(transport.Open(0), rc::kOk);
    server.Accept();
    server.Send(Bytes("MD=RZ-130LX\r\n"));

    std::string line;
    std::uint8_t byte = 0;
    std::size_t received = 0;
    while (line.size() < 13 && transport.Read(&byte, 1, received, 1000) == rc::kOk) {
        line += static_cast<char>(byte);
    }
    EXPECT_EQ(line, "MD=RZ-130LX\r\n");
    EXPECT_EQ(transport.Read(&byte, 1, received, 0), rc::kReadTimeout);

    server.Send(Bytes("ab"));
    server.CloseClient();
    std::uint8_t three[3] = {};
    EXPECT_EQ(transport.Read(three, 3, received, 1000), rc::kReadFailed);
    EXPECT_EQ(received, 2u);
    const std::uint8_t command[] = {'M', 'D', '?', '\r', '\n'};
    EXPECT_EQ(transport.Write(command, sizeof command, 400), rc::kWriteFailed);
    EXPECT_TRUE(transport.IsOpen());

    ASSERT_EQ(transport.Open(0), rc::kOk);
    server.Accept();
    EXPECT_EQ(transport.Write(command, sizeof command, 400), rc::kOk);
    server.Send(Bytes("stale"));
    ASSERT_EQ(transport.Read(&byte, 1, received, 1000), rc::kOk);
    EXPECT_EQ(transport.GetBytesAvailable(), 4);
    EXPECT_EQ(transport.Purge(), rc::kOk);
    EXPECT_EQ(transport.GetBytesAvailable(), 0);
    EXPECT_EQ(transport.Close(), rc::kOk);
    EXPECT_EQ(transport.Write(command, sizeof command, 400), rc::kPortUnavailable);
}

}  // namespace
}  // namespace xkiv
