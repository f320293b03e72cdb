// The rzcam-sim program: start-up banner, serving, clean exit and option errors.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/patience.h"
#include "tests/support/test_files.h"

extern char** environ;

namespace {

// rzcam-sim run as a child process with its standard output on a pipe.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> arguments) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            return;
        }
        arguments.insert(arguments.begin(), XKIV_RZCAM_SIM_PATH);
        std::vector<char*> argv;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        output_ = pipeFds[0];
    }
    ~SimProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) {
            ::close(output_);
        }
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The next line of its standard output, without the line feed.
    std::string ReadLine() {
        std::string line;
        char byte = 0;
        pollfd fd{output_, POLLIN, 0};
        while (::poll(&fd, 1, xkiv::test::kPatienceMs) == 1 && ::read(output_, &byte, 1) == 1 &&
               byte != '\n') {
            line += byte;
        }
        return line;
    }

    // Its exit status, or -1 when it did not exit normally.
    int Wait() {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void Signal(int signal) const { ::kill(pid_, signal); }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

std::string Ask(const std::string& device, const std::string& line) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return "cannot open " + device;
    }
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(fd, TCSANOW, &settings);
    const std::string bytes = line + "\r\n";
    std::string answer;
    if (::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size())) {
        char byte = 0;
        pollfd pfd{fd, POLLIN, 0};
        while (answer.find("\r\n") == std::string::npos &&
               ::poll(&pfd, 1, xkiv::test::kPatienceMs) == 1 && ::read(fd, &byte, 1) == 1) {
            answer += byte;
        }
    }
    ::close(fd);
    return answer;
}

TEST(RzcamSimProgram, PrintsItsDeviceServesAndExitsCleanlyOnSigterm) {
    const xkiv::test::TemporaryFolder folder("rzcam-program");
    const std::string link = (folder.Path() / "camera").string();
    SimProcess sim({"--model", "RZ-130LX-FS", "--firmware", "170", "--link", link});
    const std::string banner = sim.ReadLine();
    ASSERT_EQ(banner.rfind("Device: " + link + " -> /dev/pts/", 0), 0u) << banner;
    EXPECT_NE(sim.ReadLine().find("RZ-130LX-FS"), std::string::npos);
    EXPECT_EQ(Ask(link, "MD?"), "MD=RZ-130LX-FS\r\n");
    EXPECT_EQ(Ask(banner.substr(banner.find("-> ") + 3), "VN?"), "VN=170\r\n");
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(RzcamSimProgram, ExitsCleanlyOnSigint) {
    SimProcess sim({"--onepush-result", "AW=2", "--echo"});
    const std::string banner = sim.ReadLine();
    ASSERT_EQ(banner.rfind("Device: /dev/pts/", 0), 0u) << banner;
    EXPECT_EQ(Ask(banner.substr(8), "BI?"), "BI?\r\n");  // the echo comes first
    sim.Signal(SIGINT);
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(RzcamSimProgram, RejectsBadOptionsWithStatusTwo) {
    const std::vector<std::vector<std::string>> badOptions = {
        {"--no-such-option"},
        {"--firmware", "abc"},
        {"--firmware", "1000"},
        {"--camera-id", "THIRTEEN-CHAR"},
        {"--onepush-result", "AR=1"},
        {"--drop-every", "-1"},
        {"--model"},
        {"stray"},
    };
    for (const auto& options : badOptions) {
        SimProcess sim(options);
        EXPECT_EQ(sim.Wait(), 2) << options[0];
    }
}

TEST(RzcamSimProgram, HelpPrintsUsage) {
    SimProcess sim({"--help"});
    EXPECT_EQ(sim.ReadLine().rfind("Usage: rzcam-sim", 0), 0u);
    EXPECT_EQ(sim.Wait(), 0);
}

}  // namespace
