// Camera data files: setup files, the camera data report and the chromatic
// aberration tables.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "camera/camera.h"
#include "camera/camera_files.h"
#include "platform/file_access.h"
#include "platform/ini_document.h"
#include "platform/text.h"

namespace xkiv {

namespace {

constexpr const char* kNoData = "No Data";
// Private-profile lookups read into a buffer of this size, terminator included.
constexpr std::size_t kProfileValueLength = 255;
constexpr int kReportLabelWidth = 35;
constexpr int kReportColumns = 4;  // current setting, then the three areas
constexpr int kAberrationFieldsPerLine = 7;
constexpr int kAberrationValueLines = 16;
constexpr int kAberrationSteps = 2 * (kAberrationValueLines + 1) * kAberrationFieldsPerLine;

std::string LabelCell(const std::string& text) {
    std::string cell = text + ",";
    if (cell.size() < static_cast<std::size_t>(kReportLabelWidth)) {
        cell.append(kReportLabelWidth - cell.size(), ' ');
    }
    return cell;
}

std::string ReportLine(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        line += i + 1 < cells.size() ? LabelCell(cells[i]) : cells[i];
    }
    // Report lines end as text-mode files on the camera maker's platform do.
    return line + "\r\n";
}

std::string AberrationHeader(int row) {
    return std::string(row == row::CABR ? "Red" : "Blue") +
           std::string(kAberrationFieldsPerLine - 1, ',') + "\r\n";
}

// Reads one field of an aberration file: up to a comma or a line end (LF,
// CR LF or a lone CR), spaces and tabs before the first character skipped.
// Value fields accept only digits and '-'. False at the end of the data or
// on another character.
bool NextAberrationField(std::string_view data, std::size_t& pos, bool valueField,
                         std::string& field) {
    if (pos >= data.size()) {
        return false;
    }
    field.clear();
    while (pos < data.size()) {
        const char c = data[pos++];
        if (c == ',' || c == '\n') {
            break;
        }
        if (c == '\r') {
            if (pos < data.size() && data[pos] == '\n') {
                ++pos;
            }
            break;
        }
        if (field.empty() && (c == ' ' || c == '\t')) {
            continue;
        }
        if (valueField && !(c == '-' || (c >= '0' && c <= '9'))) {
            return false;
        }
        field += c;
    }
    return true;
}

// The camera's values with a file's values applied on top, so that the
// support of each row is decided as it will be when the file is applied.
class StagedValues final : public ParameterValues {
public:
    explicit StagedValues(const ParameterValues& from) {
        for (int row = 0; row < kParameterCount; ++row) {
            values_[row] = from.Value(row);
            texts_[row] = from.Text(row);
        }
    }
    std::int32_t Value(int row) const override { return IsValidRow(row) ? values_[row] : 0; }
    const std::string& Text(int row) const override {
        static const std::string empty;
        return IsValidRow(row) ? texts_[row] : empty;
    }
    void Set(int row, std::int32_t value) { values_[row] = value; }
    void SetText(int row, std::string text) { texts_[row] = std::move(text); }

private:
    std::array<std::int32_t, kParameterCount> values_{};
    std::array<std::string, kParameterCount> texts_{};
};

std::optional<std::string> ReadWholeFile(const std::string& path) {
    // Refuses a folder, device or FIFO at once instead of waiting on it.
    std::error_code error;
    return ReadRegularFile(path, error);
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

ResultCode CCamera::WriteSetupFile(const std::string& path, int* failedRow) {
    const bool written = SetupDocument().SaveAtomically(path);
    if (failedRow != nullptr) {
        *failedRow = written ? kParameterCount : 0;
    }
    return written ? rc::kOk : rc::kFileAccess;
}

namespace {

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

ResultCode CheckSetupFile(const IniDocument& file, const ParameterValues& current, bool keepModel,
                          std::vector<SetupValue>& plan, int& failedRow) {
    return ReadSetupRows(file, current, keepModel, RowsOf::Camera, plan, failedRow);
}

ResultCode ReadSetupValues(const IniDocument& file, std::vector<SetupValue>& values,
                           int& failedRow) {
    return ReadSetupRows(file, NoParameterValues(), false, RowsOf::File, values, failedRow);
}

ResultCode ReadSetupValues(const std::filesystem::path& path, std::vector<SetupValue>& values,
                           int& failedRow) {
    values.clear();
    failedRow = 0;
    // Unlike a file to be applied, a missing file is not read as an empty one:
    // there is nothing to compare.
    std::error_code error;
    const std::optional<IniDocument> file =
        std::filesystem::exists(path, error) ? IniDocument::Load(path) : std::nullopt;
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

ResultCode CCamera::ReadSetupFile(const std::string& path, int* failedRow, bool* partlyApplied) {
    int reachedRow = 0;
    bool sentSome = false;
    // A missing file reads as a file without keys, which fails the model check.
    const std::optional<IniDocument> file = IniDocument::Load(path);
    std::vector<SetupValue> plan;
    // A connected camera keeps the model name it identified itself with:
    // bounds and support must follow the camera really there.
    ResultCode result =
        !file ? rc::kFileAccess : CheckSetupFile(*file, *this, IsOnline(), plan, reachedRow);
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

ResultCode CCamera::ReadReportColumn(int column, std::vector<std::vector<std::string>>& cells,
                                     ProgressIndicator& progress, int& reachedRow) {
    if (column > 0) {
        // Loading an area makes it the camera's current settings.
        if (const ResultCode result = SetValuePosition(row::LD, column - 1); result != rc::kOk) {
            reachedRow = row::LD;
            return result;
        }
    }
    std::size_t line = 0;
    for (int row = 0; row < kParameterCount; ++row) {
        progress.StepIt();
        if (progress.CancelRequested()) {
            return rc::kCancelled;
        }
        if (!HasFlag(row, PF_PROFILE) || row == row::EepromArea || !IsRowSupported(row)) {
            continue;
        }
        reachedRow = row;
        ResultCode result = rc::kOk;
        std::string text;
        if (Entry(row).valueNameCount > 0 || HasFlag(row, PF_STRING)) {
            result = GetValueText(row, text, true, true);
        } else {
            if (HasFlag(row, PF_READABLE) && IsOnline()) {
                result = ReadParameter(row, true);
            }
            text = std::to_string(Value(row));
        }
        if (result != rc::kOk) {
            return result;
        }
        if (column == 0) {
            cells.push_back({Entry(row).profile.key});
        }
        if (line < cells.size()) {
            cells[line++].push_back(text);
        }
    }
    return rc::kOk;
}

ResultCode CCamera::WriteReport(const std::string& path, int* failedRow) {
    if (failedRow != nullptr) {
        *failedRow = 0;
    }
    if (!IsOnline()) {
        return rc::kOffline;
    }
    // Made before the camera is asked anything: a file that cannot be
    // written must not cost the reading of all three areas.
    AtomicFile out(path);
    if (!out.Open()) {
        return rc::kFileAccess;
    }
    SaveSnapshot();
    int reachedRow = 0;
    std::string header;
    ResultCode result = rc::kOk;
    std::string text;
    for (const int row : {row::MD, row::ID, row::UD}) {
        if (result == rc::kOk) {
            reachedRow = row;
            result = GetValueText(row, text, true, true);
            header += ReportLine({Entry(row).profile.key, text});
        }
    }
    if (result == rc::kOk) {
        reachedRow = row::VN;
        result = ReadParameter(row::VN, true);
        char version[32];
        std::snprintf(version, sizeof version, "%.02f", Value(row::VN) / 100.0);
        header += ReportLine({"Firmware Version", version});
    }
    if (result == rc::kOk) {
        reachedRow = row::EA;
        result = GetValueText(row::EA, text, true, true);
        header += ReportLine({"Power Up Setting", text});
    }

    std::vector<std::vector<std::string>> cells;
    if (result == rc::kOk) {
        std::unique_ptr<ProgressIndicator> progress = CancellableProgress(
            "Read Camera Data In Progress...", kReportColumns * kParameterCount);
        for (int column = 0; column < kReportColumns && result == rc::kOk; ++column) {
            result = ReadReportColumn(column, cells, *progress, reachedRow);
        }
    }
    if (result == rc::kOk) {
        std::string report = header;
        report += ReportLine({"(Settings)", "Current Setting", GetValueNameOf(row::EA, 0),
                              GetValueNameOf(row::EA, 1), GetValueNameOf(row::EA, 2)});
        for (const std::vector<std::string>& line : cells) {
            report += ReportLine(line);
        }
        if (!out.Write(report) || !out.Commit()) {
            result = rc::kFileAccess;
        }
        reachedRow = kParameterCount;
    }
    RestoreSnapshot();
    // Loading the areas replaced the camera's current settings: put the
    // ones of before back whenever the camera still answers, also after a
    // failure, so that a failed report never costs the user the settings.
    if (IsOnline()) {
        int writeFailedRow = 0;
        const ResultCode restored = WriteAll(&writeFailedRow, false);
        if (result == rc::kOk && restored != rc::kOk) {
            result = restored;
            reachedRow = writeFailedRow;
        }
    }
    if (failedRow != nullptr) {
        *failedRow = reachedRow;
    }
    return result;
}

ResultCode ParseAberrationFile(std::string_view data, AberrationTables& tables) {
    std::size_t pos = 0;
    std::string field;
    for (std::vector<std::int32_t>& table : tables) {
        table.clear();
        for (int i = 0; i < kAberrationFieldsPerLine; ++i) {
            if (!NextAberrationField(data, pos, false, field)) {
                return rc::kUnmatchedFile;
            }
        }
        for (int i = 0; i < kAberrationTableSize; ++i) {
            if (!NextAberrationField(data, pos, true, field)) {
                return rc::kUnmatchedFile;
            }
            table.push_back(ParseDecimal(field));
        }
    }
    return rc::kOk;
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
    AtomicFile out(path);
    if (!out.Open()) {
        return rc::kFileAccess;
    }
    std::unique_ptr<ProgressIndicator> progress = CancellableProgress(
        "Reading Chromatic Aberration Data, In Progress...", kAberrationSteps, showProgress);
    std::string csv;
    for (const int row : {row::CABR, row::CABB}) {
        csv += AberrationHeader(row);
        for (int line = 0; line < kAberrationValueLines; ++line) {
            for (int i = 0; i < kAberrationFieldsPerLine; ++i) {
                if (const ResultCode result = ReadParameter(row, true); result != rc::kOk) {
                    SynchronizedChanged(false);
                    return result;
                }
                csv += std::to_string(Value(row));
                csv += i + 1 < kAberrationFieldsPerLine ? "," : "\r\n";
                if (progress) {
                    progress->StepIt();
                }
                if (Cancelled(progress)) {
                    SynchronizedChanged(false);
                    return rc::kCancelled;
                }
            }
        }
        ValueChanged(row, false);
    }
    if (!out.Write(csv) || !out.Commit()) {
        return rc::kFileAccess;
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
    const std::optional<std::string> contents = ReadWholeFile(path);
    if (!contents) {
        return rc::kFileAccess;
    }
    // The whole file is read and checked before the first value is sent.
    AberrationTables tables;
    if (ParseAberrationFile(*contents, tables) != rc::kOk) {
        SynchronizedChanged(false);
        return rc::kUnmatchedFile;
    }
    std::unique_ptr<ProgressIndicator> progress = CancellableProgress(
        "Writing Chromatic Aberration Data, In Progress...", kAberrationSteps, showProgress);
    bool sentSome = false;
    for (std::size_t colour = 0; colour < tables.size(); ++colour) {
        const int row = colour == 0 ? row::CABR : row::CABB;
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
