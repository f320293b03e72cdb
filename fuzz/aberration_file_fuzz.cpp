// Fuzzes the chromatic aberration (CSV) reader: a file reads whole, as two full tables, or not at
// all, and the tables it reads are read back the same from the file they are written to.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "camera/camera_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    xkiv::AberrationTables tables;
    const xkiv::ResultCode result = xkiv::ParseAberrationFile(text, tables);
    if (result != xkiv::rc::kOk && result != xkiv::rc::kUnmatchedFile) {
        __builtin_trap();
    }
    if (result == xkiv::rc::kOk) {
        for (const auto& table : tables) {
            if (table.size() != static_cast<std::size_t>(xkiv::kAberrationTableSize)) {
                __builtin_trap();
            }
        }
        xkiv::AberrationTables reread;
        if (xkiv::ParseAberrationFile(xkiv::FormatAberrationFile(tables), reread) !=
                xkiv::rc::kOk ||
            reread != tables) {
            __builtin_trap();
        }
    }
    return 0;
}
