// The commands on the dispatch interface's members: list, get, set and call.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tools/commands.h"

namespace xkiv::tools {

namespace {

using automation::DispatchObject;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::MemberKind;
using automation::ParamType;
using automation::Variant;

std::string TypeName(ParamType type) {
    switch (type) {
        case ParamType::Long:
            return "long";
        case ParamType::Bool:
            return "boolean";
        case ParamType::String:
            return "string";
        case ParamType::LongRef:
            return "long*";
        case ParamType::Void:
            break;
    }
    return "void";
}

const MemberInfo* FindMember(DispatchObject& object, std::string_view name) {
    return object.TypeLibrary().dispatch->Find(name);
}

// The Ask...Range and Ask...String methods that describe a property: its
// own name first, then without a colour or master prefix or a colour suffix
// (RedExposure is described by AskExposureRange).
std::vector<std::string> DescriptionBases(std::string_view property) {
    std::vector<std::string> bases = {std::string(property)};
    for (const char* prefix : {"Red", "Green", "Blue", "Master"}) {
        if (property.starts_with(prefix) && property.size() > std::string(prefix).size()) {
            bases.emplace_back(property.substr(std::string(prefix).size()));
        }
    }
    for (const char* suffix : {"Red", "Blue"}) {
        if (property.ends_with(suffix) && property.size() > std::string(suffix).size()) {
            bases.emplace_back(property.substr(0, property.size() - std::string(suffix).size()));
        }
    }
    return bases;
}

// The method named Ask<base><kind> with one parameter for the property, if any.
const MemberInfo* DescribingMethod(DispatchObject& object, std::string_view property,
                                   const char* kind) {
    for (const std::string& base : DescriptionBases(property)) {
        const MemberInfo* method = FindMember(object, "Ask" + base + kind);
        if (method != nullptr && method->params.size() == 1) {
            return method;
        }
    }
    return nullptr;
}

// The property's value names, as its Ask...String method offers them.
std::vector<std::string> ValueNames(Session& session, const MemberInfo& names) {
    std::vector<std::string> offered;
    for (std::int32_t index = 0; index < 64; ++index) {
        std::string name =
            session.CallChecked(names.name, {Variant::Long(index)}).ToText().value_or("");
        if (name.empty()) {
            break;
        }
        offered.push_back(std::move(name));
    }
    return offered;
}

bool IsNumber(const std::string& text) {
    char* end = nullptr;
    std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

// The value to set a property to: for a long property whose values are
// numbered from 0 and named, a name (in any case) stands for its number;
// anything else goes to the property as written.
Variant NamedValue(Session& session, const std::string& property, const std::string& text) {
    const MemberInfo* member = FindMember(session.Object(), property);
    if (IsNumber(text) || member == nullptr || member->type != ParamType::Long) {
        return Variant::String(text);
    }
    const MemberInfo* names = DescribingMethod(session.Object(), member->name, "String");
    const MemberInfo* range = DescribingMethod(session.Object(), member->name, "Range");
    if (names == nullptr ||
        (range != nullptr && session.CallChecked(range->name, {Variant::Long(0)}).ToLong() != 0)) {
        return Variant::String(text);
    }
    const std::vector<std::string> offered = ValueNames(session, *names);
    for (std::size_t index = 0; index < offered.size(); ++index) {
        if (Folded(offered[index]) == Folded(text)) {
            return Variant::Long(static_cast<std::int32_t>(index));
        }
    }
    return Variant::String(text);
}

void DescribeProperty(Session& session, const MemberInfo& property, Json& json, std::string& text) {
    std::vector<Variant> none;
    Variant value;
    session.Invoke(property.name, InvokeKind::PropertyGet, none, &value);
    json["value"] = ToJson(value);
    text += " = " + value.Describe();
    if (const MemberInfo* range = DescribingMethod(session.Object(), property.name, "Range")) {
        const auto low = session.CallChecked(range->name, {Variant::Long(0)}).ToLong();
        const auto high = session.CallChecked(range->name, {Variant::Long(1)}).ToLong();
        json["range"] = {*low, *high};
        text += "  range " + std::to_string(*low) + ".." + std::to_string(*high);
    }
    if (const MemberInfo* names = DescribingMethod(session.Object(), property.name, "String")) {
        const std::vector<std::string> offered = ValueNames(session, *names);
        json["names"] = offered;
        text += "  names:";
        for (std::size_t index = 0; index < offered.size(); ++index) {
            text += (index ? ", " : " ") + offered[index];
        }
    }
}

void ListProperties(Session& session, Output& output) {
    Json& properties = output.extra["properties"] = Json::array();
    for (const MemberInfo& member : session.Object().TypeLibrary().dispatch->Members()) {
        if (member.kind != MemberKind::Property) {
            continue;
        }
        Json json = {{"dispid", member.dispid},
                     {"name", member.name},
                     {"type", TypeName(member.type)},
                     {"readOnly", member.readOnly},
                     {"help", member.help}};
        std::string line = "  " + std::to_string(member.dispid) + "  " + std::string(member.name) +
                           "  " + TypeName(member.type) + (member.readOnly ? " (read-only)" : "");
        DescribeProperty(session, member, json, line);
        properties.push_back(std::move(json));
        output.text += line + "\n      " + std::string(member.help) + "\n";
    }
}

void ListMethods(Session& session, Output& output) {
    Json& methods = output.extra["methods"] = Json::array();
    output.text += "Methods:\n";
    for (const MemberInfo& member : session.Object().TypeLibrary().dispatch->Members()) {
        if (member.kind != MemberKind::Method) {
            continue;
        }
        Json params = Json::array();
        std::string signature;
        for (const automation::ParamInfo& param : member.params) {
            params.push_back({{"name", param.name}, {"type", TypeName(param.type)}});
            signature += (signature.empty() ? "" : ", ") + TypeName(param.type) + " " +
                         std::string(param.name);
        }
        methods.push_back({{"dispid", member.dispid},
                           {"name", member.name},
                           {"result", TypeName(member.type)},
                           {"params", std::move(params)},
                           {"help", member.help}});
        output.text += "  " + std::to_string(member.dispid) + "  " + TypeName(member.type) + " " +
                       std::string(member.name) + "(" + signature + ")\n      " +
                       std::string(member.help) + "\n";
    }
}

}  // namespace

void Get(Session& session, const std::vector<std::string>& names, Output& output) {
    for (const std::string& name : names) {
        std::vector<Variant> none;
        Variant value;
        session.Invoke(name, InvokeKind::PropertyGet, none, &value);
        const MemberInfo* member = FindMember(session.Object(), name);
        output.values.emplace_back(member ? member->name : name, value);
    }
}

void Set(Session& session, const std::vector<std::string>& assignments, Output& output) {
    // Every assignment is checked before the first is sent, so that a typo
    // never leaves a set half done.
    std::vector<std::pair<std::string, std::string>> parsed;
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw UsageError{"expected NAME=VALUE, got " + assignment};
        }
        parsed.emplace_back(assignment.substr(0, equals), assignment.substr(equals + 1));
    }
    for (const auto& [name, value] : parsed) {
        std::vector<Variant> args = {NamedValue(session, name, value)};
        session.Invoke(name, InvokeKind::PropertyPut, args, nullptr);
        Get(session, {name}, output);
    }
}

void Call(Session& session, const std::string& method, const std::vector<std::string>& args,
          Output& output) {
    const MemberInfo* member = FindMember(session.Object(), method);
    if (member != nullptr && member->kind == MemberKind::Property) {
        throw UsageError{std::string(member->name) +
                         " is a property, not a method: use get or set"};
    }
    if (member == nullptr) {
        throw UnknownName{method};
    }
    std::vector<std::int32_t> outValues(member->params.size(), 0);
    std::vector<Variant> variants;
    std::size_t next = 0;
    for (std::size_t i = 0; i < member->params.size(); ++i) {
        if (member->params[i].type == ParamType::LongRef) {
            variants.push_back(Variant::LongRef(&outValues[i]));
        } else if (next < args.size()) {
            variants.push_back(Variant::String(args[next++]));
        } else {
            throw UsageError{std::string(member->name) + " needs the argument " +
                             std::string(member->params[i].name)};
        }
    }
    if (next < args.size()) {
        throw UsageError{"too many arguments for " + std::string(member->name)};
    }
    Variant result;
    session.Invoke(member->name, InvokeKind::Method, variants, &result);
    if (member->type != ParamType::Void) {
        const std::optional<std::int32_t> code = result.ToLong();
        if (member->returnsResultCode && code) {
            output.result = *code;
            output.resultText = GetErrorText(*code);
        }
        output.values.emplace_back("result", result);
    }
    for (std::size_t i = 0; i < member->params.size(); ++i) {
        if (member->params[i].type == ParamType::LongRef) {
            output.outParams.emplace_back(member->params[i].name, outValues[i]);
        }
    }
}

int RunList(Invocation& run) {
    const automation::TypeLibraryInfo& library = run.session->Object().TypeLibrary();
    run.output.text = std::string(library.name) + " " + std::to_string(library.majorVersion) + "." +
                      std::to_string(library.minorVersion) + ", interface " +
                      std::string(library.dispatch->Name()) + "\n";
    ListProperties(*run.session, run.output);
    ListMethods(*run.session, run.output);
    return kExitOk;
}

int RunGet(Invocation& run) {
    Get(*run.session, run.options.args, run.output);
    return kExitOk;
}

int RunSet(Invocation& run) {
    Set(*run.session, run.options.args, run.output);
    return kExitOk;
}

int RunCall(Invocation& run) {
    const std::vector<std::string>& args = run.options.args;
    Call(*run.session, args[0], std::vector<std::string>(args.begin() + 1, args.end()), run.output);
    return kExitOk;
}

}  // namespace xkiv::tools
