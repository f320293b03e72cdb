// Small text helpers shared by the layers: ASCII case folding, trimming, numbers, UTF-8 and
// escaping for the terminal.
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
// An order of texts in which two are equivalent when their FoldCase forms
// are equal: a map keyed with it finds a key in any case, and a lookup by
// view allocates nothing. Shorter texts come first, so most comparisons end
// at the lengths; the order is not alphabetical.
struct FoldedLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
// The text without leading and trailing blanks (by default spaces and tabs).
std::string_view TrimBlanks(std::string_view text, std::string_view blanks = " \t");
// A whole decimal number with an optional sign that fits 32 bits, spaces
// and tabs around it allowed; nullopt for anything else.
std::optional<std::int32_t> ParseWholeDecimal(std::string_view text);

// The length of the valid UTF-8 sequence that starts at text[at] (1 for an
// ASCII byte), or 0 when none starts there: overlong forms, surrogates and
// code points beyond U+10FFFF are not valid.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// Which bytes beyond printable ASCII EscapeControls shows as they are.
enum class KeptText {
    Ascii,  // none: every byte from 0x80 on is escaped
    Utf8,   // valid UTF-8 characters other than the C1 controls U+0080 to U+009F
};

// The bytes made safe to show on a terminal, each escape unambiguous: a
// backslash doubled, CR, LF and tab as \r, \n and \t, and every other
// control byte as \xHH: C0, DEL, and the bytes beyond ASCII that kept does
// not keep (a C1 control written in UTF-8 is escaped byte by byte).
std::string EscapeControls(std::string_view bytes, KeptText kept);

}  // namespace xkiv
