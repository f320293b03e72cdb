// ASCII case folding, trimming and strict number parsing.
#include "platform/text.h"

#include <algorithm>
#include <charconv>

namespace xkiv {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), LowerAscii);
    return folded;
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

bool EqualsFolded(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithFolded(a, b);
}

std::string_view TrimBlanks(std::string_view text, std::string_view blanks) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::optional<std::int32_t> ParseWholeDecimal(std::string_view text) {
    text = TrimBlanks(text);
    // from_chars takes a leading '-' but not '+'; "+-3" stays refused.
    if (text.starts_with('+') && !text.substr(1).starts_with('-')) {
        text.remove_prefix(1);
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace xkiv
