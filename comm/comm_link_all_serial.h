// Camera Link transport over the all-vendor serial library, one port per grabber port.
#pragma once

#include <string>
#include <vector>

#include "comm/comm_link_library.h"

namespace xkiv {

// The all-vendor serial library's file name.
inline constexpr const char* kAllSerialLibraryName = "libclallserial.so";

// Where to look for the all-vendor library, in order, given the value of
// CLSERIALPATH (empty when unset): a value ending in ".so" (any case) is the
// library file itself; otherwise, or should that file fail, the value is its
// folder; last, plainName through the system's library search order.
std::vector<std::string> AllSerialLibraryCandidates(const std::string& pathValue,
                                                    const std::string& plainName);

// "CamLink-AllSerial": the all-vendor serial library of the Camera Link
// standard, which lists the serial ports of every installed vendor library.
// Ports are named "<manufacturer> - <port identifier>". The library is
// located anew at every load, from CLSERIALPATH in the environment; a
// candidate that loads but lacks an entry point counts as not found.
class CCommLinkAllSerial final : public CCommLinkLibrary {
public:
    // Lists the library's ports when first asked; plainName is the last
    // place to look (tests name another file).
    explicit CCommLinkAllSerial(std::string plainName = kAllSerialLibraryName);

    std::string GetClassName() const override;
    // 0; 1 when the library is missing or incomplete or index names no port;
    // 3 when the port cannot be initialised. Every failure leaves the
    // library released.
    [[nodiscard]] ResultCode Open(int index) override;
    // Discards the library's input. 0, or 2 when closed.
    [[nodiscard]] ResultCode Purge() override;

private:
    bool BindOwnEntryPoints(const DynamicLibrary& library) override;
    bool Locate();
    std::vector<std::string> ListLibraryPorts() override;
    std::vector<std::string> ListPorts();

    std::string plainName_;
    cl::GetNumPortsFn getNumPorts_ = nullptr;
    cl::GetPortInfoFn getPortInfo_ = nullptr;
    cl::FlushPortFn flushPort_ = nullptr;
};

}  // namespace xkiv
