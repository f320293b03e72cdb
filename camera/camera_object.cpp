// The camera object's row access, identification, connection, bulk transfers,
// snapshots and persisted values.
#include <algorithm>
#include <cctype>

#include "camera/camera.h"
#include "platform/hot_path.h"

namespace xkiv {

namespace {

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    const std::string other(b);
    return a.size() == other.size() &&
           std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The value a row takes when the profile has none.
std::int32_t ProfileDefault(int row) {
    return Entry(row).firstRun.value_or(Entry(row).minimum);
}

}  // namespace

std::int32_t CCamera::GetMinimum(int row, bool byList) const {
    return EffectiveMinimum(row, byList, *this);
}

std::int32_t CCamera::GetMaximum(int row, bool byList) const {
    return EffectiveMaximum(row, byList, *this);
}

int CCamera::GetValueNameCount(int row) const {
    return OfferedValueNameCount(row, *this);
}

std::string CCamera::GetValueName(int row, int position) const {
    return ValueNameAt(row, position, *this);
}

std::string CCamera::GetValueNameOf(int row, std::int32_t value) const {
    return ValueNameOf(row, value, *this);
}

std::string CCamera::GetMnemonic(int row) const {
    return Mnemonic(row);
}

std::string CCamera::GetRangeDescription(int row) const {
    return RangeDescription(row, *this);
}

bool CCamera::IsRowSupported(int row) const {
    return IsSupported(row, *this);
}

ResultCode CCamera::GetValueText(int row, std::string& text, bool readFromCamera, bool notify) {
    if (!IsValidRow(row)) {
        return rc::kInvalidArgument;
    }
    if (readFromCamera && IsOnline() && HasFlag(row, PF_READABLE) && IsRowSupported(row)) {
        if (const ResultCode result = ReadParameter(row, true); result != rc::kOk) {
            return result;
        }
        if (notify) {
            ValueChanged(row, false);
        }
    }
    text = DisplayText(row, *this);
    return rc::kOk;
}

ResultCode CCamera::SendIfWritable(int row, bool notify, bool goOfflineOnFailure) {
    ResultCode result = rc::kOk;
    if (HasFlag(row, PF_WRITABLE) && IsRowSupported(row)) {
        result = WriteParameter(row, goOfflineOnFailure);
    }
    if (notify) {
        ValueChanged(row, !IsFileLoading());
    }
    return result;
}

XKIV_HOT std::int32_t ClampToBounds(int row, std::int32_t value, const ParameterValues& values) {
    if (!IsValidRow(row)) {
        return value;
    }
    const ParameterEntry& entry = Entry(row);
    if (entry.valueNameCount > 0 && !HasSpecialBounds(row)) {
        // A named value outside the list's values becomes the row's fixed
        // bound: so ARST keeps 2 ("Auto Interval") but turns larger values
        // into 1, and the left-side rows clamp into -3..3.
        const int count = OfferedValueNameCount(row, values);
        if (count == 0) {
            return value;
        }
        std::int32_t lowest = ValueAtPosition(row, 0, values);
        std::int32_t highest = lowest;
        for (int position = 1; position < count; ++position) {
            const std::int32_t listed = ValueAtPosition(row, position, values);
            lowest = std::min(lowest, listed);
            highest = std::max(highest, listed);
        }
        if (value < lowest) {
            value = entry.minimum;
        }
        return value > highest ? entry.maximum : value;
    }
    // The minimum first, so that a crossed pair of bounds ends at the maximum.
    value = std::max(value, EffectiveMinimum(row, false, values));
    return std::min(value, EffectiveMaximum(row, false, values));
}

ResultCode CCamera::SetValue(int row, std::int32_t value, bool notify, bool goOfflineOnFailure) {
    if (!IsValidRow(row)) {
        return rc::kInvalidArgument;
    }
    StoreValue(row, ClampToBounds(row, value, *this));
    return SendIfWritable(row, notify, goOfflineOnFailure);
}

ResultCode CCamera::SetValueText(int row, const std::string& text, bool goOfflineOnFailure) {
    if (!IsValidRow(row)) {
        return rc::kInvalidArgument;
    }
    const ParameterEntry& entry = Entry(row);
    if (entry.flags & PF_STRING) {
        if (!IsSendableText(text)) {
            return rc::kInvalidArgument;
        }
        StoreText(row, text.substr(0, static_cast<std::size_t>(std::max(0, entry.maximum))));
    } else {
        const int count = OfferedValueNameCount(row, *this);
        int match = 0;
        for (int position = 0; position < count; ++position) {
            if (EqualsIgnoringCase(text, ValueNameAt(row, position, *this).c_str())) {
                match = position;
                break;
            }
        }
        // A row without names keeps its value: there is nothing to pick.
        if (count > 0) {
            StoreValue(row, ValueAtPosition(row, match, *this));
        }
    }
    return SendIfWritable(row, true, goOfflineOnFailure);
}

ResultCode CCamera::SetValuePosition(int row, int position) {
    if (!IsValidRow(row)) {
        return rc::kInvalidArgument;
    }
    const int count = OfferedValueNameCount(row, *this);
    if (count > 0) {
        StoreValue(row,
                   ValueAtPosition(row, position >= 0 && position < count ? position : 0, *this));
    }
    return SendIfWritable(row, true, true);
}

ResultCode CCamera::SetUserID(const std::string& text) {
    // Refused before the unlock, so that a bad text leaves the camera locked.
    if (!IsSendableText(text)) {
        return rc::kInvalidArgument;
    }
    if (!IsOnline()) {
        return rc::kOffline;
    }
    StoreValue(row::ULCK, kUnlockCode);
    const ResultCode unlocked = WriteParameter(row::ULCK, true);
    ValueChanged(row::ULCK, !IsFileLoading());
    if (unlocked != rc::kOk) {
        return unlocked;
    }
    return SetValueText(row::UD, text);
}

ResultCode CCamera::Identify() {
    std::string text;
    ResultCode result = GetValueText(row::MD, text, true, true);
    // The model name and firmware version come first: every support
    // condition and bound depends on them.
    for (const int versionRow : {row::VN, row::PV}) {
        if (result != rc::kOk || !IsOnline()) {
            break;
        }
        result = ReadParameter(versionRow, true);
        if (result == rc::kOk) {
            ValueChanged(versionRow, false);
        }
    }
    if (result == rc::kOk) {
        result = GetValueText(row::ID, text, true, true);
    }
    if (result == rc::kOk) {
        result = GetValueText(row::UD, text, true, true);
    }
    if (result != rc::kOk) {
        GoOffline();
        return result;
    }
    BringStoredValuesIntoRange();
    return result;
}

void CCamera::BringStoredValuesIntoRange() {
    // Row order: a mode row (SRO, GM, BLM, the left sides) comes before the rows it bounds.
    for (int row = 0; row < kParameterCount; ++row) {
        if (HasFlag(row, PF_STRING) || IsRowSynchronized(row)) {
            continue;
        }
        const std::int32_t clamped = ClampToBounds(row, Value(row), *this);
        if (clamped != Value(row)) {
            StoreValue(row, clamped);
            ValueChanged(row, false);
        }
    }
}

ResultCode CCamera::Failed(FailureCause cause) {
    failureCause_ = std::move(cause);
    return failureCause_.code;
}

ResultCode CCamera::Connect(int commClass, int port) {
    ResultCode result = OpenAndIdentify(commClass, port);
    if (result == rc::kOk) {
        std::string model;
        result = GetValueText(row::MD, model, true, true);
    }
    return result;
}

ResultCode CCamera::OpenAndIdentify(int commClass, int port) {
    (void)Current().Close();
    OnlineChanged(false);
    SynchronizedChanged(false);
    // Every exchange needs the online flag, so it is set before the port is
    // opened and the camera identified.
    OnlineChanged(true);
    (void)Current().Close();

    Select(commClass, port);
    CCommAbstract& transport = Current();
    ResultCode result = rc::kOk;
    ForgetFailureCause();
    Ui().RunBlocking([&transport, &result, port] { result = transport.Open(port); });
    if (result != rc::kOk) {
        result = Failed({result, transport.GetPortName(port), transport.OpenError()});
    } else {
        result = Identify();
    }
    if (result != rc::kOk) {
        OnlineChanged(false);
        SynchronizedChanged(false);
    } else {
        OnlineChanged(true);
    }
    CommPortChanged();
    return result;
}

bool CCamera::InBulkSet(Bulk direction, int row) const {
    const std::uint32_t flags = Entry(row).flags;
    if ((flags & PF_NO_BULK) || !(flags & PF_CAMERA_DATA)) {
        return false;
    }
    if (direction == Bulk::Read) {
        return flags & PF_READABLE;
    }
    // The user ID needs the unlock of SetUserID and is never sent in bulk.
    return (flags & PF_WRITABLE) && row != row::UD;
}

XKIV_HOT ResultCode CCamera::RunBulk(Bulk direction, int* failedRow, bool showProgress) {
    if (failedRow != nullptr) {
        *failedRow = 0;
    }
    if (!IsOnline()) {
        return rc::kOffline;
    }
    std::unique_ptr<ProgressIndicator> progress =
        CancellableProgress(direction == Bulk::Read ? "Read Camera Data In Progress..."
                                                    : "Write Camera Data In Progress...",
                            kParameterCount, showProgress);
    for (int row = 0; row < kParameterCount; ++row) {
        if (progress) {
            progress->StepIt();
        }
        if (Cancelled(progress)) {
            SynchronizedChanged(false);
            if (failedRow != nullptr) {
                *failedRow = row;
            }
            return rc::kCancelled;
        }
        // Support is decided with the values read so far: the model name and
        // firmware version come before every model-dependent row.
        if (!InBulkSet(direction, row) || !IsRowSupported(row)) {
            continue;
        }
        const ResultCode result =
            direction == Bulk::Read ? ReadParameter(row, true) : WriteParameter(row, true);
        if (result != rc::kOk) {
            SynchronizedChanged(false);
            if (failedRow != nullptr) {
                *failedRow = row;
            }
            return result;
        }
        if (direction == Bulk::Read) {
            ValueChanged(row, false);
        }
    }
    SynchronizedChanged(true);
    return rc::kOk;
}

std::unique_ptr<ProgressIndicator> CCamera::CancellableProgress(const std::string& text, int steps,
                                                                bool showProgress) {
    if (!showProgress) {
        return nullptr;
    }
    std::unique_ptr<ProgressIndicator> progress = Ui().CreateProgress();
    progress->SetInfoText(text);
    progress->SetRange(0, steps);
    progress->SetPumpMessages(true);
    progress->ShowCancelButton();
    return progress;
}

ResultCode CCamera::ReadAll(int* failedRow) {
    return RunBulk(Bulk::Read, failedRow, true);
}

ResultCode CCamera::WriteAll(int* failedRow, bool showProgress) {
    return RunBulk(Bulk::Write, failedRow, showProgress);
}

void CCamera::SaveSnapshot() {
    savedValues_ = values_;
    savedTexts_ = texts_;
}

void CCamera::RestoreSnapshot() {
    const std::array<std::int32_t, kParameterCount> replaced = values_;
    const std::array<std::string, kParameterCount> replacedTexts = texts_;
    values_ = savedValues_;
    texts_ = savedTexts_;
    rowSynchronized_.fill(false);
    // Reported once every value is back, so that bounds are judged on the restored set.
    for (int row = 0; row < kParameterCount; ++row) {
        if (values_[row] != replaced[row] || texts_[row] != replacedTexts[row]) {
            ValueChanged(row, false);
        }
    }
}

void CCamera::LoadProfileValues() {
    for (int row = 0; row < kParameterCount; ++row) {
        const ParameterEntry& entry = Entry(row);
        if (!(entry.flags & PF_PROFILE)) {
            continue;
        }
        const ParameterKey& key = entry.profile;
        if (entry.flags & PF_STRING) {
            // A stored text that could not go on the wire is dropped.
            std::string text = Profile().GetString(key.section, key.key, "");
            texts_[row] = IsSendableText(text) ? std::move(text) : std::string();
        } else {
            values_[row] = Profile().GetInt(key.section, key.key, ProfileDefault(row));
        }
    }
}

void CCamera::SaveProfileValues() {
    // Only the values that differ from what the profile gives are written:
    // a value this process never changed must not undo what another process
    // stored meanwhile.
    for (int row = 0; row < kParameterCount; ++row) {
        const ParameterEntry& entry = Entry(row);
        if (!(entry.flags & PF_PROFILE)) {
            continue;
        }
        const ParameterKey& key = entry.profile;
        if (entry.flags & PF_STRING) {
            if (texts_[row] != Profile().GetString(key.section, key.key, "")) {
                Profile().WriteString(key.section, key.key, texts_[row]);
            }
        } else if (values_[row] != Profile().GetInt(key.section, key.key, ProfileDefault(row))) {
            Profile().WriteInt(key.section, key.key, values_[row]);
        }
    }
}

}  // namespace xkiv
