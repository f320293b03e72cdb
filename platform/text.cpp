// ASCII case folding, trimming, strict number parsing, UTF-8 sequences and terminal escapes.
#include "platform/text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace xkiv {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void AppendEscaped(std::string& text, unsigned char byte) {
    switch (byte) {
        case '\\':
            text += "\\\\";
            return;
        case '\r':
            text += "\\r";
            return;
        case '\n':
            text += "\\n";
            return;
        case '\t':
            text += "\\t";
            return;
        default:
            break;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    text += hex;
}

// The C1 controls U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
bool IsC1InUtf8(std::string_view bytes, std::size_t at, std::size_t length) {
    return length == 2 && static_cast<unsigned char>(bytes[at]) == 0xC2 &&
           static_cast<unsigned char>(bytes[at + 1]) <= 0x9F;
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

bool FoldedLess::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) {
            return x < y;
        }
    }
    return false;
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

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(at + k) < 0x80 || byte(at + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::string EscapeControls(std::string_view bytes, KeptText kept) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            text += static_cast<char>(byte);
            ++at;
            continue;
        }
        const std::size_t length =
            byte >= 0x80 && kept == KeptText::Utf8 ? Utf8SequenceLength(bytes, at) : 0;
        if (length > 1 && !IsC1InUtf8(bytes, at, length)) {
            text.append(bytes, at, length);
            at += length;
        } else {
            AppendEscaped(text, byte);
            ++at;
        }
    }
    return text;
}

}  // namespace xkiv
