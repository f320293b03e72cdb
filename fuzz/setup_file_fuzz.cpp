// Fuzzes the setup-file reader: parse and check a .cam file as it would be applied.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "camera/camera.h"
#include "camera/camera_files.h"

namespace {

// A camera with the aberration rows, so that the model-dependent keys count.
class FirstRunValues final : public xkiv::ParameterValues {
public:
    FirstRunValues() {
        texts_[xkiv::row::MD] = "RZ-130LX";
        values_[xkiv::row::VN] = 22;
    }
    std::int32_t Value(int row) const override { return values_.at(row); }
    const std::string& Text(int row) const override { return texts_.at(row); }

private:
    std::array<std::int32_t, xkiv::kParameterCount> values_{};
    std::array<std::string, xkiv::kParameterCount> texts_{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FirstRunValues values;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const xkiv::IniDocument file = xkiv::IniDocument::Parse(text);
    for (const bool keepModel : {false, true}) {
        std::vector<xkiv::SetupValue> plan;
        int failedRow = -1;
        const xkiv::ResultCode result =
            xkiv::CheckSetupFile(file, values, keepModel, plan, failedRow);
        // Whatever the file holds, nothing that is applied can carry a
        // control character, and every row applied is a persisted one.
        for (const xkiv::SetupValue& entry : plan) {
            if (!xkiv::IsSendableText(entry.text) || !xkiv::HasFlag(entry.row, xkiv::PF_PROFILE)) {
                __builtin_trap();
            }
        }
        if (failedRow < 0 || failedRow > xkiv::kParameterCount ||
            (result == xkiv::rc::kOk) != (failedRow == xkiv::kParameterCount)) {
            __builtin_trap();
        }
    }
    return 0;
}
