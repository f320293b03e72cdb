// User-interface services for the command line: progress bar and messages on stderr.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/ui_services.h"

namespace xkiv {

// Shows progress as a bar on stderr when stderr is a terminal (nothing
// otherwise, so that logs stay clean) and message boxes as lines on stderr,
// prefixed with the program's name. Cancel is requested by SIGINT while a
// cancellable progress is shown.
class ConsoleUiServices final : public UiServices {
public:
    explicit ConsoleUiServices(std::string program, std::FILE* out = stderr, bool forceBar = false);

    std::unique_ptr<ProgressIndicator> CreateProgress() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void PumpMessages() override {}

    // Set from a SIGINT handler; read by cancellable progress.
    static void RequestCancel();
    static bool CancelPending();
    static void ClearCancel();

private:
    std::string program_;
    std::FILE* out_;
    bool bar_;
};

// Writes "program: text" as one line on stderr, program being the running
// program's short name and the text's control characters escaped (it may
// name a file): for what the user must hear although no caller can pass it
// on, such as a library refused as unsafe or a wait for a lock.
void SayOnStderr(const std::string& text);

}  // namespace xkiv
