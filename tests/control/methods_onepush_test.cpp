// The one-push methods: the command, the result polling, refresh reads and result messages.
#include <algorithm>
#include <cstddef>
#include <numeric>

#include "tests/control/methods_sim_fixture.h"

namespace xkiv::test {
namespace {

using automation::Variant;

constexpr automation::DispId kLineRateEvent = 16;
constexpr automation::DispId kOnePushAwbResultEvent = 35;
constexpr automation::DispId kShadingTypeEvent = 49;

class OnePushMethodsTest : public MethodsTest {
protected:
    // Runs a one-push method with the result out-parameter in front of the
    // message flag (and nType before both when given).
    std::int32_t Run(const std::string& method, std::int32_t& result, std::int32_t showMessage,
                     std::optional<std::int32_t> type = std::nullopt) {
        std::vector<Variant> args;
        if (type) {
            args.push_back(Variant::Long(*type));
        }
        args.push_back(Variant::LongRef(&result));
        args.push_back(Variant::Long(showMessage));
        return Call(method, args).ToLong().value_or(-99);
    }

    // The lines the camera received after the last poll of the result row.
    static std::vector<std::string> AfterLastPoll(const std::vector<std::string>& lines,
                                                  const std::string& poll) {
        const auto last = std::find(lines.rbegin(), lines.rend(), poll);
        return {last.base(), lines.end()};
    }
};

struct PolledCase {
    const char* method;
    std::optional<std::int32_t> type;
    const char* command;
    const char* poll;
    const char* completedMessage;
    std::vector<std::string> refreshQueries;
};

class PolledOnePushTest : public OnePushMethodsTest,
                          public ::testing::WithParamInterface<PolledCase> {};

TEST_P(PolledOnePushTest, SucceedsAndReadsBackWhatTheCommandChanged) {
    const PolledCase& test = GetParam();
    sim::CameraConfig config = Model("RZ-130LX");
    config.onePushMs = 150;
    sim::SimServer& server = StartSim(config);
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    std::int32_t result = -1;

    EXPECT_EQ(Run(test.method, result, 1, test.type), rc::kOk);

    EXPECT_EQ(result, 1);
    const std::vector<std::string> lines = LinesSince(server, mark);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), test.command);
    // Polled 100 ms apart on the module's clock until the camera's 150 ms were over.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), test.poll), 2);
    EXPECT_EQ(clock_.Sleeps(), (std::vector<std::int64_t>{100, 100}));
    EXPECT_EQ(AfterLastPoll(lines, test.poll), test.refreshQueries);
    ASSERT_EQ(ui_.messages.size(), 1U);
    EXPECT_EQ(ui_.messages[0].text, test.completedMessage);
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(ui_.waitCursor, 0);
}

INSTANTIATE_TEST_SUITE_P(Methods, PolledOnePushTest,
                         ::testing::Values(PolledCase{"DoOnePushAWBShutter",
                                                      std::nullopt,
                                                      "AH=0",
                                                      "AHRS?",
                                                      "One-Push AWB Shutter completed.",
                                                      {"PER?", "PEG?", "PEB?"}},
                                           PolledCase{"DoOnePushAWB",
                                                      std::nullopt,
                                                      "AW=0",
                                                      "AWRS?",
                                                      "One-Push AWB completed.",
                                                      {"GA?", "GAR?", "GAB?"}},
                                           PolledCase{"DoOnePushShadingCorrection",
                                                      1,
                                                      "SDR=1",
                                                      "SDS?",
                                                      "Shading Correction completed.",
                                                      {}},
                                           PolledCase{"DoOnePushPixelGainCorrection",
                                                      std::nullopt,
                                                      "PGR=0",
                                                      "PGS?",
                                                      "Pixel Gain Correction  completed.",
                                                      {}},
                                           PolledCase{"DoOnePushPixelBlackCorrection",
                                                      std::nullopt,
                                                      "PBR=0",
                                                      "PBS?",
                                                      "Pixel Black Correction completed.",
                                                      {}}));

TEST_F(OnePushMethodsTest, ATooBrightOutcomeIsReportedWithItsName) {
    sim::CameraConfig config = Model("RZ-150LX");
    config.onePushMs = 300;
    config.onePushResults = {{"AW", 2}};
    sim::SimServer& server = StartSim(config);
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    std::int32_t result = -1;

    EXPECT_EQ(Run("DoOnePushAWB", result, 1), rc::kOk);

    EXPECT_EQ(result, 2);
    ASSERT_EQ(ui_.messages.size(), 1U);
    EXPECT_EQ(ui_.messages[0].text, "One-Push AWB failed. \r\n\"Too Bright\".");
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Stop);
    // No refresh after a failed calibration, and polling reads report nothing.
    const std::vector<std::string> lines = LinesSince(server, mark);
    EXPECT_EQ(lines.back(), "AWRS?");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "AWRS?"), 3);
    EXPECT_EQ(events_.Count(kOnePushAwbResultEvent), 0);
}

TEST_F(OnePushMethodsTest, AResultThatNeverArrivesEndsAfterTenSecondsWithTheTimeOut) {
    sim::CameraConfig config = Model("RZ-130LX");
    config.onePushMs = 0;
    config.onePushResults = {{"AW", 0}};
    sim::SimServer& server = StartSim(config);
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    std::int32_t result = -1;

    EXPECT_EQ(Run("DoOnePushAWB", result, 2), rc::kTimeout);

    EXPECT_EQ(result, 0);
    // One poll after each 100 ms sleep, until more than 10 s have passed on the module's clock.
    const std::vector<std::int64_t> sleeps = clock_.Sleeps();
    const std::vector<std::string> lines = LinesSince(server, mark);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "AWRS?"),
              static_cast<std::ptrdiff_t>(sleeps.size()));
    EXPECT_EQ(std::accumulate(sleeps.begin(), sleeps.end(), std::int64_t{0}), 10100);
    ASSERT_EQ(ui_.messages.size(), 1U);
    EXPECT_EQ(ui_.messages[0].text, "One-Push AWB failed, " + GetErrorText(rc::kTimeout));
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(control_->IsOnline());
}

TEST_F(OnePushMethodsTest, AnOfflineCameraFailsWithoutRaisingOrPolling) {
    MakeControl({});
    std::int32_t result = -1;

    EXPECT_EQ(Run("DoOnePushPixelGainCorrection", result, 0), rc::kOffline);

    EXPECT_EQ(result, 0);
    EXPECT_TRUE(clock_.Sleeps().empty());
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(ui_.waitCursor, 0);
}

TEST_F(OnePushMethodsTest, ShadingCorrectionTakesANewTypeAsTheLocalShadingType) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    const std::int32_t current = control.Value(row::ShadingType);
    const std::int32_t other = 1 - current;
    std::int32_t result = -1;

    control.SetModifiedFlag(false);
    EXPECT_EQ(Run("DoOnePushShadingCorrection", result, 0, current), rc::kOk);
    EXPECT_EQ(events_.Count(kShadingTypeEvent), 0);
    EXPECT_FALSE(control.IsModified());

    const std::size_t mark = server.ReceivedLines().size();
    EXPECT_EQ(Run("DoOnePushShadingCorrection", result, 0, other), rc::kOk);
    EXPECT_EQ(events_.Count(kShadingTypeEvent), 1);
    EXPECT_EQ(control.Value(row::ShadingType), other);
    EXPECT_TRUE(control.IsModified());
    EXPECT_EQ(LinesSince(server, mark).front(), "SDR=" + std::to_string(other));
}

class AutoLineRateOfflineTest : public OnePushMethodsTest,
                                public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(AutoLineRateOfflineTest, ReturnsTheOfflineCodeWithTimeOutAsResult) {
    MakeControl({});
    std::int32_t result = -1;

    EXPECT_EQ(Run("DoOnePushAutoLineRateSet", result, GetParam()), rc::kOffline);

    EXPECT_EQ(result, 4);
    if (GetParam() == 1) {
        ASSERT_EQ(ui_.messages.size(), 1U);
        EXPECT_EQ(ui_.messages[0].text, "Failed, Operation failed. The camera is offline.");
        EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Stop);
    } else {
        EXPECT_TRUE(ui_.messages.empty());
    }
}

// Only exactly 1 asks for the message.
INSTANTIATE_TEST_SUITE_P(MessageFlag, AutoLineRateOfflineTest, ::testing::Values(0, 1, 2, -1));

TEST_F(OnePushMethodsTest, AutoLineRateSetReadsTheLineRateAndExposuresAfterwards) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    std::int32_t result = -1;

    EXPECT_EQ(Run("DoOnePushAutoLineRateSet", result, 1), rc::kOk);

    EXPECT_EQ(result, 1);
    EXPECT_EQ(LinesSince(server, mark),
              (std::vector<std::string>{"AR=0", "LR?", "PER?", "PEG?", "PEB?"}));
    EXPECT_EQ(events_.Count(kLineRateEvent), 1);
    ASSERT_EQ(ui_.messages.size(), 1U);
    EXPECT_EQ(ui_.messages[0].text, "Completed.");
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Information);
}

}  // namespace
}  // namespace xkiv::test
