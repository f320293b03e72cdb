// The simulator served over a real pseudo-terminal to a plain client: answers, faults, pacing.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sim/sim_camera.h"
#include "sim/sim_server.h"
#include "tests/support/test_files.h"

namespace xkiv::sim {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A serial client as simple as can be: raw terminal, whole-line writes, and reads of what the
// simulator has sent once it has caught up, so that neither an answer nor its absence depends
// on how long the test waits.
class PtyClient {
public:
    PtyClient(const SimServer& server, const std::string& path)
        : server_(server), fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios settings{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &settings) == 0) {
            ::cfmakeraw(&settings);
            ::tcsetattr(fd_, TCSANOW, &settings);
        }
    }
    explicit PtyClient(const SimServer& server) : PtyClient(server, server.DevicePath()) {}
    ~PtyClient() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    void Send(const std::string& line) { Write(line + "\r\n"); }
    void Write(const std::string& bytes) {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Everything the simulator has sent for the lines written so far.
    std::string Received() {
        server_.WaitIdle();
        std::string bytes;
        char chunk[256];
        ssize_t got = 0;
        while ((got = ::read(fd_, chunk, sizeof chunk)) > 0) {
            bytes.append(chunk, static_cast<std::size_t>(got));
        }
        return bytes;
    }

    std::string Ask(const std::string& line) {
        Send(line);
        return Received();
    }

private:
    const SimServer& server_;
    int fd_;
};

std::unique_ptr<SimServer> Serve(const LineConfig& line, CameraConfig camera = {}) {
    std::string error;
    auto server = SimServer::Create(camera, line, &error);
    EXPECT_NE(server, nullptr) << error;
    if (server) {
        EXPECT_TRUE(server->Start());
    }
    return server;
}

TEST(SimServerLine, AnswersAndRecordsCommands) {
    const xkiv::test::TemporaryFolder folder("rzcam-log");
    const std::filesystem::path logFile = folder.Path() / "received.log";
    CameraConfig camera;
    camera.model = "RZ-150LX";
    LineConfig line;
    line.logFile = logFile.string();
    auto server = Serve(line, camera);
    PtyClient client(*server);
    ASSERT_TRUE(client.IsOpen());
    EXPECT_EQ(client.Ask("MD?"), "MD=RZ-150LX\r\n");
    EXPECT_EQ(client.Ask("LR=5000"), "COMPLETE\r\n");
    // A bare LF ends a line too.
    client.Write("LR?\n");
    EXPECT_EQ(client.Received(), "LR=5000\r\n");
    EXPECT_EQ(server->ReceivedLines(), (std::vector<std::string>{"MD?", "LR=5000", "LR?"}));
    std::ifstream log(logFile);
    const std::string logged((std::istreambuf_iterator<char>(log)), {});
    EXPECT_EQ(logged, "MD?\nLR=5000\nLR?\n");
    std::filesystem::remove(logFile);
}

TEST(SimServerLine, TerminalSurvivesClientReopenAndSharesStateWithTests) {
    auto server = Serve({});
    {
        PtyClient first(*server);
        EXPECT_EQ(first.Ask("BI=1"), "COMPLETE\r\n");
    }
    server->WithCamera([](SimCamera& camera) { camera.SetValue(row::TS, 3); });
    PtyClient second(*server);
    EXPECT_EQ(second.Ask("BI?"), "BI=1\r\n");
    EXPECT_EQ(second.Ask("TS?"), "TS=3\r\n");
}

TEST(SimServerLine, EchoesCommandsWhenAskedByOptionOrByTheCamera) {
    LineConfig line;
    line.echo = true;
    auto echoing = Serve(line);
    PtyClient client(*echoing);
    EXPECT_EQ(client.Ask("BI?"), "BI?\r\nBI=0\r\n");

    auto plain = Serve({});
    PtyClient other(*plain);
    EXPECT_EQ(other.Ask("EB=1"), "COMPLETE\r\n");
    EXPECT_EQ(other.Ask("TS?"), "TS?\r\nTS=0\r\n");
}

TEST(SimServerLine, DropsAndGarblesEveryNthAnswer) {
    LineConfig line;
    line.dropEvery = 2;
    line.garbleEvery = 3;
    auto server = Serve(line);
    PtyClient client(*server);
    EXPECT_EQ(client.Ask("BI?"), "BI=0\r\n");
    EXPECT_FALSE(server->WaitIdle().silent);
    EXPECT_EQ(client.Ask("BI=1"), "");  // 2nd dropped, yet carried out:
    EXPECT_TRUE(server->WaitIdle().silent);
    EXPECT_EQ(client.Ask("BI?"), "bI=1\r\n");  // 3rd garbled
    EXPECT_EQ(client.Ask("BA?"), "");          // 4th dropped
    EXPECT_EQ(client.Ask("TS=9"), "Bad Parameters!!\r\n");
    EXPECT_EQ(client.Ask("TS=9"), "");  // 6th: dropping comes before garbling
    EXPECT_EQ(client.Ask("TS?"), "TS=0\r\n");
}

TEST(SimServerLine, SplitsAnswersIntoChunksWithPauses) {
    LineConfig line;
    line.chunkSize = 3;
    line.chunkPauseMs = 30;
    auto server = Serve(line);
    PtyClient client(*server);
    const auto start = steady_clock::now();
    EXPECT_EQ(client.Ask("CABN1?"), "CABN1=Input 1\r\n");  // 15 bytes: 5 chunks, 4 pauses
    // Never sooner; a busy machine can only make it later.
    EXPECT_GE(steady_clock::now() - start, milliseconds(4 * 30));
}

TEST(SimServerLine, FallsSilentAfterTheGivenNumberOfCommands) {
    LineConfig line;
    line.silentAfter = 2;
    auto server = Serve(line);
    PtyClient client(*server);
    EXPECT_EQ(client.Ask("BI?"), "BI=0\r\n");
    EXPECT_EQ(client.Ask("BI=1"), "COMPLETE\r\n");
    EXPECT_EQ(client.Ask("BI?"), "");
    EXPECT_TRUE(server->WaitIdle().silent);
    EXPECT_EQ(server->ReceivedLines().size(), 3u);
    // Half a line gets no answer either.
    client.Write("BI");
    EXPECT_TRUE(server->WaitIdle().silent);
}

TEST(SimServerLine, PulledCableHangsUpTheLine) {
    auto server = Serve({});
    PtyClient client(*server);
    EXPECT_EQ(client.Ask("BI?"), "BI=0\r\n");
    server->PullCable();
    // The line is dead once PullCable returns.
    pollfd fd{client.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&fd, 1, 0), 1);
    EXPECT_NE(fd.revents & POLLHUP, 0);
    char byte = 0;
    EXPECT_EQ(::read(client.Fd(), &byte, 1), 0);
    EXPECT_EQ(::write(client.Fd(), "BI?\r\n", 5), -1);
    EXPECT_FALSE(PtyClient(*server, server->PtyPath()).IsOpen());
    EXPECT_EQ(server->ReceivedLines().size(), 1u);
}

TEST(SimServerLine, LinkPointsToTheTerminalUntilTheServerEnds) {
    const xkiv::test::TemporaryFolder folder("rzcam-link");
    const std::string link = (folder.Path() / "camera").string();
    LineConfig line;
    line.linkPath = link;
    {
        auto server = Serve(line);
        EXPECT_EQ(server->DevicePath(), link);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), server->PtyPath());
        PtyClient client(*server, link);
        EXPECT_EQ(client.Ask("ST?"), "ST=0\r\n");
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

// A query of a 16-character name: 8 bytes out, 24 bytes back, ten times over, at 9600 baud
// 8N1 (1.0417 ms a byte). The answers never come sooner than the wire allows; how close they
// come to it is the paced benchmarks' figure (exchange_bench, readall_bench), since only a
// quiet machine can tell.
TEST(SimServerLine, BaudPacingNeverAnswersSoonerThanTheWire) {
    LineConfig line;
    line.baudPace = true;
    auto server = Serve(line);
    server->WithCamera([](SimCamera& camera) { camera.SetText(row::CABN1, "ABCDEFGHIJKLMNOP"); });
    PtyClient client(*server);
    constexpr int kExchanges = 10;
    const double wireMs = kExchanges * (8 + 24) * 10 * 1000.0 / 9600;
    const auto start = steady_clock::now();
    for (int i = 0; i < kExchanges; ++i) {
        ASSERT_EQ(client.Ask("CABN1?"), "CABN1=ABCDEFGHIJKLMNOP\r\n");
    }
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(steady_clock::now() - start).count();
    EXPECT_GE(elapsedMs, wireMs - 1.0);
}

}  // namespace
}  // namespace xkiv::sim
