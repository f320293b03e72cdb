// What the two Camera Link serial transports share: library binding, serial I/O, Close.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/camera_link_api.h"
#include "comm/comm_abstract.h"
#include "platform/library.h"

namespace xkiv {

// A transport over one Camera Link serial library. The library is loaded
// only while a port is open (and briefly while the port list is built, when
// the list is first asked for, so that a run that never chooses a Camera
// Link port never looks for the library); a load succeeds only when every
// entry point the class requires is found.
// Derived classes name the library, bind their own entry points, build the
// port list and open ports; this class does the serial I/O both libraries
// offer with the same signatures and maps the libraries' status codes to
// result codes.
class CCommLinkLibrary : public CCommAbstract {
public:
    // Closes what is open.
    ~CCommLinkLibrary() override;

    bool IsOpen() const override;
    int GetPortCount() const override;
    std::string GetPortName(int index) const override;
    // clSerialClose when a reference is held, then releases the library.
    [[nodiscard]] ResultCode Close() override;
    // The libraries cannot tell; 1 while open lets a caller go on to Read.
    std::int32_t GetBytesAvailable() override;
    // 0, 2 (not open), 6 (CL_ERR_TIMEOUT) or 4 (any other failure, or the
    // library claiming success with bytes left unsent).
    [[nodiscard]] ResultCode Write(const std::uint8_t* bytes, std::size_t length,
                                   std::uint32_t timeoutMs) override;
    // 0, 2 (not open), 7 (CL_ERR_TIMEOUT) or 5 (any other failure).
    // received never exceeds count, whatever the library reports.
    [[nodiscard]] ResultCode Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                                  std::uint32_t timeoutMs) override;

protected:
    CCommLinkLibrary() = default;

    // Binds the class's own entry points from a freshly loaded library; false
    // when one is missing. Called by LoadFrom.
    virtual bool BindOwnEntryPoints(const DynamicLibrary& library) = 0;
    // Loads the library, lists its ports and releases it again; empty when it
    // cannot be loaded. Called once, on the first question about the list,
    // while no port is open.
    virtual std::vector<std::string> ListLibraryPorts() = 0;

    // Loads the library from a path or plain name and binds the common entry
    // points and the class's own; on any failure nothing stays loaded. Only
    // called while no port is open.
    bool LoadFrom(const std::string& nameOrPath);
    void ReleaseLibrary();

    // clSerialInit on the loaded library, then 9600 baud (a refusal of the
    // rate is ignored: the port still works at whatever it runs). 0, or 3
    // when the port cannot be initialised.
    [[nodiscard]] ResultCode InitSerial(std::uint32_t serialIndex);
    cl::SerialRef Reference() const { return reference_; }

    // One read call into the library, count clamped to what it reports.
    std::int32_t ReadRaw(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                         std::uint32_t timeoutMs);

private:
    const std::vector<std::string>& Ports() const;
    void ClearCommonEntries();

    mutable std::optional<std::vector<std::string>> ports_;
    std::unique_ptr<DynamicLibrary> library_;
    cl::SerialInitFn serialInit_ = nullptr;
    cl::SerialCloseFn serialClose_ = nullptr;
    cl::SerialReadFn serialRead_ = nullptr;
    cl::SerialWriteFn serialWrite_ = nullptr;
    cl::SetBaudRateFn setBaudRate_ = nullptr;
    cl::SerialRef reference_ = nullptr;
};

// Most entries a library may report; a count beyond it comes from a broken
// library and is cut, so that listing ends.
inline constexpr std::uint32_t kMaxLibraryPorts = 256;

// Text a library wrote into a buffer of cl::kTextBufferSize bytes, read only
// up to the buffer's end even when the library left out the terminator.
std::string TextFromLibraryBuffer(const char* buffer);

// Binds one entry point into slot; false when the library lacks it.
template <typename Function>
bool BindEntry(const DynamicLibrary& library, const char* name, Function& slot) {
    slot = library.Entry<Function>(name);
    return slot != nullptr;
}

}  // namespace xkiv
