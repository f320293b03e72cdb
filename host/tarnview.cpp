// Tarnview: the program that carries the camera control in a window of its own.
#include <QApplication>
#include <cstring>
#include <iostream>

#include "host/control_dialog.h"
#include "host/termination_signals.h"
#include "host/version_info.h"

namespace {

constexpr const char* kUsage =
    "Usage: Tarnview [OPTION]...\n"
    "Opens the control of RZ colour line-scan cameras in a window of its own. The control\n"
    "is created through the class registry: the registration installed with the package,\n"
    "or the user's own (xkivctl register). Without a registered control the window opens\n"
    "empty and stderr says how to register it.\n"
    "\n"
    "The window's context menu (right click, or the menu key) holds \"About Tarnview...\".\n"
    "Minimising the window hides the control's panels; closing it asks first.\n"
    "\n"
    "Options:\n"
    "  --version    print the version information and exit\n"
    "  --help       show this help and exit\n"
    "\n"
    "Qt's own options, such as -platform NAME, are accepted as well.\n";

void PrintVersion() {
    using namespace xkiv::host;
    std::cout << "Product name: " << kProductName << "\n"
              << "File description: " << kFileDescription << "\n"
              << "Internal name: " << kInternalName << "\n"
              << "File version: " << kFileVersion << "\n"
              << "Product version: " << kProductVersion << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        // Answered before Qt starts, so that it works without a display.
        if (std::strcmp(argv[i], "--version") == 0) {
            PrintVersion();
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::cout << kUsage;
            return 0;
        }
    }
    QApplication application(argc, argv);
    // A logout or a service stop ends the program as a normal close does,
    // so that the control writes its values and panel places. The handlers
    // outlive the window. A signal that comes while the window is made (its
    // control may connect to the camera and serve events meanwhile) is kept
    // and ends the window as soon as it runs.
    xkiv::host::CControlDialog* window = nullptr;
    bool endRequested = false;
    const xkiv::host::TerminationSignals termination([&window, &endRequested](int) {
        if (window != nullptr) {
            window->EndWithoutQuestion();
        } else {
            endRequested = true;
        }
    });
    xkiv::host::CControlDialog dialog;
    window = &dialog;
    if (endRequested) {
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.EndWithoutQuestion(); }, Qt::QueuedConnection);
    }
    dialog.exec();
    window = nullptr;
    return 0;
}
