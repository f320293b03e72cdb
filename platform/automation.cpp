// The component runtime: variant coercions, interface lookups, identifiers, invoke and events.
#include "platform/automation.h"

#include "platform/automation_help.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

namespace xkiv::automation {

namespace {}  // namespace

// ---------------------------------------------------------------- Variant

Variant Variant::Long(std::int32_t value) {
    Variant variant;
    variant.type_ = VarType::Long;
    variant.long_ = value;
    return variant;
}

Variant Variant::Bool(bool value) {
    Variant variant;
    variant.type_ = VarType::Bool;
    variant.long_ = value ? kVariantTrue : kVariantFalse;
    return variant;
}

Variant Variant::String(std::string value) {
    Variant variant;
    variant.type_ = VarType::String;
    variant.text_ = std::move(value);
    return variant;
}

Variant Variant::LongRef(std::int32_t* target) {
    Variant variant;
    variant.type_ = VarType::LongRef;
    variant.ref_ = target;
    return variant;
}

// An empty variant reads as 0, false and "", as automation coerces an
// uninitialised value.
std::optional<std::int32_t> Variant::ToLong() const {
    switch (type_) {
        case VarType::Empty:
            return 0;
        case VarType::Long:
        case VarType::Bool:
            return long_;
        case VarType::String:
            return ParseWholeDecimal(text_);
        case VarType::LongRef:
            if (ref_ == nullptr) {
                return std::nullopt;
            }
            return *ref_;
    }
    return std::nullopt;
}

std::optional<bool> Variant::ToBool() const {
    if (type_ == VarType::String) {
        const std::string folded = FoldCase(TrimBlanks(text_));
        if (folded == "true") {
            return true;
        }
        if (folded == "false") {
            return false;
        }
    }
    const auto value = ToLong();
    if (!value) {
        return std::nullopt;
    }
    return *value != 0;
}

std::optional<std::string> Variant::ToText() const {
    switch (type_) {
        case VarType::Empty:
            return std::string();
        case VarType::Bool:
            return std::string(long_ != 0 ? "True" : "False");
        case VarType::String:
            return text_;
        case VarType::Long:
        case VarType::LongRef:
            break;
    }
    const auto value = ToLong();
    if (!value) {
        return std::nullopt;
    }
    return std::to_string(*value);
}

std::string Variant::Describe() const {
    switch (type_) {
        case VarType::Empty:
            return "Empty";
        case VarType::LongRef:
            return ref_ != nullptr ? "&" + std::to_string(*ref_) : "&null";
        case VarType::Long:
        case VarType::Bool:
        case VarType::String:
            break;
    }
    return *ToText();
}

bool Variant::operator==(const Variant& other) const {
    if (type_ != other.type_) {
        return false;
    }
    switch (type_) {
        case VarType::Empty:
            return true;
        case VarType::Long:
        case VarType::Bool:
            return long_ == other.long_;
        case VarType::String:
            return text_ == other.text_;
        case VarType::LongRef:
            return ref_ == other.ref_;
    }
    return false;
}

// ---------------------------------------------------------------- InterfaceInfo

const MemberInfo* InterfaceInfo::Find(DispId dispid) const {
    for (const MemberInfo& member : members_) {
        if (member.dispid == dispid) {
            return &member;
        }
    }
    return nullptr;
}

const MemberInfo* InterfaceInfo::Find(std::string_view name) const {
    for (const MemberInfo& member : members_) {
        if (EqualsFolded(member.name, name)) {
            return &member;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------- Guid

namespace {

// Offsets of the dashes in the unbraced text form 8-4-4-4-12.
constexpr std::array<std::size_t, 4> kGuidDashes = {8, 13, 18, 23};
constexpr std::size_t kGuidTextLength = 36;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads the 32 hex digits, skipping the dashes, into 16 bytes in text order.
std::optional<std::array<std::uint8_t, 16>> GuidBytes(std::string_view text) {
    std::array<std::uint8_t, 16> bytes{};
    std::size_t nibble = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dashPosition =
            std::find(kGuidDashes.begin(), kGuidDashes.end(), i) != kGuidDashes.end();
        if (dashPosition) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            continue;
        }
        const int digit = HexDigit(text[i]);
        if (digit < 0) {
            return std::nullopt;
        }
        bytes[nibble / 2] = static_cast<std::uint8_t>((bytes[nibble / 2] << 4) | digit);
        ++nibble;
    }
    return bytes;
}

}  // namespace

std::string Guid::ToString() const {
    char text[kGuidTextLength + 3];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1,
                  data2, data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5],
                  data4[6], data4[7]);
    return text;
}

std::optional<Guid> Guid::Parse(std::string_view text) {
    if (text.starts_with('{') != text.ends_with('}')) {
        return std::nullopt;
    }
    if (text.starts_with('{')) {
        text = text.substr(1, text.size() - 2);
    }
    if (text.size() != kGuidTextLength) {
        return std::nullopt;
    }
    const auto bytes = GuidBytes(text);
    if (!bytes) {
        return std::nullopt;
    }
    const auto& b = *bytes;
    Guid guid;
    guid.data1 = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                 (std::uint32_t{b[2]} << 8) | b[3];
    guid.data2 = static_cast<std::uint16_t>((b[4] << 8) | b[5]);
    guid.data3 = static_cast<std::uint16_t>((b[6] << 8) | b[7]);
    std::copy(b.begin() + 8, b.end(), guid.data4);
    return guid;
}

bool Guid::operator==(const Guid& other) const {
    return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
           std::equal(std::begin(data4), std::end(data4), std::begin(other.data4));
}

// ---------------------------------------------------------------- DispatchObject

namespace {

constexpr const char* kNonStandardException = "The member raised an unknown exception";

void Report(AutomationError* error, AutomationError value) {
    if (error != nullptr) {
        *error = std::move(value);
    }
}

// A property put's value of the wrong type: the code callers know, with the
// member's account of the value beside it.
void ReportRefusedValue(AutomationError* error, const MemberInfo& member, std::string detail) {
    Report(error, {kTypeMismatch, DescribeFailure(kTypeMismatch), 0, std::move(detail), 0,
                   std::string(member.name), 0});
}

// The argument as the parameter type asks for it; nullopt when it cannot be
// converted. A by-reference parameter takes only a reference to an integer,
// since a coerced copy would lose what the member writes back.
std::optional<Variant> Coerce(const Variant& value, ParamType type) {
    switch (type) {
        case ParamType::Long:
            if (const auto number = value.ToLong()) {
                return Variant::Long(*number);
            }
            return std::nullopt;
        case ParamType::Bool:
            if (const auto flag = value.ToBool()) {
                return Variant::Bool(*flag);
            }
            return std::nullopt;
        case ParamType::String:
            if (auto text = value.ToText()) {
                return Variant::String(std::move(*text));
            }
            return std::nullopt;
        case ParamType::LongRef:
            if (value.Type() == VarType::LongRef && value.Ref() != nullptr) {
                return value;
            }
            return std::nullopt;
        case ParamType::Void:
            return std::nullopt;
    }
    return std::nullopt;
}

// The kind of access the call makes of the member, or nullopt when the kind
// does not fit it: properties are read and written, methods called, and a
// plain call of a property without arguments reads it, as automation callers
// write "x = obj.Prop" either way.
std::optional<InvokeKind> AccessKind(const MemberInfo& member, InvokeKind kind,
                                     std::size_t argCount) {
    if (member.kind == MemberKind::Method) {
        return kind == InvokeKind::Method ? std::optional(kind) : std::nullopt;
    }
    if (kind == InvokeKind::Method) {
        return argCount == 0 ? std::optional(InvokeKind::PropertyGet) : std::nullopt;
    }
    return kind;
}

// The arguments converted to the member's parameters; a property put's last
// argument is the new value of the property's type. kOk or the failure code.
HResult ConvertArguments(const MemberInfo& member, InvokeKind kind,
                         const std::vector<Variant>& args, std::vector<Variant>& converted) {
    const bool put = kind == InvokeKind::PropertyPut;
    if (args.size() != member.params.size() + (put ? 1 : 0)) {
        return kBadParamCount;
    }
    converted.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        const ParamType type = i < member.params.size() ? member.params[i].type : member.type;
        auto value = Coerce(args[i], type);
        if (!value) {
            return kTypeMismatch;
        }
        converted.push_back(std::move(*value));
    }
    return kOk;
}

}  // namespace

DispId DispatchObject::GetIDOfName(std::string_view name) const {
    const InterfaceInfo* dispatch = TypeLibrary().dispatch;
    const MemberInfo* member = dispatch != nullptr ? dispatch->Find(name) : nullptr;
    return member != nullptr ? member->dispid : kDispidUnknown;
}

HResult DispatchObject::Invoke(DispId dispid, InvokeKind kind, std::vector<Variant>& args,
                               Variant* result, AutomationError* error) {
    if (result != nullptr) {
        *result = Variant();
    }
    // Nothing may leave the dispatch boundary as an exception: neither what
    // the member raises nor a failure while checking and converting values.
    try {
        const InterfaceInfo* dispatch = TypeLibrary().dispatch;
        const MemberInfo* member = dispatch != nullptr ? dispatch->Find(dispid) : nullptr;
        const auto access =
            member != nullptr ? AccessKind(*member, kind, args.size()) : std::nullopt;
        if (!access) {
            return kMemberNotFound;
        }
        kind = *access;
        if (kind == InvokeKind::PropertyPut && member->readOnly) {
            Report(error,
                   {kSetNotSupported,
                    "Set not supported (read-only property): " + std::string(member->name), 0});
            return kSetNotSupported;
        }
        std::vector<Variant> converted;
        if (const HResult status = ConvertArguments(*member, kind, args, converted);
            status != kOk) {
            if (status == kTypeMismatch && kind == InvokeKind::PropertyPut) {
                ReportRefusedValue(error, *member, DescribeRefusedValue(*member, args.back()));
            }
            return status;
        }
        Variant value = InvokeMember(*member, kind, converted);
        if (kind == InvokeKind::PropertyPut || member->type == ParamType::Void) {
            return kOk;
        }
        auto typed = Coerce(value, member->type);
        if (!typed) {
            return kTypeMismatch;
        }
        if (result != nullptr) {
            *result = std::move(*typed);
        }
        return kOk;
    } catch (const AutomationException& raised) {
        Report(error, raised.Error());
    } catch (const std::exception& failure) {
        Report(error, {kException, failure.what(), 0});
    } catch (...) {
        Report(error, {kException, kNonStandardException, 0});
    }
    return kException;
}

HResult DispatchObject::InvokeByName(std::string_view name, InvokeKind kind,
                                     std::vector<Variant>& args, Variant* result,
                                     AutomationError* error) {
    const DispId dispid = GetIDOfName(name);
    if (dispid == kDispidUnknown) {
        if (result != nullptr) {
            *result = Variant();
        }
        return kUnknownName;
    }
    return Invoke(dispid, kind, args, result, error);
}

std::uint32_t DispatchObject::Advise(EventSink& sink) {
    // Cookies count up so that the map's order is the order of connection;
    // 0 is never handed out, and a wrapped counter skips cookies in use.
    while (nextCookie_ == 0 || sinks_.contains(nextCookie_)) {
        ++nextCookie_;
    }
    const std::uint32_t cookie = nextCookie_++;
    sinks_.emplace(cookie, &sink);
    return cookie;
}

bool DispatchObject::Unadvise(std::uint32_t cookie) {
    return sinks_.erase(cookie) != 0;
}

void DispatchObject::FireEvent(DispId dispid) {
    // A sink may connect or disconnect sinks while it handles the event, so
    // the sinks connected now are walked by cookie and looked up again: a
    // sink removed meanwhile is skipped, one added meanwhile waits for the
    // next event.
    std::vector<std::uint32_t> cookies;
    cookies.reserve(sinks_.size());
    for (const auto& [cookie, sink] : sinks_) {
        cookies.push_back(cookie);
    }
    for (const std::uint32_t cookie : cookies) {
        const auto it = sinks_.find(cookie);
        if (it == sinks_.end()) {
            continue;
        }
        // An event is a notification: a sink that fails must neither keep
        // the later sinks from hearing it nor unwind through the component
        // that fired it.
        try {
            it->second->OnEvent(dispid);
        } catch (...) {
        }
    }
}

}  // namespace xkiv::automation
