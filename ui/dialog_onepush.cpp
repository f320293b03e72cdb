// The one-push correction dialog: steps, their texts, and what success switches.
#include "ui/dialog_onepush.h"

#include <array>

#include "control/control.h"
#include "control/dispatch_methods.h"
#include "ui/dialog_base.h"
#include "ui/page_bindings.h"

namespace xkiv::ui {

namespace {

enum class Correction { PixelBlack, WhiteBalance, PixelGain, Shading };

struct CorrectionStep {
    const char* title;
    const char* text;
    Correction correction;
    const char* successProperty;  // set to "User Area" on success; null for none
};

constexpr const char* kShadeText =
    "Please shade the lens (Close the iris)\r\nThen, click the START button.\r\n\r\nThe result "
    "data will save into USER area.";
constexpr const char* kPictureText =
    "Please take pictures\r\nThen, click the START button.\r\n\r\nThe result data will save into "
    "USER area.";

constexpr std::array<CorrectionStep, CDialogCorrection::kStepCount> kSteps = {{
    {"Pixel Black Correction", kShadeText, Correction::PixelBlack, "PixelBlackCorrectionMode"},
    {"Auto White Balance Calibration", kPictureText, Correction::WhiteBalance, nullptr},
    {"Pixel Gain Correction", kPictureText, Correction::PixelGain, "PixelGainCorrectionMode"},
    {"Shading Correction", kPictureText, Correction::Shading, "ShadingCorrectionMode"},
}};
constexpr const char* kDoneTitle = "No More Correction";
constexpr int kShadingStep = 3;
constexpr std::int32_t kUserArea = 2;
constexpr std::int32_t kSucceeded = 1;
constexpr int kShowResultMessage = 1;

}  // namespace

CDialogCorrection::CDialogCorrection(CDialogAncestorOCX& page, QWidget* parent)
    : QDialog(parent),
      page_(page),
      title_(new QLabel(this)),
      text_(new QLabel(this)),
      start_(new QPushButton(QStringLiteral("Start"), this)),
      skip_(new QPushButton(QStringLiteral("Skip"), this)),
      flat_(new QRadioButton(QStringLiteral("Flat"), this)),
      color_(new QRadioButton(QStringLiteral("Color"), this)) {
    setObjectName(QStringLiteral("CorrectionDialog"));
    setWindowTitle(QStringLiteral("Calibration"));
    const DialogUnits units(font());
    setFixedSize(units.Size(186, 97));
    auto* quit = new QPushButton(QStringLiteral("Quit"), this);
    const struct {
        QWidget* widget;
        const char* name;
        Place place;
    } layout[] = {
        {title_, "Title", {7, 7, 171, 11}}, {start_, "Start", {7, 23, 50, 14}},
        {skip_, "Skip", {59, 23, 50, 14}},  {quit, "Quit", {129, 23, 50, 14}},
        {flat_, "Flat", {7, 41, 36, 10}},   {color_, "Color", {46, 41, 40, 10}},
        {text_, "Text", {7, 55, 171, 34}},
    };
    for (const auto& item : layout) {
        item.widget->setObjectName(QString::fromLatin1(item.name));
        item.widget->setGeometry(
            units.Rect(item.place.left, item.place.top, item.place.width, item.place.height));
    }
    title_->setAlignment(Qt::AlignCenter);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text_->setWordWrap(true);
    for (QPushButton* button : {start_, skip_, quit}) {
        button->setAutoDefault(false);
    }
    flat_->setChecked(shadingType_ == 0);
    connect(start_, &QPushButton::clicked, this, &CDialogCorrection::Start);
    connect(skip_, &QPushButton::clicked, this, &CDialogCorrection::Skip);
    connect(quit, &QPushButton::clicked, this, &QDialog::accept);
    ShowStep();
}

void CDialogCorrection::ShowStep() {
    const bool inSequence = step_ >= 0 && step_ < kStepCount;
    title_->setText(QString::fromLatin1(inSequence ? kSteps[step_].title : kDoneTitle));
    // The texts carry CR LF line ends; a label breaks at LF alone.
    text_->setText(
        QString::fromLatin1(inSequence ? kSteps[step_].text : "").remove(QLatin1Char('\r')));
    flat_->setEnabled(step_ == kShadingStep);
    color_->setEnabled(step_ == kShadingStep);
    start_->setEnabled(inSequence);
    skip_->setEnabled(inSequence);
}

bool CDialogCorrection::RunStep() {
    CXKivRZ150LXCtrl& control = page_.Control();
    ControlMethods& methods = control.Methods();
    const CorrectionStep& step = kSteps[step_];
    std::int32_t outcome = 0;
    ResultCode result = 0;
    switch (step.correction) {
        case Correction::PixelBlack:
            result = methods.DoOnePushPixelBlackCorrection(&outcome, kShowResultMessage);
            break;
        case Correction::WhiteBalance:
            result = methods.DoOnePushAWB(&outcome, kShowResultMessage);
            break;
        case Correction::PixelGain:
            result = methods.DoOnePushPixelGainCorrection(&outcome, kShowResultMessage);
            break;
        case Correction::Shading:
            if (!page_.SetProperty("ShadingCorrectionRecalibrationType",
                                   automation::Variant::Long(shadingType_))) {
                return false;
            }
            result = methods.DoOnePushShadingCorrection(shadingType_, &outcome, kShowResultMessage);
            break;
    }
    if (result != 0 || outcome != kSucceeded) {
        return false;
    }
    return step.successProperty == nullptr ||
           page_.SetProperty(step.successProperty, automation::Variant::Long(kUserArea));
}

void CDialogCorrection::Start() {
    if (step_ >= kStepCount) {
        return;
    }
    shadingType_ = color_->isChecked() ? 1 : 0;
    if (RunStep()) {
        ++step_;
    }
    ShowStep();
    if (step_ >= kStepCount) {
        accept();
    }
}

void CDialogCorrection::Skip() {
    ++step_;
    ShowStep();
    if (step_ >= kStepCount) {
        accept();
    }
}

}  // namespace xkiv::ui
