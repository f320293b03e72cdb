// Dispatch interfaces as data: member lookups by dispid and by name, and 128-bit identifiers.
#include "platform/automation.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/text.h"

namespace xkiv::automation {

const MemberInfo* InterfaceInfo::Find(DispId dispid) const {
    for (const MemberInfo& member : members_) {
        if (member.dispid == dispid) {
            return &member;
        }
    }
    return nullptr;
}

const MemberInfo* InterfaceInfo::Find(std::string_view name) const {
    for (const MemberInfo& member : members_) {
        if (EqualsFolded(member.name, name)) {
            return &member;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------- Guid

namespace {

// Offsets of the dashes in the unbraced text form 8-4-4-4-12.
constexpr std::array<std::size_t, 4> kGuidDashes = {8, 13, 18, 23};
constexpr std::size_t kGuidTextLength = 36;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads the 32 hex digits, skipping the dashes, into 16 bytes in text order.
std::optional<std::array<std::uint8_t, 16>> GuidBytes(std::string_view text) {
    std::array<std::uint8_t, 16> bytes{};
    std::size_t nibble = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dashPosition =
            std::find(kGuidDashes.begin(), kGuidDashes.end(), i) != kGuidDashes.end();
        if (dashPosition) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            continue;
        }
        const int digit = HexDigit(text[i]);
        if (digit < 0) {
            return std::nullopt;
        }
        bytes[nibble / 2] = static_cast<std::uint8_t>((bytes[nibble / 2] << 4) | digit);
        ++nibble;
    }
    return bytes;
}

}  // namespace

std::string Guid::ToString() const {
    char text[kGuidTextLength + 3];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1,
                  data2, data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5],
                  data4[6], data4[7]);
    return text;
}

std::optional<Guid> Guid::Parse(std::string_view text) {
    if (text.starts_with('{') != text.ends_with('}')) {
        return std::nullopt;
    }
    if (text.starts_with('{')) {
        text = text.substr(1, text.size() - 2);
    }
    if (text.size() != kGuidTextLength) {
        return std::nullopt;
    }
    const auto bytes = GuidBytes(text);
    if (!bytes) {
        return std::nullopt;
    }
    const auto& b = *bytes;
    Guid guid;
    guid.data1 = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                 (std::uint32_t{b[2]} << 8) | b[3];
    guid.data2 = static_cast<std::uint16_t>((b[4] << 8) | b[5]);
    guid.data3 = static_cast<std::uint16_t>((b[6] << 8) | b[7]);
    std::copy(b.begin() + 8, b.end(), guid.data4);
    return guid;
}

bool Guid::operator==(const Guid& other) const {
    return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
           std::equal(std::begin(data4), std::end(data4), std::begin(other.data4));
}

}  // namespace xkiv::automation
