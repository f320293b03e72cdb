// The console progress bar and message lines.
#include "platform/console_ui.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <utility>

#include "platform/hot_path.h"
#include "platform/text.h"

namespace xkiv {

namespace {

volatile std::sig_atomic_t cancelRequested = 0;

constexpr int kBarWidth = 30;

const char* IconWord(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Stop:
            return "error";
        case MessageIcon::Warning:
            return "warning";
        case MessageIcon::Question:
            return "question";
        case MessageIcon::Information:
            break;
    }
    return "info";
}

class ConsoleProgress final : public ProgressIndicator {
public:
    ConsoleProgress(std::FILE* out, bool bar) : out_(out), bar_(bar) {}
    ~ConsoleProgress() override {
        if (bar_ && drawn_) {
            std::fprintf(out_, "\r\033[K");
            std::fflush(out_);
        }
    }
    void SetInfoText(const std::string& text) override {
        text_ = text;
        Draw();
    }
    void SetRange(int lower, int upper) override {
        lower_ = lower;
        upper_ = upper;
        position_ = lower;
    }
    void SetPosition(int position) override {
        position_ = position;
        Draw();
    }
    XKIV_HOT void StepIt() override {
        ++position_;
        Draw();
    }
    void ShowCancelButton() override { cancellable_ = true; }
    void SetPumpMessages(bool) override {}
    XKIV_HOT bool CancelRequested() const override {
        return cancellable_ && ConsoleUiServices::CancelPending();
    }

private:
    XKIV_HOT void Draw() {
        if (!bar_) {
            return;
        }
        const int span = upper_ - lower_;
        const int filled = span > 0 ? (position_ - lower_) * kBarWidth / span : 0;
        std::string bar(static_cast<std::size_t>(std::clamp(filled, 0, kBarWidth)), '#');
        bar.resize(kBarWidth, '.');
        const std::string title = FormatProgressTitle("", lower_, upper_, position_);
        std::fprintf(out_, "\r\033[K[%s]%s %s", bar.c_str(), title.c_str(), text_.c_str());
        std::fflush(out_);
        drawn_ = true;
    }

    std::FILE* out_;
    bool bar_;
    bool drawn_ = false;
    bool cancellable_ = false;
    std::string text_;
    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
};

}  // namespace

ConsoleUiServices::ConsoleUiServices(std::string program, std::FILE* out, bool forceBar)
    : program_(std::move(program)), out_(out), bar_(forceBar || ::isatty(::fileno(out)) == 1) {}

std::unique_ptr<ProgressIndicator> ConsoleUiServices::CreateProgress() {
    return std::make_unique<ConsoleProgress>(out_, bar_);
}

void ConsoleUiServices::ShowMessage(const std::string& text, MessageIcon icon) {
    // A message box's line breaks become spaces on the console's one line.
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        line += (c == '\r' || c == '\n') ? ' ' : c;
    }
    std::fprintf(out_, "%s: %s: %s\n", program_.c_str(), IconWord(icon), line.c_str());
    std::fflush(out_);
}

void SayOnStderr(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name,
                 EscapeControls(text, KeptText::Utf8).c_str());
    std::fflush(stderr);
}

void ConsoleUiServices::RequestCancel() {
    cancelRequested = 1;
}

bool ConsoleUiServices::CancelPending() {
    return cancelRequested != 0;
}

void ConsoleUiServices::ClearCancel() {
    cancelRequested = 0;
}

}  // namespace xkiv
