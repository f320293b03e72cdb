// The About panel and the name dialog.
#include "ui/dialog_about.h"

#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSysInfo>
#include <QUrl>

#include "camera/model_table.h"
#include "control/control.h"
#include "control/dispatch_methods.h"
#include "ui/accessibility.h"
#include "ui/icons.h"
#include "ui/tool_tips.h"

namespace xkiv::ui {

namespace {

constexpr const char* kMakerLine = "XKivRZ150LX Control, a control tool for line-scan cameras";
constexpr const char* kEmptyUserId = "A valid User ID must contain some characters !!";
constexpr const char* kNoFile = "No file was selected!!";

// The product's installed documentation stands for the maker's pages: it
// is there without a network.
QString DocumentationFolder() {
    return QString::fromLatin1(XKIV_DOC_DIR);
}

// Shows an edit as writable (frame and base) or as read-only text on the
// window's background, so that a field the user cannot change does not
// look as if they could. A style sheet, because the panel's own style
// sheet paints an edit's base whatever its palette says.
void ShowWritable(QLineEdit& edit, bool writable) {
    edit.setReadOnly(!writable);
    edit.setFrame(writable);
    edit.setStyleSheet(writable ? QString()
                                : QStringLiteral("QLineEdit { background: palette(window);"
                                                 " border: none; }"));
}

QLineEdit* ReadOnlyEdit(QWidget* parent, const char* objectName, const QRect& place) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setGeometry(place);
    ShowWritable(*edit, false);
    return edit;
}

}  // namespace

CDialogAbout::CDialogAbout(QWidget* parent) : CDialogAbstractOCX(parent) {}

QString CDialogAbout::VersionText() {
    const QString architecture = QSysInfo::buildCpuArchitecture() == QLatin1String("x86_64")
                                     ? QStringLiteral("x64")
                                     : QSysInfo::buildCpuArchitecture();
    return QStringLiteral("Version %1.%2 (%3)")
        .arg(XKIV_VERSION_MAJOR)
        .arg(XKIV_VERSION_MINOR, 2, 10, QLatin1Char('0'))
        .arg(architecture);
}

QString CDialogAbout::HundredthsText(int hundredths) {
    return QString::asprintf("%.02f", hundredths / 100.0);
}

void CDialogAbout::BuildControls() {
    const DialogUnits units = Units();
    const auto text = [this, &units](const char* objectName, const QString& content, int left,
                                     int top, int width, int height = 8) {
        auto* label = new CLabel(content, this);
        label->setObjectName(QString::fromLatin1(objectName));
        label->setGeometry(units.Rect(left, top, width, height));
        return label;
    };
    for (const auto& [caption, top, height] :
         {std::tuple{"Camera Data", 43, 71}, std::tuple{"Help", 116, 41}}) {
        auto* box = new QGroupBox(QString::fromLatin1(caption), this);
        box->setGeometry(units.Rect(7, top, 285, height));
        box->lower();
    }
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("DialogIcon"));
    icon->setGeometry(units.Rect(30, 14, 21, 20));
    icon->setPixmap(ModulePixmap(IconId::Dialog, std::min(icon->width(), icon->height())));

    // The longest line starts beside the icon, so that it fits on wider fonts.
    text("Title",
         QStringLiteral("%1 Camera Control Tool").arg(QString::fromStdString(ModelNames())), 56, 7,
         236);
    text("Version", VersionText(), 79, 15, 183);
    text("MakerLine", QString::fromLatin1(kMakerLine), 79, 23, 205);
    CLabel* address = text("MakerAddress", DocumentationFolder(), 79, 34, 205);
    address->SetLink();

    const auto field = [this, &units](const char* caption, int left, int top, QWidget* edit) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setGeometry(units.Rect(left, top + 2, 60, 8));
        label->setBuddy(edit);
    };
    modelEdit_ = ReadOnlyEdit(this, "ModelName", units.Rect(76, 54, 74, 12));
    field("Model Name", 14, 54, modelEdit_);
    cameraIdEdit_ = ReadOnlyEdit(this, "CameraID", units.Rect(209, 54, 74, 12));
    field("Camera ID", 160, 54, cameraIdEdit_);
    firmwareEdit_ = ReadOnlyEdit(this, "FirmwareVersion", units.Rect(76, 68, 74, 12));
    field("Firmware Version", 14, 68, firmwareEdit_);
    fpgaEdit_ = ReadOnlyEdit(this, "FPGAVersion", units.Rect(209, 68, 74, 12));
    field("FPGA Version", 160, 68, fpgaEdit_);
    userIdEdit_ = new CMMMEdit(this);
    userIdEdit_->setObjectName(QStringLiteral("UserID"));
    userIdEdit_->setGeometry(units.Rect(76, 83, 74, 12));
    field("User ID", 14, 83, userIdEdit_);
    saveButton_ = new CButtonEX(QStringLiteral("Save User ID"), this);
    saveButton_->setObjectName(QStringLiteral("SaveUserIdButton"));
    saveButton_->setGeometry(units.Rect(160, 82, 48, 14));
    saveButton_->setToolTip(QStringLiteral("Click to update the user ID"));

    modes_ = new QButtonGroup(this);
    auto* protect = new QRadioButton(QStringLiteral("Protect User ID"), this);
    protect->setObjectName(QStringLiteral("ProtectUserId"));
    protect->setGeometry(units.Rect(76, 99, 65, 10));
    auto* enable = new QRadioButton(QStringLiteral("Enable To Edit User ID"), this);
    enable->setObjectName(QStringLiteral("EnableUserId"));
    enable->setGeometry(units.Rect(160, 99, 87, 10));
    modes_->addButton(protect, 0);
    modes_->addButton(enable, 1);

    CLabel* manual =
        text("ManualLink", QStringLiteral("User's Manual   (Referenced In KIV Web Site...)"), 64,
             126, 214);
    manual->SetLink();
    manual->SetLinkTarget(QDir(DocumentationFolder()).filePath(QStringLiteral("README.md")));
    CLabel* helpLabel = text("HelpLabel", QStringLiteral("Local Help File"), 12, 140, 53);
    helpList_ = new CComboBoxEX(this);
    helpList_->setObjectName(QStringLiteral("HelpList"));
    helpList_->setGeometry(units.Rect(66, 138, 153, 13));
    helpLabel->setBuddy(helpList_);
    auto* view = new CButtonEX(QStringLiteral("View Help File"), this);
    view->setObjectName(QStringLiteral("ViewHelpButton"));
    view->setGeometry(units.Rect(226, 138, 57, 14));
    view->setToolTip(QStringLiteral("Online Help And Documentation"));

    statusBar_ = new QLabel(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar"));
    statusBar_->setGeometry(units.Rect(7, 160, 285, 3));
    statusBar_->setScaledContents(true);

    connect(saveButton_, &QPushButton::clicked, this, [this] { SaveUserId(); });
    connect(view, &QPushButton::clicked, this, [this] { ViewHelpFile(); });
    connect(modes_, &QButtonGroup::idClicked, this, [this](int mode) { SetEditMode(mode); });
    AdoptFramedControls(*this);
}

void CDialogAbout::OnInitDialog() {
    SetTemplateGeometry(QStringLiteral("About This Control"), 299, 170);
    SetToolTipWidth(*this, 200);
    BuildControls();

    const QStringList manuals =
        QDir::current().entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    helpList_->addItems(manuals);
    helpList_->setCurrentIndex(manuals.isEmpty() ? -1 : 0);

    SetEditMode(editMode_);
    OnlineChanged(Control().Methods().CheckOnline());
    for (const int row : {row::ID, row::MD, row::UD, row::VN, row::PV}) {
        ValueChanged(row, true, true);
    }
}

void CDialogAbout::UpdateControls() {
    modes_->button(editMode_)->setChecked(true);
    modelEdit_->setText(modelName_);
    cameraIdEdit_->setText(cameraId_);
    userIdEdit_->setText(userId_);
    firmwareEdit_->setText(HundredthsText(firmwareVersion_));
    fpgaEdit_->setText(HundredthsText(fpgaVersion_));
}

void CDialogAbout::SetEditMode(int mode) {
    editMode_ = mode;
    ShowWritable(*userIdEdit_, mode != 0);
    saveButton_->setEnabled(mode != 0);
    // Text typed since the last save gives way to the stored user ID.
    UpdateControls();
}

void CDialogAbout::OnlineChanged(bool online) {
    if (statusBar_ != nullptr) {
        statusBar_->setPixmap(StatusBar(BarOf(online)));
    }
}

void CDialogAbout::ValueChanged(int row, bool, bool) {
    if (modelEdit_ == nullptr) {
        return;
    }
    const auto text = [this](const char* name) {
        return QString::fromStdString(GetProperty(name).ToText().value_or(std::string()));
    };
    switch (row) {
        case row::VN:
            firmwareVersion_ = GetProperty("FirmwareVersion").ToLong().value_or(0);
            break;
        case row::PV:
            fpgaVersion_ = GetProperty("FPGAVersion").ToLong().value_or(0);
            break;
        case row::ID:
            cameraId_ = text("CameraID");
            break;
        case row::MD:
            modelName_ = text("ModelName");
            break;
        case row::UD:
            userId_ = text("UserID");
            break;
        default:
            return;
    }
    UpdateControls();
}

void CDialogAbout::SaveUserId() {
    userId_ = userIdEdit_->text();
    if (userId_.isEmpty()) {
        ShowMessage(kEmptyUserId);
        return;
    }
    // The emptiness test comes first: spaces only are sent as an empty text.
    qsizetype first = 0;
    while (first < userId_.size() && userId_[first].isSpace()) {
        ++first;
    }
    const QString trimmed = userId_.mid(first);
    if (Control().Methods().CheckOnline()) {
        SetProperty("UserID", automation::Variant::String(trimmed.toStdString()));
    }
}

void CDialogAbout::ViewHelpFile() {
    if (helpList_->currentIndex() < 0) {
        ShowMessage(kNoFile);
        return;
    }
    // An entry is a file name in the current folder, whatever it holds: a
    // colon in it ("manual:v2.pdf") does not make it a URL.
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QDir::current().absoluteFilePath(helpList_->currentText())));
}

CNameDialog::CNameDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NameDialog"));
    setWindowTitle(QStringLiteral("Aberration Input Name"));
    const DialogUnits units(font());
    setFixedSize(units.Size(169, 57));
    const int tops[3] = {7, 22, 38};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QStringLiteral("Name %1").arg(i + 1), this);
        label->setGeometry(units.Rect(7, tops[i] + 2, 30, 8));
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(QStringLiteral("Name%1").arg(i + 1));
        edits_[i]->setGeometry(units.Rect(38, tops[i], 76, 12));
        edits_[i]->setMaxLength(kMaximumLength);
        label->setBuddy(edits_[i]);
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setGeometry(units.Rect(119, 7, 43, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setGeometry(units.Rect(119, 24, 43, 14));
    connect(ok, &QPushButton::clicked, this, [this] {
        name1 = edits_[0]->text();
        name2 = edits_[1]->text();
        name3 = edits_[2]->text();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CNameDialog::exec() {
    edits_[0]->setText(name1);
    edits_[1]->setText(name2);
    edits_[2]->setText(name3);
    return QDialog::exec();
}

}  // namespace xkiv::ui
