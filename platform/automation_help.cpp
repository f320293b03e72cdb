// Failure descriptions and name suggestions for automation callers.
#include "platform/automation_help.h"

#include <algorithm>
#include <utility>

#include "platform/text.h"

namespace xkiv::automation {

namespace {

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string DescribeFailure(HResult hr) {
    switch (hr) {
        case kMemberNotFound:
            return "member not found";
        case kTypeMismatch:
            return "type mismatch";
        case kBadParamCount:
            return "wrong number of arguments";
        case kSetNotSupported:
            return "the property is read-only";
    }
    return "automation call failed";
}

std::vector<std::string> ClosestNames(const std::vector<std::string>& candidates,
                                      const std::string& name) {
    const std::string wanted = FoldCase(name);
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const std::string& candidate : candidates) {
        const std::string folded = FoldCase(candidate);
        std::size_t distance = EditDistance(wanted, folded);
        if (!wanted.empty() && folded.find(wanted) != std::string::npos) {
            distance = std::min<std::size_t>(distance, 1);
        }
        scored.emplace_back(distance, candidate);
    }
    std::sort(scored.begin(), scored.end());
    std::vector<std::string> closest;
    for (const auto& [distance, candidate] : scored) {
        // Only the nearest are offered: "sett" suggests set, not get as well.
        if (closest.size() == 3 || distance > std::max<std::size_t>(3, wanted.size() / 2) ||
            distance > scored.front().first) {
            break;
        }
        closest.push_back(candidate);
    }
    return closest;
}

std::vector<std::string> ClosestNames(const InterfaceInfo& members, const std::string& name) {
    std::vector<std::string> names;
    for (const MemberInfo& member : members.Members()) {
        names.emplace_back(member.name);
    }
    return ClosestNames(names, name);
}

std::string DidYouMean(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "did you mean " : i + 1 == names.size() ? " or " : ", ") + names[i];
    }
    return text + (names.empty() ? "" : "?");
}

}  // namespace xkiv::automation
