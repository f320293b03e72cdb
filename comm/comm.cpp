// The communication front: transports, port selection and its profile keys.
#include "comm/comm.h"

#include <utility>

namespace xkiv {

namespace {

constexpr const char* kSection = "Comm";
constexpr const char* kClassKey = "Class";
constexpr const char* kPortKey = "Port";
constexpr const char* kDevicesKey = "Devices";
// The name of the selected port: the order of serial devices changes when
// adapters come and go, so the name picks the port where it is listed.
constexpr const char* kPortNameKey = "PortName";

constexpr int kSerialClass = 0;
constexpr int kCameraLinkClass = 1;

}  // namespace

CComm::CComm(ProfileStore& profile)
    : CComm(profile,
            std::make_unique<CCommPort>(profile.GetString(kSection, kDevicesKey, ""),
                                        profile.GetInt(kSection, kClassKey, 0) == kSerialClass
                                            ? profile.GetString(kSection, kPortNameKey, "")
                                            : std::string()),
            std::make_unique<CCommLink>(), SerialPortsGivenForThisRun()) {}

CComm::CComm(ProfileStore& profile, std::unique_ptr<CCommAbstract> comPort,
             std::unique_ptr<CCommAbstract> cameraLink, bool serialPortsGiven)
    : profile_(profile),
      serialPortsGiven_(serialPortsGiven),
      current_(comPort.get()),
      comPort_(std::move(comPort)),
      cameraLink_(std::move(cameraLink)) {}

CComm::~CComm() {
    (void)current_->Close();
    SaveSelection();
    profile_.Flush();
}

int CComm::GetClassCount() const {
    return (comPort_->GetPortCount() > 0 ? 1 : 0) + (cameraLink_->GetPortCount() > 0 ? 1 : 0);
}

std::string CComm::GetClassName(int commClass) const {
    return commClass != kSerialClass ? cameraLink_->GetClassName() : comPort_->GetClassName();
}

std::string CComm::GetPortName(int commClass, int index) const {
    return commClass != kSerialClass ? cameraLink_->GetPortName(index)
                                     : comPort_->GetPortName(index);
}

int CComm::GetPortCount(int commClass) const {
    return commClass != kSerialClass ? cameraLink_->GetPortCount() : comPort_->GetPortCount();
}

CCommAbstract& CComm::Transport(int commClass) {
    return commClass != kSerialClass ? *cameraLink_ : *comPort_;
}

void CComm::Select(int commClass, int port) {
    (void)current_->Close();
    // Choosing the port the stored selection resolved to keeps a stored name
    // this run lacks; a choice made before any was resolved keeps nothing.
    keepStored_ = keepStored_ && commClass == class_ && port == port_;
    selectionResolved_ = true;
    class_ = commClass;
    port_ = port;
    current_ = &Transport(commClass);
}

ResultCode CComm::SelectAndOpen(int commClass, int port) {
    Select(commClass, port);
    return current_->Open(port);
}

int CComm::FindPort(int commClass, const std::string& name) const {
    for (int index = 0; !name.empty() && index < GetPortCount(commClass); ++index) {
        if (GetPortName(commClass, index) == name) {
            return index;
        }
    }
    return -1;
}

void CComm::ResolveSelection() const {
    if (!selectionResolved_) {
        selectionResolved_ = true;
        LoadSelection();
    }
}

void CComm::LoadSelection() const {
    class_ = profile_.GetInt(kSection, kClassKey, 0);
    port_ = profile_.GetInt(kSection, kPortKey, 0);
    const std::string name = profile_.GetString(kSection, kPortNameKey, "");
    const bool givenList = class_ == kSerialClass && serialPortsGiven_;
    // Class 0 is always acceptable (it is the default); Camera Link only while
    // its libraries offer ports. Judging the Camera Link class by its own port
    // count rather than by the number of usable classes keeps it selected on a
    // machine without serial devices.
    const bool classUsable =
        class_ == kSerialClass || (class_ == kCameraLinkClass && cameraLink_->GetPortCount() > 0);
    const int named = classUsable ? FindPort(class_, name) : -1;
    keepStored_ = !name.empty() && named < 0 && !givenList;
    if (!classUsable) {
        class_ = kSerialClass;
        port_ = 0;
    } else if (named >= 0) {
        port_ = named;
    } else if (port_ < 0 || port_ >= GetPortCount(class_)) {
        port_ = 0;
    }
}

void CComm::SaveSelection() {
    // A selection never asked for is the profile's own: nothing to write.
    if (!selectionResolved_ || keepStored_) {
        return;
    }
    // Only what differs from the profile is written, so that a run that kept
    // the selection does not undo one another run stored meanwhile.
    const auto update = [this](const char* key, int value) {
        if (profile_.GetInt(kSection, key, 0) != value) {
            profile_.WriteInt(kSection, key, value);
        }
    };
    update(kClassKey, class_);
    update(kPortKey, port_);
    const std::string name = GetPortName(class_, port_);
    if (!name.empty()) {
        profile_.WriteString(kSection, kPortNameKey, name);
    }
}

}  // namespace xkiv
