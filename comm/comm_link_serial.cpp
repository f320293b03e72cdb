// Camera Link transport over the vendor serial library with its manufacturer choice.
#include "comm/comm_link_serial.h"

#include <algorithm>
#include <array>
#include <utility>

namespace xkiv {

CCommLinkSerial::CCommLinkSerial(std::string libraryName) : libraryName_(std::move(libraryName)) {}

std::vector<std::string> CCommLinkSerial::ListLibraryPorts() {
    std::vector<std::string> names;
    if (LoadFrom(libraryName_)) {
        names = ListManufacturers();
        ReleaseLibrary();
    }
    return names;
}

std::string CCommLinkSerial::GetClassName() const {
    return "CamLink-Serial";
}

bool CCommLinkSerial::BindOwnEntryPoints(const DynamicLibrary& library) {
    // clGetNumSerialPorts and clGetErrorText are never called, but a library
    // without them is not the one this class was written for.
    return BindEntry(library, "clGetManufacturer", getManufacturer_) &&
           BindEntry(library, "clGetNumManufacturers", getNumManufacturers_) &&
           BindEntry(library, "clSelectManufacturer", selectManufacturer_) &&
           library.Symbol("clGetNumSerialPorts") != nullptr &&
           library.Symbol("clGetErrorText") != nullptr;
}

std::vector<std::string> CCommLinkSerial::ListManufacturers() {
    std::vector<std::string> names;
    std::uint32_t count = 0;
    if (getNumManufacturers_(&count) != cl::kNoError) {
        return names;
    }
    for (std::uint32_t index = 0; index < std::min(count, kMaxLibraryPorts); ++index) {
        std::array<char, cl::kTextBufferSize> name{};
        std::uint32_t nameBytes = cl::kTextBufferSize;
        std::uint32_t version = 0;
        // A gap would shift every later name away from its manufacturer, so
        // the list ends at the first name the library cannot give.
        if (getManufacturer_(index, name.data(), &nameBytes, &version) != cl::kNoError) {
            break;
        }
        names.push_back(TextFromLibraryBuffer(name.data()));
    }
    return names;
}

ResultCode CCommLinkSerial::Open(int index) {
    (void)Close();
    // Named before the library is loaded for the port: the first question
    // about the list loads and releases the library itself.
    const std::string name = GetPortName(index);
    if (!LoadFrom(libraryName_)) {
        return rc::kPortNotFound;
    }
    if (name.empty()) {
        ReleaseLibrary();
        return rc::kPortNotFound;
    }
    if (selectManufacturer_(name.c_str()) != cl::kNoError) {
        ReleaseLibrary();
        return rc::kPortInUse;
    }
    // The list index counts manufacturers, not ports: once the manufacturer
    // is selected, its port is the library's first.
    const ResultCode result = InitSerial(0);
    if (result != rc::kOk) {
        ReleaseLibrary();
    }
    return result;
}

ResultCode CCommLinkSerial::Purge() {
    if (!IsOpen()) {
        return rc::kPortUnavailable;
    }
    std::uint8_t scratch = 0;
    std::size_t received = 0;
    while (ReadRaw(&scratch, 1, received, 1) == cl::kNoError && received == 1) {
    }
    return rc::kOk;
}

}  // namespace xkiv
