// Python values to variants and back.
#include "python/values.h"

#include <limits>

namespace xkiv::python {

using automation::ParamType;
using automation::Variant;
using automation::VarType;

namespace {

std::int32_t ToInt32(py::handle value, const std::string& what) {
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow != 0 || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        PyErr_Format(PyExc_OverflowError, "%s: %R does not fit a 32-bit integer", what.c_str(),
                     value.ptr());
        throw py::error_already_set();
    }
    return static_cast<std::int32_t>(number);
}

[[noreturn]] void RaiseTypeError(py::handle value, ParamType type, const std::string& what) {
    const std::string expected = type == ParamType::String ? "str" : "int or bool";
    throw py::type_error(what + ": expected " + expected + ", got " +
                         std::string(py::str(py::type::of(value).attr("__name__"))));
}

}  // namespace

py::str DecodedText(const std::string& text) {
    return py::reinterpret_steal<py::str>(
        PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
}

Variant ToVariant(py::handle value, ParamType type, std::int32_t* ref, const std::string& what) {
    if (type == ParamType::LongRef) {
        if (value.is_none()) {
            *ref = 0;
        } else if (PyLong_Check(value.ptr())) {
            *ref = ToInt32(value, what);
        } else {
            RaiseTypeError(value, type, what);
        }
        return Variant::LongRef(ref);
    }
    if (PyBool_Check(value.ptr())) {
        return Variant::Bool(value.ptr() == Py_True);
    }
    if (PyLong_Check(value.ptr())) {
        return Variant::Long(ToInt32(value, what));
    }
    if (PyUnicode_Check(value.ptr())) {
        // As Python's own file functions do: a NUL would cut a path short
        // where the control hands it to the system.
        std::string text = value.cast<std::string>();
        if (text.find('\0') != std::string::npos) {
            throw py::value_error(what + ": embedded null character");
        }
        return Variant::String(std::move(text));
    }
    RaiseTypeError(value, type, what);
}

py::object FromVariant(const Variant& value) {
    switch (value.Type()) {
        case VarType::Long:
            return py::int_(value.ToLong().value_or(0));
        case VarType::Bool:
            return py::bool_(value.ToBool().value_or(false));
        case VarType::String:
            return DecodedText(value.ToText().value_or(std::string()));
        case VarType::LongRef:
            return py::int_(value.Ref() ? *value.Ref() : 0);
        case VarType::Empty:
            break;
    }
    return py::none();
}

}  // namespace xkiv::python
