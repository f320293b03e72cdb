// Type names, signatures and docstrings of the control's members in Python.
#include "python/member_text.h"

#include <cctype>
#include <set>

#include "camera/parameter_table.h"
#include "control/dispatch_properties.h"

namespace xkiv::python {

using automation::MemberInfo;
using automation::ParamInfo;
using automation::ParamType;

std::string PythonTypeName(ParamType type) {
    switch (type) {
        case ParamType::Long:
        case ParamType::LongRef:
            return "int";
        case ParamType::Bool:
            return "bool";
        case ParamType::String:
            return "str";
        case ParamType::Void:
            break;
    }
    return "None";
}

std::string MethodReturnType(const MemberInfo& method) {
    std::string refs;
    for (const ParamInfo& param : method.params) {
        if (param.type == ParamType::LongRef) {
            refs += ", int";
        }
    }
    const std::string result = PythonTypeName(method.type);
    return refs.empty() ? result : "tuple[" + result + refs + "]";
}

std::string MethodSignature(const MemberInfo& method) {
    std::string signature = "(self";
    for (const ParamInfo& param : method.params) {
        signature += ", " + PythonParamName(param.name) + ": " + PythonTypeName(param.type);
    }
    if (method.returnsResultCode) {
        signature += ", *, raw: bool = False";
    }
    return signature + ") -> " + MethodReturnType(method);
}

std::string MethodDoc(const MemberInfo& method) {
    std::string doc =
        std::string(method.name) + MethodSignature(method) + "\n\n" + std::string(method.help);
    bool refs = false;
    for (const ParamInfo& param : method.params) {
        refs = refs || param.type == ParamType::LongRef;
    }
    if (refs) {
        doc += "\nBy-reference parameters take their initial value and come back after the result.";
    }
    if (method.returnsResultCode) {
        doc += "\nA non-zero result code raises ResultError unless raw=True.";
    }
    return doc;
}

namespace {

// The parameter row behind a property, or -1.
int RowOf(const MemberInfo& property) {
    const PropertyEntry* entry = FindProperty(property.dispid);
    return entry != nullptr && IsValidRow(entry->row) ? entry->row : -1;
}

// "PWC", "No Shutter" -> "PWC", "NO_SHUTTER"; a leading digit gets an
// underscore before it.
std::string Identifier(const std::string& name) {
    std::string identifier;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0) {
            identifier += static_cast<char>(std::toupper(byte));
        } else if (!identifier.empty() && identifier.back() != '_') {
            identifier += '_';
        }
    }
    while (!identifier.empty() && identifier.back() == '_') {
        identifier.pop_back();
    }
    if (identifier.empty() || std::isdigit(static_cast<unsigned char>(identifier[0])) != 0) {
        identifier.insert(0, "_");
    }
    return identifier;
}

// What the parameter table says of a property's row: its name, command,
// bounds and value names.
std::string TableDoc(int row, const std::optional<EnumInfo>& values) {
    const ParameterEntry& entry = Entry(row);
    std::string doc = std::string("\n\n") + entry.profile.key;
    if (*entry.mnemonic != '\0') {
        doc += std::string(" (camera command ") + entry.mnemonic + ")";
    }
    if (values) {
        doc += ". Values:";
        for (std::size_t i = 0; i < values->members.size(); ++i) {
            doc += (i == 0 ? " " : ", ") + values->name + "." + values->members[i].first + " (" +
                   std::to_string(values->members[i].second) + ")";
        }
    } else if (HasFlag(row, PF_STRING)) {
        doc += ". Text of up to " + std::to_string(entry.maximum) + " characters";
    } else {
        doc += ". Range " + std::to_string(entry.minimum) + " to " + std::to_string(entry.maximum);
    }
    if (entry.minimumRule != nullptr || entry.maximumRule != nullptr ||
        HasFlag(row, PF_MODEL_DEPENDENT)) {
        doc +=
            "; the bounds and values depend on the model, the firmware and other settings: "
            "cam.range() gives the current bounds";
    }
    return doc + ".";
}

}  // namespace

std::string PythonParamName(std::string_view name) {
    // The type prefix is the lower-case run before the first capital.
    std::size_t start = 0;
    while (start < name.size() && std::islower(static_cast<unsigned char>(name[start])) != 0) {
        ++start;
    }
    if (start == name.size()) {
        start = 0;
    }
    std::string python;
    for (std::size_t i = start; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (std::isupper(byte) != 0 && i > start) {
            python += '_';
        }
        python += static_cast<char>(std::tolower(byte));
    }
    return python == "class" ? "cls" : python;
}

std::optional<EnumInfo> PropertyEnum(const MemberInfo& property) {
    const PropertyEntry* entry = FindProperty(property.dispid);
    const int row = RowOf(property);
    if (row < 0 || property.type != automation::ParamType::Long || entry->get != GetKind::Value ||
        Entry(row).valueNameCount == 0) {
        return std::nullopt;
    }
    EnumInfo info{std::string(property.name), {}};
    std::set<std::string> taken;
    for (std::int32_t i = 0; i < Entry(row).valueNameCount; ++i) {
        const ValueName& value = Entry(row).valueNames[i];
        std::string identifier = Identifier(value.name);
        if (taken.contains(identifier)) {
            // One name for values of different models: the value tells them apart.
            identifier += "_" + std::to_string(value.value);
            if (taken.contains(identifier)) {
                continue;
            }
        }
        taken.insert(identifier);
        info.members.emplace_back(identifier, value.value);
    }
    return info;
}

std::string PropertyDoc(const MemberInfo& property) {
    const std::optional<EnumInfo> values = PropertyEnum(property);
    const int row = RowOf(property);
    return std::string(property.name) + ": " +
           (values ? values->name : PythonTypeName(property.type)) +
           (property.readOnly ? " (read-only)" : "") + "\n\n" + std::string(property.help) +
           (row >= 0 ? TableDoc(row, values) : "");
}

}  // namespace xkiv::python
