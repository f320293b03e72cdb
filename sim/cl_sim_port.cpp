// Port lists from the environment and raw pseudo-terminal I/O for the test Camera Link libraries.
#include "sim/cl_sim_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "comm/camera_link_api.h"

namespace xkiv::sim::cl_lib {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Open ports; a reference is the address of its slot. Plain data only, so
// that unloading the library runs no destructors.
struct OpenPort {
    int fd = -1;
};
constexpr std::size_t kMaxOpenPorts = 16;
std::array<OpenPort, kMaxOpenPorts> openPorts;

OpenPort* Find(void* reference) {
    for (OpenPort& port : openPorts) {
        if (&port == reference && port.fd >= 0) {
            return &port;
        }
    }
    return nullptr;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const auto at = text.find(separator);
        if (const auto part = text.substr(0, at); !part.empty()) {
            parts.push_back(part);
        }
        text.remove_prefix(at == std::string_view::npos ? text.size() : at + 1);
    }
    return parts;
}

bool ConfigureRaw(int fd, speed_t speed) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    // With VMIN 0 a raw terminal reads 0 bytes when idle, which would look
    // like a hang-up; with VMIN 1 and O_NONBLOCK an idle read gives EAGAIN.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return ::cfsetispeed(&settings, speed) == 0 && ::cfsetospeed(&settings, speed) == 0 &&
           ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

// Milliseconds left until deadline, never negative.
int RemainingMs(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return static_cast<int>(std::max<std::int64_t>(left.count(), 0));
}

// Waits for events on fd until deadline: the revents, 0 at the deadline, -1 on error.
int Wait(int fd, short events, SteadyClock::time_point deadline) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, RemainingMs(deadline));
        if (ready >= 0) {
            return ready == 0 ? 0 : entry.revents;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

}  // namespace

std::vector<PortEntry> PortsFromEnvironment(const char* variable) {
    std::vector<PortEntry> ports;
    const char* value = std::getenv(variable);
    if (value == nullptr) {
        return ports;
    }
    for (const std::string_view entry : Split(value, ':')) {
        const auto equals = entry.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view name = entry.substr(0, equals);
        const auto bar = name.find('|');
        PortEntry port;
        port.manufacturer = std::string(name.substr(0, bar));
        port.portId =
            bar == std::string_view::npos ? std::string() : std::string(name.substr(bar + 1));
        port.device = std::string(entry.substr(equals + 1));
        ports.push_back(std::move(port));
    }
    return ports;
}

bool FaultEnabled(const char* fault) {
    const char* value = std::getenv("XKIV_CL_FAULTS");
    if (value == nullptr) {
        return false;
    }
    const auto words = Split(value, ',');
    return std::find(words.begin(), words.end(), std::string_view(fault)) != words.end();
}

std::int32_t CopyText(const std::string& text, char* buffer, std::uint32_t* size) {
    if (buffer == nullptr || size == nullptr) {
        return cl::kErrBufferTooSmall;
    }
    if (FaultEnabled("unterminated-text")) {
        // A careless library: the whole buffer full of text, no terminator.
        for (std::uint32_t i = 0; i < *size; ++i) {
            buffer[i] = text.empty() ? '?' : text[i % text.size()];
        }
        return cl::kNoError;
    }
    const auto needed = static_cast<std::uint32_t>(text.size() + 1);
    if (*size < needed) {
        *size = needed;
        return cl::kErrBufferTooSmall;
    }
    std::memcpy(buffer, text.c_str(), needed);
    *size = needed;
    return cl::kNoError;
}

std::int32_t OpenDevice(const std::string& device, void** reference) {
    if (reference == nullptr) {
        return cl::kErrInvalidReference;
    }
    const auto slot = std::find_if(openPorts.begin(), openPorts.end(),
                                   [](const OpenPort& port) { return port.fd < 0; });
    if (slot == openPorts.end()) {
        return cl::kErrOutOfMemory;
    }
    // Non-blocking, so that every wait happens in poll(); no controlling
    // terminal, so that a hang-up cannot signal the process.
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return cl::kErrPortInUse;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !ConfigureRaw(fd, B9600)) {
        ::close(fd);
        return cl::kErrPortInUse;
    }
    ::tcflush(fd, TCIOFLUSH);
    slot->fd = fd;
    *reference = &*slot;
    return cl::kNoError;
}

void CloseDevice(void* reference) {
    if (OpenPort* port = Find(reference)) {
        ::close(port->fd);
        port->fd = -1;
    }
}

std::int32_t ReadDevice(void* reference, char* buffer, std::uint32_t* numBytes,
                        std::uint32_t timeoutMs) {
    OpenPort* port = Find(reference);
    if (port == nullptr || numBytes == nullptr || (buffer == nullptr && *numBytes > 0)) {
        return cl::kErrInvalidReference;
    }
    const std::uint32_t wanted = *numBytes;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    std::uint32_t got = 0;
    std::int32_t status = cl::kNoError;
    while (got < wanted) {
        // Waiting first also covers a time-out of 0: data already there is taken.
        const int events = Wait(port->fd, POLLIN, deadline);
        if (events == 0) {
            status = cl::kErrTimeout;
            break;
        }
        if (events < 0 || (events & POLLIN) == 0) {
            // POLLHUP or POLLERR without data: the other side of the line is gone.
            status = cl::kErrInvalidReference;
            break;
        }
        const ssize_t n = ::read(port->fd, buffer + got, wanted - got);
        if (n > 0) {
            got += static_cast<std::uint32_t>(n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            status = cl::kErrInvalidReference;
            break;
        }
    }
    *numBytes = got;
    return status;
}

std::int32_t WriteDevice(void* reference, const char* buffer, std::uint32_t* bufferSize,
                         std::uint32_t timeoutMs) {
    OpenPort* port = Find(reference);
    if (port == nullptr || bufferSize == nullptr || (buffer == nullptr && *bufferSize > 0)) {
        return cl::kErrInvalidReference;
    }
    std::uint32_t wanted = *bufferSize;
    if (FaultEnabled("short-write") && wanted > 0) {
        --wanted;
    }
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    std::uint32_t sent = 0;
    std::int32_t status = cl::kNoError;
    while (sent < wanted) {
        const ssize_t n = ::write(port->fd, buffer + sent, wanted - sent);
        if (n > 0) {
            sent += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            status = cl::kErrInvalidReference;
            break;
        }
        const int events = Wait(port->fd, POLLOUT, deadline);
        if (events == 0) {
            status = cl::kErrTimeout;
            break;
        }
        if (events < 0 || (events & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            status = cl::kErrInvalidReference;
            break;
        }
    }
    *bufferSize = sent;
    return status;
}

std::int32_t FlushDevice(void* reference) {
    OpenPort* port = Find(reference);
    if (port == nullptr) {
        return cl::kErrInvalidReference;
    }
    ::tcflush(port->fd, TCIFLUSH);
    return cl::kNoError;
}

std::int32_t BytesAvailable(void* reference, std::uint32_t* numBytes) {
    OpenPort* port = Find(reference);
    int available = 0;
    if (port == nullptr || numBytes == nullptr || ::ioctl(port->fd, FIONREAD, &available) != 0) {
        return cl::kErrInvalidReference;
    }
    *numBytes = static_cast<std::uint32_t>(std::max(available, 0));
    return cl::kNoError;
}

std::int32_t SetDeviceBaudRate(void* reference, std::uint32_t baudRate) {
    struct Rate {
        std::uint32_t selector;
        speed_t speed;
    };
    static constexpr std::array<Rate, 5> kRates{{{cl::kBaudRate9600, B9600},
                                                 {cl::kBaudRate19200, B19200},
                                                 {cl::kBaudRate38400, B38400},
                                                 {cl::kBaudRate57600, B57600},
                                                 {cl::kBaudRate115200, B115200}}};
    OpenPort* port = Find(reference);
    if (port == nullptr) {
        return cl::kErrInvalidReference;
    }
    const auto rate = std::find_if(kRates.begin(), kRates.end(),
                                   [baudRate](const Rate& r) { return r.selector == baudRate; });
    if (rate == kRates.end() || !ConfigureRaw(port->fd, rate->speed)) {
        return cl::kErrBaudRateNotSupported;
    }
    return cl::kNoError;
}

std::int32_t ErrorText(std::int32_t errorCode, char* errorText, std::uint32_t* errorTextSize) {
    struct Text {
        std::int32_t code;
        const char* text;
    };
    static constexpr std::array<Text, 10> kTexts{{
        {cl::kNoError, "No error"},
        {cl::kErrBufferTooSmall, "Buffer too small"},
        {cl::kErrManufacturerDoesNotExist, "Manufacturer does not exist"},
        {cl::kErrPortInUse, "Port in use or cannot be opened"},
        {cl::kErrTimeout, "Time-out"},
        {cl::kErrInvalidIndex, "Invalid index"},
        {cl::kErrInvalidReference, "Invalid reference or line hung up"},
        {cl::kErrErrorNotFound, "Error not found"},
        {cl::kErrBaudRateNotSupported, "Baud rate not supported"},
        {cl::kErrOutOfMemory, "Out of memory"},
    }};
    const auto found = std::find_if(kTexts.begin(), kTexts.end(),
                                    [errorCode](const Text& t) { return t.code == errorCode; });
    if (found == kTexts.end()) {
        return cl::kErrErrorNotFound;
    }
    return CopyText(found->text, errorText, errorTextSize);
}

}  // namespace xkiv::sim::cl_lib
