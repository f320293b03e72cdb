// Shared by the simulated camera's sources only: set command, selection view, printable text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "sim/sim_camera.h"

namespace xkiv::sim {

// A parsed set command: row, MAVCG selection (-1 for a row without index) and value.
struct SimCamera::Command {
    int row;
    int index;
    std::int32_t value;
};

// The current values as the camera sees them while it handles a command for one MAVCG
// selection: indexed rows, and MAVCG itself, read at that selection. Bounds of the aberration
// rows are evaluated over this view, so a command for selection 2 is checked against the
// values of selection 2 whatever MAVCG currently is.
class SimCamera::IndexView final : public ParameterValues {
public:
    IndexView(const SimCamera& camera, int index) : camera_(camera), index_(index) {}
    std::int32_t Value(int row) const override {
        if (index_ < 0) {
            return camera_.Value(row);
        }
        if (row == row::MAVCG) {
            return index_;
        }
        return HasFlag(row, PF_INDEXED) ? camera_.IndexedValue(row, index_) : camera_.Value(row);
    }
    const std::string& Text(int row) const override { return camera_.Text(row); }

private:
    const SimCamera& camera_;
    int index_;
};

// Whether text holds only printable characters, as identity and name texts must.
inline bool IsPrintable(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7f;
    });
}

}  // namespace xkiv::sim
