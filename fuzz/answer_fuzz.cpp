// Fuzzes the answer parser: the first byte picks the row whose answer is expected.
#include <cstddef>
#include <cstdint>
#include <string>

#include "camera/camera.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int row = data[0] % (xkiv::kParameterCount + 1);
    // One past the last row stands for a set command, which expects no name.
    const std::string name = row < xkiv::kParameterCount ? xkiv::Mnemonic(row) : std::string();
    const std::string line(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string answer;
    const xkiv::ResultCode result =
        xkiv::JudgeAnswer(line, name.empty() ? nullptr : name.c_str(), answer);
    if (result == xkiv::rc::kOk) {
        if (answer.find_first_of("\r\n") != std::string::npos || answer.size() >= line.size() + 1) {
            __builtin_trap();
        }
        (void)xkiv::ParseDecimal(answer);
    } else if (!answer.empty()) {
        __builtin_trap();
    }
    return 0;
}
