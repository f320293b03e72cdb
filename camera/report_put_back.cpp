// Putting back the settings and aberration sets the report found, after it loaded the areas.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <vector>

#include "camera/camera.h"
#include "camera/camera_files_private.h"

namespace xkiv {

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
}  // namespace xkiv
