// The settings a simulated camera holds, to tell whether an operation changed them.
#pragma once

#include <string>
#include <vector>

#include "sim/sim_camera.h"
#include "sim/sim_server.h"

namespace xkiv::test {

// Every row's value (an indexed row's for each selection) and text.
struct CameraState {
    std::vector<std::string> cells;  // "MNEMONIC[index]=value", in row order

    bool operator==(const CameraState&) const = default;
};

inline CameraState StateOf(const sim::SimCamera& camera) {
    CameraState state;
    for (int row = 0; row < kParameterCount; ++row) {
        const std::string name =
            Mnemonic(row).empty() ? "row" + std::to_string(row) : Mnemonic(row);
        if (HasFlag(row, PF_STRING)) {
            state.cells.push_back(name + "=" + camera.Text(row));
        } else if (HasFlag(row, PF_INDEXED)) {
            for (int index = 0; index < sim::kIndexCount; ++index) {
                state.cells.push_back(name + "[" + std::to_string(index) +
                                      "]=" + std::to_string(camera.IndexedValue(row, index)));
            }
        } else {
            state.cells.push_back(name + "=" + std::to_string(camera.Value(row)));
        }
    }
    return state;
}

inline CameraState StateOf(sim::SimServer& server) {
    CameraState state;
    server.WithCamera([&state](sim::SimCamera& camera) {
        camera.Settle();
        state = StateOf(camera);
    });
    return state;
}

// The cells that differ, as "before -> after".
inline std::vector<std::string> Changes(const CameraState& before, const CameraState& after) {
    std::vector<std::string> changes;
    for (std::size_t i = 0; i < before.cells.size() && i < after.cells.size(); ++i) {
        if (before.cells[i] != after.cells[i]) {
            changes.push_back(before.cells[i] + " -> " + after.cells[i]);
        }
    }
    return changes;
}

}  // namespace xkiv::test
