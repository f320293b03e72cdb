// Camera Link transport over the all-vendor serial library, located through CLSERIALPATH.
#include "comm/comm_link_all_serial.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace xkiv {

namespace {

constexpr const char* kPathVariable = "CLSERIALPATH";
constexpr const char* kLibrarySuffix = ".so";

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

std::string PathValue() {
    const char* value = std::getenv(kPathVariable);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

std::vector<std::string> AllSerialLibraryCandidates(const std::string& pathValue,
                                                    const std::string& plainName) {
    std::vector<std::string> candidates;
    if (!pathValue.empty()) {
        if (EndsWithNoCase(pathValue, kLibrarySuffix)) {
            candidates.push_back(pathValue);
        }
        const bool endsInSeparator = pathValue.back() == '/';
        candidates.push_back(pathValue + (endsInSeparator ? "" : "/") + kAllSerialLibraryName);
    }
    candidates.push_back(plainName);
    return candidates;
}

CCommLinkAllSerial::CCommLinkAllSerial(std::string plainName) : plainName_(std::move(plainName)) {}

std::vector<std::string> CCommLinkAllSerial::ListLibraryPorts() {
    std::vector<std::string> names;
    if (Locate()) {
        names = ListPorts();
        ReleaseLibrary();
    }
    return names;
}

std::string CCommLinkAllSerial::GetClassName() const {
    return "CamLink-AllSerial";
}

bool CCommLinkAllSerial::BindOwnEntryPoints(const DynamicLibrary& library) {
    // clGetErrorText and clGetNumBytesAvail are never called, but a library
    // without them does not implement the standard's interface.
    return BindEntry(library, "clFlushPort", flushPort_) &&
           library.Symbol("clGetErrorText") != nullptr &&
           BindEntry(library, "clGetNumPorts", getNumPorts_) &&
           library.Symbol("clGetNumBytesAvail") != nullptr &&
           BindEntry(library, "clGetPortInfo", getPortInfo_);
}

bool CCommLinkAllSerial::Locate() {
    const auto candidates = AllSerialLibraryCandidates(PathValue(), plainName_);
    return std::any_of(candidates.begin(), candidates.end(),
                       [this](const std::string& candidate) { return LoadFrom(candidate); });
}

std::vector<std::string> CCommLinkAllSerial::ListPorts() {
    std::vector<std::string> names;
    std::uint32_t count = 0;
    if (getNumPorts_(&count) != cl::kNoError) {
        return names;
    }
    for (std::uint32_t index = 0; index < std::min(count, kMaxLibraryPorts); ++index) {
        std::array<char, cl::kTextBufferSize> manufacturer{};
        std::array<char, cl::kTextBufferSize> portId{};
        std::uint32_t manufacturerBytes = cl::kTextBufferSize;
        std::uint32_t portIdBytes = cl::kTextBufferSize;
        std::uint32_t version = 0;
        // The list index is the library's port index at Open, so a gap would
        // open the wrong port: the list ends at the first port it cannot name.
        if (getPortInfo_(index, manufacturer.data(), &manufacturerBytes, portId.data(),
                         &portIdBytes, &version) != cl::kNoError) {
            break;
        }
        names.push_back(TextFromLibraryBuffer(manufacturer.data()) + " - " +
                        TextFromLibraryBuffer(portId.data()));
    }
    return names;
}

ResultCode CCommLinkAllSerial::Open(int index) {
    (void)Close();
    // Named before the library is located for the port: the first question
    // about the list loads and releases the library itself.
    const bool known = !GetPortName(index).empty();
    if (!Locate()) {
        return rc::kPortNotFound;
    }
    // An unknown index must not keep the library loaded while no port is open.
    if (!known) {
        ReleaseLibrary();
        return rc::kPortNotFound;
    }
    const ResultCode result = InitSerial(static_cast<std::uint32_t>(index));
    if (result != rc::kOk) {
        ReleaseLibrary();
    }
    return result;
}

ResultCode CCommLinkAllSerial::Purge() {
    if (!IsOpen()) {
        return rc::kPortUnavailable;
    }
    flushPort_(Reference());
    return rc::kOk;
}

}  // namespace xkiv
