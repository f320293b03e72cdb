// Settings (.cam) files: what a camera writes into one, and reading, checking and comparing one.
#include <algorithm>
#include <filesystem>
#include <optional>

#include "camera/camera.h"
#include "camera/camera_files.h"
#include "camera/camera_files_private.h"
#include "platform/ini_document.h"
#include "platform/text.h"

namespace xkiv {

namespace {

constexpr const char* kNoData = "No Data";
// Private-profile lookups read into a buffer of this size, terminator included.
constexpr std::size_t kProfileValueLength = 255;

// Which rows a setup file must hold: those the camera supports, or, with no
// camera to ask, every row that all models have (the others when present).
enum class RowsOf { Camera, File };

ResultCode ReadSetupRows(const IniDocument& file, const ParameterValues& current, bool keepModel,
                         RowsOf rowsOf, std::vector<SetupValue>& plan, int& failedRow) {
    plan.clear();
    failedRow = 0;
    auto lookup = [&](const char* section, const char* key) {
        return file.Get(section, key, kNoData).substr(0, kProfileValueLength);
    };
    if (lookup("General", "ModelName") != kModelFamily) {
        return rc::kUnmatchedFile;
    }
    StagedValues staged(current);
    for (int row = 0; row < kParameterCount; ++row) {
        failedRow = row;
        if (!HasFlag(row, PF_PROFILE)) {
            continue;
        }
        const ParameterKey& key = Entry(row).profile;
        std::string value = lookup(key.section, key.key);
        // Support follows the values applied so far, the file's model first.
        const bool wanted = rowsOf == RowsOf::Camera
                                ? IsSupported(row, staged)
                                : !HasFlag(row, PF_MODEL_DEPENDENT) || value != kNoData;
        if (!wanted) {
            continue;
        }
        if (value == kNoData) {
            if (HasFlag(row, PF_MAY_BE_ABSENT)) {
                continue;  // a file from before the row existed
            }
            return rc::kUnmatchedFile;
        }
        if (row == row::MD && keepModel) {
            continue;
        }
        SetupValue entry{row, 0, {}};
        if (HasFlag(row, PF_STRING)) {
            if (!IsSendableText(value)) {
                return rc::kUnmatchedFile;
            }
            const auto length = static_cast<std::size_t>(std::max(0, Entry(row).maximum));
            staged.SetText(row, value.substr(0, length));
            entry.text = std::move(value);
        } else {
            const std::optional<std::int32_t> number = ParseWholeDecimal(value);
            if (!number) {
                return rc::kUnmatchedFile;
            }
            staged.Set(row, ClampToBounds(row, *number, staged));
            entry.value = *number;
        }
        plan.push_back(std::move(entry));
    }
    failedRow = kParameterCount;
    return rc::kOk;
}

}  // namespace

IniDocument CCamera::SetupDocument() const {
    IniDocument file;
    file.Set("General", "ModelName", kModelFamily);
    for (int row = 0; row < kParameterCount; ++row) {
        if (!HasFlag(row, PF_PROFILE) || !IsRowSupported(row)) {
            continue;
        }
        const ParameterKey& key = Entry(row).profile;
        file.Set(key.section, key.key,
                 HasFlag(row, PF_STRING) ? Text(row) : std::to_string(Value(row)));
    }
    return file;
}

ResultCode CheckSetupFile(const IniDocument& file, const ParameterValues& current, bool keepModel,
                          std::vector<SetupValue>& plan, int& failedRow) {
    return ReadSetupRows(file, current, keepModel, RowsOf::Camera, plan, failedRow);
}

ResultCode ReadSetupValues(const IniDocument& file, std::vector<SetupValue>& values,
                           int& failedRow) {
    return ReadSetupRows(file, NoParameterValues(), false, RowsOf::File, values, failedRow);
}

ResultCode ReadSetupValues(const std::filesystem::path& path, std::vector<SetupValue>& values,
                           int& failedRow, std::error_code* error) {
    values.clear();
    failedRow = 0;
    // Unlike a file to be applied, a missing file is not read as an empty one:
    // there is nothing to compare.
    std::error_code readError;
    std::optional<IniDocument> file;
    if (std::filesystem::exists(path, readError)) {
        file = IniDocument::Load(path, &readError);
    } else if (!readError) {
        readError = std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (error != nullptr) {
        *error = readError;
    }
    return file ? ReadSetupValues(*file, values, failedRow) : rc::kFileAccess;
}

bool SameSetting(const SetupValue& a, const SetupValue& b) {
    return HasFlag(a.row, PF_STRING) ? a.text == b.text : a.value == b.value;
}

std::vector<SetupDifference> CompareSetups(const std::vector<SetupValue>& a,
                                           const std::vector<SetupValue>& b) {
    std::vector<SetupDifference> differences;
    auto left = a.begin();
    auto right = b.begin();
    // Both lists are in row order: walk them side by side.
    while (left != a.end() || right != b.end()) {
        const int leftRow = left != a.end() ? left->row : kParameterCount;
        const int rightRow = right != b.end() ? right->row : kParameterCount;
        SetupDifference difference{std::min(leftRow, rightRow), std::nullopt, std::nullopt};
        if (leftRow == difference.row) {
            difference.a = *left++;
        }
        if (rightRow == difference.row) {
            difference.b = *right++;
        }
        if (!difference.a || !difference.b || !SameSetting(*difference.a, *difference.b)) {
            differences.push_back(std::move(difference));
        }
    }
    return differences;
}

}  // namespace xkiv
