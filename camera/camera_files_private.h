// Shared by the camera data files' sources only: staged values, the aberration file's layout.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "camera/camera_files.h"
#include "camera/parameter_table.h"

namespace xkiv {

// An aberration file's layout: per colour a header line, then the table's values, each line
// this many fields.
inline constexpr int kAberrationFieldsPerLine = 7;
inline constexpr int kAberrationValueLines = kAberrationTableSize / kAberrationFieldsPerLine;
// Fields of an aberration file, header lines included: the progress range of a transfer.
inline constexpr int kAberrationFileFields =
    2 * (kAberrationValueLines + 1) * kAberrationFieldsPerLine;
static_assert(kAberrationValueLines * kAberrationFieldsPerLine == kAberrationTableSize);
// The rows that read and write the tables, in the file's order.
inline constexpr std::array<int, 2> kAberrationTableRows{row::CABR, row::CABB};

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

}  // namespace xkiv
