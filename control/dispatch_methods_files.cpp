// The file and settings-area methods of the dispatch interface: bulk transfers, camera
// data files, chromatic aberration files, and the camera's settings areas.
#include "control/dispatch_methods.h"

#include <algorithm>

#include "camera/parameter_table.h"
#include "control/control.h"

namespace xkiv {
namespace {

// Bounds of the list family that LoadSettings and StoreSettings clamp into.
constexpr std::int32_t kTestPatternLast = 4;
constexpr std::int32_t kSettingsAreaLast = 2;

}  // namespace

ResultCode ControlMethods::ReadAllFromCamera() {
    int failedRow = 0;
    const ResultCode result = control_.ReadAll(&failedRow);
    control_.RaiseCameraError(failedRow, result);
    return result;
}

ResultCode ControlMethods::WriteAllToCamera() {
    int failedRow = 0;
    const ResultCode result = control_.WriteAll(&failedRow, true);
    control_.RaiseCameraError(failedRow, result);
    return result;
}

ResultCode ControlMethods::ReadAllFromFile(const std::string& fileName) {
    int failedRow = 0;
    bool partlyApplied = false;
    const ResultCode result = control_.ReadSetupFile(fileName, &failedRow, &partlyApplied);
    control_.RaiseCameraError(failedRow, result, partlyApplied);
    return result;
}

ResultCode ControlMethods::WriteAllToFile(const std::string& fileName) {
    int failedRow = 0;
    const ResultCode result = control_.WriteSetupFile(fileName, &failedRow);
    control_.RaiseCameraError(failedRow, result);
    return result;
}

ResultCode ControlMethods::WriteCameraDataToFile(const std::string& fileName) {
    int failedRow = 0;
    const ResultCode result = control_.WriteReport(fileName, &failedRow);
    control_.RaiseCameraError(failedRow, result);
    return result;
}

ResultCode ControlMethods::ReadChromaticAberrationFromFile(const std::string& fileName,
                                                           std::int32_t nShowProgressBar) {
    bool partlyApplied = false;
    const ResultCode result =
        control_.UploadAberration(fileName, nShowProgressBar != 0, &partlyApplied);
    // Both colours report as CABR.
    control_.RaiseCameraError(row::CABR, result, partlyApplied);
    return result;
}

ResultCode ControlMethods::WriteChromaticAberrationToFile(const std::string& fileName,
                                                          std::int32_t nShowProgressBar) {
    const ResultCode result = control_.DownloadAberration(fileName, nShowProgressBar != 0);
    control_.RaiseCameraError(row::CABR, result);
    return result;
}

// --- Settings areas -----------------------------------------------------------

std::int32_t ControlMethods::ReadCurrentEEPROMArea() {
    if (control_.IsOnline() && control_.ReadParameter(row::EA, true) != rc::kOk) {
        return 0;
    }
    return control_.Value(row::EA);
}

std::string ControlMethods::ReadCurrentEEPROMAreaString() {
    std::string text;
    if (control_.GetValueText(row::EA, text, true, false) != rc::kOk) {
        return {};
    }
    return text;
}

ResultCode ControlMethods::LoadSettings() {
    // LD makes the camera load the selected area; reading everything then
    // brings the mirror up to date.
    ResultCode result = control_.SetValue(row::LD, control_.Value(row::EepromArea), true, true);
    if (result == rc::kOk) {
        int failedRow = 0;
        result = control_.ReadAll(&failedRow);
    }
    if (result == rc::kOk) {
        const std::int32_t pattern = std::clamp(control_.Value(row::TS), 0, kTestPatternLast);
        result = control_.SetValue(row::TS, pattern, true, true);
    }
    control_.RaiseCameraError(-1, result);
    return result;
}

ResultCode ControlMethods::StoreSettings() {
    const std::int32_t area = std::clamp(control_.Value(row::EepromArea), 0, kSettingsAreaLast);
    const ResultCode result = control_.SetValue(row::SA, area, true, true);
    control_.RaiseCameraError(-1, result);
    return result;
}

}  // namespace xkiv
