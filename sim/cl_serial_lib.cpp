// Test vendor Camera Link serial library (libclserial.so) whose ports lead to pseudo-terminals.
//
// Ports come from XKIV_CL_SERIAL_PORTS, read at every call: entries separated
// by ':', each "Manufacturer=/dev/pts/N". Manufacturers are listed in order of
// first appearance; entries naming the same manufacturer give it several
// ports. clSelectManufacturer chooses whose ports clSerialInit counts (the
// first manufacturer until one is chosen). Unset, the library offers none.
// Built with XKIV_CL_OMIT_ENTRY_POINT it lacks clSelectManufacturer, as an
// incomplete vendor library would.
#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "comm/camera_link_api.h"
#include "sim/cl_sim_port.h"

namespace {

namespace cl = xkiv::cl;
namespace lib = xkiv::sim::cl_lib;

constexpr const char* kPortsVariable = "XKIV_CL_SERIAL_PORTS";
constexpr std::uint32_t kVersion = 2;

// Index of the chosen manufacturer in Manufacturers(); reset by reloading.
std::uint32_t selectedManufacturer = 0;

std::vector<std::string> Manufacturers(const std::vector<lib::PortEntry>& ports) {
    std::vector<std::string> names;
    for (const lib::PortEntry& port : ports) {
        if (std::find(names.begin(), names.end(), port.manufacturer) == names.end()) {
            names.push_back(port.manufacturer);
        }
    }
    return names;
}

// The devices of the chosen manufacturer, in list order.
std::vector<std::string> SelectedDevices() {
    const auto ports = lib::PortsFromEnvironment(kPortsVariable);
    const auto names = Manufacturers(ports);
    std::vector<std::string> devices;
    if (selectedManufacturer >= names.size()) {
        return devices;
    }
    for (const lib::PortEntry& port : ports) {
        if (port.manufacturer == names[selectedManufacturer]) {
            devices.push_back(port.device);
        }
    }
    return devices;
}

}  // namespace

XKIV_CL_EXPORT std::int32_t clGetNumManufacturers(std::uint32_t* count) {
    if (count == nullptr) {
        return cl::kErrInvalidReference;
    }
    *count =
        static_cast<std::uint32_t>(Manufacturers(lib::PortsFromEnvironment(kPortsVariable)).size());
    return cl::kNoError;
}

XKIV_CL_EXPORT std::int32_t clGetManufacturer(std::uint32_t index, char* name,
                                              std::uint32_t* nameBytes, std::uint32_t* version) {
    const auto names = Manufacturers(lib::PortsFromEnvironment(kPortsVariable));
    if (index >= names.size()) {
        return cl::kErrInvalidIndex;
    }
    if (version != nullptr) {
        *version = kVersion;
    }
    return lib::CopyText(names[index], name, nameBytes);
}

#ifndef XKIV_CL_OMIT_ENTRY_POINT
XKIV_CL_EXPORT std::int32_t clSelectManufacturer(const char* name) {
    if (name == nullptr) {
        return cl::kErrManufacturerDoesNotExist;
    }
    const auto names = Manufacturers(lib::PortsFromEnvironment(kPortsVariable));
    const auto found = std::find(names.begin(), names.end(), std::string(name));
    if (found == names.end()) {
        return cl::kErrManufacturerDoesNotExist;
    }
    selectedManufacturer = static_cast<std::uint32_t>(found - names.begin());
    return cl::kNoError;
}
#endif

XKIV_CL_EXPORT std::int32_t clGetNumSerialPorts(std::uint32_t* count) {
    if (count == nullptr) {
        return cl::kErrInvalidReference;
    }
    *count = static_cast<std::uint32_t>(SelectedDevices().size());
    return cl::kNoError;
}

XKIV_CL_EXPORT std::int32_t clSerialInit(std::uint32_t serialIndex, void** serialRef) {
    const auto devices = SelectedDevices();
    if (serialIndex >= devices.size()) {
        return cl::kErrInvalidIndex;
    }
    return lib::OpenDevice(devices[serialIndex], serialRef);
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

XKIV_CL_EXPORT std::int32_t clGetErrorText(std::int32_t errorCode, char* errorText,
                                           std::uint32_t* errorTextSize) {
    return lib::ErrorText(errorCode, errorText, errorTextSize);
}

// The exports must keep the signatures the transports bind them with.
static_assert(std::is_same_v<decltype(&clGetNumManufacturers), cl::GetNumManufacturersFn>);
static_assert(std::is_same_v<decltype(&clGetManufacturer), cl::GetManufacturerFn>);
#ifndef XKIV_CL_OMIT_ENTRY_POINT
static_assert(std::is_same_v<decltype(&clSelectManufacturer), cl::SelectManufacturerFn>);
#endif
static_assert(std::is_same_v<decltype(&clGetNumSerialPorts), cl::GetNumSerialPortsFn>);
static_assert(std::is_same_v<decltype(&clSerialInit), cl::SerialInitFn>);
static_assert(std::is_same_v<decltype(&clSerialClose), cl::SerialCloseFn>);
static_assert(std::is_same_v<decltype(&clSerialRead), cl::SerialReadFn>);
static_assert(std::is_same_v<decltype(&clSerialWrite), cl::SerialWriteFn>);
static_assert(std::is_same_v<decltype(&clSetBaudRate), cl::SetBaudRateFn>);
static_assert(std::is_same_v<decltype(&clGetErrorText), cl::GetErrorTextFn>);
