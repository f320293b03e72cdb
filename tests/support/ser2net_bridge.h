// Runs ser2net as a network bridge to a serial device (a simulator's pseudo-terminal) for tests.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace xkiv::test {

// One ser2net process with a generated configuration: a TCP port on the
// loopback interface, raw or Telnet with RFC 2217, bridged to one device at
// 9600 8N1. The port is chosen free at construction and kept across Stop()
// and Start(), so that a client can reconnect to a bridge that came back.
class Ser2netBridge {
public:
    enum class Mode { Raw, Rfc2217 };

    // The ser2net program, or empty when it is not installed.
    static std::string Program() {
        for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/sbin/ser2net"}) {
            if (::access(path, X_OK) == 0) {
                return path;
            }
        }
        return {};
    }

    Ser2netBridge(std::filesystem::path folder, std::string device, Mode mode,
                  const std::string& extraOptions = {})
        : folder_(std::move(folder)), device_(std::move(device)), mode_(mode), port_(FreePort()) {
        config_ = folder_ / ("ser2net-" + std::to_string(port_) + ".yaml");
        std::ofstream(config_) << "%YAML 1.1\n---\n"
                               << "connection: &bridge\n"
                               << "  accepter: "
                               << (mode_ == Mode::Rfc2217 ? "telnet(rfc2217)," : "")
                               << "tcp(nodelay),127.0.0.1," << port_ << "\n"
                               << "  connector: serialdev," << device_ << ",9600n81,local\n"
                               << "  options:\n    mdns: false\n    chardelay: false\n"
                               << extraOptions;
    }
    ~Ser2netBridge() { Stop(); }
    Ser2netBridge(const Ser2netBridge&) = delete;
    Ser2netBridge& operator=(const Ser2netBridge&) = delete;

    std::string Address() const {
        return std::string(mode_ == Mode::Rfc2217 ? "rfc2217" : "tcp") +
               "://127.0.0.1:" + std::to_string(port_);
    }
    int Port() const { return port_; }

    // Starts ser2net in the foreground of a child process and waits until it
    // listens; false when it could not be started or does not listen.
    bool Start() {
        const std::string program = Program();
        const std::string config = config_.string();
        const std::string log = (folder_ / ("ser2net-" + std::to_string(port_) + ".log")).string();
        if (program.empty()) {
            return false;
        }
        // Everything the child needs is made before fork: another thread may
        // hold the allocator's lock at that moment.
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>("-d"),
                                   const_cast<char*>("-c"), const_cast<char*>(config.c_str()),
                                   nullptr};
        pid_ = ::fork();
        if (pid_ == 0) {
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return pid_ > 0 && WaitUntil([this] { return Listening(); });
    }

    // Ends ser2net at once (SIGKILL): its connections drop as when a device
    // server loses power.
    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    // Waits until ser2net has let go of the device after a client left:
    // until then it turns a new client away ("Port's device already in use").
    bool WaitReleased() const {
        return WaitUntil([this] { return !HoldsDevice(); });
    }

private:
    static int FreePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }

    // Checks every 5 ms for at most 10 s: ser2net gives no sign of its own.
    template <typename Condition>
    static bool WaitUntil(Condition condition) {
        for (int attempt = 0; attempt < 2000; ++attempt) {
            if (condition()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Whether the kernel lists a listening socket on the port.
    bool Listening() const {
        char hexPort[8];
        std::snprintf(hexPort, sizeof hexPort, ":%04X", port_);
        for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
            std::ifstream file(table);
            std::string line;
            while (std::getline(file, line)) {
                std::istringstream fields(line);
                std::string slot, local, remote, state;
                fields >> slot >> local >> remote >> state;
                if (local.ends_with(hexPort) && state == "0A") {
                    return true;
                }
            }
        }
        return false;
    }

    bool HoldsDevice() const {
        std::error_code error;
        const std::filesystem::path target = std::filesystem::canonical(device_, error);
        const std::filesystem::path fds = "/proc/" + std::to_string(pid_) + "/fd";
        for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
            if (std::filesystem::read_symlink(entry.path(), error) == target) {
                return true;
            }
        }
        return false;
    }

    std::filesystem::path folder_;
    std::string device_;
    Mode mode_;
    int port_;
    std::filesystem::path config_;
    pid_t pid_ = -1;
};

}  // namespace xkiv::test
