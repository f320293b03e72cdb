// A camera object that records its notifications, for tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "camera/camera.h"

namespace xkiv::test {

// Keeps the base behaviour of every notification and records it as text
// ("Online:1", "Value:GA", "Sent:GA=1\r\n", ...). Also opens the protected
// local setters to tests.
class RecordingCamera : public CCamera {
public:
    using CCamera::CCamera;
    ~RecordingCamera() override = default;

    void OnlineChanged(bool online) override {
        events.push_back(std::string("Online:") + (online ? "1" : "0"));
        CCamera::OnlineChanged(online);
    }
    void SynchronizedChanged(bool synchronized) override {
        events.push_back(std::string("Synchronized:") + (synchronized ? "1" : "0"));
        CCamera::SynchronizedChanged(synchronized);
    }
    void SendingChanged(bool sending) override {
        events.push_back(std::string("Sending:") + (sending ? "1" : "0"));
        CCamera::SendingChanged(sending);
    }
    void ReceivingChanged(bool receiving) override {
        events.push_back(std::string("Receiving:") + (receiving ? "1" : "0"));
        CCamera::ReceivingChanged(receiving);
    }
    void CommPortChanged() override { events.push_back("CommPort"); }
    void ValueChanged(int row, bool refresh) override {
        const std::string name = Mnemonic(row).empty() ? std::to_string(row) : Mnemonic(row);
        events.push_back("Value:" + name + (refresh ? "" : ":norefresh"));
    }
    void LogMessage(const std::string& text, bool sent) override {
        events.push_back(std::string(sent ? "Sent:" : "Answer:") + text);
    }

    using CCamera::GoOffline;
    using CCamera::StoreText;
    using CCamera::StoreValue;

    std::vector<std::string> events;
};

}  // namespace xkiv::test
