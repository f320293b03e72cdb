// The component runtime: variants, dispatch interfaces as data, invoke, errors and events.
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xkiv::automation {

// Result of an automation call: 0 success, negative (high bit set) failure.
using HResult = std::int32_t;

constexpr HResult MakeHResult(std::uint32_t code) {
    return static_cast<HResult>(code);
}
inline constexpr HResult kOk = 0;
inline constexpr HResult kMemberNotFound = MakeHResult(0x80020003);   // no such dispid or kind
inline constexpr HResult kTypeMismatch = MakeHResult(0x80020005);     // argument of the wrong type
inline constexpr HResult kUnknownName = MakeHResult(0x80020006);      // no member of that name
inline constexpr HResult kException = MakeHResult(0x80020009);        // the member raised an error
inline constexpr HResult kBadParamCount = MakeHResult(0x8002000E);    // wrong number of arguments
inline constexpr HResult kSetNotSupported = MakeHResult(0x800A017F);  // set of a read-only property
inline constexpr HResult kInvalidPropertyValue = MakeHResult(0x800A017C);
inline constexpr HResult kPathFileAccessError = MakeHResult(0x800A004B);
inline constexpr HResult kDeviceIoError = MakeHResult(0x800A0039);
inline constexpr HResult kTypeLibRegistrationFailed = MakeHResult(0x80040200);
inline constexpr HResult kClassRegistrationFailed = MakeHResult(0x80040201);
inline constexpr HResult kClassNotRegistered = MakeHResult(0x80040154);

// A dispatch identifier; kDispidUnknown when a name is not found.
using DispId = std::int32_t;
inline constexpr DispId kDispidUnknown = -1;

// The automation boolean: true is all bits set.
inline constexpr std::int32_t kVariantTrue = -1;
inline constexpr std::int32_t kVariantFalse = 0;

enum class VarType { Empty, Long, Bool, String, LongRef };

// A value passed to or returned from a member: a 32-bit integer, an
// automation boolean, a text (8-bit inside), or a reference to a caller's
// integer for out-parameters.
class Variant {
public:
    Variant() = default;
    static Variant Long(std::int32_t value);
    static Variant Bool(bool value);
    static Variant String(std::string value);
    // The referenced integer is borrowed and must outlive the call.
    static Variant LongRef(std::int32_t* target);

    VarType Type() const { return type_; }
    // Coercions as automation callers expect them: a boolean reads as -1 or
    // 0, a long as a boolean when non-zero, a string as a decimal number
    // (nullopt when it is not one), a long as its decimal text.
    std::optional<std::int32_t> ToLong() const;
    std::optional<bool> ToBool() const;
    std::optional<std::string> ToText() const;
    std::int32_t* Ref() const { return ref_; }

    // "12", "True"/"False", the text itself, "&12" for a reference.
    std::string Describe() const;
    bool operator==(const Variant& other) const;

private:
    VarType type_ = VarType::Empty;
    std::int32_t long_ = 0;
    std::string text_;
    std::int32_t* ref_ = nullptr;
};

// The error a member raises: code, description and help context reach the
// caller of Invoke. Code and description are what the interface publishes
// and hosts compare; the rest goes beside them for a person or a script to
// act on, and is empty (0) when the failure has nothing to add.
struct AutomationError {
    HResult code = kOk;
    std::string description;
    std::uint32_t helpContext = 0;
    // One line naming the culprit and the reason: "/dev/ttyUSB9: No such file
    // or directory", "TriggerMode: \"pwcx\" is not one of ...".
    std::string detail = {};
    // The component's own code for the failure (0 for none).
    std::int32_t resultCode = 0;
    // The file, device or property the failure concerns.
    std::string subject = {};
    // The system's error number behind it (0 for none).
    int systemError = 0;
};

// Thrown inside a component to raise an automation error; caught at the
// dispatch boundary (Invoke) and never lets through.
class AutomationException : public std::exception {
public:
    explicit AutomationException(AutomationError error) : error_(std::move(error)) {}
    const AutomationError& Error() const { return error_; }
    const char* what() const noexcept override { return error_.description.c_str(); }

private:
    AutomationError error_;
};

enum class ParamType { Long, Bool, String, LongRef, Void };
enum class MemberKind { Property, Method };

struct ParamInfo {
    std::string_view name;
    ParamType type;
};

// One member of a dispatch interface as the type library lists it.
// Constant data: the texts and parameters it names live as long as the
// process (string literals and tables of static storage), so a type library
// is built at compile time and looked up without a heap. A name taken from a
// std::string, or parameters from a braced list, would dangle once the
// statement ends: build members from literals and named tables only.
struct MemberInfo {
    DispId dispid;
    std::string_view name;
    MemberKind kind;
    ParamType type;  // property type, or method result (Void for none)
    std::span<const ParamInfo> params = {};
    bool readOnly = false;  // properties only
    std::string_view help = {};
    // Methods only: the long result is a result code of the camera layer.
    bool returnsResultCode = false;
};

// A dispatch or event interface: its name and members, looked up by dispid
// and by name (without regard to case, as automation callers expect). It
// views constant members, or owns members assembled at run time; either way
// a lookup walks the members in order, so a repeated dispid or name finds
// the member listed first. An interface has a few hundred members at most,
// and a walk costs less than building an index would at start-up.
class InterfaceInfo {
public:
    InterfaceInfo(std::string_view name, std::vector<MemberInfo> members)
        : name_(name), owned_(std::move(members)), members_(owned_) {}
    // An interface over constant members, which it does not copy.
    static InterfaceInfo View(std::string_view name, std::span<const MemberInfo> members) {
        return InterfaceInfo(ViewTag{}, name, members);
    }
    InterfaceInfo(const InterfaceInfo&) = delete;
    InterfaceInfo& operator=(const InterfaceInfo&) = delete;

    std::string_view Name() const { return name_; }
    std::span<const MemberInfo> Members() const { return members_; }
    const MemberInfo* Find(DispId dispid) const;
    const MemberInfo* Find(std::string_view name) const;

private:
    struct ViewTag {};
    InterfaceInfo(ViewTag, std::string_view name, std::span<const MemberInfo> members)
        : name_(name), members_(members) {}

    std::string_view name_;
    std::vector<MemberInfo> owned_;
    std::span<const MemberInfo> members_;
};

// A 128-bit identifier, written {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};
    std::string ToString() const;
    static std::optional<Guid> Parse(std::string_view text);
    bool operator==(const Guid& other) const;
};

struct TypeLibraryInfo {
    std::string_view name;
    Guid id;
    std::uint16_t majorVersion;
    std::uint16_t minorVersion;
    const InterfaceInfo* dispatch;
    const InterfaceInfo* events;
};

enum class InvokeKind { Method, PropertyGet, PropertyPut };

// Receives the events of a component, fired synchronously on the
// component's thread.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void OnEvent(DispId dispid) = 0;
};

// A component with a dispatch interface and an event interface. Invoke is
// the boundary: arguments are checked against the member's description, an
// AutomationException raised inside becomes kException with the error
// filled in, and nothing is thrown to the caller.
class DispatchObject {
public:
    DispatchObject() = default;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;
    virtual ~DispatchObject() = default;

    virtual const TypeLibraryInfo& TypeLibrary() const = 0;
    DispId GetIDOfName(std::string_view name) const;

    // args in declaration order; a property put takes the new value as its
    // one argument. result may be null.
    HResult Invoke(DispId dispid, InvokeKind kind, std::vector<Variant>& args, Variant* result,
                   AutomationError* error);
    HResult InvokeByName(std::string_view name, InvokeKind kind, std::vector<Variant>& args,
                         Variant* result, AutomationError* error);

    // Event connections: Advise returns a cookie (never 0) for Unadvise.
    std::uint32_t Advise(EventSink& sink);
    bool Unadvise(std::uint32_t cookie);

protected:
    // Called with arguments already checked and converted to the member's
    // parameter types. May throw AutomationException.
    virtual Variant InvokeMember(const MemberInfo& member, InvokeKind kind,
                                 std::vector<Variant>& args) = 0;
    // The detail of a value a property put refused for its type (a text
    // that is no value of a numbered property): the culprit named for the
    // caller. Empty by default.
    virtual std::string DescribeRefusedValue(const MemberInfo& member, const Variant& value) {
        (void)member;
        (void)value;
        return {};
    }
    // Fires an event to every connected sink, in the order of connection.
    void FireEvent(DispId dispid);

private:
    std::map<std::uint32_t, EventSink*> sinks_;
    std::uint32_t nextCookie_ = 1;
};

}  // namespace xkiv::automation
