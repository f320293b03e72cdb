// The network transport on POSIX sockets (getaddrinfo, non-blocking connect, poll).
#include "comm/comm_net.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "comm/network_address.h"
#include "comm/poll_deadline.h"
#include "platform/interrupt.h"

namespace xkiv {

namespace {

// One read takes whatever arrived, up to this much.
constexpr std::size_t kChunkSize = 4096;
// Purge and the count of waiting bytes take in at most this many chunks, so
// that a server that never stops sending cannot hold them.
constexpr int kMaxDrainChunks = 64;
// Telnet answers are a few bytes; the socket takes them at once.
constexpr std::uint32_t kReplyTimeoutMs = 400;

// Keep-alive finds a dead connection (a device server switched off, a
// cable pulled on the way) while the link is idle: the first probe after
// 10 s, then every 5 s, given up after 3.
constexpr int kKeepIdleSeconds = 10;
constexpr int kKeepIntervalSeconds = 5;
constexpr int kKeepCount = 3;

constexpr short kHangUp = POLLHUP | POLLERR | POLLNVAL;

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first != nullptr) {
            ::freeaddrinfo(first);
        }
    }
};

void SetOption(int fd, int level, int name, int value) {
    (void)::setsockopt(fd, level, name, &value, sizeof value);
}

// The resolver's own reasons (getaddrinfo), which are no errno values.
class ResolverCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "resolver"; }
    std::string message(int code) const override { return ::gai_strerror(code); }
};

std::error_code ResolverError(int code) {
    static const ResolverCategory category;
    return {code, category};
}

// Connects fd to address before deadline: empty when connected, else why not.
std::error_code ConnectBefore(int fd, const addrinfo& address, SteadyClock::time_point deadline) {
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) {
        return {};
    }
    if (errno != EINPROGRESS && errno != EINTR) {
        return {errno, std::generic_category()};
    }
    for (;;) {
        if (InterruptRequested()) {
            return std::make_error_code(std::errc::interrupted);
        }
        pollfd waitFor{fd, POLLOUT, 0};
        const int ready = ::poll(&waitFor, 1, RemainingMs(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            // The time is up: the host does not answer.
            return std::make_error_code(std::errc::timed_out);
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            return {errno, std::generic_category()};
        }
        return error == 0 ? std::error_code() : std::error_code(error, std::generic_category());
    }
}

}  // namespace

CCommNet::CCommNet(std::vector<std::string> addresses) : ports_(std::move(addresses)) {}

CCommNet::~CCommNet() {
    (void)Close();
}

bool CCommNet::IsOpen() const {
    return fd_ >= 0;
}

int CCommNet::GetPortCount() const {
    return static_cast<int>(ports_.size());
}

std::string CCommNet::GetPortName(int index) const {
    if (index < 0 || index >= GetPortCount()) {
        return {};
    }
    return ports_[static_cast<std::size_t>(index)];
}

std::string CCommNet::GetClassName() const {
    return "Network";
}

int CCommNet::AddPort(const std::string& address) {
    const auto found = std::find(ports_.begin(), ports_.end(), address);
    if (found != ports_.end()) {
        return static_cast<int>(found - ports_.begin());
    }
    ports_.push_back(address);
    return GetPortCount() - 1;
}

bool CCommNet::RemovePort(int index) {
    if (index < 0 || index >= GetPortCount()) {
        return false;
    }
    if (index == openIndex_) {
        (void)Close();
    } else if (openIndex_ > index) {
        --openIndex_;
    }
    ports_.erase(ports_.begin() + index);
    return true;
}

ResultCode CCommNet::Open(int index) {
    (void)Close();
    openError_.clear();
    const auto deadline = DeadlineAfter(kConnectTimeoutMs);
    const std::string name = GetPortName(index);
    const std::optional<NetworkAddress> address = ParseNetworkAddress(name);
    if (!address) {
        openError_ = std::make_error_code(std::errc::invalid_argument);
        return rc::kPortNotFound;
    }
    if (const ResultCode connected = Connect(*address, deadline); connected != rc::kOk) {
        return connected;
    }
    openIndex_ = index;
    if (address->protocol == NetworkAddress::Protocol::Rfc2217) {
        telnet_ = std::make_unique<TelnetCodec>();
        if (const ResultCode negotiated =
                Negotiate(static_cast<std::uint32_t>(RemainingMs(deadline)));
            negotiated != rc::kOk) {
            (void)Close();
            // The far end does not offer the serial line RFC 2217 asks for.
            openError_ = std::make_error_code(std::errc::protocol_error);
            return negotiated;
        }
    }
    return rc::kOk;
}

ResultCode CCommNet::Connect(const NetworkAddress& address, SteadyClock::time_point deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    AddressList found;
    if (const int failed =
            ::getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found.first);
        failed != 0) {
        openError_ = failed == EAI_SYSTEM ? std::error_code(errno, std::generic_category())
                                          : ResolverError(failed);
        return rc::kPortNotFound;
    }
    // Every address of the host in the resolver's order (a name may give
    // IPv6 and IPv4 addresses), while time is left.
    for (const addrinfo* each = found.first; each != nullptr && RemainingMs(deadline) > 0;
         each = each->ai_next) {
        const int fd = ::socket(each->ai_family, each->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                each->ai_protocol);
        if (fd < 0) {
            openError_ = {errno, std::generic_category()};
            continue;
        }
        if (const std::error_code error = ConnectBefore(fd, *each, deadline); error) {
            openError_ = error;
            ::close(fd);
            continue;
        }
        // Commands are single short lines: each must leave at once.
        SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
        SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
        SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds);
        SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds);
        SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount);
        fd_ = fd;
        openError_.clear();
        return rc::kOk;
    }
    if (!openError_) {
        openError_ = std::make_error_code(std::errc::timed_out);
    }
    return rc::kPortInUse;
}

ResultCode CCommNet::Negotiate(std::uint32_t timeoutMs) {
    const std::vector<std::uint8_t> opening = TelnetCodec::Opening();
    if (SendRaw(opening.data(), opening.size(), timeoutMs) != rc::kOk) {
        return rc::kPortInUse;
    }
    // The first command must not go out before the far port runs at 9600 baud.
    const auto deadline = DeadlineAfter(timeoutMs);
    while (!telnet_->LineConfirmed()) {
        if (telnet_->ComPortState() == TelnetCodec::ComPort::Refused || telnet_->LineRejected() ||
            InterruptRequested()) {
            return rc::kPortInUse;
        }
        const int waitMs = RemainingMs(deadline);
        if (waitMs == 0 || Receive(waitMs) == Intake::Closed) {
            return rc::kPortInUse;
        }
    }
    return rc::kOk;
}

ResultCode CCommNet::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    openIndex_ = -1;
    broken_ = false;
    telnet_.reset();
    buffer_.clear();
    readAt_ = 0;
    return rc::kOk;
}

CCommNet::Intake CCommNet::Receive(int waitMs) {
    pollfd waitFor{fd_, POLLIN, 0};
    const int ready = ::poll(&waitFor, 1, waitMs);
    if (ready <= 0) {
        return Intake::Nothing;  // the time is up, or a signal came
    }
    std::array<std::uint8_t, kChunkSize> chunk{};
    const ssize_t got = ::recv(fd_, chunk.data(), chunk.size(), MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return Intake::Nothing;
    }
    if (got <= 0) {
        // End of stream or a reset: the bridge went away.
        broken_ = true;
        return Intake::Closed;
    }
    // An answer arrives a byte or a few at a time, as the serial line gives
    // them to the bridge, and a bridge that leaves Nagle's algorithm on holds
    // each further piece until the last is acknowledged: acknowledging at
    // once instead of after the delayed-ACK time (40 ms) keeps the answer
    // flowing. Linux clears the flag again by itself, so it is set per read.
    SetOption(fd_, IPPROTO_TCP, TCP_QUICKACK, 1);
    if (readAt_ == buffer_.size()) {
        buffer_.clear();
        readAt_ = 0;
    }
    const std::span<const std::uint8_t> bytes(chunk.data(), static_cast<std::size_t>(got));
    if (!telnet_) {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        return Intake::Data;
    }
    std::vector<std::uint8_t> replies;
    telnet_->Receive(bytes, buffer_, replies);
    if (!replies.empty()) {
        // An unsent answer shows as a failed write of the next command.
        (void)SendRaw(replies.data(), replies.size(), kReplyTimeoutMs);
    }
    return Intake::Data;
}

ResultCode CCommNet::SendRaw(const std::uint8_t* bytes, std::size_t length,
                             std::uint32_t timeoutMs) {
    const auto deadline = DeadlineAfter(timeoutMs);
    std::size_t sent = 0;
    while (sent < length) {
        // MSG_NOSIGNAL: a closed connection fails the write instead of
        // ending the process with SIGPIPE.
        const ssize_t written =
            ::send(fd_, bytes + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written > 0) {
            sent += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            broken_ = true;
            return rc::kWriteFailed;
        }
        pollfd waitFor{fd_, POLLOUT, 0};
        const int ready = ::poll(&waitFor, 1, RemainingMs(deadline));
        if (ready < 0 && errno != EINTR) {
            return rc::kWriteFailed;
        }
        if (ready == 0) {
            return rc::kWriteTimeout;
        }
        if (ready > 0 && (waitFor.revents & POLLOUT) == 0 && (waitFor.revents & kHangUp) != 0) {
            broken_ = true;
            return rc::kWriteFailed;
        }
    }
    return rc::kOk;
}

ResultCode CCommNet::Purge() {
    if (fd_ < 0) {
        return rc::kPortUnavailable;
    }
    // Through the Telnet decoder, so that a command cut by the purge does
    // not turn the next answer into garbage; a closed connection is left for
    // the write to report.
    for (int chunk = 0; chunk < kMaxDrainChunks && Receive(0) == Intake::Data; ++chunk) {
    }
    buffer_.clear();
    readAt_ = 0;
    return rc::kOk;
}

std::int32_t CCommNet::GetBytesAvailable() {
    if (fd_ < 0) {
        return 0;
    }
    for (int chunk = 0; chunk < kMaxDrainChunks && Receive(0) == Intake::Data; ++chunk) {
    }
    return static_cast<std::int32_t>(std::min<std::size_t>(Buffered(), INT32_MAX));
}

ResultCode CCommNet::Write(const std::uint8_t* bytes, std::size_t length, std::uint32_t timeoutMs) {
    if (fd_ < 0) {
        return rc::kPortUnavailable;
    }
    // After an interrupt no new command goes out.
    if (broken_ || InterruptRequested()) {
        return rc::kWriteFailed;
    }
    if (!telnet_) {
        return SendRaw(bytes, length, timeoutMs);
    }
    std::vector<std::uint8_t> escaped;
    escaped.reserve(length);
    TelnetCodec::Escape(std::span(bytes, length), escaped);
    return SendRaw(escaped.data(), escaped.size(), timeoutMs);
}

ResultCode CCommNet::Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                          std::uint32_t timeoutMs) {
    received = 0;
    if (fd_ < 0) {
        return rc::kPortUnavailable;
    }
    const auto deadline = DeadlineAfter(timeoutMs);
    for (;;) {
        const std::size_t take = std::min(Buffered(), count - received);
        if (take > 0) {
            std::memcpy(buffer + received, buffer_.data() + readAt_, take);
            readAt_ += take;
            received += take;
        }
        if (received == count) {
            return rc::kOk;
        }
        // An interrupt ends the exchange: a signal wakes poll() early.
        if (broken_ || InterruptRequested()) {
            return rc::kReadFailed;
        }
        const int waitMs = RemainingMs(deadline);
        const Intake intake = Receive(waitMs);
        if (intake == Intake::Closed) {
            return rc::kReadFailed;
        }
        if (intake == Intake::Nothing && waitMs == 0) {
            return rc::kReadTimeout;
        }
    }
}

}  // namespace xkiv
