// Type names, signatures and docstrings of the control's members in Python.
#include "python/member_text.h"

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
        signature += ", " + param.name + ": " + PythonTypeName(param.type);
    }
    if (method.returnsResultCode) {
        signature += ", *, raw: bool = False";
    }
    return signature + ") -> " + MethodReturnType(method);
}

std::string MethodDoc(const MemberInfo& method) {
    std::string doc = method.name + MethodSignature(method) + "\n\n" + method.help;
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

std::string PropertyDoc(const MemberInfo& property) {
    return property.name + ": " + PythonTypeName(property.type) +
           (property.readOnly ? " (read-only)" : "") + "\n\n" + property.help;
}

}  // namespace xkiv::python
