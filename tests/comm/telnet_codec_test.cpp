// The Telnet layer of rfc2217:// ports: decoding, escaping, option refusal and the line settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/telnet_codec.h"

namespace xkiv {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr std::uint8_t COM = 44, ECHO_ = 1, SGA = 3, NOP = 241;

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// The server's confirmation of the whole opening: 9600, 8, none, 1, no flow, RTS off.
const Bytes kConfirmation = {IAC, SB, COM, 101, 0,  0,   0x25, 0x80, IAC, SE,  //
                             IAC, SB, COM, 102, 8,  IAC, SE,                   //
                             IAC, SB, COM, 103, 1,  IAC, SE,                   //
                             IAC, SB, COM, 104, 1,  IAC, SE,                   //
                             IAC, SB, COM, 105, 1,  IAC, SE,                   //
                             IAC, SB, COM, 105, 12, IAC, SE};

struct DecodeCase {
    const char* name;
    Bytes in;
    Bytes data;
    Bytes replies;
    TelnetCodec::ComPort comPort;
    bool confirmed;
    bool rejected;
};

class TelnetDecodeTest : public testing::TestWithParam<DecodeCase> {};

// Every case is fed whole and byte by byte: a chunk boundary anywhere
// (inside a command, a subnegotiation, a doubled 255) changes nothing.
TEST_P(TelnetDecodeTest, DecodesWholeAndInPieces) {
    const DecodeCase& c = GetParam();
    for (const bool piecewise : {false, true}) {
        TelnetCodec codec;
        Bytes data;
        Bytes replies;
        if (piecewise) {
            for (const std::uint8_t byte : c.in) {
                codec.Receive(std::span(&byte, 1), data, replies);
            }
        } else {
            codec.Receive(c.in, data, replies);
        }
        EXPECT_EQ(data, c.data) << piecewise;
        EXPECT_EQ(replies, c.replies) << piecewise;
        EXPECT_EQ(codec.ComPortState(), c.comPort) << piecewise;
        EXPECT_EQ(codec.LineConfirmed(), c.confirmed) << piecewise;
        EXPECT_EQ(codec.LineRejected(), c.rejected) << piecewise;
    }
}

using CP = TelnetCodec::ComPort;

INSTANTIATE_TEST_SUITE_P(
    Cases, TelnetDecodeTest,
    testing::Values(
        DecodeCase{"PlainData",
                   Text("MD=RZ-130LX\r\n"),
                   Text("MD=RZ-130LX\r\n"),
                   {},
                   CP::Pending,
                   false,
                   false},
        DecodeCase{"DoubledIacIsOneDataByte",
                   {'a', IAC, IAC, 'b'},
                   {'a', IAC, 'b'},
                   {},
                   CP::Pending,
                   false,
                   false},
        DecodeCase{
            "OtherCommandsVanish", {'a', IAC, NOP, 'b'}, {'a', 'b'}, {}, CP::Pending, false, false},
        DecodeCase{"OtherOptionsRefused",
                   {IAC, WILL, SGA, IAC, WILL, ECHO_, IAC, DO, 0},
                   {},
                   {IAC, DONT, SGA, IAC, DONT, ECHO_, IAC, WONT, 0},
                   CP::Pending,
                   false,
                   false},
        DecodeCase{"RequestsToStayOffUnanswered",
                   {IAC, DONT, ECHO_, IAC, WONT, SGA},
                   {},
                   {},
                   CP::Pending,
                   false,
                   false},
        DecodeCase{"ComPortAccepted", {IAC, DO, COM}, {}, {}, CP::Accepted, false, false},
        DecodeCase{
            "ComPortRefused", {IAC, DONT, COM, IAC, DO, COM}, {}, {}, CP::Refused, false, false},
        DecodeCase{"LineConfirmedBetweenData",
                   Join({Text("x"), {IAC, DO, COM}, kConfirmation, Text("y")}),
                   Text("xy"),
                   {},
                   CP::Accepted,
                   true,
                   false},
        DecodeCase{"OtherBaudRateRejected",
                   {IAC, SB, COM, 101, 0, 0, 0x4B, 0x00, IAC, SE},
                   {},
                   {},
                   CP::Pending,
                   false,
                   true},
        DecodeCase{"EscapedValueInSubnegotiation",
                   {IAC, SB, COM, 102, IAC, IAC, IAC, SE},
                   {},
                   {},
                   CP::Pending,
                   false,
                   true},
        DecodeCase{"SignatureRequestAnswered",
                   {IAC, SB, COM, 100, IAC, SE},
                   {},
                   {IAC, SB, COM, 0, 'x', 'k', 'i', 'v', IAC, SE},
                   CP::Pending,
                   false,
                   false},
        DecodeCase{"UnterminatedSubnegotiationDropped",
                   {IAC, SB, COM, 101, 1, IAC, NOP, 'd'},
                   {'d'},
                   {},
                   CP::Pending,
                   false,
                   false},
        DecodeCase{"OverlongSubnegotiationCannotGrow",
                   Join({{IAC, SB, 99}, Bytes(10000, 'q'), {IAC, SE}, Text("ok")}),
                   Text("ok"),
                   {},
                   CP::Pending,
                   false,
                   false}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

// What goes out: the opening, and data with 255 doubled (byte 255 never
// occurs in the camera's protocol, but the line is 8-bit clean).
TEST(TelnetEncodeTest, OpeningAndEscaping) {
    const Bytes opening = {IAC, WILL, COM,                                   //
                           IAC, SB,   COM, 1, 0,  0,   0x25, 0x80, IAC, SE,  //
                           IAC, SB,   COM, 2, 8,  IAC, SE,                   //
                           IAC, SB,   COM, 3, 1,  IAC, SE,                   //
                           IAC, SB,   COM, 4, 1,  IAC, SE,                   //
                           IAC, SB,   COM, 5, 1,  IAC, SE,                   //
                           IAC, SB,   COM, 5, 12, IAC, SE};
    EXPECT_EQ(TelnetCodec::Opening(), opening);

    const Bytes data = {'a', IAC, 0, IAC, IAC, 'z'};
    Bytes escaped;
    TelnetCodec::Escape(data, escaped);
    EXPECT_EQ(escaped, (Bytes{'a', IAC, IAC, 0, IAC, IAC, IAC, IAC, 'z'}));
    TelnetCodec codec;
    Bytes decoded;
    Bytes replies;
    codec.Receive(escaped, decoded, replies);
    EXPECT_EQ(decoded, data);
    EXPECT_TRUE(replies.empty());
}

}  // namespace
}  // namespace xkiv
