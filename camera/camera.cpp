// The camera object's state, notifications and command exchange.
#include "camera/camera.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <optional>
#include <span>

#include "platform/hot_path.h"

namespace xkiv {

namespace {

constexpr std::uint32_t kWriteTimeoutMs = 400;
// An answer line longer than this is not an answer of this camera; the cap
// keeps a babbling line from growing the buffer for the whole time-out.
constexpr std::size_t kMaxAnswerLength = 4096;

const std::string kEmptyText;

// Adds received bytes to the answer line up to its end, a line feed right
// after a carriage return: how many bytes it took, and kOk once the line has
// ended or kInvalidAnswer once it is too long. The bytes are looked at in a
// plain loop and added at once: this runs at every exchange.
XKIV_HOT std::optional<ResultCode> AddToLine(std::string& line, std::span<const std::uint8_t> bytes,
                                             std::size_t& taken) {
    std::optional<ResultCode> ended;
    char previous = line.empty() ? '\0' : line.back();
    // More bytes than this, and the line is too long.
    const std::size_t room = kMaxAnswerLength - std::min(line.size(), kMaxAnswerLength);
    std::size_t count = 0;
    for (const std::uint8_t byte : bytes) {
        ++count;
        if (byte == '\n' && previous == '\r') {
            ended = rc::kOk;
            break;
        }
        if (count > room) {
            ended = rc::kInvalidAnswer;
            break;
        }
        previous = static_cast<char>(byte);
    }
    line.append(reinterpret_cast<const char*>(bytes.data()), count);
    taken = count;
    return ended;
}

// Writes value in decimal at the end of text.
void AppendDecimal(std::string& text, std::int32_t value) {
    std::array<char, 12> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.append(digits.data(), end);
}

// Drops every carriage return and line feed, wherever it is, in one pass.
void RemoveLineEnds(std::string& text) {
    std::size_t kept = 0;
    for (const char c : text) {
        if (c != '\r' && c != '\n') {
            text[kept++] = c;
        }
    }
    text.resize(kept);
}

// The index an indexed row carries: the current value of its index row.
std::int32_t IndexOf(const ParameterEntry& entry, const ParameterValues& values) {
    return values.Value(entry.indexRow);
}

}  // namespace

XKIV_HOT std::int32_t ParseDecimal(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::int64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        magnitude =
            std::min<std::int64_t>(magnitude * 10 + (text[pos] - '0'), std::int64_t{INT32_MAX} + 1);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

CCamera::CCamera(ProfileStore& profile, UiServices& ui, Clock& clock)
    : CComm(profile), ui_(ui), clock_(clock) {
    LoadProfileValues();
}

CCamera::CCamera(ProfileStore& profile, std::unique_ptr<CCommAbstract> comPort,
                 std::unique_ptr<CCommAbstract> cameraLink, UiServices& ui, Clock& clock)
    : CComm(profile, std::move(comPort), std::move(cameraLink)), ui_(ui), clock_(clock) {
    LoadProfileValues();
}

CCamera::~CCamera() {
    // Base behaviour only: a derived control has already been destroyed, so
    // these calls reach no events.
    (void)Current().Close();
    CCamera::OnlineChanged(false);
    CCamera::SynchronizedChanged(false);
    SaveProfileValues();
    SaveSelection();
    if (!Profile().Flush()) {
        // Settings that cannot be saved are lost at exit: say so.
        ui_.ShowMessage(Profile().FailureText(), MessageIcon::Stop);
    }
}

XKIV_HOT std::int32_t CCamera::Value(int row) const {
    return IsValidRow(row) ? values_[row] : 0;
}

const std::string& CCamera::Text(int row) const {
    return IsValidRow(row) ? texts_[row] : kEmptyText;
}

bool CCamera::IsRowSynchronized(int row) const {
    return IsValidRow(row) && rowSynchronized_[row];
}

void CCamera::StoreValue(int row, std::int32_t value) {
    if (IsValidRow(row)) {
        values_[row] = value;
    }
}

void CCamera::StoreText(int row, const std::string& text) {
    if (IsValidRow(row)) {
        texts_[row] = text;
    }
}

void CCamera::SetRowSynchronized(int row, bool synchronized) {
    if (IsValidRow(row)) {
        rowSynchronized_[row] = synchronized;
    }
}

void CCamera::OnlineChanged(bool online) {
    online_ = online;
    if (!online) {
        rowSynchronized_.fill(false);
    }
}

void CCamera::SynchronizedChanged(bool synchronized) {
    synchronized_ = synchronized;
}

void CCamera::SendingChanged(bool sending) {
    sending_ = sending;
}

XKIV_HOT void CCamera::ReceivingChanged(bool receiving) {
    receiving_ = receiving;
}

void CCamera::CommPortChanged() {}

XKIV_HOT void CCamera::ValueChanged(int /*row*/, bool /*refresh*/) {}

XKIV_HOT void CCamera::LogMessage(const std::string& /*text*/, bool /*sent*/) {}

void CCamera::GoOffline() {
    (void)Current().Close();
    OnlineChanged(false);
    SynchronizedChanged(false);
}

// Commands are put together in place, without the temporaries of
// concatenation: one is formatted at every exchange.
XKIV_HOT std::string CCamera::FormatSetCommand(int row) const {
    const ParameterEntry& entry = Entry(row);
    std::string line(entry.mnemonic);
    line += '=';
    if (entry.flags & PF_INDEXED) {
        AppendDecimal(line, IndexOf(entry, *this));
        line += ',';
    }
    if (entry.flags & PF_STRING) {
        line += Text(row);
    } else {
        AppendDecimal(line, Value(row));
    }
    line += "\r\n";
    return line;
}

XKIV_HOT std::string CCamera::FormatQueryCommand(int row) const {
    const ParameterEntry& entry = Entry(row);
    std::string line(entry.mnemonic);
    line += '?';
    if (entry.flags & PF_INDEXED) {
        AppendDecimal(line, IndexOf(entry, *this));
    }
    line += "\r\n";
    return line;
}

XKIV_HOT ResultCode CCamera::SendLine(const std::string& line) {
    CCommAbstract& transport = Current();
    ResultCode result = rc::kOk;
    ui_.RunBlocking([&transport, &line, &result] {
        // A failing purge (closed port) is not checked: the write reports it.
        (void)transport.Purge();
        result = transport.Write(reinterpret_cast<const std::uint8_t*>(line.data()), line.size(),
                                 kWriteTimeoutMs);
    });
    if (linkObserver_) {
        linkObserver_({LinkTraffic::Kind::Command, line, nullptr, result});
    }
    return result;
}

XKIV_HOT ResultCode CCamera::CanExchange(int row) const {
    if (!IsValidRow(row) || *Entry(row).mnemonic == '\0') {
        return rc::kInvalidArgument;
    }
    return online_ ? rc::kOk : rc::kOffline;
}

XKIV_HOT ResultCode CCamera::WriteParameter(int row, bool goOfflineOnFailure) {
    if (const ResultCode refused = CanExchange(row); refused != rc::kOk) {
        return refused;
    }
    const ParameterEntry& entry = Entry(row);
    if (!(entry.flags & PF_STRING)) {
        ClampStoredValue(row);
    }
    const std::string line = FormatSetCommand(row);
    // The last guard against a text that would end the command early and
    // make the camera run the rest as a command of its own.
    if (!IsSendableText(std::string_view(line).substr(0, line.size() - 2))) {
        rowSynchronized_[row] = false;
        return rc::kInvalidArgument;
    }
    const bool quiet = entry.flags & PF_QUIET;
    if (!quiet) {
        SendingChanged(true);
        LogMessage(line, true);
    }
    ResultCode result = SendLine(line);
    if (!quiet) {
        SendingChanged(false);
    }
    if (entry.flags & PF_NO_ANSWER) {
        return result;
    }
    if (result == rc::kOk) {
        std::string answer;
        result = ReceiveAnswer(answer, nullptr, entry.writeTimeout, !quiet);
        if (result == rc::kOk && answer != kCompleteAnswer) {
            result = rc::kInvalidAnswer;
        }
    }
    return FinishExchange(row, result, goOfflineOnFailure);
}

XKIV_HOT void CCamera::ClampStoredValue(int row) {
    const std::int32_t clamped = ClampToBounds(row, values_[row], *this);
    if (clamped != values_[row]) {
        values_[row] = clamped;
        ValueChanged(row, !fileLoading_);
    }
}

XKIV_HOT ResultCode CCamera::ReadParameter(int row, bool goOfflineOnFailure) {
    if (const ResultCode refused = CanExchange(row); refused != rc::kOk) {
        return refused;
    }
    const ParameterEntry& entry = Entry(row);
    const bool quiet = entry.flags & PF_QUIET;
    ReceivingChanged(true);
    const std::string line = FormatQueryCommand(row);
    if (!quiet) {
        LogMessage(line, true);
    }
    ResultCode result = SendLine(line);
    ReceivingChanged(false);
    if (result == rc::kOk) {
        std::string answer;
        result = ReceiveAnswer(answer, entry.mnemonic, entry.readTimeout, !quiet);
        if (result == rc::kOk) {
            result = StoreReceivedValue(row, std::move(answer));
        }
    }
    return FinishExchange(row, result, goOfflineOnFailure);
}

XKIV_HOT ResultCode CCamera::StoreReceivedValue(int row, std::string answer) {
    const ParameterEntry& entry = Entry(row);
    if (entry.flags & PF_INDEXED) {
        const std::size_t comma = answer.find(',');
        if (comma != std::string::npos) {
            answer.erase(0, comma + 1);
        }
    }
    if (entry.flags & PF_STRING) {
        if (!IsSendableText(answer)) {
            return rc::kInvalidAnswer;
        }
        texts_[row] = answer;
        return rc::kOk;
    }
    const std::int32_t number = ParseDecimal(answer);
    bool accepted = false;
    if (entry.flags & PF_NO_RANGE_CHECK) {
        accepted = true;
    } else if (entry.valueNameCount > 0) {
        accepted = PositionOfValue(row, number, *this) >= 0;
    } else {
        // The aberration rows bound one another. Read one at a time, each would be judged
        // against the older values of the others; the camera keeps its own set consistent, so
        // each is checked against the widest bounds of its chain (left side 0).
        const ParameterValues& bounds = HasSpecialBounds(row) ? NoParameterValues() : *this;
        accepted = number >= EffectiveMinimum(row, false, bounds) &&
                   number <= EffectiveMaximum(row, false, bounds);
    }
    if (!accepted) {
        return rc::kReceivedOutOfRange;
    }
    values_[row] = number;
    return rc::kOk;
}

XKIV_HOT ResultCode CCamera::FinishExchange(int row, ResultCode result, bool goOfflineOnFailure) {
    rowSynchronized_[row] = result == rc::kOk;
    if (result == rc::kOk) {
        return result;
    }
    switch (result) {
        case rc::kOffline:
        case rc::kUnknownCommand:
        case rc::kBadParameter:
        case rc::kOutOfRange:
        case rc::kInvalidAnswer:
        case rc::kReceivedOutOfRange:
            // The camera answered: the link is fine.
            return result;
        default:
            break;
    }
    if (goOfflineOnFailure) {
        GoOffline();
    }
    return result;
}

XKIV_HOT ResultCode CCamera::ReceiveAnswer(std::string& answer, const char* expectedName,
                                           std::uint32_t timeoutMs, bool log) {
    answer.clear();
    std::string line;
    ResultCode transportResult = rc::kOk;
    if (const ResultCode collected = CollectLine(line, timeoutMs, transportResult);
        collected != rc::kOk) {
        if (linkObserver_) {
            linkObserver_({LinkTraffic::Kind::NoAnswer, line, expectedName, collected,
                           transportResult, timeoutMs});
        }
        return collected;
    }
    if (log) {
        LogMessage(line, false);
    }
    if (linkObserver_) {
        linkObserver_({LinkTraffic::Kind::Answer, line, expectedName});
    }
    return JudgeAnswer(std::move(line), expectedName, answer);
}

XKIV_HOT ResultCode CCamera::CollectLine(std::string& line, std::uint32_t timeoutMs,
                                         ResultCode& transportResult) {
    CCommAbstract& transport = Current();
    ResultCode result = rc::kOk;
    // The whole line is one blocking call, not each byte.
    ui_.RunBlocking([&] { result = CollectLineFrom(transport, line, timeoutMs, transportResult); });
    return result;
}

XKIV_HOT ResultCode CCamera::CollectLineFrom(CCommAbstract& transport, std::string& line,
                                             std::uint32_t timeoutMs, ResultCode& transportResult) {
    const std::int64_t start = clock_.NowMs();
    transportResult = rc::kOk;
    for (bool first = true;; first = false) {
        // What has arrived already is taken at once, up to the line's end: the
        // clock is looked at only before a wait.
        if (const std::span<const std::uint8_t> arrived = transport.ReadAhead(); !arrived.empty()) {
            std::size_t taken = 0;
            const std::optional<ResultCode> ended = AddToLine(line, arrived, taken);
            transport.TakeReadAhead(taken);
            if (ended) {
                return *ended;
            }
        }
        // The clock decides when the time is up, and the line is looked at once more before
        // a time-out: a host too busy to run this thread for a while must not take an
        // answer that has arrived for a missing one. The first wait is the whole time-out,
        // whose start was taken just now.
        const std::int64_t left =
            static_cast<std::int64_t>(timeoutMs) - (first ? 0 : clock_.NowMs() - start);
        const auto waitMs = static_cast<std::uint32_t>(std::max<std::int64_t>(left, 0));
        std::uint8_t byte = 0;
        std::size_t received = 0;
        transportResult = transport.Read(&byte, 1, received, waitMs);
        if (transportResult == rc::kReadTimeout && waitMs > 0) {
            continue;
        }
        if (transportResult != rc::kOk) {
            return rc::kTimeout;
        }
        if (received == 0 && waitMs == 0) {
            return rc::kTimeout;
        }
        if (received == 1) {
            std::size_t added = 0;
            if (const std::optional<ResultCode> lineEnded = AddToLine(line, {&byte, 1}, added)) {
                return *lineEnded;
            }
        }
    }
}

XKIV_HOT ResultCode JudgeAnswer(std::string line, const char* expectedName, std::string& answer) {
    answer.clear();
    RemoveLineEnds(line);
    if (line.find("Unknown Command!!") != std::string::npos) {
        return rc::kUnknownCommand;
    }
    if (line.find("Bad Parameters!!") != std::string::npos) {
        return rc::kBadParameter;
    }
    if (expectedName != nullptr) {
        const std::string_view name(expectedName);
        if (!line.starts_with(name) || line.size() == name.size() || line[name.size()] != '=') {
            return rc::kInvalidAnswer;
        }
        line.erase(0, name.size() + 1);
    }
    answer = std::move(line);
    return rc::kOk;
}

XKIV_HOT bool IsSendableText(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

}  // namespace xkiv
