// The module object: application name, profile, host folder and the installed services.
#include "control/module.h"

#include <system_error>

#include "platform/hot_path.h"

namespace xkiv {

namespace {

// The folder of the running executable (not of this module), ending in '/'.
std::string ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !executable.has_parent_path()) {
        return {};
    }
    std::string folder = executable.parent_path().string();
    if (!folder.ends_with('/')) {
        folder += '/';
    }
    return folder;
}

}  // namespace

// Hands every call to the services installed at the moment of the call, so
// that the camera object can keep one reference for its whole life while
// the container installs and removes its own services.
class CXKivRZ150LX::ForwardingUi final : public UiServices {
public:
    explicit ForwardingUi(CXKivRZ150LX& module) : module_(module) {}

    std::unique_ptr<ProgressIndicator> CreateProgress() override {
        return Target().CreateProgress();
    }
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        Target().ShowMessage(text, icon);
    }
    void BeginWaitCursor() override { Target().BeginWaitCursor(); }
    void EndWaitCursor() override { Target().EndWaitCursor(); }
    void PumpMessages() override { Target().PumpMessages(); }
    XKIV_HOT void RunBlocking(FunctionRef<void()> call) override { Target().RunBlocking(call); }

private:
    UiServices& Target() {
        return module_.installedUi_ != nullptr ? *module_.installedUi_ : SilentUiServices();
    }

    CXKivRZ150LX& module_;
};

CXKivRZ150LX::CXKivRZ150LX()
    : hostFolder_(ExecutableFolder()),
      profile_(std::make_unique<ProfileStore>(
          ProfileStore::DefaultPath(kProfileRoot, kApplicationName))),
      clock_(SystemClock()),
      forwardingUi_(std::make_unique<ForwardingUi>(*this)) {}

CXKivRZ150LX::CXKivRZ150LX(const std::filesystem::path& profileFile, Clock& clock)
    : hostFolder_(ExecutableFolder()),
      profile_(std::make_unique<ProfileStore>(profileFile)),
      clock_(clock),
      forwardingUi_(std::make_unique<ForwardingUi>(*this)) {}

void CXKivRZ150LX::SetUiServices(UiServices* services) {
    installedUi_ = services;
}

UiServices& CXKivRZ150LX::Ui() {
    return *forwardingUi_;
}

CXKivRZ150LX& TheModule() {
    static CXKivRZ150LX module;
    return module;
}

}  // namespace xkiv
