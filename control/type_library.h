// The control's type library: identities, the dispatch interface and the event interface.
#pragma once

#include <cstdint>

#include "platform/automation.h"

namespace xkiv {

// Published identities of the control module. They were generated once for
// this module and never change: hosts and registries find the pieces by them.
//   type library XKivRZ150LXLib 1.26   {FD3B0452-73C0-49E4-B49A-8764C7796432}
//   dispatch interface _DXKivRZ150LX    {3EB9587C-FD9F-40F6-87E5-8D185691715F}
//   event interface _DXKivRZ150LXEvents {5AC48981-6E98-4398-9944-7FD3DD7606A8}
//   control class CXKivRZ150LXCtrl      {DC56EC68-16C6-4915-AD79-6AB08B938A30}
//   property page class CXKivRZ150LXPP  {171F130E-9685-4F1C-A64D-AF2BBC2C0578}
inline constexpr automation::Guid kTypeLibraryId{
    0xFD3B0452, 0x73C0, 0x49E4, {0xB4, 0x9A, 0x87, 0x64, 0xC7, 0x79, 0x64, 0x32}};
inline constexpr automation::Guid kDispatchInterfaceId{
    0x3EB9587C, 0xFD9F, 0x40F6, {0x87, 0xE5, 0x8D, 0x18, 0x56, 0x91, 0x71, 0x5F}};
inline constexpr automation::Guid kEventInterfaceId{
    0x5AC48981, 0x6E98, 0x4398, {0x99, 0x44, 0x7F, 0xD3, 0xDD, 0x76, 0x06, 0xA8}};
inline constexpr automation::Guid kControlClassId{
    0xDC56EC68, 0x16C6, 0x4915, {0xAD, 0x79, 0x6A, 0xB0, 0x8B, 0x93, 0x8A, 0x30}};
inline constexpr automation::Guid kPropertyPageClassId{
    0x171F130E, 0x9685, 0x4F1C, {0xA6, 0x4D, 0xAF, 0x2B, 0xBC, 0x2C, 0x05, 0x78}};

inline constexpr const char* kTypeLibraryName = "XKivRZ150LXLib";
inline constexpr std::uint16_t kTypeLibraryMajorVersion = 1;
inline constexpr std::uint16_t kTypeLibraryMinorVersion = 26;
inline constexpr const char* kTypeLibraryVersionText = "1.26";
inline constexpr const char* kDispatchInterfaceName = "_DXKivRZ150LX";
inline constexpr const char* kEventInterfaceName = "_DXKivRZ150LXEvents";

// The version the control records in the container's stored state: major
// version in the high 16 bits, minor in the low 16 bits.
inline constexpr std::uint32_t kPersistedVersion =
    (std::uint32_t{kTypeLibraryMajorVersion} << 16) | kTypeLibraryMinorVersion;

// Properties (from the property table) and methods of the control.
const automation::InterfaceInfo& DispatchInterface();
// The events, each a method without arguments.
const automation::InterfaceInfo& EventInterface();
// XKivRZ150LXLib 1.26 with the two interfaces; built once, lives for the
// whole process.
const automation::TypeLibraryInfo& XKivTypeLibrary();

}  // namespace xkiv
