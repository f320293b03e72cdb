// Readers of the camera data files that are applied to a camera: they check a whole file first.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "camera/parameter_table.h"
#include "comm/result_code.h"
#include "platform/ini_document.h"

namespace xkiv {

// One value a setup file applies: a text for a text row, else a number.
struct SetupValue {
    int row = 0;
    std::int32_t value = 0;
    std::string text;
};

// Reads a setup file whole, in the order it is applied: every persisted row
// the camera supports, deciding support with the file's values applied so
// far over current (the file's model name first, unless keepModel says the
// connected camera keeps its own). 109 for another family's file, a missing
// key, an integer key that is not a whole decimal number, or a text holding
// a control character; failedRow then receives the row. plan receives the
// values to apply.
ResultCode CheckSetupFile(const IniDocument& file, const ParameterValues& current, bool keepModel,
                          std::vector<SetupValue>& plan, int& failedRow);

// What a setup file holds, read and checked as CheckSetupFile reads it but
// without a camera: a row that only some models or firmware versions have
// is read when the file has its key and left out when not; every other
// persisted row must be there. 109 and failedRow as for CheckSetupFile.
ResultCode ReadSetupValues(const IniDocument& file, std::vector<SetupValue>& values,
                           int& failedRow);
// The same from a file: 108 when it does not exist or cannot be read, and
// error (when given) says why.
ResultCode ReadSetupValues(const std::filesystem::path& path, std::vector<SetupValue>& values,
                           int& failedRow, std::error_code* error = nullptr);

// Whether two values of the same row are the same setting.
bool SameSetting(const SetupValue& a, const SetupValue& b);

// A row whose setting differs between two setups; the side that lacks the
// row holds no value.
struct SetupDifference {
    int row = 0;
    std::optional<SetupValue> a;
    std::optional<SetupValue> b;
};

// The rows that differ between two setups in row order, as ReadSetupValues
// gives them.
std::vector<SetupDifference> CompareSetups(const std::vector<SetupValue>& a,
                                           const std::vector<SetupValue>& b);

// The red and the blue chromatic aberration tables, 112 values each.
inline constexpr int kAberrationTableSize = 112;
using AberrationTables = std::array<std::vector<std::int32_t>, 2>;

// Reads a chromatic aberration file: per colour 7 header fields, then 112
// values. A field ends at a comma or a line end (LF, CR LF or a lone CR);
// spaces and tabs before its first character are skipped. Value fields hold
// only digits and '-' (an empty one is 0). 109 when the data ends early or a
// value field holds another character; nothing after the blue table is read.
ResultCode ParseAberrationFile(std::string_view data, AberrationTables& tables);
// An aberration file of tables as the camera's download writes it: a header line per colour,
// then seven values a line, lines ending in CR LF.
std::string FormatAberrationFile(const AberrationTables& tables);

}  // namespace xkiv
