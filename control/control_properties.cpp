// The control's property gets and the set families of its dispatch properties.
#include <algorithm>
#include <array>
#include <cstdint>

#include "control/control.h"
#include "control/dispatch_properties.h"

namespace xkiv {

namespace {

using automation::AutomationError;
using automation::AutomationException;
using automation::Variant;

// Bounds of the left-side pixel rows: their list runs from L3 to R3.
constexpr std::int32_t kLeftSideMinimum = -3;
constexpr std::int32_t kLeftSideMaximum = 3;

// The user ID the camera keeps is at most this long.
constexpr std::size_t kUserIdLength = 12;

// The rows the aberration follow-up rereads, red before blue.
constexpr std::array<int, 8> kAberrationDetailRows = {
    row::CABLR, row::CABAR, row::CABSR, row::CABTR, row::CABLB, row::CABAB, row::CABSB, row::CABTB,
};

[[noreturn]] void Raise(automation::HResult code, std::string description) {
    throw AutomationException(AutomationError{code, std::move(description), 0});
}

const PropertyEntry& PropertyOf(automation::DispId dispid) {
    const PropertyEntry* entry = FindProperty(dispid);
    if (entry == nullptr) {
        Raise(automation::kMemberNotFound, "Unknown property");
    }
    return *entry;
}

// The dispatch boundary has already converted the value to the property's
// type; a value that still does not convert is a caller's type mismatch.
std::int32_t LongOf(const Variant& value) {
    const std::optional<std::int32_t> converted = value.ToLong();
    if (!converted) {
        Raise(automation::kTypeMismatch, "Type mismatch");
    }
    return *converted;
}

std::string TextOf(const Variant& value) {
    std::optional<std::string> converted = value.ToText();
    if (!converted) {
        Raise(automation::kTypeMismatch, "Type mismatch");
    }
    return std::move(*converted);
}

bool BoolOf(const Variant& value) {
    const std::optional<bool> converted = value.ToBool();
    if (!converted) {
        Raise(automation::kTypeMismatch, "Type mismatch");
    }
    return *converted;
}

}  // namespace

Variant CXKivRZ150LXCtrl::GetProperty(automation::DispId dispid) {
    const PropertyEntry& entry = PropertyOf(dispid);
    switch (entry.get) {
        case GetKind::Value:
            return Variant::Long(Value(entry.row));
        case GetKind::Text:
            return Variant::String(DisplayText(entry.row, *this));
        case GetKind::Position:
            // A value that is not in the list reads as the first offered entry.
            return Variant::Long(std::max(0, PositionOfValue(entry.row, Value(entry.row), *this)));
        case GetKind::PanelFlag:
            return Variant::Bool(ShowFlag(entry.panel) > 0);
        case GetKind::CommClass:
            return Variant::Long(GetClass());
        case GetKind::CommPort:
            return Variant::Long(GetPort());
    }
    return {};
}

void CXKivRZ150LXCtrl::SetProperty(automation::DispId dispid, const Variant& value) {
    SetByFamily(PropertyOf(dispid), value);
}

void CXKivRZ150LXCtrl::SetByFamily(const PropertyEntry& entry, const Variant& value) {
    switch (entry.set) {
        case SetFamily::ReadOnly:
            Raise(automation::kSetNotSupported, "Set not supported");
        case SetFamily::List:
        case SetFamily::Rule:
        case SetFamily::Fixed:
        case SetFamily::LeftSide:
        case SetFamily::AberrationDetail:
        case SetFamily::Local:
            SetClamped(entry, LongOf(value));
            return;
        case SetFamily::Text:
            SetFromText(entry, TextOf(value));
            return;
        case SetFamily::Position:
            SetFromPosition(entry, LongOf(value));
            return;
        case SetFamily::UserId:
            SetUserIdProperty(TextOf(value));
            return;
        case SetFamily::Panel:
            SetShowFlag(entry.panel, BoolOf(value));
            return;
    }
}

std::int32_t CXKivRZ150LXCtrl::ClampForFamily(const PropertyEntry& entry,
                                              std::int32_t value) const {
    const int row = entry.row;
    switch (entry.set) {
        case SetFamily::List:
        case SetFamily::Local: {
            const ParameterEntry& parameter = Entry(row);
            const int offered = GetValueNameCount(row);
            const std::int32_t highest = offered > 0 ? offered - 1 : parameter.maximum;
            // Beyond the list the row's fixed maximum is taken, which for
            // ARST (three names, fixed maximum 1) turns 3 and more into 1.
            value = std::max(value, parameter.minimum);
            return value > highest ? parameter.maximum : value;
        }
        case SetFamily::Rule:
        case SetFamily::AberrationDetail:
            // Conditional bounds: the rules of the row, or the special bounds
            // the other aberration rows of the same colour give; the minimum
            // first, so that a crossed pair of bounds ends at the maximum.
            value = std::max(value, GetMinimum(row, false));
            return std::min(value, GetMaximum(row, false));
        case SetFamily::Fixed:
            return std::clamp(value, Entry(row).minimum, Entry(row).maximum);
        case SetFamily::LeftSide:
            return std::clamp(value, kLeftSideMinimum, kLeftSideMaximum);
        default:
            return value;
    }
}

std::optional<std::pair<std::int32_t, std::int32_t>> CXKivRZ150LXCtrl::PropertyBounds(
    automation::DispId dispid) const {
    const PropertyEntry* entry = FindProperty(dispid);
    if (entry == nullptr) {
        return std::nullopt;
    }
    switch (entry->set) {
        case SetFamily::List:
        case SetFamily::Local: {
            const int offered = GetValueNameCount(entry->row);
            const std::int32_t highest = offered > 0 ? offered - 1 : Entry(entry->row).maximum;
            return std::pair{Entry(entry->row).minimum, highest};
        }
        case SetFamily::Rule:
        case SetFamily::AberrationDetail:
        case SetFamily::Fixed:
        case SetFamily::LeftSide:
            // The clamp itself says where a value ends up.
            return std::pair{ClampForFamily(*entry, INT32_MIN), ClampForFamily(*entry, INT32_MAX)};
        default:
            return std::nullopt;
    }
}

void CXKivRZ150LXCtrl::SetClamped(const PropertyEntry& entry, std::int32_t value) {
    const int row = entry.row;
    StoreValue(row, ClampForFamily(entry, value));
    ResultCode result = rc::kOk;
    const bool local = entry.set == SetFamily::Local;
    if (!local && (!entry.supportedOnly || IsRowSupported(row))) {
        result = WriteParameter(row, true);
    }
    ValueChanged(row, !IsFileLoading());
    RaiseCameraError(row, result);
    SetModifiedFlag(true);
    RunFollowUp(entry);
}

void CXKivRZ150LXCtrl::SetFromText(const PropertyEntry& entry, const std::string& text) {
    RaiseCameraError(entry.row, SetValueText(entry.row, text));
    SetModifiedFlag(true);
}

void CXKivRZ150LXCtrl::SetFromPosition(const PropertyEntry& entry, std::int32_t position) {
    RaiseCameraError(entry.row, SetValuePosition(entry.row, position));
    SetModifiedFlag(true);
}

void CXKivRZ150LXCtrl::SetUserIdProperty(const std::string& text) {
    RaiseCameraError(row::UD, SetUserID(text.substr(0, kUserIdLength)));
    SetModifiedFlag(true);
}

void CXKivRZ150LXCtrl::RunFollowUp(const PropertyEntry& entry) {
    switch (entry.followUp) {
        case FollowUp::None:
            return;
        case FollowUp::Green:
            // Interlocked exposure: the camera moved red and blue with green.
            if (Value(row::EI) != 0) {
                ReadAndReport(row::PER);
                ReadAndReport(row::PEB);
            }
            return;
        case FollowUp::Aberration:
            // The detail rows are kept per selection: show the new one's.
            for (const int detailRow : kAberrationDetailRows) {
                if (IsRowSupported(detailRow)) {
                    ReadAndReport(detailRow);
                }
            }
            return;
    }
}

void CXKivRZ150LXCtrl::ReadAndReport(int row) {
    // A failed follow-up read leaves the old value and the connection alone.
    if (IsOnline() && ReadParameter(row, false) == rc::kOk) {
        ValueChanged(row, false);
    }
}

}  // namespace xkiv
