// Chromatic aberration files: the red and the blue correction table as comma-separated lines.
#include <array>
#include <string>

#include "camera/camera.h"
#include "camera/camera_files.h"
#include "camera/camera_files_private.h"

namespace xkiv {

namespace {

// What the header line of each table says, red first.
constexpr std::array<const char*, 2> kTableNames{"Red", "Blue"};

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

}  // namespace

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

std::string FormatAberrationFile(const AberrationTables& tables) {
    std::string csv;
    for (std::size_t colour = 0; colour < tables.size(); ++colour) {
        csv += kTableNames[colour] + std::string(kAberrationFieldsPerLine - 1, ',') + "\r\n";
        for (std::size_t i = 0; i < tables[colour].size(); ++i) {
            csv += std::to_string(tables[colour][i]);
            csv += (i + 1) % kAberrationFieldsPerLine != 0 ? "," : "\r\n";
        }
    }
    return csv;
}

}  // namespace xkiv
