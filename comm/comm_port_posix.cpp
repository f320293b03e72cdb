// The serial-port transport on POSIX terminals (termios, poll).
#include "comm/comm_port.h"

#include <fcntl.h>
#include <libserialport.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "comm/network_address.h"
#include "comm/poll_deadline.h"
#include "platform/hot_path.h"
#include "platform/interrupt.h"
#include "platform/library.h"

namespace xkiv {

namespace {

// libserialport, loaded the first time ports are listed: nothing else uses
// it, so a run that opens a named device or works offline never pays for
// loading and binding it. Kept loaded for the rest of the process.
struct SerialPortLibrary {
    std::unique_ptr<DynamicLibrary> library;
    decltype(&sp_list_ports) listPorts = nullptr;
    decltype(&sp_get_port_name) portName = nullptr;
    decltype(&sp_free_port_list) freeList = nullptr;

    bool Usable() const {
        return listPorts != nullptr && portName != nullptr && freeList != nullptr;
    }
};

const SerialPortLibrary& LoadedSerialPortLibrary() {
    static const SerialPortLibrary* const loaded = [] {
        auto* result = new SerialPortLibrary;
        result->library = DynamicLibrary::Load("libserialport.so.0");
        if (result->library) {
            result->listPorts = result->library->Entry<decltype(&sp_list_ports)>("sp_list_ports");
            result->portName =
                result->library->Entry<decltype(&sp_get_port_name)>("sp_get_port_name");
            result->freeList =
                result->library->Entry<decltype(&sp_free_port_list)>("sp_free_port_list");
        }
        return result;
    }();
    return *loaded;
}

// The system's serial devices. libserialport leaves out the legacy ports
// that the kernel lists but that have no hardware behind them. None when the
// library cannot be loaded (the package depends on it).
std::vector<std::string> SystemPorts() {
    std::vector<std::string> paths;
    const SerialPortLibrary& library = LoadedSerialPortLibrary();
    sp_port** list = nullptr;
    if (!library.Usable() || library.listPorts(&list) != SP_OK || list == nullptr) {
        return paths;
    }
    for (sp_port** port = list; *port != nullptr; ++port) {
        if (const char* name = library.portName(*port); name != nullptr) {
            paths.emplace_back(name);
        }
    }
    library.freeList(list);
    std::sort(paths.begin(), paths.end());
    return paths;
}

constexpr const char* kSerialPortsVariable = "XKIV_SERIAL_PORTS";

bool IsCharacterDevice(const std::string& path) {
    struct stat info {};
    return path.starts_with('/') && ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

std::vector<std::string> BuildPortList(const std::string& configuredDevices,
                                       const std::string& rememberedDevice) {
    std::vector<std::string> ports =
        configuredDevices.empty() ? SystemPorts() : SerialPaths(configuredDevices);
    // A device used last time that no list names (a pseudo-terminal, a link
    // under /dev/serial/by-id) stays reachable while it exists.
    if (!rememberedDevice.empty() &&
        std::find(ports.begin(), ports.end(), rememberedDevice) == ports.end() &&
        IsCharacterDevice(rememberedDevice)) {
        ports.push_back(rememberedDevice);
    }
    return ports;
}

std::optional<std::string> EnvironmentPorts() {
    const char* value = std::getenv(kSerialPortsVariable);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

// 9600 baud, 8N1, raw bytes, no flow control, reads that never block in the
// driver (the waiting is done in poll()).
bool ConfigureLine(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return false;
    }
    ::cfmakeraw(&settings);
    if (::cfsetispeed(&settings, B9600) != 0 || ::cfsetospeed(&settings, B9600) != 0) {
        return false;
    }
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

constexpr short kHangUp = POLLHUP | POLLERR | POLLNVAL;

}  // namespace

bool SerialPortsGivenForThisRun() {
    return std::getenv(kSerialPortsVariable) != nullptr;
}

CCommPort::CCommPort(const std::string& configuredDevices, const std::string& rememberedDevice)
    : environmentPorts_(EnvironmentPorts()),
      configuredDevices_(configuredDevices),
      rememberedDevice_(rememberedDevice) {}

CCommPort::~CCommPort() {
    (void)Close();
}

bool CCommPort::IsOpen() const {
    return fd_ >= 0;
}

const std::vector<std::string>& CCommPort::Ports() const {
    if (!ports_) {
        // Set but empty means "no ports": a way to run without touching devices.
        ports_ = environmentPorts_ ? SerialPaths(*environmentPorts_)
                                   : BuildPortList(configuredDevices_, rememberedDevice_);
    }
    return *ports_;
}

int CCommPort::GetPortCount() const {
    return static_cast<int>(Ports().size());
}

std::string CCommPort::GetPortName(int index) const {
    if (index < 0 || index >= GetPortCount()) {
        return {};
    }
    return Ports()[static_cast<std::size_t>(index)];
}

std::string CCommPort::GetClassName() const {
    return "COM-Ports";
}

ResultCode CCommPort::Open(int index) {
    (void)Close();
    openError_.clear();
    const std::string path = GetPortName(index);
    if (path.empty()) {
        return rc::kPortNotFound;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        openError_ = {errno, std::generic_category()};
        return rc::kPortInUse;
    }
    // TIOCEXCL keeps other programs out but not root; the lock also keeps
    // out a second instance of this tool running as root.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another run holds the device: it is busy, whatever flock calls it.
        openError_ = std::make_error_code(std::errc::device_or_resource_busy);
        ::close(fd);
        return rc::kPortInUse;
    }
    if (!ConfigureLine(fd)) {
        openError_ = {errno, std::generic_category()};
        ::close(fd);
        return rc::kPortInUse;
    }
    (void)::ioctl(fd, TIOCEXCL);
    // The camera needs RTS off; devices without modem lines (pseudo-
    // terminals) refuse the call, which is harmless there.
    int rts = TIOCM_RTS;
    (void)::ioctl(fd, TIOCMBIC, &rts);
    fd_ = fd;
    return rc::kOk;
}

ResultCode CCommPort::Close() {
    if (fd_ >= 0) {
        // The exclusive flag belongs to the terminal, not to this descriptor:
        // left set it would lock us out while another descriptor (a
        // simulator's) keeps the terminal alive.
        (void)::ioctl(fd_, TIOCNXCL);
        (void)::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
    start_ = end_ = 0;
    return rc::kOk;
}

XKIV_HOT ResultCode CCommPort::Purge() {
    if (fd_ < 0) {
        return rc::kPortUnavailable;
    }
    start_ = end_ = 0;
    // What the driver holds at this moment is read and dropped, and no more:
    // a babbling line cannot keep the purge going. As a rule nothing waits,
    // which one FIONREAD tells without a read. Flushing the terminal's input
    // instead would wake the kernel's buffer worker and cost every exchange
    // a task switch.
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0) {
        return rc::kOk;
    }
    while (waiting > 0) {
        const ssize_t got = ::read(fd_, received_.data(),
                                   std::min(received_.size(), static_cast<std::size_t>(waiting)));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        waiting -= static_cast<int>(got);
    }
    return rc::kOk;
}

std::int32_t CCommPort::GetBytesAvailable() {
    int available = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &available) != 0 || available < 0) {
        available = 0;
    }
    return static_cast<std::int32_t>(end_ - start_) + available;
}

XKIV_HOT void CCommPort::TakeReadAhead(std::size_t count) {
    start_ += std::min(count, end_ - start_);
    if (start_ == end_) {
        start_ = end_ = 0;
    }
}

XKIV_HOT std::size_t CCommPort::TakeBuffered(std::uint8_t* buffer, std::size_t count) {
    const std::size_t taken = std::min(count, end_ - start_);
    // A byte at a time is the usual request: it needs no call to copy.
    if (taken == 1) {
        *buffer = received_[start_];
    } else if (taken > 1) {
        std::copy_n(received_.begin() + static_cast<std::ptrdiff_t>(start_), taken, buffer);
    }
    TakeReadAhead(taken);
    return taken;
}

XKIV_HOT ResultCode CCommPort::Write(const std::uint8_t* bytes, std::size_t length,
                                     std::uint32_t timeoutMs) {
    if (fd_ < 0) {
        return rc::kPortUnavailable;
    }
    // After an interrupt no new command goes out.
    if (InterruptRequested()) {
        return rc::kWriteFailed;
    }
    // The clock is looked at only when the driver's buffer is full: a write
    // that the driver takes at once, the usual case, cannot run out of time.
    std::optional<SteadyClock::time_point> deadline;
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t written = ::write(fd_, bytes + sent, length - sent);
        if (written > 0) {
            sent += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return rc::kWriteFailed;
        }
        // The driver's buffer is full: wait until it takes more.
        pollfd waitFor{fd_, POLLOUT, 0};
        if (!deadline) {
            deadline = DeadlineAfter(timeoutMs);
        }
        const int ready = ::poll(&waitFor, 1, RemainingMs(*deadline));
        if (ready < 0 && errno != EINTR) {
            return rc::kWriteFailed;
        }
        if (ready == 0) {
            return rc::kWriteTimeout;
        }
        if (ready > 0 && (waitFor.revents & kHangUp) != 0) {
            return rc::kWriteFailed;
        }
    }
    return rc::kOk;
}

XKIV_HOT ResultCode CCommPort::Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                                    std::uint32_t timeoutMs) {
    received = 0;
    if (fd_ < 0) {
        return rc::kPortUnavailable;
    }
    if (count < 1) {
        return rc::kOk;
    }
    if (start_ != end_) {
        received = TakeBuffered(buffer, count);
        if (received == count) {
            return rc::kOk;
        }
    }
    const auto deadline = DeadlineAfter(timeoutMs);
    for (bool first = true;; first = false) {
        // After an interrupt only what has already arrived is taken: a signal
        // wakes poll() with EINTR and the exchange ends. The first wait is
        // the whole time-out, whose deadline was set just now.
        const bool interrupted = InterruptRequested();
        const int waitMs = interrupted ? 0 : first ? WholeMs(timeoutMs) : RemainingMs(deadline);
        pollfd waitFor{fd_, POLLIN, 0};
        const int ready = ::poll(&waitFor, 1, waitMs);
        if (ready < 0) {
            if (errno != EINTR) {
                return rc::kReadFailed;
            }
            continue;
        }
        if (ready == 0) {
            return interrupted ? rc::kReadFailed : rc::kReadTimeout;
        }
        if ((waitFor.revents & POLLIN) == 0) {
            return rc::kReadFailed;  // hung up with nothing left to read
        }
        const ssize_t got = ::read(fd_, received_.data(), received_.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        // Reported ready yet nothing to read, or EIO: the cable was pulled or
        // the peer closed (a hung-up terminal reads as end of file).
        if (got <= 0) {
            return rc::kReadFailed;
        }
        end_ = static_cast<std::size_t>(got);
        received += TakeBuffered(buffer + received, count - received);
        if (received == count) {
            return rc::kOk;
        }
    }
}

}  // namespace xkiv
