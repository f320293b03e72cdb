// Runs xkivctl as a child process with its profile and class registry in the test's folder.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/simulator_test.h"
#include "tests/support/test_files.h"

namespace xkiv {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

class XkivctlTest : public test::SimulatorTest {
protected:
    XkivctlTest() : SimulatorTest("xkivctl", test::ClientClock::Real) {}

    // Runs xkivctl with its profile and class registry in the test's folder;
    // XKIV_SERIAL_PORTS is serialPorts, or unset when nullopt; environment
    // holds further NAME=VALUE words for xkivctl alone.
    RunResult Ctl(const std::vector<std::string>& args,
                  const std::optional<std::string>& serialPorts = "",
                  const std::string& environment = {}) {
        std::string command = environment +
                              " XDG_CONFIG_HOME=" + Quoted((dir_ / "config").string()) +
                              " XDG_DATA_HOME=" + Quoted((dir_ / "data").string()) +
                              (serialPorts ? " XKIV_SERIAL_PORTS=" + Quoted(*serialPorts)
                                           : " env -u XKIV_SERIAL_PORTS") +
                              " " + Quoted(XKIV_XKIVCTL_PATH);
        for (const std::string& arg : args) {
            command += " " + Quoted(arg);
        }
        command += " >" + Quoted((dir_ / "out").string()) + " 2>" + Quoted((dir_ / "err").string());
        RunResult run;
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = test::ReadFile(dir_ / "out");
        run.err = test::ReadFile(dir_ / "err");
        return run;
    }

    // Starts xkivctl without waiting for it; stdout and stderr go to files
    // "out" and "err". Everything the child needs is prepared before fork:
    // a simulator's thread may hold the allocator's lock at that moment.
    pid_t Spawn(const std::vector<std::string>& args) {
        const std::string config = "XDG_CONFIG_HOME=" + (dir_ / "config").string();
        const std::string out = (dir_ / "out").string();
        const std::string err = (dir_ / "err").string();
        std::vector<char*> argv = {const_cast<char*>("xkivctl")};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<char*> env = {const_cast<char*>(config.c_str()), nullptr};
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
            ::execve(XKIV_XKIVCTL_PATH, argv.data(), env.data());
            ::_exit(127);
        }
        return child;
    }

    std::string Path(const char* name) const { return (dir_ / name).string(); }
    std::string Profile() const {
        return test::ReadFile(dir_ / "config" / "KIV" / "XKivRZ150LX Control.ini");
    }
};

}  // namespace xkiv
