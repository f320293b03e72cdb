// The component runtime's invoke: arguments checked against the member's description,
// coerced, and failures reported as automation errors.
#include "platform/automation.h"

#include <utility>

#include "platform/automation_help.h"

namespace xkiv::automation {

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

}  // namespace xkiv::automation
