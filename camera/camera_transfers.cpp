// Moving settings files and aberration tables between the camera and the disk.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "camera/camera_files.h"
#include "camera/camera_files_private.h"
#include "platform/file_access.h"
#include "platform/ini_document.h"

namespace xkiv {

ResultCode CCamera::WriteSetupFile(const std::string& path, int* failedRow) {
    ForgetFailureCause();
    std::error_code error;
    const bool written = SetupDocument().SaveAtomically(path, &error);
    if (failedRow != nullptr) {
        *failedRow = written ? kParameterCount : 0;
    }
    return written ? rc::kOk : Failed({rc::kFileAccess, path, error});
}

ResultCode CCamera::ReadSetupFile(const std::string& path, int* failedRow, bool* partlyApplied) {
    int reachedRow = 0;
    bool sentSome = false;
    ForgetFailureCause();
    // A missing file reads as a file without keys, which fails the model
    // check; the cause says it is missing.
    std::error_code error;
    const std::optional<IniDocument> file = IniDocument::Load(path, &error);
    std::vector<SetupValue> plan;
    // A connected camera keeps the model name it identified itself with:
    // bounds and support must follow the camera really there.
    ResultCode result =
        !file ? rc::kFileAccess : CheckSetupFile(*file, *this, IsOnline(), plan, reachedRow);
    if (result == rc::kUnmatchedFile && !error && !std::filesystem::exists(path, error) && !error) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (result == rc::kFileAccess || result == rc::kUnmatchedFile) {
        (void)Failed({result, path, error, reachedRow});
    }
    if (result == rc::kOk) {
        SetFileLoading(true);
        // Only a camera online is sent the values, one exchange each.
        std::unique_ptr<ProgressIndicator> progress = CancellableProgress(
            "Write Camera Data In Progress...", static_cast<int>(plan.size()), IsOnline());
        for (const SetupValue& entry : plan) {
            reachedRow = entry.row;
            if (progress) {
                progress->StepIt();
            }
            if (Cancelled(progress)) {
                result = rc::kCancelled;
                break;
            }
            const bool sends = HasFlag(entry.row, PF_WRITABLE) && IsRowSupported(entry.row);
            result = HasFlag(entry.row, PF_STRING) ? SetValueText(entry.row, entry.text)
                                                   : SetValue(entry.row, entry.value, true, true);
            if (result != rc::kOk) {
                break;
            }
            sentSome = sentSome || sends;
        }
        if (result == rc::kOk) {
            reachedRow = kParameterCount;
        }
        SetFileLoading(false);
    }
    if (failedRow != nullptr) {
        *failedRow = reachedRow;
    }
    if (partlyApplied != nullptr) {
        *partlyApplied = result != rc::kOk && sentSome;
    }
    return result;
}

ResultCode CCamera::DownloadAberration(const std::string& path, bool showProgress) {
    if (!IsOnline()) {
        return rc::kOffline;
    }
    if (!Evaluate(&kAberrationSupport, *this)) {
        return rc::kOk;
    }
    // Made before the first query: a file that cannot be written must not
    // cost the whole transfer.
    ForgetFailureCause();
    AtomicFile out(path);
    if (!out.Open()) {
        return Failed({rc::kFileAccess, path, out.Error()});
    }
    std::unique_ptr<ProgressIndicator> progress = CancellableProgress(
        "Reading Chromatic Aberration Data, In Progress...", kAberrationFileFields, showProgress);
    AberrationTables tables;
    for (std::size_t colour = 0; colour < tables.size(); ++colour) {
        const int row = kAberrationTableRows[colour];
        for (int i = 0; i < kAberrationTableSize; ++i) {
            if (const ResultCode result = ReadParameter(row, true); result != rc::kOk) {
                SynchronizedChanged(false);
                return result;
            }
            tables[colour].push_back(Value(row));
            if (progress) {
                progress->StepIt();
            }
            if (Cancelled(progress)) {
                SynchronizedChanged(false);
                return rc::kCancelled;
            }
        }
        ValueChanged(row, false);
    }
    if (!out.Write(FormatAberrationFile(tables)) || !out.Commit()) {
        return Failed({rc::kFileAccess, path, out.Error()});
    }
    SynchronizedChanged(true);
    return rc::kOk;
}

ResultCode CCamera::UploadAberration(const std::string& path, bool showProgress,
                                     bool* partlyApplied) {
    if (partlyApplied != nullptr) {
        *partlyApplied = false;
    }
    if (!IsOnline()) {
        return rc::kOffline;
    }
    if (!Evaluate(&kAberrationSupport, *this)) {
        return rc::kOk;
    }
    ForgetFailureCause();
    std::error_code error;
    const std::optional<std::string> contents = ReadRegularFile(path, error);
    if (!contents) {
        return Failed({rc::kFileAccess, path, error});
    }
    // The whole file is read and checked before the first value is sent.
    AberrationTables tables;
    if (ParseAberrationFile(*contents, tables) != rc::kOk) {
        SynchronizedChanged(false);
        return Failed({rc::kUnmatchedFile, path, {}, -1, "not a chromatic aberration table"});
    }
    std::unique_ptr<ProgressIndicator> progress = CancellableProgress(
        "Writing Chromatic Aberration Data, In Progress...", kAberrationFileFields, showProgress);
    bool sentSome = false;
    for (std::size_t colour = 0; colour < tables.size(); ++colour) {
        const int row = kAberrationTableRows[colour];
        for (const std::int32_t value : tables[colour]) {
            if (const ResultCode result = SetValue(row, value, false, true); result != rc::kOk) {
                SynchronizedChanged(false);
                if (partlyApplied != nullptr) {
                    *partlyApplied = sentSome;
                }
                return result;
            }
            sentSome = true;
            if (progress) {
                progress->StepIt();
            }
            if (Cancelled(progress)) {
                SynchronizedChanged(false);
                if (partlyApplied != nullptr) {
                    *partlyApplied = true;
                }
                return rc::kCancelled;
            }
        }
        ValueChanged(row, false);
    }
    SynchronizedChanged(true);
    return rc::kOk;
}

}  // namespace xkiv
