// The camera data report: identity, then each setting now and in each settings area.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "platform/file_access.h"

namespace xkiv {

namespace {

constexpr int kReportLabelWidth = 35;
constexpr int kReportColumns = 4;  // current setting, then the three areas

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
}  // namespace

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

}  // namespace xkiv
