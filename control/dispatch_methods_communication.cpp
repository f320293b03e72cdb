// The communication methods of the dispatch interface: transport and port questions,
// opening a port, and the search of every port for a camera.
#include "control/dispatch_methods.h"

#include <memory>

#include "control/control.h"
#include "control/dispatch_method_families.h"

namespace xkiv {

using method_families::Store;

std::int32_t ControlMethods::AskCommClassRange(std::int32_t nMinMax) const {
    return nMinMax == 0 ? 0 : control_.GetClassCount() - 1;
}

std::string ControlMethods::AskCommClassString(std::int32_t nIndex) const {
    if (nIndex < 0 || nIndex >= control_.GetClassCount()) {
        return {};
    }
    return control_.GetClassName(nIndex);
}

std::int32_t ControlMethods::AskCommPortRange(std::int32_t nClass, std::int32_t nMinMax) const {
    return nMinMax == 0 ? 0 : control_.GetPortCount(nClass) - 1;
}

std::string ControlMethods::AskCommPortString(std::int32_t nClass, std::int32_t nIndex) const {
    if (nClass < 0 || nClass >= control_.GetClassCount() || nIndex < 0 ||
        nIndex >= control_.GetPortCount(nClass)) {
        return {};
    }
    return control_.GetPortName(nClass, nIndex);
}

ResultCode ControlMethods::StartCommunication(std::int32_t nClass, std::int32_t nPort) {
    const ResultCode result = control_.OpenCommunication(nClass, nPort);
    control_.RaiseCameraError(-1, result);
    return result;
}

std::int32_t ControlMethods::AutoSelectCommunication(std::int32_t* pnClass, std::int32_t* pnPort,
                                                     std::int32_t nShowProgressBar) {
    // Destroyed on every return, which gives the main window back.
    std::unique_ptr<ProgressIndicator> progress;
    if (nShowProgressBar != 0) {
        progress = control_.Module().Ui().CreateProgress();
        progress->SetRange(0, CountSearchPorts());
        progress->SetPumpMessages(true);
        progress->ShowCancelButton();
    }
    // The window stays alive while a port is tried, so Cancel can come
    // during the try: the camera found then is let go again.
    const auto cancelled = [&progress] { return Cancelled(progress); };
    // Every transport is searched, COM ports first, the network last. Bounding the classes by
    // the class count would leave the Camera Link ports out whenever no COM
    // port exists, because the count then is 1 and class 0 is the COM class.
    // Port counts are asked again for every port: the lists may change while
    // messages are pumped.
    for (int commClass = 0; commClass < kSearchedClasses; ++commClass) {
        for (int port = 0; port < control_.GetPortCount(commClass); ++port) {
            if (progress) {
                progress->SetInfoText("Checking " + control_.GetPortName(commClass, port) + " ...");
                progress->StepIt();
            }
            if (cancelled()) {
                return 0;
            }
            // The connection without its closing read of the model name: the
            // identification has just read it.
            const ResultCode result = control_.OpenAndIdentify(commClass, port);
            if (cancelled()) {
                if (result == rc::kOk) {
                    control_.GoOffline();
                }
                return 0;
            }
            if (result == rc::kOk) {
                Store(pnClass, commClass);
                Store(pnPort, port);
                return 1;
            }
        }
    }
    return 0;
}

int ControlMethods::CountSearchPorts() const {
    int total = 0;
    for (int commClass = 0; commClass < kSearchedClasses; ++commClass) {
        total += control_.GetPortCount(commClass);
    }
    return total;
}

}  // namespace xkiv
