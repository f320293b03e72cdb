// Camera Link transport over the vendor serial library, one port per manufacturer.
#pragma once

#include <string>

#include "comm/comm_link_library.h"

namespace xkiv {

// The vendor serial library, loaded by plain name through the system's
// library search order.
inline constexpr const char* kSerialLibraryName = "libclserial.so";

// "CamLink-Serial": the vendor serial library, which offers a choice of
// manufacturer before a port is initialised. Each manufacturer the library
// names is one port; opening it selects that manufacturer and initialises
// its first serial port.
class CCommLinkSerial final : public CCommLinkLibrary {
public:
    // Lists the manufacturers of libraryName when first asked (tests name
    // another file).
    explicit CCommLinkSerial(std::string libraryName = kSerialLibraryName);

    std::string GetClassName() const override;
    // 0; 1 when the library is missing or incomplete or index names no
    // manufacturer; 3 when the manufacturer or its port cannot be selected.
    [[nodiscard]] ResultCode Open(int index) override;
    // Reads and drops single bytes until a 1 ms read brings none: the
    // library has no flush. 0, or 2 when closed.
    [[nodiscard]] ResultCode Purge() override;

private:
    bool BindOwnEntryPoints(const DynamicLibrary& library) override;
    std::vector<std::string> ListLibraryPorts() override;
    std::vector<std::string> ListManufacturers();

    std::string libraryName_;
    cl::GetNumManufacturersFn getNumManufacturers_ = nullptr;
    cl::GetManufacturerFn getManufacturer_ = nullptr;
    cl::SelectManufacturerFn selectManufacturer_ = nullptr;
};

}  // namespace xkiv
