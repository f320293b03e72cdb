// Conversions between Python objects and the automation variants of the control.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

#include "platform/automation.h"

namespace xkiv::python {

namespace py = pybind11;

// The control's 8-bit text as a Python string; bytes that are not UTF-8
// read as replacement characters.
py::str DecodedText(const std::string& text);

// The variant of a Python value for a parameter or property of the given
// type: bool, int (32 bits) or str. A by-reference parameter takes an int or
// None as its initial value, kept in *ref. Raises TypeError or OverflowError
// naming what for.
automation::Variant ToVariant(py::handle value, automation::ParamType type, std::int32_t* ref,
                              const std::string& what);

// None, int, bool or str.
py::object FromVariant(const automation::Variant& value);

}  // namespace xkiv::python
