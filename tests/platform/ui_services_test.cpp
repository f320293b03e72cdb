// The progress title and the silent user-interface services.
#include <gtest/gtest.h>

#include "platform/ui_services.h"

namespace xkiv {
namespace {

TEST(ProgressTitleTest, ShareIsComputedInSinglePrecisionAsTheWindowShowsIt) {
    // 1/80 in single precision lies just above 0.0125, so it rounds up.
    EXPECT_EQ(FormatProgressTitle("In Progress", 0, 80, 1), "In Progress (  1.3%)");
    EXPECT_EQ(FormatProgressTitle("In Progress", 0, 80, 40), "In Progress ( 50.0%)");
    EXPECT_EQ(FormatProgressTitle("In Progress", 0, 80, 80), "In Progress (100.0%)");
    EXPECT_EQ(FormatProgressTitle("In Progress", 0, 0, 0), "In Progress (  0.0%)");
}

TEST(SilentUiServicesTest, ShowsNothingAndNeverCancels) {
    UiServices& ui = SilentUiServices();
    auto progress = ui.CreateProgress();
    progress->SetRange(0, 3);
    progress->StepIt();
    EXPECT_FALSE(progress->CancelRequested());
    WaitCursor cursor(ui);
    ui.ShowMessage("text", MessageIcon::Stop);
}

}  // namespace
}  // namespace xkiv
