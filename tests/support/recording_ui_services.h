// User-interface services that record what they were asked to show, for tests.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui_services.h"

namespace xkiv::test {

// Keeps a log of every call as text ("progress:text=...", "step", "message:...")
// and lets a test request cancelling after a number of steps.
class RecordingUiServices final : public UiServices {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
    };

    std::vector<std::string> log;
    std::vector<Message> messages;
    int progressOpen = 0;     // progress windows alive now
    int maxProgressOpen = 0;  // most alive at once
    int waitCursor = 0;
    int pumps = 0;
    int cancelAfterSteps = -1;  // request cancel once this many steps were taken
    std::function<void()> onPump;

    std::unique_ptr<ProgressIndicator> CreateProgress() override {
        return std::make_unique<Progress>(*this);
    }
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        messages.push_back({text, icon});
        log.push_back("message:" + text);
    }
    void BeginWaitCursor() override { ++waitCursor; }
    void EndWaitCursor() override { --waitCursor; }
    void PumpMessages() override {
        ++pumps;
        if (onPump) {
            onPump();
        }
    }

    int StepCount() const {
        int steps = 0;
        for (const std::string& entry : log) {
            steps += entry == "step";
        }
        return steps;
    }

private:
    class Progress final : public ProgressIndicator {
    public:
        explicit Progress(RecordingUiServices& owner) : owner_(owner) {
            ++owner_.progressOpen;
            owner_.maxProgressOpen = std::max(owner_.maxProgressOpen, owner_.progressOpen);
            owner_.log.push_back("progress:open");
        }
        ~Progress() override {
            --owner_.progressOpen;
            owner_.log.push_back("progress:close");
        }
        void SetInfoText(const std::string& text) override {
            owner_.log.push_back("progress:text=" + text);
        }
        void SetRange(int lower, int upper) override {
            owner_.log.push_back("progress:range=" + std::to_string(lower) + ".." +
                                 std::to_string(upper));
        }
        void SetPosition(int position) override {
            owner_.log.push_back("progress:position=" + std::to_string(position));
        }
        void StepIt() override {
            owner_.log.push_back("step");
            ++steps_;
            if (pump_) {
                owner_.PumpMessages();
            }
        }
        void ShowCancelButton() override { owner_.log.push_back("progress:cancel-button"); }
        void SetPumpMessages(bool pump) override { pump_ = pump; }
        bool CancelRequested() const override {
            return owner_.cancelAfterSteps >= 0 && steps_ >= owner_.cancelAfterSteps;
        }

    private:
        RecordingUiServices& owner_;
        int steps_ = 0;
        bool pump_ = false;
    };
};

}  // namespace xkiv::test
