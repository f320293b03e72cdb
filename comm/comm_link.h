// Camera Link transport (class 1, "CameraLink").
#pragma once

#include <string>

#include "comm/comm_abstract.h"

namespace xkiv {

// The composite Camera Link transport. Its ports come from the frame
// grabber's serial libraries; until those are loaded it offers no ports and
// Open gives 1.
class CCommLink final : public CCommAbstract {
public:
    CCommLink() = default;
    ~CCommLink() override;

    bool IsOpen() const override;
    int GetPortCount() const override;
    std::string GetPortName(int index) const override;
    std::string GetClassName() const override;
    ResultCode Open(int index) override;
    ResultCode Close() override;
    ResultCode Purge() override;
    std::int32_t GetBytesAvailable() override;
    ResultCode Write(const std::uint8_t* bytes, std::size_t length,
                     std::uint32_t timeoutMs) override;
    ResultCode Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                    std::uint32_t timeoutMs) override;
};

}  // namespace xkiv
