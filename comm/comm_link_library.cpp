// Camera Link serial library binding, serial I/O and status-code mapping.
#include "comm/comm_link_library.h"

#include "platform/console_ui.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace xkiv {

std::string TextFromLibraryBuffer(const char* buffer) {
    return std::string(buffer, ::strnlen(buffer, cl::kTextBufferSize - 1));
}

CCommLinkLibrary::~CCommLinkLibrary() {
    // Derived classes hold no open state of their own, so the base's Close
    // releases everything.
    (void)CCommLinkLibrary::Close();
}

bool CCommLinkLibrary::IsOpen() const {
    return library_ != nullptr && reference_ != nullptr;
}

const std::vector<std::string>& CCommLinkLibrary::Ports() const {
    if (!ports_) {
        // Listing loads and releases the library and leaves the transport as
        // it was: the list is what changes, and it is built only once.
        ports_ = const_cast<CCommLinkLibrary*>(this)->ListLibraryPorts();
    }
    return *ports_;
}

int CCommLinkLibrary::GetPortCount() const {
    return static_cast<int>(Ports().size());
}

std::string CCommLinkLibrary::GetPortName(int index) const {
    if (index < 0 || index >= GetPortCount()) {
        return {};
    }
    return Ports()[static_cast<std::size_t>(index)];
}

ResultCode CCommLinkLibrary::Close() {
    if (reference_ != nullptr && serialClose_ != nullptr) {
        serialClose_(reference_);
    }
    reference_ = nullptr;
    ReleaseLibrary();
    return rc::kOk;
}

std::int32_t CCommLinkLibrary::GetBytesAvailable() {
    return IsOpen() ? 1 : 0;
}

ResultCode CCommLinkLibrary::Write(const std::uint8_t* bytes, std::size_t length,
                                   std::uint32_t timeoutMs) {
    if (!IsOpen()) {
        return rc::kPortUnavailable;
    }
    if (length > std::numeric_limits<std::uint32_t>::max()) {
        return rc::kWriteFailed;
    }
    auto written = static_cast<std::uint32_t>(length);
    // The standard's signature takes a mutable buffer; the libraries only read it.
    char* data = reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes));
    const std::int32_t status = serialWrite_(reference_, data, &written, timeoutMs);
    if (status != cl::kNoError) {
        return status == cl::kErrTimeout ? rc::kWriteTimeout : rc::kWriteFailed;
    }
    // Success with bytes left over would lose part of a command silently.
    return written == length ? rc::kOk : rc::kWriteFailed;
}

ResultCode CCommLinkLibrary::Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                                  std::uint32_t timeoutMs) {
    received = 0;
    if (!IsOpen()) {
        return rc::kPortUnavailable;
    }
    const std::int32_t status = ReadRaw(buffer, count, received, timeoutMs);
    if (status == cl::kNoError) {
        return rc::kOk;
    }
    return status == cl::kErrTimeout ? rc::kReadTimeout : rc::kReadFailed;
}

std::int32_t CCommLinkLibrary::ReadRaw(std::uint8_t* buffer, std::size_t count,
                                       std::size_t& received, std::uint32_t timeoutMs) {
    if (count > std::numeric_limits<std::uint32_t>::max()) {
        count = std::numeric_limits<std::uint32_t>::max();
    }
    auto got = static_cast<std::uint32_t>(count);
    const std::int32_t status =
        serialRead_(reference_, reinterpret_cast<char*>(buffer), &got, timeoutMs);
    received = std::min<std::size_t>(got, count);
    return status;
}

bool CCommLinkLibrary::LoadFrom(const std::string& nameOrPath) {
    ReleaseLibrary();
    std::string error;
    bool refused = false;
    auto library = DynamicLibrary::Load(nameOrPath, &error, &refused);
    if (library == nullptr) {
        // A missing candidate is normal (the next one is tried); a file that
        // is there but unsafe to load is something the user must hear of.
        if (refused) {
            SayOnStderr(error);
        }
        return false;
    }
    const bool bound = BindEntry(*library, "clSerialInit", serialInit_) &&
                       BindEntry(*library, "clSerialClose", serialClose_) &&
                       BindEntry(*library, "clSerialRead", serialRead_) &&
                       BindEntry(*library, "clSerialWrite", serialWrite_) &&
                       BindEntry(*library, "clSetBaudRate", setBaudRate_) &&
                       BindOwnEntryPoints(*library);
    if (!bound) {
        // The library goes away with this scope, and every pointer bound from it with it.
        ClearCommonEntries();
        return false;
    }
    library_ = std::move(library);
    return true;
}

void CCommLinkLibrary::ReleaseLibrary() {
    ClearCommonEntries();
    library_.reset();
}

void CCommLinkLibrary::ClearCommonEntries() {
    serialInit_ = nullptr;
    serialClose_ = nullptr;
    serialRead_ = nullptr;
    serialWrite_ = nullptr;
    setBaudRate_ = nullptr;
}

ResultCode CCommLinkLibrary::InitSerial(std::uint32_t serialIndex) {
    cl::SerialRef reference = nullptr;
    if (serialInit_(serialIndex, &reference) != cl::kNoError || reference == nullptr) {
        return rc::kPortInUse;
    }
    reference_ = reference;
    setBaudRate_(reference_, cl::kBaudRate9600);
    return rc::kOk;
}

}  // namespace xkiv
