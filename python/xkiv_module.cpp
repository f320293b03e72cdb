// The xkiv extension module: Camera with every member of the control's type library, and the
// errors.
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <deque>
#include <string>

#include "control/type_library.h"
#include "platform/automation_help.h"
#include "python/camera_object.h"
#include "python/member_text.h"

namespace xkiv::python {
namespace {

using automation::MemberInfo;
using automation::MemberKind;

constexpr const char* kErrorClasses = R"py(
class Error(Exception):
    """Base class of the errors of the xkiv module."""


class AutomationError(Error):
    """A member of the control failed: code is the automation HRESULT as an
    unsigned 32-bit number, description the control's text, detail the
    device, file or value at fault and the reason (None when there is none)."""

    def __init__(self, code, description, detail=None):
        super().__init__(code, description)
        self.code = code
        self.description = description
        self.detail = detail

    def __str__(self):
        text = "%s (0x%08X)" % (self.description, self.code)
        return text if self.detail is None else text + "\n" + self.detail


class FileError(AutomationError):
    """A file could not be read or written (0x800A004B), or was read and
    refused for its content: filename is the file, errno the system's error
    number (None when the system gave no reason)."""

    def __init__(self, code, description, detail=None, filename=None, errno=None):
        super().__init__(code, description, detail)
        self.filename = filename
        self.errno = errno


class CameraOffline(AutomationError):
    """The camera cannot be reached: its port cannot be opened or used, or no
    port answered a search. device is the port's device, when known."""

    def __init__(self, code, description, detail=None, device=None):
        super().__init__(code, description, detail)
        self.device = device


class Timeout(AutomationError):
    """The camera or its port did not answer in time."""


class Refused(AutomationError):
    """The camera refused a value ("Bad Parameters!!"): property names the
    property that was being written."""

    def __init__(self, code, description, detail=None, property=None):
        super().__init__(code, description, detail)
        self.property = property


class ResultError(Error):
    """A method returned a failing result code: code and its text."""

    def __init__(self, code, text):
        super().__init__(code, text)
        self.code = code
        self.text = text

    def __str__(self):
        return "%s (result code %d)" % (self.text, self.code)


class ProfileError(Error, OSError):
    """The profile with the camera's settings could not be written on close."""
)py";

constexpr const char* kCameraDoc =
    "Camera(*, device=None, cls=None, port=None, search=False, offline=False, progress=None, "
    "trace=None)\n\n"
    "One RZ camera through the control. Connects as xkivctl does: device= opens that serial\n"
    "device, cls=/port= a communication class and port, search=True looks on every port,\n"
    "offline=True opens nothing; by default the port stored in the profile is opened.\n"
    "progress(position, total, text) receives the steps of long operations (return False to\n"
    "cancel one that can be cancelled); without it a bar is drawn on a terminal's stderr.\n"
    "trace receives every line that crosses the link, time stamped and decoded: a callable is\n"
    "called with each line, a file such as sys.stderr is written a line at a time.\n"
    "Every property and method of the control is an attribute with its own name; a list\n"
    "property gives and takes its enum (xkiv.TriggerMode.PWC); by-reference\n"
    "parameters come back after the result. Use it in a with block, or call close(): closing\n"
    "writes the profile.";

// Docstrings outlive the module's functions.
const char* Kept(std::string text) {
    static std::deque<std::string> texts;
    return texts.emplace_back(std::move(text)).c_str();
}

void AddMember(py::class_<CameraObject>& camera, const MemberInfo& member) {
    const MemberInfo* info = &member;
    const char* name = Kept(std::string(member.name));
    if (member.kind == MemberKind::Property) {
        camera.def_property(
            name, py::cpp_function([info](CameraObject& self) { return self.Get(*info); }),
            py::cpp_function(
                [info](CameraObject& self, py::handle value) { self.Set(*info, value); }),
            Kept(PropertyDoc(member)));
        return;
    }
    camera.attr(name) = py::cpp_function(
        [info](CameraObject& self, const py::args& args, const py::kwargs& kwargs) {
            return self.Call(*info, args, kwargs);
        },
        py::name(name), py::is_method(camera), Kept(MethodDoc(member)));
}

std::string UnknownMemberText(const std::string& name) {
    const std::string suggestion =
        automation::DidYouMean(automation::ClosestNames(*XKivTypeLibrary().dispatch, name));
    return "xkiv.Camera has no property or method named " + name +
           (suggestion.empty() ? "" : "; " + suggestion);
}

// The camera behind a Python object, or null while it is not made yet.
CameraObject* CameraOf(PyObject* self) {
    try {
        return &py::cast<CameraObject&>(py::handle(self));
    } catch (const std::exception&) {
        // The object's camera is not constructed (or is failing to be).
        return nullptr;
    }
}

// The garbage collector sees the callbacks a camera holds, so that a
// callback that refers to its camera makes a cycle it can collect.
void SetUpGarbageCollection(PyHeapTypeObject* heapType) {
    PyTypeObject* type = &heapType->ht_type;
    type->tp_flags |= Py_TPFLAGS_HAVE_GC;
    type->tp_traverse = [](PyObject* self, visitproc visit, void* arg) {
        Py_VISIT(Py_TYPE(self));
        const CameraObject* camera = CameraOf(self);
        return camera != nullptr ? camera->Traverse(visit, arg) : 0;
    };
    type->tp_clear = [](PyObject* self) {
        if (CameraObject* camera = CameraOf(self)) {
            camera->Clear();
        }
        return 0;
    };
}

// One enum.IntEnum per list property, named after it: its values are what
// the property takes and gives.
void AddEnums(py::module_& module) {
    const py::object intEnum = py::module_::import("enum").attr("IntEnum");
    for (const MemberInfo& member : XKivTypeLibrary().dispatch->Members()) {
        const std::optional<EnumInfo> info =
            member.kind == MemberKind::Property ? PropertyEnum(member) : std::nullopt;
        if (!info) {
            continue;
        }
        py::list members;
        for (const auto& [name, value] : info->members) {
            members.append(py::make_tuple(name, value));
        }
        py::object type = intEnum(info->name, members, py::arg("module") = "xkiv");
        type.attr("__doc__") = "The values of Camera." + std::string(member.name) + ".";
        module.attr(info->name.c_str()) = type;
        PropertyEnums()[member.dispid] = type.release();
    }
}

void AddCameraClass(py::module_& module) {
    py::class_<CameraObject> camera(module, "Camera", kCameraDoc,
                                    py::custom_type_setup(SetUpGarbageCollection));
    camera.def(py::init([](std::optional<std::string> device, std::optional<std::int32_t> cls,
                           std::optional<std::int32_t> port, bool search, bool offline,
                           py::object progress, py::object trace) {
                   if (!trace.is_none() && !PyCallable_Check(trace.ptr()) &&
                       !py::hasattr(trace, "write")) {
                       throw py::type_error("trace must be callable or have a write method");
                   }
                   if (!progress.is_none() && !PyCallable_Check(progress.ptr())) {
                       throw py::type_error("progress must be callable");
                   }
                   if (device && device->find('\0') != std::string::npos) {
                       throw py::value_error("device: embedded null character");
                   }
                   return std::make_unique<CameraObject>(
                       ConnectOptions{std::move(device), cls, port, search, offline},
                       std::move(progress), std::move(trace));
               }),
               py::kw_only(), py::arg("device") = py::none(), py::arg("cls") = py::none(),
               py::arg("port") = py::none(), py::arg("search") = false, py::arg("offline") = false,
               py::arg("progress") = py::none(), py::arg("trace") = py::none());
    camera.def(
        "close", [](CameraObject& self) { self.Close(false); },
        "close(self) -> None\n\nDestroys the control, which writes the profile; raises "
        "ProfileError when it cannot be written. Closing twice does nothing.");
    camera.def_property_readonly("closed", &CameraObject::Closed,
                                 "closed: bool\n\nTrue once close() has run.");
    camera.def("__enter__", [](py::object self) { return self; });
    camera.def("__exit__", [](CameraObject& self, py::handle type, py::handle, py::handle) {
        self.Close(!type.is_none());
    });
    camera.def("range", &CameraObject::Range, py::arg("name"),
               "range(self, name: str) -> tuple[int, int]\n\nThe bounds a set of the property "
               "clamps into now, (min, max): they follow the model, the firmware and the other "
               "settings. ValueError for a property a set does not clamp.");
    camera.def("settings", &CameraObject::Settings,
               "settings(self) -> dict[str, int | str]\n\nEvery setting a settings file keeps "
               "that the camera supports now, by property name, in the order a write of "
               "everything sends them; list values as their enums. apply() puts them back.");
    camera.def("apply", &CameraObject::Apply, py::arg("settings"),
               "apply(self, settings: Mapping[str, int | str]) -> None\n\nSets the settings "
               "the mapping names in the order a write of everything sends them, each clamped "
               "as a set of its property is. A name that is no setting raises KeyError before "
               "anything is set.");
    camera.def("on", &CameraObject::On, py::arg("event"), py::arg("callback"),
               "on(self, event: str, callback) -> None\n\nCalls callback() each time the control "
               "fires the event, during the call that fires it. An exception the callback raises "
               "is raised when that call returns.");
    camera.def("off", &CameraObject::Off, py::arg("event"), py::arg("callback") = py::none(),
               "off(self, event: str, callback=None) -> None\n\nDisconnects the callback, or "
               "every callback of the event without one.");
    camera.def("__getattr__", [](CameraObject&, const std::string& name) -> py::object {
        throw py::attribute_error(UnknownMemberText(name));
    });
    camera.def("__setattr__", [](py::handle self, py::str name, py::handle value) {
        if (!py::hasattr(py::type::of(self), name)) {
            throw py::attribute_error(UnknownMemberText(name));
        }
        if (PyObject_GenericSetAttr(self.ptr(), name.ptr(), value.ptr()) != 0) {
            throw py::error_already_set();
        }
    });
    for (const MemberInfo& member : XKivTypeLibrary().dispatch->Members()) {
        AddMember(camera, member);
    }
}

}  // namespace

PYBIND11_MODULE(xkiv, module) {
    py::options options;
    options.disable_function_signatures();
    module.doc() =
        "Control of RZ colour line-scan cameras from Python: xkiv.Camera over the control's "
        "automation interface.";
    py::exec(kErrorClasses, module.attr("__dict__"));
    // The classes stay alive for the process, whatever happens to the module's names.
    const auto kept = [&module](const char* name) {
        return py::object(module.attr(name)).release();
    };
    Errors() = {kept("AutomationError"), kept("ResultError"),   kept("ProfileError"),
                kept("FileError"),       kept("CameraOffline"), kept("Timeout"),
                kept("Refused")};
    py::list events;
    for (const MemberInfo& event : XKivTypeLibrary().events->Members()) {
        events.append(event.name);
    }
    module.attr("EVENTS") = py::tuple(events);
    AddEnums(module);
    AddCameraClass(module);
    // Cameras left open (a script that never closes one, a callback cycle
    // the collector has not reached) write their profiles before the
    // interpreter goes.
    py::module_::import("atexit").attr("register")(
        py::cpp_function([] { CameraObject::CloseAllAtExit(); }));
}

}  // namespace xkiv::python
