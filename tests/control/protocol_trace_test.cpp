// The protocol trace's lines: raw text and the meaning decoded from the tables.
#include <gtest/gtest.h>

#include <string>

#include "control/protocol_trace.h"

namespace xkiv::control_test {
namespace {

using Kind = LinkTraffic::Kind;

struct TraceCase {
    const char* name;
    LinkTraffic traffic;
    const char* expected;
};

const TraceCase kTraceCases[] = {
    {"Set", {.kind = Kind::Command, .bytes = "GA=802\r\n"}, "-> GA=802        MasterGain := 802"},
    {"SetAnswered", {.kind = Kind::Answer, .bytes = "COMPLETE\r\n"}, "<- COMPLETE"},
    {"Query", {.kind = Kind::Command, .bytes = "TR?\r\n"}, "-> TR?           TriggerMode ?"},
    {"QueryAnsweredWithANamedValue",
     {.kind = Kind::Answer, .bytes = "TR=1\r\n", .expectedName = "TR"},
     "<- TR=1          TriggerMode = 1 (Shutter Select)"},
    {"SetRefused",
     {.kind = Kind::Answer, .bytes = "Bad Parameters!!\r\n"},
     "<- Bad Parameters!!   103 \"Bad Parameter !!\""},
    {"SetAnsweredOtherwise",
     {.kind = Kind::Answer, .bytes = "OK\r\n"},
     "<- OK            105 \"Invalid answer received from camera.\""},
    {"TextSet",
     {.kind = Kind::Command, .bytes = "UD=line 7\r\n"},
     "-> UD=line 7     UserID := \"line 7\""},
    {"TextAnswerWithAControlByte",
     {.kind = Kind::Answer, .bytes = "ID=A\x01\\B\r\n", .expectedName = "ID"},
     "<- ID=A\\x01\\\\B   CameraID = \"A\\x01\\\\B\""},
    {"IndexedSet",
     {.kind = Kind::Command, .bytes = "CABLR=1,-2\r\n"},
     "-> CABLR=1,-2    AberrationLeftSidePixelRed[1] := -2 (L2)"},
    {"RowWithoutAProperty",
     {.kind = Kind::Command, .bytes = "ULCK=7381\r\n"},
     "-> ULCK=7381     Unlock := 7381"},
    {"WriteFailed",
     {.kind = Kind::Command, .bytes = "GA=802\r\n", .result = rc::kWriteFailed},
     "-> GA=802        MasterGain := 802; write failed: 4 \"Function failed in writing the "
     "communicaiton port.\""},
    {"NoAnswer",
     {.kind = Kind::NoAnswer,
      .bytes = "",
      .result = rc::kTimeout,
      .transportResult = rc::kReadTimeout,
      .timeoutMs = 1000},
     "<- (no answer within 1000 ms)   101 \"Operation time out.\\nPlease check the camera power "
     "and its cable.\""},
    {"PartAnswer",
     {.kind = Kind::NoAnswer,
      .bytes = "GA=8",
      .expectedName = "GA",
      .result = rc::kTimeout,
      .timeoutMs = 1000},
     "<- GA=8          no line end within 1000 ms; 101 \"Operation time out.\\nPlease check the "
     "camera power and its cable.\""},
    {"ReadFailed",
     {.kind = Kind::NoAnswer,
      .bytes = "",
      .result = rc::kTimeout,
      .transportResult = rc::kReadFailed,
      .timeoutMs = 1000},
     "<- (no answer)   reading failed: 5 \"Function failed in reading the communication port.\"; "
     "101 \"Operation time out.\\nPlease check the camera power and its cable.\""},
};

class TraceLineTest : public ::testing::TestWithParam<TraceCase> {};

TEST_P(TraceLineTest, ShowsTheLineAndItsMeaning) {
    EXPECT_EQ(DescribeTraffic(GetParam().traffic, NoParameterValues()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Traffic, TraceLineTest, ::testing::ValuesIn(kTraceCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace xkiv::control_test
