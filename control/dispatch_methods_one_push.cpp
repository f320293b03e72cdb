// The one-push methods of the dispatch interface: start a camera calibration, poll its
// result, report it, and read back what it changed.
#include "control/dispatch_methods.h"

#include <algorithm>
#include <array>
#include <span>

#include "camera/parameter_table.h"
#include "control/control.h"
#include "control/dispatch_method_families.h"

namespace xkiv {
namespace {

using method_families::Store;

constexpr std::int64_t kOnePushPollMs = 100;
constexpr std::int64_t kOnePushLimitMs = 10000;

// Values of the one-push result list.
constexpr std::int32_t kOnePushNotFinished = 0;
constexpr std::int32_t kOnePushSucceeded = 1;
constexpr std::int32_t kOnePushTimedOut = 4;

// What a one-push command's message starts with, and which rows change as a
// consequence of its success and are read back.
struct OnePushCommand {
    int row;
    const char* messagePrefix;
    std::span<const int> refreshRows;
};

constexpr int kExposureRows[] = {row::PER, row::PEG, row::PEB};
constexpr int kGainRows[] = {row::GA, row::GAR, row::GAB};

constexpr std::array kOnePushCommands = {
    OnePushCommand{row::AH, "One-Push AWB Shutter ", kExposureRows},
    OnePushCommand{row::AW, "One-Push AWB ", kGainRows},
    OnePushCommand{row::SDR, "Shading Correction ", {}},
    OnePushCommand{row::PGR, "Pixel Gain Correction  ", {}},
    OnePushCommand{row::PBR, "Pixel Black Correction ", {}},
};

const OnePushCommand* FindOnePushCommand(int commandRow) {
    const auto found = std::find_if(
        kOnePushCommands.begin(), kOnePushCommands.end(),
        [commandRow](const OnePushCommand& command) { return command.row == commandRow; });
    return found != kOnePushCommands.end() ? &*found : nullptr;
}

// Rows that a completed line-rate set changes in the camera.
constexpr std::array kLineRateRefreshRows = {row::LR, row::PER, row::PEG, row::PEB};

}  // namespace

ResultCode ControlMethods::DoOnePushAutoLineRateSet(std::int32_t* pnResult,
                                                    std::int32_t nShowResultMessage) {
    const ResultCode result = control_.SetValue(row::AR, 0, true, true);
    control_.RaiseCameraError(row::AR, result);
    if (result == rc::kOk) {
        Store(pnResult, kOnePushSucceeded);
        for (const int changed : kLineRateRefreshRows) {
            ReadBack(changed);
        }
    } else {
        Store(pnResult, kOnePushTimedOut);
    }
    if (nShowResultMessage == 1) {
        if (result == rc::kOk) {
            control_.Module().Ui().ShowMessage("Completed.", MessageIcon::Information);
        } else {
            control_.Module().Ui().ShowMessage("Failed, " + GetErrorText(result),
                                               MessageIcon::Stop);
        }
    }
    return result;
}

ResultCode ControlMethods::DoOnePushAWBShutter(std::int32_t* pnResult,
                                               std::int32_t nShowResultMessage) {
    return RunOnePush(row::AH, 0, row::AHRS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::DoOnePushAWB(std::int32_t* pnResult, std::int32_t nShowResultMessage) {
    return RunOnePush(row::AW, 0, row::AWRS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::DoOnePushShadingCorrection(std::int32_t nType, std::int32_t* pnResult,
                                                      std::int32_t nShowResultMessage) {
    if (nType != control_.Value(row::ShadingType)) {
        // A local row: SetValue clamps and stores it and reports the change
        // without sending anything.
        (void)control_.SetValue(row::ShadingType, nType, true, false);
        control_.SetModifiedFlag();
    }
    return RunOnePush(row::SDR, nType, row::SDS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::DoOnePushPixelGainCorrection(std::int32_t* pnResult,
                                                        std::int32_t nShowResultMessage) {
    return RunOnePush(row::PGR, 0, row::PGS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::DoOnePushPixelBlackCorrection(std::int32_t* pnResult,
                                                         std::int32_t nShowResultMessage) {
    return RunOnePush(row::PBR, 0, row::PBS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::RunOnePush(int commandRow, std::int32_t commandValue, int resultRow,
                                      std::int32_t* pnResult, std::int32_t nShowResultMessage) {
    std::int32_t outcome = kOnePushNotFinished;
    Store(pnResult, outcome);
    ResultCode result = rc::kOk;
    {
        WaitCursor waitCursor(control_.Module().Ui());
        // Disconnect-on-failure stays off: a lost answer while the camera
        // calibrates must not take it offline.
        result = control_.SetValue(commandRow, commandValue, true, false);
        if (result == rc::kOk) {
            result = PollOnePushResult(resultRow, outcome);
            Store(pnResult, outcome);
        }
        if (result == rc::kOk && outcome == kOnePushSucceeded) {
            if (const OnePushCommand* command = FindOnePushCommand(commandRow)) {
                for (const int changed : command->refreshRows) {
                    ReadBack(changed);
                }
            }
        }
    }
    if (nShowResultMessage != 0) {
        ShowOnePushMessage(commandRow, resultRow, result, outcome);
    }
    return result;
}

ResultCode ControlMethods::PollOnePushResult(int resultRow, std::int32_t& outcome) {
    Clock& clock = control_.Module().GetClock();
    const std::int64_t start = clock.NowMs();
    for (;;) {
        if (clock.NowMs() - start > kOnePushLimitMs) {
            return rc::kTimeout;
        }
        control_.Module().Ui().RunBlocking([&clock] { clock.SleepMs(kOnePushPollMs); });
        if (HasFlag(resultRow, PF_READABLE) && control_.IsOnline() &&
            control_.IsRowSupported(resultRow)) {
            // Polling reads are not reported: the result events fire only
            // when the result changes by other means.
            if (const ResultCode read = control_.ReadParameter(resultRow, false); read != rc::kOk) {
                return read;
            }
        }
        outcome = control_.Value(resultRow);
        if (outcome != kOnePushNotFinished) {
            return rc::kOk;
        }
    }
}

void ControlMethods::ShowOnePushMessage(int commandRow, int resultRow, ResultCode result,
                                        std::int32_t outcome) {
    const OnePushCommand* command = FindOnePushCommand(commandRow);
    std::string text = command != nullptr ? command->messagePrefix : "";
    MessageIcon icon = MessageIcon::Stop;
    if (result != rc::kOk) {
        text += "failed, " + GetErrorText(result);
    } else if (outcome != kOnePushSucceeded) {
        text += "failed. \r\n\"" + control_.GetValueName(resultRow, outcome) + "\".";
    } else {
        text += "completed.";
        icon = MessageIcon::Information;
    }
    control_.Module().Ui().ShowMessage(text, icon);
}

void ControlMethods::ReadBack(int changedRow) {
    // A follow-up read is a courtesy: a failure neither raises nor takes the
    // camera offline, and the mirror keeps its old value.
    if (control_.IsOnline() && control_.ReadParameter(changedRow, false) == rc::kOk) {
        control_.ValueChanged(changedRow, false);
    }
}

}  // namespace xkiv
