// Fuzzes the receive path of the exchange: CCamera over an in-memory port whose replies arrive
// in any split and at any delay, answers stored into plain, indexed and text rows.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "camera/camera.h"
#include "tests/camera/scripted_transport.h"

namespace {

using xkiv::test::ManualClock;
using xkiv::test::ScriptedTransport;

constexpr const char* kModels[] = {"RZ-130LX", "RZ-150LX", "RZ-130LX-FS", "RZ-150LX-HR"};

// The camera, made once (making one reads and writes the whole profile,
// which would cost more than the exchange), put back before each input into
// the state it had when made, with the model and firmware the input names.
class FuzzedCamera final : public xkiv::CCamera {
public:
    FuzzedCamera(xkiv::ProfileStore& profile, std::unique_ptr<ScriptedTransport> port,
                 ManualClock& clock)
        : CCamera(profile, std::move(port), std::make_unique<ScriptedTransport>(clock, 0),
                  xkiv::SilentUiServices(), clock) {
        for (int row = 0; row < xkiv::kParameterCount; ++row) {
            values_[row] = Value(row);
            texts_[row] = Text(row);
        }
    }

    void Reset(const char* model, std::int32_t firmware) {
        GoOffline();
        for (int row = 0; row < xkiv::kParameterCount; ++row) {
            StoreValue(row, values_[row]);
            StoreText(row, texts_[row]);
            SetRowSynchronized(row, false);
        }
        StoreText(xkiv::row::MD, model);
        StoreValue(xkiv::row::VN, firmware);
    }

private:
    std::array<std::int32_t, xkiv::kParameterCount> values_{};
    std::array<std::string, xkiv::kParameterCount> texts_{};
};

// Reads the input from the front; an exhausted input reads as zeros.
class InputReader {
public:
    explicit InputReader(std::string_view data) : data_(data) {}
    bool Empty() const { return data_.empty(); }
    std::uint8_t Byte() {
        if (data_.empty()) {
            return 0;
        }
        const auto byte = static_cast<std::uint8_t>(data_.front());
        data_.remove_prefix(1);
        return byte;
    }
    std::string Bytes(std::size_t count) {
        const std::string bytes(data_.substr(0, count));
        data_.remove_prefix(bytes.size());
        return bytes;
    }

private:
    std::string_view data_;
};

// The replies the port gives, one per written line: up to three segments
// each (none is silence), each its length, its delay in steps of 8 ms (the
// answer time-out lies within the range) and its bytes.
void QueueReplies(InputReader& input, ScriptedTransport& port) {
    while (!input.Empty()) {
        std::vector<ScriptedTransport::Segment> reply(input.Byte() % 4);
        for (ScriptedTransport::Segment& segment : reply) {
            const std::size_t length = input.Byte();
            segment.delayMs = std::int64_t{input.Byte()} * 8;
            segment.bytes = input.Bytes(length);
        }
        port.QueueReply(std::move(reply));
    }
}

// No text the camera sent is stored with a control character, and a number
// read and accepted lies within the row's bounds (or is one of its values)
// as they stand after the read.
void CheckStored(const FuzzedCamera& camera, int readRow) {
    for (int row = 0; row < xkiv::kParameterCount; ++row) {
        if (!xkiv::IsSendableText(camera.Text(row))) {
            __builtin_trap();
        }
    }
    const bool checked = readRow >= 0 && !xkiv::HasFlag(readRow, xkiv::PF_STRING) &&
                         !xkiv::HasFlag(readRow, xkiv::PF_NO_RANGE_CHECK);
    if (checked &&
        xkiv::ClampToBounds(readRow, camera.Value(readRow), camera) != camera.Value(readRow)) {
        __builtin_trap();
    }
}

xkiv::ResultCode RunOperation(FuzzedCamera& camera, std::uint8_t operation, int row) {
    std::string text;
    switch (operation % 6) {
        case 0:
            return camera.Identify();
        case 1:
            return camera.ReadAll();
        case 2:
            return camera.ReadParameter(row, true);
        case 3:
            return camera.WriteParameter(row, true);
        case 4:
            return camera.GetValueText(row, text, true, true);
        default:
            return camera.SetUserID("line 4");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ManualClock clock;
    // A profile that cannot be written: nothing of a run reaches the disk.
    static xkiv::ProfileStore profile("/dev/null/xkiv-fuzz.ini");
    static ScriptedTransport* port = nullptr;
    static const std::unique_ptr<FuzzedCamera> camera = [] {
        auto owned = std::make_unique<ScriptedTransport>(clock);
        port = owned.get();
        return std::make_unique<FuzzedCamera>(profile, std::move(owned), clock);
    }();
    InputReader input(std::string_view(reinterpret_cast<const char*>(data), size));

    const std::uint8_t model = input.Byte();
    const std::uint8_t firmware = input.Byte();
    camera->Reset(kModels[model % 4], firmware);
    port->Reset();
    if (camera->SelectAndOpen(0, 0) != xkiv::rc::kOk) {
        __builtin_trap();
    }
    camera->OnlineChanged(true);

    struct Step {
        std::uint8_t operation;
        int row;
    } steps[2];
    for (Step& step : steps) {
        step.operation = input.Byte();
        step.row = input.Byte() % xkiv::kParameterCount;
    }
    QueueReplies(input, *port);
    for (const Step& step : steps) {
        const xkiv::ResultCode result = RunOperation(*camera, step.operation, step.row);
        const bool read = step.operation % 6 == 2 && result == xkiv::rc::kOk;
        CheckStored(*camera, read ? step.row : -1);
    }
    return 0;
}
