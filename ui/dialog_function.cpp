// The Camera Control panel: tabs with their images, pages, status line and online bar.
#include "ui/dialog_function.h"

#include <QPainter>

#include "control/control.h"
#include "control/dispatch_methods.h"
#include "ui/icons.h"
#include "ui/page_calib.h"
#include "ui/page_control.h"

namespace xkiv::ui {

namespace {

constexpr int kTemplateControls = 235;
constexpr int kTemplateCalib = 239;
constexpr int kImageSize = 14;

// The synchronisation row, in template units.
constexpr int kSyncRowHeight = 14;
constexpr int kSyncLampSize = 12;
constexpr int kSyncTextWidth = 80;
constexpr int kSyncButtonWidth = 86;

}  // namespace

CDialogFunction::CDialogFunction(QWidget* parent) : CDialogAbstractOCX(parent) {}

CDialogFunction::~CDialogFunction() {
    // Closing the window takes the focus from an edit, which validates its
    // text; nothing may reach the control while the panel is half destroyed.
    for (CDialogPage* page : {static_cast<CDialogPage*>(controlPage_.data()),
                              static_cast<CDialogPage*>(calibPage_.data())}) {
        if (page != nullptr) {
            page->DetachControls();
        }
    }
}

QPixmap CDialogFunction::StopwatchImage() {
    QPixmap image(kImageSize, kImageSize);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(96, 64, 0), 1));
    painter.setBrush(QColor(255, 210, 0));
    painter.drawRect(6, 0, 2, 2);  // the crown
    painter.drawEllipse(QRectF(1.5, 2.5, 11, 11));
    painter.setPen(QPen(Qt::black, 1.2));
    painter.drawLine(QPointF(7, 8), QPointF(7, 4.5));
    painter.drawLine(QPointF(7, 8), QPointF(9.5, 9.5));
    return image;
}

QPixmap CDialogFunction::ColourBarsImage() {
    QPixmap image(kImageSize, kImageSize);
    image.fill(QColor(0, 0, 128));
    QPainter painter(&image);
    const QColor bars[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
    for (int i = 0; i < 3; ++i) {
        painter.fillRect(2 + i * 4, 2, 3, 10, bars[i]);
    }
    return image;
}

void CDialogFunction::OnInitDialog() {
    SetTemplateGeometry(QStringLiteral("Camera Control"), 320, 313);
    const DialogUnits units = Units();
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("Tabs"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    status_->setAccessibleName(QStringLiteral("Status line"));
    bar_ = new QLabel(this);
    bar_->setObjectName(QStringLiteral("OnlineBar"));
    bar_->setScaledContents(true);
    OnlineChanged(Control().Methods().CheckOnline());

    controlPage_ = new CDialogChildControl;
    calibPage_ = new CDialogChildCalib;
    // The pages find the status line through their window while they
    // initialise, so they join the tab strip first.
    tabs_->addTab(controlPage_, QIcon(StopwatchImage()), QStringLiteral("Camera Controls"));
    tabs_->addTab(calibPage_, QIcon(ColourBarsImage()), QStringLiteral("Calibration ..."));
    tabs_->setIconSize(QSize(kImageSize, kImageSize));
    for (int tab = 0; tab < tabs_->count(); ++tab) {
        tabs_->widget(tab)->setAccessibleName(tabs_->tabText(tab));
    }
    controlPage_->Initialise(Control(), kTemplateControls);
    calibPage_->Initialise(Control(), kTemplateCalib);
    tabs_->setCurrentIndex(0);

    // The pages need the whole display area; the tab strip grows to hold
    // them when the toolkit's tab row takes more than the template allows.
    QRect tabRect = units.Rect(7, 7, 306, 274);
    const QSize needed = tabs_->sizeHint();
    tabRect.setWidth(std::max(tabRect.width(), needed.width()));
    tabRect.setHeight(std::max(tabRect.height(), needed.height()));
    tabs_->setGeometry(tabRect);
    const int below = tabRect.bottom() + 1 + units.Y(3);
    status_->setGeometry(units.X(7), below, tabRect.width(), units.Y(12));
    const int syncTop = below + units.Y(14);
    BuildSyncRow(syncTop, tabRect.width());
    bar_->setGeometry(units.X(7), syncTop + units.Y(kSyncRowHeight + 4), tabRect.width(), 3);
    setFixedSize(tabRect.right() + 1 + units.X(7), bar_->geometry().bottom() + 1 + units.Y(8));
    status_->clear();
    SynchronizedChanged(Control().Methods().CheckSynchronized());
    OnlineChanged(Control().Methods().CheckOnline());
}

void CDialogFunction::BuildSyncRow(int top, int width) {
    const DialogUnits units = Units();
    const int rowHeight = units.Y(kSyncRowHeight);
    const int lampSize = units.Y(kSyncLampSize);
    syncLamp_ = new QLabel(this);
    syncLamp_->setObjectName(QStringLiteral("SyncLamp"));
    syncLamp_->setGeometry(units.X(7), top + (rowHeight - lampSize) / 2, lampSize, lampSize);
    syncLamp_->setAlignment(Qt::AlignCenter);
    syncText_ = new QLabel(QStringLiteral("Not Synchronized"), this);
    syncText_->setObjectName(QStringLiteral("SyncText"));
    syncText_->setGeometry(syncLamp_->geometry().right() + 1 + units.X(4), top,
                           units.X(kSyncTextWidth), rowHeight);
    syncText_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // One click away from the values the camera really has, also when the Communication panel
    // with its own lamp is closed.
    syncButton_ = new QPushButton(QStringLiteral("Synchronize Program"), this);
    syncButton_->setObjectName(QStringLiteral("SynchronizeProgramButton"));
    syncButton_->setToolTip(QStringLiteral("Click to read data from the camera"));
    syncButton_->setAutoDefault(false);
    const int buttonWidth = units.X(kSyncButtonWidth);
    syncButton_->setGeometry(units.X(7) + width - buttonWidth, top, buttonWidth, rowHeight);
    connect(syncButton_, &QPushButton::clicked, this,
            [this] { Reporting([this] { (void)Control().Methods().ReadAllFromCamera(); }); });
}

void CDialogFunction::OnlineChanged(bool online) {
    if (bar_ != nullptr) {
        bar_->setPixmap(StatusBar(BarOf(online)));
    }
    if (syncButton_ != nullptr) {
        // Offline there is nothing to read.
        syncButton_->setEnabled(online);
    }
}

void CDialogFunction::SynchronizedChanged(bool synchronized) {
    if (syncLamp_ == nullptr) {
        return;
    }
    syncLamp_->setPixmap(ModulePixmap(synchronized ? IconId::Synchronized : IconId::NotSynchronized,
                                      syncLamp_->height()));
    syncText_->setText(synchronized ? QStringLiteral("Synchronized")
                                    : QStringLiteral("Not Synchronized"));
}

void CDialogFunction::ValueChanged(int row, bool fromUser, bool updateControls) {
    if (controlPage_ != nullptr && controlPage_->HasControl()) {
        controlPage_->ValueChanged(row, fromUser, updateControls);
    }
    if (calibPage_ != nullptr && calibPage_->HasControl()) {
        calibPage_->ValueChanged(row, fromUser, updateControls);
    }
}

}  // namespace xkiv::ui
