// Fuzzes the INI reader: any bytes parse, and what is written back reads back the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string once = xkiv::IniDocument::Parse(text).Serialize();
    if (xkiv::IniDocument::Parse(once).Serialize() != once) {
        __builtin_trap();
    }
    return 0;
}
