// The command exchange against a scripted transport: formats, judgement, flags, offline.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "tests/camera/recording_camera.h"
#include "tests/camera/scripted_transport.h"
#include "tests/support/test_files.h"

namespace xkiv {
namespace {

using test::ManualClock;
using test::ScriptedTransport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The camera over a scripted port, with a manual clock.
class ScriptedCamera : public test::RecordingCamera {
public:
    ScriptedCamera(ProfileStore& profile, std::unique_ptr<ScriptedTransport> port,
                   ManualClock& clock)
        : RecordingCamera(profile, std::move(port), std::make_unique<ScriptedTransport>(clock, 0),
                          SilentUiServices(), clock) {}
};

class CommandExchangeTest : public ::testing::Test {
protected:
    CommandExchangeTest() : profile_(folder_.Path() / "profile.ini") {
        auto port = std::make_unique<ScriptedTransport>(clock_);
        port_ = port.get();
        camera_ = std::make_unique<ScriptedCamera>(profile_, std::move(port), clock_);
        camera_->StoreText(row::MD, "RZ-130LX");
        camera_->StoreValue(row::VN, 22);
        EXPECT_EQ(camera_->SelectAndOpen(0, 0), rc::kOk);
        camera_->OnlineChanged(true);
        camera_->events.clear();
    }
    ~CommandExchangeTest() override { camera_.reset(); }

    test::TemporaryFolder folder_{"xkiv-exchange"};
    ProfileStore profile_;
    ManualClock clock_;
    ScriptedTransport* port_ = nullptr;
    std::unique_ptr<ScriptedCamera> camera_;
};

TEST_F(CommandExchangeTest, SetCommandsArePlainOrIndexedIntegersAndTexts) {
    camera_->StoreValue(row::GA, -402);
    camera_->StoreValue(row::MAVCG, 2);
    camera_->StoreValue(row::CABAR, 5);
    camera_->StoreText(row::CABN1, "Lens A 50mm");
    EXPECT_EQ(camera_->FormatSetCommand(row::GA), "GA=-402\r\n");
    EXPECT_EQ(camera_->FormatSetCommand(row::CABAR), "CABAR=2,5\r\n");
    EXPECT_EQ(camera_->FormatSetCommand(row::CABN1), "CABN1=Lens A 50mm\r\n");
    EXPECT_EQ(camera_->FormatQueryCommand(row::LR), "LR?\r\n");
    camera_->StoreValue(row::MAVCG, 1);
    EXPECT_EQ(camera_->FormatQueryCommand(row::CABLR), "CABLR?1\r\n");
}

TEST_F(CommandExchangeTest, SetAnsweredCompleteSucceedsWithNotificationsInOrder) {
    camera_->StoreValue(row::GA, 100);
    port_->QueueReply("COMPLETE\r\n");
    EXPECT_EQ(camera_->WriteParameter(row::GA, true), rc::kOk);
    EXPECT_TRUE(camera_->IsRowSynchronized(row::GA));
    EXPECT_THAT(camera_->events,
                ElementsAre("Sending:1", "Sent:GA=100\r\n", "Sending:0", "Answer:COMPLETE\r\n"));
    EXPECT_THAT(port_->Written(), ElementsAre("GA=100\r\n"));
    EXPECT_EQ(port_->PurgeCount(), 1);
}

struct AnswerCase {
    const char* reply;
    ResultCode expected;
};

class SetAnswerTest : public CommandExchangeTest,
                      public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(SetAnswerTest, AnswerIsJudged) {
    port_->QueueReply(GetParam().reply);
    EXPECT_EQ(camera_->WriteParameter(row::GA, true), GetParam().expected);
    EXPECT_EQ(camera_->IsRowSynchronized(row::GA), GetParam().expected == rc::kOk);
    // A camera that answered anything keeps the link up.
    EXPECT_TRUE(camera_->IsOnline());
}

INSTANTIATE_TEST_SUITE_P(Answers, SetAnswerTest,
                         ::testing::Values(AnswerCase{"COMPLETE\r\n", rc::kOk},
                                           AnswerCase{"complete\r\n", rc::kInvalidAnswer},
                                           AnswerCase{"COMPLETE.\r\n", rc::kInvalidAnswer},
                                           AnswerCase{"Bad Parameters!!\r\n", rc::kBadParameter},
                                           AnswerCase{"Unknown Command!!\r\n", rc::kUnknownCommand},
                                           AnswerCase{"xx Unknown Command!! Bad Parameters!!\r\n",
                                                      rc::kUnknownCommand},
                                           AnswerCase{"GA=100\r\n", rc::kInvalidAnswer}));

TEST_F(CommandExchangeTest, SilentCameraTimesOutAndGoesOfflineOnlyWhenAsked) {
    port_->QueueSilence();
    const std::int64_t start = clock_.NowMs();
    EXPECT_EQ(camera_->WriteParameter(row::GA, false), rc::kTimeout);
    EXPECT_GE(clock_.NowMs() - start, 1000);
    EXPECT_TRUE(camera_->IsOnline());
    EXPECT_FALSE(camera_->IsRowSynchronized(row::GA));

    port_->QueueReply("COMPLETE\r\n");
    ASSERT_EQ(camera_->WriteParameter(row::BI, true), rc::kOk);
    camera_->events.clear();
    const int closes = port_->CloseCount();
    port_->QueueSilence();
    EXPECT_EQ(camera_->WriteParameter(row::GA, true), rc::kTimeout);
    EXPECT_FALSE(camera_->IsOnline());
    EXPECT_FALSE(camera_->IsRowSynchronized(row::BI));
    EXPECT_EQ(port_->CloseCount(), closes + 1);
    EXPECT_THAT(camera_->events, ElementsAre("Sending:1", "Sent:GA=0\r\n", "Sending:0", "Online:0",
                                             "Synchronized:0"));
}

TEST_F(CommandExchangeTest, WriteFailureReturnsTransportCodeWithoutWaiting) {
    port_->FailNextWrite(rc::kWriteFailed);
    const std::int64_t start = clock_.NowMs();
    EXPECT_EQ(camera_->WriteParameter(row::GA, true), rc::kWriteFailed);
    EXPECT_EQ(clock_.NowMs(), start);
    EXPECT_FALSE(camera_->IsOnline());
}

TEST_F(CommandExchangeTest, OfflineCameraSendsNothing) {
    camera_->OnlineChanged(false);
    const int closes = port_->CloseCount();
    EXPECT_EQ(camera_->WriteParameter(row::GA, true), rc::kOffline);
    EXPECT_EQ(camera_->ReadParameter(row::GA, true), rc::kOffline);
    EXPECT_TRUE(port_->Written().empty());
    EXPECT_EQ(port_->CloseCount(), closes);
}

TEST_F(CommandExchangeTest, SplitAnswerIsJoined) {
    port_->QueueReply({{"LR=50", 0}, {"00", 200}, {"\r", 300}, {"\n", 100}});
    EXPECT_EQ(camera_->ReadParameter(row::LR, true), rc::kOk);
    EXPECT_EQ(camera_->Value(row::LR), 5000);
}

TEST_F(CommandExchangeTest, AnswerWithoutLineEndTimesOutAfterRowTimeout) {
    port_->QueueReply({{"COMPLETE", 0}, {"\r\n", 5000}});
    const std::int64_t start = clock_.NowMs();
    EXPECT_EQ(camera_->WriteParameter(row::GA, false), rc::kTimeout);
    const std::int64_t waited = clock_.NowMs() - start;
    EXPECT_GE(waited, 1000);
    EXPECT_LE(waited, 1001);
}

TEST_F(CommandExchangeTest, QueryStoresValueInsideBoundsAndRejectsOthers) {
    port_->QueueReply("LR=5000\r\n");
    EXPECT_EQ(camera_->ReadParameter(row::LR, true), rc::kOk);
    EXPECT_EQ(camera_->Value(row::LR), 5000);
    EXPECT_TRUE(camera_->IsRowSynchronized(row::LR));

    port_->QueueReply("LR=1\r\n");
    EXPECT_EQ(camera_->ReadParameter(row::LR, true), rc::kReceivedOutOfRange);
    EXPECT_EQ(camera_->Value(row::LR), 5000);
    EXPECT_FALSE(camera_->IsRowSynchronized(row::LR));
    EXPECT_TRUE(camera_->IsOnline());
}

TEST_F(CommandExchangeTest, QueryOfValueListRowAcceptsOnlyListedValues) {
    port_->QueueReply("TR=2\r\n");
    EXPECT_EQ(camera_->ReadParameter(row::TR, true), rc::kOk);
    EXPECT_EQ(camera_->Value(row::TR), 2);
    port_->QueueReply("TR=3\r\n");
    EXPECT_EQ(camera_->ReadParameter(row::TR, true), rc::kReceivedOutOfRange);
    EXPECT_EQ(camera_->Value(row::TR), 2);
}

TEST_F(CommandExchangeTest, QueryOfIndexedRowSendsIndexAndKeepsValueAfterComma) {
    camera_->StoreValue(row::MAVCG, 1);
    camera_->StoreValue(row::MAV, 1);
    port_->QueueReply("CABLR=1,-2\r\n");
    EXPECT_EQ(camera_->ReadParameter(row::CABLR, true), rc::kOk);
    EXPECT_THAT(port_->Written(), ElementsAre("CABLR?1\r\n"));
    EXPECT_EQ(camera_->Value(row::CABLR), -2);
}

TEST_F(CommandExchangeTest, QueryOfTextRowStoresEverythingAfterTheEqualsSign) {
    port_->QueueReply("UD= my camera \r\n");
    EXPECT_EQ(camera_->ReadParameter(row::UD, true), rc::kOk);
    EXPECT_EQ(camera_->Text(row::UD), " my camera ");
}

TEST_F(CommandExchangeTest, QueryAnswerMustNameTheRow) {
    for (const char* reply : {"GA?\r\n", "GAR=5\r\n", "XGA=5\r\n", "GA\r\n", "G\r\n"}) {
        port_->QueueReply(reply);
        EXPECT_EQ(camera_->ReadParameter(row::GA, true), rc::kInvalidAnswer) << reply;
    }
    EXPECT_TRUE(camera_->IsOnline());
}

TEST_F(CommandExchangeTest, QueryNotificationsInOrder) {
    port_->QueueReply("GA=12\r\n");
    EXPECT_EQ(camera_->ReadParameter(row::GA, true), rc::kOk);
    EXPECT_THAT(camera_->events,
                ElementsAre("Receiving:1", "Sent:GA?\r\n", "Receiving:0", "Answer:GA=12\r\n"));
}

TEST_F(CommandExchangeTest, QuietRowsAreNeverLoggedAndKeepTheSendingLightOff) {
    port_->QueueReply("EB=0\r\n");
    EXPECT_EQ(camera_->ReadParameter(row::EB, true), rc::kOk);
    camera_->StoreValue(row::ULCK, 7381);
    port_->QueueReply("COMPLETE\r\n");
    EXPECT_EQ(camera_->WriteParameter(row::ULCK, true), rc::kOk);
    EXPECT_THAT(camera_->events, ElementsAre("Receiving:1", "Receiving:0"));
}

TEST_F(CommandExchangeTest, LinkObserverSeesEveryLineQuietRowsAndTimeOutsIncluded) {
    std::vector<std::string> seen;
    camera_->SetLinkObserver([&seen](const LinkTraffic& traffic) {
        constexpr const char* kKinds[] = {"Command", "Answer", "NoAnswer"};
        seen.push_back(std::string(kKinds[static_cast<int>(traffic.kind)]) + ' ' +
                       std::string(traffic.bytes) + ' ' + std::to_string(traffic.result) + ' ' +
                       std::to_string(traffic.timeoutMs));
    });
    camera_->StoreValue(row::ULCK, 7381);
    port_->QueueReply("COMPLETE\r\n");
    EXPECT_EQ(camera_->WriteParameter(row::ULCK, true), rc::kOk);
    port_->QueueReply({{"GA=1", 0}});
    EXPECT_EQ(camera_->ReadParameter(row::GA, false), rc::kTimeout);
    camera_->SetLinkObserver({});
    port_->QueueReply("COMPLETE\r\n");
    EXPECT_EQ(camera_->WriteParameter(row::ULCK, true), rc::kOk);
    EXPECT_THAT(seen, ElementsAre("Command ULCK=7381\r\n 0 0", "Answer COMPLETE\r\n 0 0",
                                  "Command GA?\r\n 0 0", "NoAnswer GA=1 101 1000"));
}

TEST_F(CommandExchangeTest, NumbersParseLikeTheCameraWritesThem) {
    EXPECT_EQ(ParseDecimal("-17"), -17);
    EXPECT_EQ(ParseDecimal("+8x"), 8);
    EXPECT_EQ(ParseDecimal("  42"), 42);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("99999999999"), INT32_MAX);
    EXPECT_EQ(ParseDecimal("-99999999999"), INT32_MIN);
}

TEST_F(CommandExchangeTest, RowsOutsideTheTableAreRefusedSafely) {
    EXPECT_EQ(camera_->WriteParameter(-1, true), rc::kInvalidArgument);
    EXPECT_EQ(camera_->ReadParameter(80, true), rc::kInvalidArgument);
    EXPECT_EQ(camera_->WriteParameter(row::ShadingType, true), rc::kInvalidArgument);
    EXPECT_EQ(camera_->Value(200), 0);
    EXPECT_TRUE(port_->Written().empty());
}

TEST_F(CommandExchangeTest, EndlessLineIsCutOff) {
    port_->QueueReply(std::string(10000, 'x'));
    EXPECT_EQ(camera_->WriteParameter(row::GA, true), rc::kInvalidAnswer);
    EXPECT_TRUE(camera_->IsOnline());
}

// Texts that would end a command early and make the camera run the rest as
// a command of its own.
class ControlCharacterTest : public CommandExchangeTest,
                             public ::testing::WithParamInterface<std::string> {};

TEST_P(ControlCharacterTest, TextWithControlCharacterNeverReachesTheWire) {
    const std::string& text = GetParam();
    camera_->StoreText(row::CABN1, text);
    EXPECT_EQ(camera_->WriteParameter(row::CABN1, true), rc::kInvalidArgument);
    EXPECT_FALSE(camera_->IsRowSynchronized(row::CABN1));
    EXPECT_TRUE(camera_->IsOnline());
    EXPECT_THAT(camera_->events, IsEmpty());

    camera_->StoreText(row::CABN1, "kept");
    EXPECT_EQ(camera_->SetValueText(row::CABN1, text), rc::kInvalidArgument);
    EXPECT_EQ(camera_->Text(row::CABN1), "kept");
    // Refused before the unlock, so the camera stays locked.
    EXPECT_EQ(camera_->SetUserID(text), rc::kInvalidArgument);
    EXPECT_THAT(port_->Written(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Texts, ControlCharacterTest,
                         ::testing::Values("ab\nTR=1", "ab\rSA=1", "\r\nLD=0", "tab\there",
                                           "bell\a", "del\x7f", std::string("nul\0SA=1", 8)));

TEST_F(CommandExchangeTest, AnsweredTextWithControlCharacterIsNotStored) {
    camera_->StoreText(row::UD, "kept");
    port_->QueueReply("UD=ab\x1b[2J\r\n");
    EXPECT_EQ(camera_->ReadParameter(row::UD, true), rc::kInvalidAnswer);
    EXPECT_EQ(camera_->Text(row::UD), "kept");
}

// Values loaded from the profile or a snapshot, outside the row's current
// bounds, are clamped into them before they are sent.
struct ClampCase {
    const char* name;
    int row;
    std::int32_t stored;
    const char* sent;
};

class SendClampTest : public CommandExchangeTest,
                      public ::testing::WithParamInterface<ClampCase> {};

TEST_P(SendClampTest, OutOfBoundsValueIsClampedBeforeItIsSent) {
    const ClampCase& c = GetParam();
    camera_->StoreValue(c.row, c.stored);
    port_->QueueReply("COMPLETE\r\n");
    EXPECT_EQ(camera_->WriteParameter(c.row, true), rc::kOk);
    EXPECT_THAT(port_->Written(), ElementsAre(std::string(c.sent) + "\r\n"));
    EXPECT_EQ(std::to_string(camera_->Value(c.row)),
              std::string(c.sent).substr(Mnemonic(c.row).size() + 1));
    EXPECT_EQ(camera_->events.front(), "Value:" + Mnemonic(c.row));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SendClampTest,
    ::testing::Values(ClampCase{"FirstRunLineRate", row::LR, 0, "LR=2633"},
                      ClampCase{"HandEditedMasterGain", row::GA, 999999, "GA=802"},
                      ClampCase{"ColourGainBelowRule", row::GAR, -5000, "GAR=-402"},
                      ClampCase{"ListValueTooLarge", row::TR, 7, "TR=2"},
                      ClampCase{"ListValueNegative", row::TS, -3, "TS=0"}),
    [](const ::testing::TestParamInfo<ClampCase>& info) { return std::string(info.param.name); });

TEST(ErrorTextTest, TextsAreTheCamerasOwn) {
    EXPECT_EQ(GetErrorText(0), "No error detected.");
    EXPECT_EQ(GetErrorText(3),
              "Unable to use communication port.\nMake sure that no other programs are "
              "connected to this port.");
    EXPECT_EQ(GetErrorText(7), "Time out detected in reading the communicaiton port.");
    EXPECT_EQ(GetErrorText(101),
              "Operation time out.\nPlease check the camera power and its cable.");
    EXPECT_EQ(GetErrorText(102), "Unkown command !!");
    EXPECT_EQ(GetErrorText(109), "Unmatched data file for this camera.");
    EXPECT_EQ(GetErrorText(8), "Unknown error detected.");
    EXPECT_EQ(GetErrorText(-1), "Unknown error detected.");
}

}  // namespace
}  // namespace xkiv
