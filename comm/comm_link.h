// Camera Link transport (class 1, "CameraLink"): the vendor and all-vendor serial libraries joined.
#pragma once

#include <string>

#include "comm/comm_abstract.h"
#include "comm/comm_link_all_serial.h"
#include "comm/comm_link_serial.h"

namespace xkiv {

// The composite Camera Link transport. Its port list is the vendor library's
// ports followed by the all-vendor library's; Open makes current the part
// that holds the port, and every other operation goes to the current part.
// Without libraries it offers no ports and Open gives 1.
class CCommLink final : public CCommAbstract {
public:
    CCommLink() = default;
    // For tests: the parts over other library files (see the parts' constructors).
    CCommLink(std::string serialLibrary, std::string allSerialLibrary);
    ~CCommLink() override;

    bool IsOpen() const override;
    int GetPortCount() const override;
    std::string GetPortName(int index) const override;
    std::string GetClassName() const override;
    [[nodiscard]] ResultCode Open(int index) override;
    [[nodiscard]] ResultCode Close() override;
    [[nodiscard]] ResultCode Purge() override;
    std::int32_t GetBytesAvailable() override;
    [[nodiscard]] ResultCode Write(const std::uint8_t* bytes, std::size_t length,
                                   std::uint32_t timeoutMs) override;
    [[nodiscard]] ResultCode Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                                  std::uint32_t timeoutMs) override;

private:
    CCommAbstract* current_ = &serial_;
    CCommLinkSerial serial_;
    CCommLinkAllSerial allSerial_;
};

}  // namespace xkiv
