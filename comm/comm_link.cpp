// The Camera Link composite: port mapping onto the two serial-library transports.
#include "comm/comm_link.h"

#include <utility>

namespace xkiv {

CCommLink::CCommLink(std::string serialLibrary, std::string allSerialLibrary)
    : serial_(std::move(serialLibrary)), allSerial_(std::move(allSerialLibrary)) {}

CCommLink::~CCommLink() {
    (void)Close();
}

bool CCommLink::IsOpen() const {
    return current_->IsOpen();
}

int CCommLink::GetPortCount() const {
    return serial_.GetPortCount() + allSerial_.GetPortCount();
}

std::string CCommLink::GetPortName(int index) const {
    const int serialPorts = serial_.GetPortCount();
    return index < serialPorts ? serial_.GetPortName(index)
                               : allSerial_.GetPortName(index - serialPorts);
}

std::string CCommLink::GetClassName() const {
    return "CameraLink";
}

ResultCode CCommLink::Open(int index) {
    (void)current_->Close();
    const int serialPorts = serial_.GetPortCount();
    if (index < serialPorts) {
        current_ = &serial_;
        return serial_.Open(index);
    }
    current_ = &allSerial_;
    return allSerial_.Open(index - serialPorts);
}

ResultCode CCommLink::Close() {
    return current_->Close();
}

ResultCode CCommLink::Purge() {
    return current_->Purge();
}

std::int32_t CCommLink::GetBytesAvailable() {
    return current_->GetBytesAvailable();
}

ResultCode CCommLink::Write(const std::uint8_t* bytes, std::size_t length,
                            std::uint32_t timeoutMs) {
    return current_->Write(bytes, length, timeoutMs);
}

ResultCode CCommLink::Read(std::uint8_t* buffer, std::size_t count, std::size_t& received,
                           std::uint32_t timeoutMs) {
    return current_->Read(buffer, count, received, timeoutMs);
}

}  // namespace xkiv
