// The module object of the control library: its name, profile, host folder and services.
#pragma once

#include <memory>
#include <string>

#include "control/panel.h"
#include "platform/clock.h"
#include "platform/profile_store.h"
#include "platform/ui_services.h"

namespace xkiv {

// One per loaded control module. Holds what the control's instances share:
// the application name (title of every message box), the per-user profile
// under the profile root, the folder of the running executable, the
// user-interface services and panel factory that the container installs
// (silent services and no panels in a process without windows) and the
// clock that waits use.
class CXKivRZ150LX {
public:
    static constexpr const char* kApplicationName = "XKivRZ150LX Control";
    static constexpr const char* kPropertyPageName = "XKivRZ150LX Property Page";
    static constexpr const char* kProfileRoot = "KIV";

    // The module's profile at ProfileStore::DefaultPath(root, application).
    CXKivRZ150LX();
    // For tests: a profile file of their own and a clock they drive.
    CXKivRZ150LX(const std::filesystem::path& profileFile, Clock& clock);

    const std::string& ApplicationName() const { return applicationName_; }
    // Folder of the executable of the process, ending in '/'; empty when
    // it cannot be found.
    const std::string& HostFolder() const { return hostFolder_; }
    ProfileStore& Profile() { return *profile_; }
    Clock& GetClock() { return clock_; }

    void SetPanelFactory(PanelFactory* factory) { panelFactory_ = factory; }
    PanelFactory* GetPanelFactory() { return panelFactory_; }
    // The services installed last (borrowed; null restores the silent ones).
    // Ui() stays valid across changes: it forwards to whatever is installed.
    void SetUiServices(UiServices* services);
    UiServices& Ui();

private:
    class ForwardingUi;
    std::string applicationName_ = kApplicationName;
    std::string hostFolder_;
    std::unique_ptr<ProfileStore> profile_;
    Clock& clock_;
    PanelFactory* panelFactory_ = nullptr;
    UiServices* installedUi_ = nullptr;
    std::unique_ptr<UiServices> forwardingUi_;
};

// The module object of this process.
CXKivRZ150LX& TheModule();

}  // namespace xkiv
