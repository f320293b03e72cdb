// The simulator's pseudo-terminal, its serving loop, line pacing and fault injection.
#include "sim/sim_server.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "sim/sim_camera.h"

namespace xkiv::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;
using TimePoint = SteadyClock::time_point;
using Nanoseconds = std::chrono::nanoseconds;

constexpr std::int64_t kBaud = 9600;
constexpr std::int64_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
// Longer lines are cut; the camera answers them as an unknown command.
constexpr std::size_t kMaxLineLength = 256;
// A client that writes without ever reading would otherwise grow the queue without end.
constexpr std::size_t kMaxQueuedOutput = 64 * 1024;

// Wire time of count bytes at 9600 baud 8N1, computed whole so that deadlines do not drift.
Nanoseconds WireTime(std::int64_t count) {
    return Nanoseconds(count * kBitsPerByte * 1'000'000'000 / kBaud);
}

// An owned file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// A schedule of bytes on a 9600-baud line: the n-th byte since the line was last idle is
// complete at the idle moment plus n byte times.
class WireSchedule {
public:
    TimePoint Next(TimePoint earliest) {
        if (count_ == 0 || earliest > base_ + WireTime(count_)) {
            base_ = earliest;
            count_ = 0;
        }
        return base_ + WireTime(++count_);
    }
    // When the last scheduled byte is complete.
    TimePoint Free() const { return base_ + WireTime(count_); }

private:
    TimePoint base_{};
    std::int64_t count_ = 0;
};

// A command line, complete once its last byte has arrived.
struct PendingLine {
    std::string text;
    bool overflow;
    TimePoint ready;
};

// Bytes that leave at their due time.
struct Segment {
    std::string bytes;
    TimePoint due;
    std::size_t sent = 0;
};

}  // namespace

struct SimServer::Impl {
    Impl(const CameraConfig& cameraConfig, const LineConfig& lineConfig, Clock& clock)
        : camera(cameraConfig, clock), line(lineConfig) {}

    bool Open(std::string* error);
    bool CreateLink(std::string* error);
    void RemoveLink();

    void Serve(const sigset_t* waitMask, const volatile bool* stopFlag);
    bool ShouldStop(const volatile bool* stopFlag) const {
        return stopRequested.load() || (stopFlag != nullptr && *stopFlag);
    }
    void ClosePulledMaster();
    std::optional<TimePoint> NextDue() const;
    void Wait(const sigset_t* waitMask, std::optional<TimePoint> next, bool watchOutput);
    void ReadInput(TimePoint now);
    void ProcessReadyLines(std::unique_lock<std::mutex>& lock, TimePoint now);
    std::string Respond(const PendingLine& pending);
    void Schedule(const std::string& bytes, TimePoint start);
    void WriteDueOutput(TimePoint now);
    void CloseMaster();
    void Wake() const;
    bool CaughtUp() const;

    SimCamera camera;
    LineConfig line;
    std::string ptyPath;
    std::string devicePath;
    bool linkCreated = false;
    UniqueFd master;
    UniqueFd slave;  // held so the terminal outlives the client's close and reopen
    UniqueFd wakeRead;
    UniqueFd wakeWrite;
    std::ofstream log;

    // Guards everything below it but the stop request and the thread. The serving loop holds
    // it while it reads, answers and writes, so that WaitIdle never sees a line between
    // having been read and being answered.
    mutable std::mutex mutex;
    // Signalled after every round of the serving loop, and when serving ends.
    mutable std::condition_variable progress;
    std::vector<std::string> received;
    std::function<void(const std::string&)> gate;
    bool gating = false;  // a line is held by the gate, neither answered nor pending
    bool pulled = false;
    bool serving = false;
    bool lastLineSilent = false;
    TimePoint lastLineAt{};
    std::atomic<bool> stopRequested{false};
    std::thread thread;

    // State of the serving loop, changed only by the serving thread.
    std::string input;
    bool inputOverflow = false;
    std::deque<PendingLine> pendingLines;
    std::deque<Segment> output;
    std::size_t queuedBytes = 0;
    bool outputBlocked = false;
    WireSchedule inbound;
    WireSchedule outbound;
    TimePoint lastDue{};
    int commandCount = 0;
    int answerCount = 0;
};

bool SimServer::Impl::Open(std::string* error) {
    auto fail = [error](const std::string& reason) {
        if (error != nullptr) {
            *error = reason;
        }
        return false;
    };
    master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.Valid() || ::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0) {
        return fail(SystemError("cannot create a pseudo-terminal"));
    }
    char name[128];
    if (::ptsname_r(master.Get(), name, sizeof name) != 0) {
        return fail(SystemError("cannot name the pseudo-terminal"));
    }
    ptyPath = name;
    slave.Reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios settings{};
    if (!slave.Valid() || ::tcgetattr(slave.Get(), &settings) != 0) {
        return fail(SystemError("cannot open " + ptyPath));
    }
    // Raw, so that the terminal neither echoes nor translates line ends in either direction.
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B9600);
    if (::tcsetattr(slave.Get(), TCSANOW, &settings) != 0 ||
        ::fcntl(master.Get(), F_SETFL, O_NONBLOCK) != 0) {
        return fail(SystemError("cannot set up " + ptyPath));
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
        return fail(SystemError("cannot create the wake pipe"));
    }
    wakeRead.Reset(pipeFds[0]);
    wakeWrite.Reset(pipeFds[1]);
    if (!line.logFile.empty()) {
        log.open(line.logFile, std::ios::app);
        if (!log.is_open()) {
            return fail("cannot open the log file " + line.logFile);
        }
    }
    devicePath = ptyPath;
    return line.linkPath.empty() || CreateLink(error);
}

// The link is made under a temporary name and renamed into place, so a stale link from an
// earlier run is replaced at once; anything at the path that is not a link is left alone.
bool SimServer::Impl::CreateLink(std::string* error) {
    struct stat existing {};
    if (::lstat(line.linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        if (error != nullptr) {
            *error = line.linkPath + " exists and is not a symbolic link";
        }
        return false;
    }
    const std::string temporary = line.linkPath + ".tmp" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(ptyPath.c_str(), temporary.c_str()) != 0 ||
        ::rename(temporary.c_str(), line.linkPath.c_str()) != 0) {
        if (error != nullptr) {
            *error = SystemError("cannot create the link " + line.linkPath);
        }
        ::unlink(temporary.c_str());
        return false;
    }
    linkCreated = true;
    devicePath = line.linkPath;
    return true;
}

// Removes the link only while it still points to this server's terminal: another simulator
// may have taken the name over since.
void SimServer::Impl::RemoveLink() {
    if (!linkCreated) {
        return;
    }
    char target[256];
    const ssize_t length = ::readlink(line.linkPath.c_str(), target, sizeof target - 1);
    if (length >= 0 && std::string(target, static_cast<std::size_t>(length)) == ptyPath) {
        ::unlink(line.linkPath.c_str());
    }
    linkCreated = false;
}

void SimServer::Impl::Wake() const {
    const char byte = 1;
    // A full pipe already holds a wake-up, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite.Get(), &byte, 1);
}

void SimServer::Impl::CloseMaster() {
    master.Reset();
    output.clear();
    pendingLines.clear();
    queuedBytes = 0;
    outputBlocked = false;
}

void SimServer::Impl::Serve(const sigset_t* waitMask, const volatile bool* stopFlag) {
    while (!ShouldStop(stopFlag)) {
        std::optional<TimePoint> next;
        bool watchOutput = false;
        {
            std::unique_lock lock(mutex);
            ClosePulledMaster();
            const TimePoint now = SteadyClock::now();
            ProcessReadyLines(lock, now);
            WriteDueOutput(now);
            next = NextDue();
            watchOutput = outputBlocked;
        }
        progress.notify_all();
        Wait(waitMask, next, watchOutput);
    }
    std::lock_guard lock(mutex);
    serving = false;
    progress.notify_all();
}

void SimServer::Impl::ClosePulledMaster() {
    if (pulled && master.Valid()) {
        CloseMaster();
    }
}

// When the next pending line is complete or the next output byte is due.
std::optional<TimePoint> SimServer::Impl::NextDue() const {
    std::optional<TimePoint> next;
    if (!pendingLines.empty()) {
        next = pendingLines.front().ready;
    }
    if (!output.empty() && !outputBlocked && (!next || output.front().due < *next)) {
        next = output.front().due;
    }
    return next;
}

// Blocks until input arrives, a wake-up or signal comes, or the next line or output byte is
// due; never longer, never in a loop of zero-time waits unless something is due. Only the
// serving thread changes the master descriptor while serving, so it is polled unlocked.
void SimServer::Impl::Wait(const sigset_t* waitMask, std::optional<TimePoint> next,
                           bool watchOutput) {
    timespec timeout{};
    if (next) {
        const auto remaining = std::max(Nanoseconds::zero(), *next - SteadyClock::now());
        timeout.tv_sec = static_cast<time_t>(remaining.count() / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(remaining.count() % 1'000'000'000);
    }
    pollfd fds[2] = {{wakeRead.Get(), POLLIN, 0}, {master.Get(), POLLIN, 0}};
    if (watchOutput) {
        fds[1].events |= POLLOUT;
    }
    const nfds_t count = master.Valid() ? 2 : 1;
    if (::ppoll(fds, count, next ? &timeout : nullptr, waitMask) <= 0) {
        return;  // due time, or a signal: the loop looks at its flags again
    }
    if (fds[0].revents != 0) {
        char drain[64];
        while (::read(wakeRead.Get(), drain, sizeof drain) > 0) {
        }
    }
    std::lock_guard lock(mutex);
    if (count == 2 && (fds[1].revents & POLLOUT) != 0) {
        outputBlocked = false;
    }
    if (count == 2 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        ReadInput(SteadyClock::now());
    }
}

void SimServer::Impl::ReadInput(TimePoint now) {
    char buffer[256];
    const ssize_t length = ::read(master.Get(), buffer, sizeof buffer);
    if (length <= 0) {
        if (length < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        // The terminal is gone (it cannot hang up while the slave is held, but a dead
        // descriptor must not be polled again, or the loop would spin).
        CloseMaster();
        return;
    }
    for (ssize_t i = 0; i < length; ++i) {
        const char byte = buffer[i];
        const TimePoint arrived = line.baudPace ? inbound.Next(now) : now;
        if (byte != '\n') {
            if (input.size() < kMaxLineLength) {
                input += byte;
            } else {
                inputOverflow = true;
            }
            continue;
        }
        if (!input.empty() && input.back() == '\r') {
            input.pop_back();
        }
        pendingLines.push_back({std::move(input), inputOverflow, arrived});
        input.clear();
        inputOverflow = false;
    }
}

// Called with the mutex held. The gate runs without it: the test it serves asks the
// simulator what it received while it holds the line.
void SimServer::Impl::ProcessReadyLines(std::unique_lock<std::mutex>& lock, TimePoint now) {
    while (!pendingLines.empty() && pendingLines.front().ready <= now) {
        const PendingLine pending = std::move(pendingLines.front());
        pendingLines.pop_front();
        if (gate && !pending.text.empty()) {
            const std::function<void(const std::string&)> lineGate = gate;
            gating = true;
            lock.unlock();
            lineGate(pending.text);
            lock.lock();
            gating = false;
        }
        const std::string bytes = Respond(pending);
        if (!bytes.empty()) {
            Schedule(bytes, pending.ready);
        }
    }
}

// Everything the line carries back for one command: the echo and the answer, as the camera
// and the configured faults make them.
std::string SimServer::Impl::Respond(const PendingLine& pending) {
    if (pending.text.empty()) {
        return {};  // a stray line end between commands
    }
    if (pulled) {
        return {};
    }
    received.push_back(pending.text);
    lastLineAt = SteadyClock::now();
    if (log.is_open()) {
        log << pending.text << '\n' << std::flush;
    }
    ++commandCount;
    lastLineSilent = line.silentAfter > 0 && commandCount > line.silentAfter;
    if (lastLineSilent) {
        return {};  // the camera has hung: it neither acts on nor answers anything
    }
    const bool echo = line.echo || camera.EchoEnabled();
    // A cut line is answered as what it is, a command nobody knows.
    std::string answer = camera.HandleLine(pending.overflow ? std::string() : pending.text);
    ++answerCount;
    std::string bytes = echo ? pending.text + "\r\n" : std::string();
    if (line.dropEvery > 0 && answerCount % line.dropEvery == 0) {
        lastLineSilent = true;
        return bytes;
    }
    if (line.garbleEvery > 0 && answerCount % line.garbleEvery == 0) {
        answer[0] ^= 0x20;  // flips the case of the first letter: a corrupted bit
    }
    return bytes + answer;
}

void SimServer::Impl::Schedule(const std::string& bytes, TimePoint start) {
    if (queuedBytes + bytes.size() > kMaxQueuedOutput) {
        return;
    }
    queuedBytes += bytes.size();
    const Nanoseconds pause = std::chrono::milliseconds(line.chunkPauseMs);
    TimePoint earliest = std::max(start, lastDue);
    if (!line.baudPace) {
        const std::size_t chunk = line.chunkSize > 0 ? line.chunkSize : bytes.size();
        for (std::size_t offset = 0; offset < bytes.size(); offset += chunk) {
            output.push_back({bytes.substr(offset, chunk), earliest});
            lastDue = earliest;
            earliest += pause;
        }
        return;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (line.chunkSize > 0 && i > 0 && i % line.chunkSize == 0) {
            earliest = outbound.Free() + pause;
        }
        lastDue = outbound.Next(earliest);
        output.push_back({bytes.substr(i, 1), lastDue});
    }
}

void SimServer::Impl::WriteDueOutput(TimePoint now) {
    while (!output.empty() && !outputBlocked && output.front().due <= now && master.Valid()) {
        Segment& segment = output.front();
        const ssize_t written = ::write(master.Get(), segment.bytes.data() + segment.sent,
                                        segment.bytes.size() - segment.sent);
        if (written < 0) {
            if (errno == EAGAIN) {
                outputBlocked = true;  // the client is not reading; wait until there is room
            } else if (errno != EINTR) {
                CloseMaster();
            }
            return;
        }
        segment.sent += static_cast<std::size_t>(written);
        if (segment.sent == segment.bytes.size()) {
            queuedBytes -= segment.bytes.size();
            output.pop_front();
        }
    }
}

SimServer::SimServer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<SimServer> SimServer::Create(const CameraConfig& camera, const LineConfig& line,
                                             std::string* error, Clock& clock) {
    if (!ValidateCameraConfig(camera, error)) {
        return nullptr;
    }
    if (line.dropEvery < 0 || line.garbleEvery < 0 || line.silentAfter < 0 ||
        line.chunkPauseMs < 0) {
        if (error != nullptr) {
            *error = "fault counts and the chunk pause must not be negative";
        }
        return nullptr;
    }
    auto impl = std::make_unique<Impl>(camera, line, clock);
    if (!impl->Open(error)) {
        return nullptr;
    }
    return std::unique_ptr<SimServer>(new SimServer(std::move(impl)));
}

SimServer::~SimServer() {
    Stop();
    impl_->RemoveLink();
}

const std::string& SimServer::DevicePath() const {
    return impl_->devicePath;
}

const std::string& SimServer::PtyPath() const {
    return impl_->ptyPath;
}

bool SimServer::Start() {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->serving) {
            return false;
        }
        impl_->serving = true;
    }
    impl_->stopRequested = false;
    try {
        impl_->thread = std::thread([this] { impl_->Serve(nullptr, nullptr); });
    } catch (const std::system_error&) {
        std::lock_guard lock(impl_->mutex);
        impl_->serving = false;
        return false;
    }
    return true;
}

void SimServer::Run(const volatile bool* stopFlag) {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->serving) {
            return;
        }
        impl_->serving = true;
    }
    sigset_t waitMask;
    ::pthread_sigmask(SIG_BLOCK, nullptr, &waitMask);
    ::sigdelset(&waitMask, SIGINT);
    ::sigdelset(&waitMask, SIGTERM);
    impl_->Serve(stopFlag != nullptr ? &waitMask : nullptr, stopFlag);
}

void SimServer::Stop() {
    impl_->stopRequested = true;
    impl_->Wake();
    if (impl_->thread.joinable()) {
        impl_->thread.join();
    }
}

void SimServer::PullCable() {
    std::unique_lock lock(impl_->mutex);
    impl_->pulled = true;
    if (impl_->serving) {
        impl_->Wake();
        impl_->progress.wait(lock, [this] { return !impl_->master.Valid() || !impl_->serving; });
    }
    if (impl_->master.Valid()) {
        impl_->CloseMaster();
    }
}

void SimServer::SetLineGate(std::function<void(const std::string& line)> gate) {
    std::lock_guard lock(impl_->mutex);
    impl_->gate = std::move(gate);
}

void SimServer::WithCamera(const std::function<void(SimCamera&)>& fn) {
    std::lock_guard lock(impl_->mutex);
    impl_->camera.Settle();
    fn(impl_->camera);
}

std::vector<std::string> SimServer::ReceivedLines() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->received;
}

// Called with the mutex held. A zero-time poll of the master side also hands the terminal
// the bytes still on their way from the client, so none of them is missed. Blocked output
// counts as caught up: the client has stopped reading and waits for nothing.
bool SimServer::Impl::CaughtUp() const {
    if (!serving || !master.Valid() || outputBlocked) {
        return true;
    }
    if (gating || !pendingLines.empty() || !output.empty()) {
        return false;
    }
    pollfd unread{master.Get(), POLLIN, 0};
    return ::poll(&unread, 1, 0) <= 0 || (unread.revents & POLLIN) == 0;
}

LineState SimServer::WaitIdle() const {
    std::unique_lock lock(impl_->mutex);
    impl_->progress.wait(lock, [this] { return impl_->CaughtUp(); });
    // The same on the client's side: what was sent is in its terminal, ready to be read.
    pollfd delivered{impl_->slave.Get(), POLLIN, 0};
    (void)::poll(&delivered, 1, 0);
    return {impl_->lastLineSilent || !impl_->input.empty(), impl_->lastLineAt};
}

std::size_t SimServer::WaitReceived(std::size_t count) const {
    std::unique_lock lock(impl_->mutex);
    impl_->progress.wait(
        lock, [this, count] { return impl_->received.size() >= count || !impl_->serving; });
    return impl_->received.size();
}

}  // namespace xkiv::sim
