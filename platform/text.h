// Small text helpers shared by the platform layer: ASCII case folding, trimming, numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace xkiv {

// The text with ASCII letters in lower case; other bytes unchanged.
std::string FoldCase(std::string_view text);
bool EqualsFolded(std::string_view a, std::string_view b);
bool StartsWithFolded(std::string_view text, std::string_view prefix);
// The text without leading and trailing blanks (by default spaces and tabs).
std::string_view TrimBlanks(std::string_view text, std::string_view blanks = " \t");
// A whole decimal number with an optional sign that fits 32 bits, spaces
// and tabs around it allowed; nullopt for anything else.
std::optional<std::int32_t> ParseWholeDecimal(std::string_view text);

}  // namespace xkiv
