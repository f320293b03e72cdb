// How the control's members read in Python: type names, call signatures and help texts.
#pragma once

#include <string>

#include "platform/automation.h"

namespace xkiv::python {

// "int", "bool", "str" or "None".
std::string PythonTypeName(automation::ParamType type);
// What a method returns in Python: its result, or a tuple of the result and
// the by-reference parameters in order.
std::string MethodReturnType(const automation::MemberInfo& method);
// "(self, nClass: int, nPort: int, *, raw: bool = False) -> int"; raw only
// for methods whose result is a result code.
std::string MethodSignature(const automation::MemberInfo& method);
// The docstring of a method: its call line, then the type library's help.
std::string MethodDoc(const automation::MemberInfo& method);
// The docstring of a property: name, type, access, then the help.
std::string PropertyDoc(const automation::MemberInfo& property);

}  // namespace xkiv::python
