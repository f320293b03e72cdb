// How the control's members read in Python: type names, call signatures, help texts and enums.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation.h"

namespace xkiv::python {

// "int", "bool", "str" or "None".
std::string PythonTypeName(automation::ParamType type);
// What a method returns in Python: its result, or a tuple of the result and
// the by-reference parameters in order.
std::string MethodReturnType(const automation::MemberInfo& method);
// A parameter's name as Python code spells it: the type prefix dropped and
// the words joined by underscores (nMinMax -> min_max, bstrFileName ->
// file_name); a class is cls, as Camera() calls it. The type library's own
// name is accepted as a keyword too.
std::string PythonParamName(std::string_view name);
// "(self, cls: int, port: int, *, raw: bool = False) -> int"; raw only for
// methods whose result is a result code.
std::string MethodSignature(const automation::MemberInfo& method);
// The docstring of a method: its call line, then the type library's help.
std::string MethodDoc(const automation::MemberInfo& method);
// The docstring of a property: name, type, access, the help, then from the
// parameter table what it holds, its command, its bounds and value names.
std::string PropertyDoc(const automation::MemberInfo& property);

// A list property's values as an enum.IntEnum: the class (named after the
// property) and its members (an identifier made of the value's name, the
// value), every name the parameter table gives the row. nullopt for a
// property without value names.
struct EnumInfo {
    std::string name;
    std::vector<std::pair<std::string, std::int32_t>> members;
};
std::optional<EnumInfo> PropertyEnum(const automation::MemberInfo& property);

}  // namespace xkiv::python
