// Fuzzes the Telnet decoder: the first byte sets the piece size the rest is fed in.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "comm/telnet_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = data[0] % 16 + 1;
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    using Bytes = std::vector<std::uint8_t>;

    // Whatever the server sends, in whatever pieces, decodes alike.
    xkiv::TelnetCodec whole;
    xkiv::TelnetCodec pieces;
    Bytes wholeData, wholeReplies, piecesData, piecesReplies;
    whole.Receive(input, wholeData, wholeReplies);
    for (std::size_t at = 0; at < input.size(); at += piece) {
        pieces.Receive(input.subspan(at, std::min(piece, input.size() - at)), piecesData,
                       piecesReplies);
    }
    if (wholeData != piecesData || wholeReplies != piecesReplies ||
        whole.ComPortState() != pieces.ComPortState() ||
        whole.LineConfirmed() != pieces.LineConfirmed() || wholeData.size() > input.size()) {
        __builtin_trap();
    }

    // Data escaped for the line comes back as it was, and asks for no answer.
    Bytes escaped;
    xkiv::TelnetCodec::Escape(input, escaped);
    xkiv::TelnetCodec fresh;
    Bytes data2, replies2;
    fresh.Receive(escaped, data2, replies2);
    if (!std::equal(data2.begin(), data2.end(), input.begin(), input.end()) || !replies2.empty()) {
        __builtin_trap();
    }
    return 0;
}
