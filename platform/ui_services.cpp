// The silent user-interface services and the progress title format.
#include "platform/ui_services.h"

#include <cstdio>

namespace xkiv {

namespace {

class SilentProgress final : public ProgressIndicator {
public:
    void SetInfoText(const std::string&) override {}
    void SetRange(int, int) override {}
    void SetPosition(int) override {}
    void StepIt() override {}
    void ShowCancelButton() override {}
    void SetPumpMessages(bool) override {}
    bool CancelRequested() const override { return false; }
};

class Silent final : public UiServices {
public:
    std::unique_ptr<ProgressIndicator> CreateProgress() override {
        return std::make_unique<SilentProgress>();
    }
    void ShowMessage(const std::string&, MessageIcon) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void PumpMessages() override {}
};

}  // namespace

UiServices& SilentUiServices() {
    static Silent services;
    return services;
}

std::string FormatProgressTitle(const std::string& caption, int lower, int upper, int position) {
    const int span = upper - lower;
    const float share = span != 0 ? static_cast<float>(position) / static_cast<float>(span) : 0.0f;
    char percent[32];
    std::snprintf(percent, sizeof percent, " (%5.1f%%)", static_cast<double>(share) * 100.0);
    return caption + percent;
}

}  // namespace xkiv
