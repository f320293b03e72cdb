// Test all-vendor Camera Link serial library (libclallserial.so) whose ports lead to
// pseudo-terminals.
//
// Ports come from XKIV_CL_ALLSERIAL_PORTS, read at every call: entries
// separated by ':', each "Manufacturer|PortId=/dev/pts/N"; the list index is
// the port index of clGetPortInfo and clSerialInit. Unset, the library offers
// none. Built with XKIV_CL_OMIT_ENTRY_POINT it lacks clFlushPort, as an
// incomplete library would.
#include <type_traits>

#include "comm/camera_link_api.h"
#include "sim/cl_sim_port.h"

namespace {

namespace cl = xkiv::cl;
namespace lib = xkiv::sim::cl_lib;

constexpr const char* kPortsVariable = "XKIV_CL_ALLSERIAL_PORTS";
constexpr std::uint32_t kVersion = 2;

}  // namespace

XKIV_CL_EXPORT std::int32_t clGetNumPorts(std::uint32_t* count) {
    if (count == nullptr) {
        return cl::kErrInvalidReference;
    }
    *count = static_cast<std::uint32_t>(lib::PortsFromEnvironment(kPortsVariable).size());
    return cl::kNoError;
}

XKIV_CL_EXPORT std::int32_t clGetPortInfo(std::uint32_t serialIndex, char* manufacturerName,
                                          std::uint32_t* nameBytes, char* portId,
                                          std::uint32_t* idBytes, std::uint32_t* version) {
    const auto ports = lib::PortsFromEnvironment(kPortsVariable);
    if (serialIndex >= ports.size()) {
        return cl::kErrInvalidIndex;
    }
    if (version != nullptr) {
        *version = kVersion;
    }
    const std::int32_t status =
        lib::CopyText(ports[serialIndex].manufacturer, manufacturerName, nameBytes);
    return status != cl::kNoError ? status
                                  : lib::CopyText(ports[serialIndex].portId, portId, idBytes);
}

XKIV_CL_EXPORT std::int32_t clSerialInit(std::uint32_t serialIndex, void** serialRef) {
    const auto ports = lib::PortsFromEnvironment(kPortsVariable);
    if (serialIndex >= ports.size()) {
        return cl::kErrInvalidIndex;
    }
    return lib::OpenDevice(ports[serialIndex].device, serialRef);
}

XKIV_CL_EXPORT void clSerialClose(void* serialRef) {
    lib::CloseDevice(serialRef);
}

XKIV_CL_EXPORT std::int32_t clSerialRead(void* serialRef, char* buffer, std::uint32_t* numBytes,
                                         std::uint32_t timeoutMs) {
    return lib::ReadDevice(serialRef, buffer, numBytes, timeoutMs);
}

XKIV_CL_EXPORT std::int32_t clSerialWrite(void* serialRef, char* buffer, std::uint32_t* bufferSize,
                                          std::uint32_t timeoutMs) {
    return lib::WriteDevice(serialRef, buffer, bufferSize, timeoutMs);
}

XKIV_CL_EXPORT std::int32_t clSetBaudRate(void* serialRef, std::uint32_t baudRate) {
    return lib::SetDeviceBaudRate(serialRef, baudRate);
}

#ifndef XKIV_CL_OMIT_ENTRY_POINT
XKIV_CL_EXPORT std::int32_t clFlushPort(void* serialRef) {
    return lib::FlushDevice(serialRef);
}
#endif

XKIV_CL_EXPORT std::int32_t clGetNumBytesAvail(void* serialRef, std::uint32_t* numBytes) {
    return lib::BytesAvailable(serialRef, numBytes);
}

XKIV_CL_EXPORT std::int32_t clGetErrorText(const char* /*manufacturerName*/, std::int32_t errorCode,
                                           char* errorText, std::uint32_t* errorTextSize) {
    return lib::ErrorText(errorCode, errorText, errorTextSize);
}

// The exports must keep the signatures the transports bind them with.
static_assert(std::is_same_v<decltype(&clGetNumPorts), cl::GetNumPortsFn>);
static_assert(std::is_same_v<decltype(&clGetPortInfo), cl::GetPortInfoFn>);
static_assert(std::is_same_v<decltype(&clSerialInit), cl::SerialInitFn>);
static_assert(std::is_same_v<decltype(&clSerialClose), cl::SerialCloseFn>);
static_assert(std::is_same_v<decltype(&clSerialRead), cl::SerialReadFn>);
static_assert(std::is_same_v<decltype(&clSerialWrite), cl::SerialWriteFn>);
static_assert(std::is_same_v<decltype(&clSetBaudRate), cl::SetBaudRateFn>);
#ifndef XKIV_CL_OMIT_ENTRY_POINT
static_assert(std::is_same_v<decltype(&clFlushPort), cl::FlushPortFn>);
#endif
static_assert(std::is_same_v<decltype(&clGetNumBytesAvail), cl::GetNumBytesAvailFn>);
static_assert(std::is_same_v<decltype(&clGetErrorText), cl::GetErrorTextAllFn>);
