// xkiv_stub: writes xkiv.pyi, the typing stub of the xkiv module, from the control's type library.
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "control/type_library.h"
#include "python/member_text.h"

namespace {

using xkiv::automation::MemberInfo;
using xkiv::automation::MemberKind;

constexpr const char* kHead =
    R"(# Typing stub of the xkiv module, written from the control's type library.
from enum import IntEnum
from typing import Callable, Literal, Mapping, Optional, TextIO, Union

class Error(Exception): ...

class AutomationError(Error):
    code: int
    description: str
    detail: Optional[str]
    def __init__(self, code: int, description: str, detail: Optional[str] = None) -> None: ...

class FileError(AutomationError):
    filename: Optional[str]
    errno: Optional[int]
    def __init__(self, code: int, description: str, detail: Optional[str] = None,
                 filename: Optional[str] = None, errno: Optional[int] = None) -> None: ...

class CameraOffline(AutomationError):
    device: Optional[str]
    def __init__(self, code: int, description: str, detail: Optional[str] = None,
                 device: Optional[str] = None) -> None: ...

class Timeout(AutomationError): ...

class Refused(AutomationError):
    property: Optional[str]
    def __init__(self, code: int, description: str, detail: Optional[str] = None,
                 property: Optional[str] = None) -> None: ...

class ResultError(Error):
    code: int
    text: str
    def __init__(self, code: int, text: str) -> None: ...

class ProfileError(Error, OSError): ...

)";

constexpr const char* kCameraHead = R"(
class Camera:
    def __init__(self, *, device: Optional[str] = None, cls: Optional[int] = None,
                 port: Optional[int] = None, search: bool = False, offline: bool = False,
                 progress: Optional[Callable[[int, int, str], Optional[bool]]] = None,
                 trace: Optional[Union[Callable[[str], object], TextIO]] = None) -> None: ...
    def __enter__(self) -> Camera: ...
    def __exit__(self, *exc: object) -> None: ...
    def close(self) -> None: ...
    @property
    def closed(self) -> bool: ...
    def range(self, name: str) -> tuple[int, int]: ...
    def settings(self) -> dict[str, Union[int, str]]: ...
    def apply(self, settings: Mapping[str, Union[int, str]]) -> None: ...
    def on(self, event: _EventName, callback: Callable[[], object]) -> None: ...
    def off(self, event: _EventName, callback: Optional[Callable[[], object]] = None) -> None: ...
)";

std::string Docstring(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        escaped += (c == '\\' || c == '"') ? std::string{'\\', c} : std::string{c};
    }
    return "        \"\"\"" + escaped + "\"\"\"\n";
}

// The enum of each list property, and a private alias by which Camera's
// members name it (inside the class the property's own name would win).
std::string EnumStubs(const xkiv::automation::InterfaceInfo& dispatch) {
    std::string text;
    for (const MemberInfo& member : dispatch.Members()) {
        const auto info =
            member.kind == MemberKind::Property ? xkiv::python::PropertyEnum(member) : std::nullopt;
        if (!info) {
            continue;
        }
        text += "\nclass " + info->name + "(IntEnum):\n";
        for (const auto& [name, value] : info->members) {
            text += "    " + name + " = " + std::to_string(value) + "\n";
        }
        text += "_" + info->name + "Enum = " + info->name + "\n";
    }
    return text;
}

std::string MemberStub(const MemberInfo& member) {
    const auto values =
        member.kind == MemberKind::Property ? xkiv::python::PropertyEnum(member) : std::nullopt;
    const std::string type =
        values ? "_" + values->name + "Enum" : xkiv::python::PythonTypeName(member.type);
    const std::string setType = xkiv::python::PythonTypeName(member.type);
    if (member.kind == MemberKind::Method) {
        return "    def " + std::string(member.name) + xkiv::python::MethodSignature(member) +
               ":\n" + Docstring(member.help);
    }
    const std::string name(member.name);
    std::string stub = "    @property\n    def " + name + "(self) -> " + type + ":\n" +
                       Docstring(xkiv::python::PropertyDoc(member));
    if (!member.readOnly) {
        stub += "    @" + name + ".setter\n    def " + name + "(self, value: " + setType +
                ") -> None: ...\n";
    }
    return stub;
}

std::string StubText() {
    const xkiv::automation::TypeLibraryInfo& library = xkiv::XKivTypeLibrary();
    std::string text = kHead;
    text += "_EventName = Literal[";
    for (const MemberInfo& event : library.events->Members()) {
        text += (event.dispid == library.events->Members().front().dispid ? "\"" : ", \"") +
                std::string(event.name) + "\"";
    }
    text += "]\nEVENTS: tuple[str, ...]\n";
    text += EnumStubs(*library.dispatch);
    text += kCameraHead;
    for (const MemberInfo& member : library.dispatch->Members()) {
        text += MemberStub(member);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xkiv_stub OUTPUT.pyi\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << StubText();
    out.close();
    if (!out) {
        std::fprintf(stderr, "xkiv_stub: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
