// Camera data files: setup files, the camera data report and the chromatic
// aberration tables.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
    const std::array<std::int32_t, kParameterCount>& Values() const { return values_; }
    void SetText(int row, std::string text) { texts_[row] = std::move(text); }

private:
    std::array<std::int32_t, kParameterCount> values_{};
    std::array<std::string, kParameterCount> texts_{};
};

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
    ForgetFailureCause();
    std::error_code error;
    const bool written = SetupDocument().SaveAtomically(path, &error);
    if (failedRow != nullptr) {
        *failedRow = written ? kParameterCount : 0;
    }
    return written ? rc::kOk : Failed({rc::kFileAccess, path, error});
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

ResultCode CCamera::ReadReportColumn(int column, std::vector<std::vector<std::string>>& cells,
                                     ProgressIndicator& progress, int& reachedRow) {
    if (column > 0) {
        // Loading an area makes it the camera's current settings: from here on only what this
        // column reads is known to match the camera.
        const ResultCode result = SetValuePosition(row::LD, column - 1);
        rowSynchronized_.fill(false);
        if (result != rc::kOk) {
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
    ForgetFailureCause();
    AtomicFile out(path);
    if (!out.Open()) {
        return Failed({rc::kFileAccess, path, out.Error()});
    }
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
    bool areaLoaded = false;
    std::vector<AberrationSet> foundSets;
    if (result == rc::kOk) {
        std::unique_ptr<ProgressIndicator> progress = CancellableProgress(
            "Read Camera Data In Progress...", kReportColumns * kParameterCount);
        for (int column = 0; column < kReportColumns && result == rc::kOk; ++column) {
            areaLoaded = areaLoaded || column > 0;
            result = ReadReportColumn(column, cells, *progress, reachedRow);
            if (column == 0 && result == rc::kOk) {
                // The camera's settings as the report found them, read live; the aberration
                // sets besides the selected one too, as loading an area replaces them all.
                SaveSnapshot();
                result = ReadAberrationSets(foundSets, reachedRow);
            }
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
            result = Failed({rc::kFileAccess, path, out.Error()});
        }
        reachedRow = kParameterCount;
    }
    // Loading the areas replaced the camera's current settings: put the ones it was found with
    // back, also after a failure, so that a report never costs the user the settings. Before
    // any area was loaded the camera is as it was, and what was read stays in the mirror.
    if (areaLoaded) {
        int writeFailedRow = 0;
        const ResultCode restored = PutBackFoundSettings(foundSets, writeFailedRow);
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

namespace {

// Whether value lies within the row's bounds under values.
bool Fits(int row, std::int32_t value, const ParameterValues& values) {
    return value >= EffectiveMinimum(row, false, values) &&
           value <= EffectiveMaximum(row, false, values);
}

// The order in which one colour's aberration rows take the values of target on a camera that
// holds now, each value within the bounds the camera's values of the moment give: the left side
// first unless it raises the level (a lower level only widens the bounds), then area, second
// and third pixel, each as soon as it fits, and a raised left side last. Two consistent sets
// always admit such an order; rows that never fit are written last, in row order.
void AppendChainOrder(const AberrationRows& chain, const ParameterValues& now,
                      const ParameterValues& target, std::vector<int>& order) {
    StagedValues camera(now);
    const auto take = [&](int row) {
        order.push_back(row);
        camera.Set(row, target.Value(row));
    };
    const bool raisesLevel =
        std::abs(target.Value(chain.leftSide)) > std::abs(now.Value(chain.leftSide));
    if (!raisesLevel) {
        take(chain.leftSide);
    }
    std::vector<int> pending = {chain.area, chain.second, chain.third};
    while (!pending.empty()) {
        const auto next = std::find_if(pending.begin(), pending.end(), [&](int row) {
            return Fits(row, target.Value(row), camera);
        });
        const int row = next != pending.end() ? *next : pending.front();
        take(row);
        pending.erase(std::find(pending.begin(), pending.end(), row));
    }
    if (raisesLevel) {
        take(chain.leftSide);
    }
}

}  // namespace

ResultCode CCamera::PutBackFoundSettings(const std::vector<AberrationSet>& foundSets,
                                         int& failedRow) {
    // What the camera holds now: the last area loaded, as far as the last column read it.
    const StagedValues loaded(*this);
    const std::array<bool, kParameterCount> known = rowSynchronized_;
    RestoreSnapshot();
    if (!IsOnline()) {
        return rc::kOffline;
    }
    const auto fail = [&](int row, ResultCode result) {
        SynchronizedChanged(false);
        failedRow = row;
        return result;
    };
    // Write-all's rows in its order; the aberration sets follow, all of them last.
    for (int row = 0; row < kParameterCount; ++row) {
        if (!InBulkSet(Bulk::Write, row) || !IsRowSupported(row) || IsAberrationSetRow(row)) {
            continue;
        }
        // A setting the loaded area shares with the one found needs no command.
        if (known[row] && loaded.Value(row) == Value(row) && loaded.Text(row) == Text(row)) {
            SetRowSynchronized(row, true);
            continue;
        }
        if (const ResultCode result = WriteParameter(row, true); result != rc::kOk) {
            return fail(row, result);
        }
    }
    for (const AberrationSet& found : foundSets) {
        // The set the last column read is known; the camera is asked for the others.
        AberrationSet now{found.selection, {}};
        const bool readLast = found.selection == loaded.Value(row::MAVCG) &&
                              std::all_of(known.begin() + row::CABLR,
                                          known.begin() + row::CABTB + 1, std::identity{});
        ResultCode result = rc::kOk;
        if (readLast) {
            std::copy_n(loaded.Values().begin() + row::CABLR, now.values.size(),
                        now.values.begin());
        } else {
            result = ReadAberrationSet(now, failedRow);
        }
        if (result == rc::kOk) {
            result = WriteAberrationSet(found, now, failedRow);
        }
        if (result != rc::kOk) {
            return fail(failedRow, result);
        }
        if (found.selection == Value(row::MAVCG)) {
            std::fill_n(rowSynchronized_.begin() + row::CABLR, kAberrationSetRows, true);
        }
    }
    SynchronizedChanged(true);
    return rc::kOk;
}

ResultCode CCamera::ReadAberrationSets(std::vector<AberrationSet>& sets, int& failedRow) {
    sets.clear();
    if (!IsRowSupported(row::CABLR)) {
        return rc::kOk;
    }
    for (std::int32_t selection = GetMinimum(row::MAVCG, false);
         selection <= GetMaximum(row::MAVCG, false); ++selection) {
        AberrationSet set{selection, {}};
        if (set.selection == Value(row::MAVCG)) {
            // The selected set is the mirror's, just read.
            std::copy_n(values_.begin() + row::CABLR, set.values.size(), set.values.begin());
        } else if (const ResultCode result = ReadAberrationSet(set, failedRow); result != rc::kOk) {
            return result;
        }
        sets.push_back(set);
    }
    return rc::kOk;
}

template <typename Exchange>
ResultCode CCamera::StandingForAberrationSet(const AberrationSet& set, Exchange&& exchange) {
    const std::int32_t selection = values_[row::MAVCG];
    AberrationSet mirror{selection, {}};
    std::array<bool, kAberrationSetRows> synchronized{};
    std::copy_n(values_.begin() + row::CABLR, mirror.values.size(), mirror.values.begin());
    std::copy_n(rowSynchronized_.begin() + row::CABLR, synchronized.size(), synchronized.begin());
    values_[row::MAVCG] = set.selection;
    std::copy(set.values.begin(), set.values.end(), values_.begin() + row::CABLR);
    const ResultCode result = exchange();
    values_[row::MAVCG] = selection;
    std::copy(mirror.values.begin(), mirror.values.end(), values_.begin() + row::CABLR);
    std::copy(synchronized.begin(), synchronized.end(), rowSynchronized_.begin() + row::CABLR);
    return result;
}

ResultCode CCamera::ReadAberrationSet(AberrationSet& set, int& failedRow) {
    return StandingForAberrationSet(set, [&] {
        for (std::size_t i = 0; i < set.values.size(); ++i) {
            const int row = row::CABLR + static_cast<int>(i);
            if (const ResultCode result = ReadParameter(row, true); result != rc::kOk) {
                failedRow = row;
                return result;
            }
            set.values[i] = values_[row];
        }
        return rc::kOk;
    });
}

ResultCode CCamera::WriteAberrationSet(const AberrationSet& found, const AberrationSet& loaded,
                                       int& failedRow) {
    StagedValues now(*this);
    StagedValues target(*this);
    for (std::size_t i = 0; i < found.values.size(); ++i) {
        now.Set(row::CABLR + static_cast<int>(i), loaded.values[i]);
        target.Set(row::CABLR + static_cast<int>(i), found.values[i]);
    }
    std::vector<int> order;
    AppendChainOrder(kRedAberration, now, target, order);
    AppendChainOrder(kBlueAberration, now, target, order);
    return StandingForAberrationSet(found, [&] {
        for (const int row : order) {
            if (now.Value(row) == target.Value(row)) {
                continue;
            }
            if (const ResultCode result = WriteParameter(row, true); result != rc::kOk) {
                failedRow = row;
                return result;
            }
        }
        return rc::kOk;
    });
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
    ForgetFailureCause();
    AtomicFile out(path);
    if (!out.Open()) {
        return Failed({rc::kFileAccess, path, out.Error()});
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
