// Help texts of methods as constant data: "Method " and the name split into words.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace xkiv::method_help {

inline constexpr std::string_view kPrefix = "Method ";

constexpr bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

constexpr bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

// "AskAPFControlRange" reads "Ask APF Control Range": a word starts at a
// capital after a small letter, and at the last capital of an acronym that
// a small letter follows. Digits stay with their word ("RZ150LX").
constexpr bool WordStartsAt(std::string_view name, std::size_t i) {
    if (i == 0 || !IsUpper(name[i])) {
        return false;
    }
    const bool afterSmall = IsLower(name[i - 1]);
    const bool endsAcronym = IsUpper(name[i - 1]) && i + 1 < name.size() && IsLower(name[i + 1]);
    return afterSmall || endsAcronym;
}

constexpr std::size_t HelpLength(std::string_view name) {
    std::size_t length = kPrefix.size() + name.size();
    for (std::size_t i = 0; i < name.size(); ++i) {
        length += WordStartsAt(name, i);
    }
    return length;
}

template <std::size_t N>
constexpr std::size_t TotalLength(const std::array<std::string_view, N>& names) {
    std::size_t total = 0;
    for (std::string_view name : names) {
        total += HelpLength(name);
    }
    return total;
}

// The help texts of names, one after another, in exactly Chars characters
// (TotalLength of the names).
template <std::size_t Chars, std::size_t N>
constexpr std::array<char, Chars> Write(const std::array<std::string_view, N>& names) {
    std::array<char, Chars> chars{};
    std::size_t next = 0;
    for (std::string_view name : names) {
        for (char c : kPrefix) {
            chars[next++] = c;
        }
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (WordStartsAt(name, i)) {
                chars[next++] = ' ';
            }
            chars[next++] = name[i];
        }
    }
    return chars;
}

// The help text of each name inside chars, which Write filled from names.
template <std::size_t N, std::size_t Chars>
constexpr std::array<std::string_view, N> Views(const std::array<std::string_view, N>& names,
                                                const std::array<char, Chars>& chars) {
    std::array<std::string_view, N> views{};
    std::size_t offset = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const std::size_t length = HelpLength(names[i]);
        views[i] = std::string_view(chars.data() + offset, length);
        offset += length;
    }
    return views;
}

}  // namespace xkiv::method_help
