// The Communication panel's controls, notifications, actions and log.
#include "ui/dialog_comm.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QInputDialog>

#include "control/control.h"
#include "control/dispatch_methods.h"
#include "platform/ini_document.h"
#include "ui/accessibility.h"
#include "ui/file_dialogs.h"
#include "ui/icons.h"
#include "ui/tool_tips.h"

namespace xkiv::ui {

namespace {

constexpr const char* kOfflineFailure = "Operation failed. The Camera is offline.";
constexpr const char* kLogWriteFailure = "Operation failed in writing log file.";
constexpr const char* kNotFound = "Camera not found.";
constexpr const char* kAddressPrompt = "Network port (tcp://HOST:PORT or rfc2217://HOST:PORT):";
constexpr const char* kBadAddress =
    "Not a network port. Write tcp://HOST:PORT (raw) or rfc2217://HOST:PORT (RFC 2217).";
constexpr const char* kReportFilter = "Camera Data (*.txt)|*.txt||";
constexpr const char* kSetupFilter = "Camera setup (*.cam)|*.cam||";
constexpr const char* kLogFilter = "Control Tool Messages (*.txt)|*.txt||";
constexpr int kLampUnits = 14;

// The frames, in template units.
struct Frame {
    const char* caption;
    int left, top, width, height;
};

constexpr Frame kFrames[] = {
    {"Write All Camera Data To File", 7, 3, 114, 32},
    {"Line Status", 127, 3, 165, 32},
    {"Communication Port", 7, 37, 285, 28},
    {"Synchronize", 7, 67, 285, 32},
    {"Files", 7, 101, 285, 32},
    {"EEPROM Current Area", 7, 135, 114, 32},
    {"Factory And User Settings In Camera", 127, 135, 165, 32},
    {"Control Tool Messages", 7, 168, 285, 59},
};

class WaitCursorScope {
public:
    WaitCursorScope() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursorScope() { QApplication::restoreOverrideCursor(); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;
};

}  // namespace

CDialogComm::CDialogComm(QWidget* parent) : CDialogAbstractOCX(parent) {
    trafficTimer_.setSingleShot(true);
    trafficTimer_.setTimerType(Qt::PreciseTimer);
    trafficTimer_.setInterval(kTrafficHoldMs);
    connect(&trafficTimer_, &QTimer::timeout, this, [this] { TrafficLamp(false, true, "", 0); });
}

QLabel* CDialogComm::AddIcon(const char* objectName, int left, int top) {
    auto* icon = new QLabel(this);
    icon->setObjectName(QString::fromLatin1(objectName));
    icon->setGeometry(Units().Rect(left, top, kLampUnits, kLampUnits));
    icon->setAlignment(Qt::AlignCenter);
    return icon;
}

CButtonEX* CDialogComm::AddButton(const char* objectName, const char* text, int left, int top,
                                  int width, const char* toolTip) {
    auto* button = new CButtonEX(QString::fromLatin1(text), this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setGeometry(Units().Rect(left, top, width, 14));
    button->setToolTip(QString::fromLatin1(toolTip));
    button->setAutoDefault(false);
    return button;
}

void CDialogComm::BuildControls() {
    const DialogUnits units = Units();
    for (const Frame& frame : kFrames) {
        auto* box = new QGroupBox(QString::fromLatin1(frame.caption), this);
        box->setGeometry(units.Rect(frame.left, frame.top, frame.width, frame.height));
        box->lower();
    }
    const auto label = [this, &units](const char* objectName, const char* text, int left, int top,
                                      int width) {
        auto* text_ = new QLabel(QString::fromLatin1(text), this);
        text_->setObjectName(QString::fromLatin1(objectName));
        text_->setGeometry(units.Rect(left, top, width, 8));
        return text_;
    };
    const auto list = [this, &units](const char* objectName, int left, int top, int width,
                                     const char* toolTip) {
        auto* combo = new CComboBoxEX(this);
        combo->setObjectName(QString::fromLatin1(objectName));
        combo->setGeometry(units.Rect(left, top, width, 13));
        combo->setToolTip(QString::fromLatin1(toolTip));
        return combo;
    };

    auto* writeData = AddButton("WriteCameraDataButton", "Write Camera Data", 17, 14, 94,
                                "Click to write camera data to a selecable file");
    onlineLamp_ = AddIcon("OnlineLamp", 134, 12);
    onlineText_ = label("OnlineText", "Off-Line", 151, 15, 55);
    trafficLamp_ = AddIcon("TrafficLamp", 210, 12);
    trafficText_ = label("TrafficText", "", 227, 15, 60);

    QLabel* classLabel = label("ClassLabel", "Class", 13, 49, 20);
    classList_ = list("ClassList", 34, 47, 55, "Select the communication category");
    classLabel->setBuddy(classList_);
    QLabel* portLabel = label("PortLabel", "Port", 93, 49, 15);
    portList_ = list("PortList", 109, 47, 118, "Select the communication port");
    portLabel->setBuddy(portList_);
    auto* addPort = AddButton("AddPortButton", "+", 229, 46, 14,
                              "Click to add a network port (ser2net, serial device server)");
    addPort->setAccessibleName(QStringLiteral("Add Network Port"));
    removePortButton_ = AddButton("RemovePortButton", "-", 244, 46, 14,
                                  "Click to remove the selected network port");
    // A minus sign: captions are Latin-1, which has none.
    removePortButton_->setText(QStringLiteral("\u2212"));
    removePortButton_->setAccessibleName(QStringLiteral("Remove Network Port"));
    auto* autoButton = AddButton("AutoButton", "Auto", 260, 46, 27,
                                 "Click to search an available communication port");

    syncLamp_ = AddIcon("SyncLamp", 14, 77);
    syncText_ = label("SyncText", "Not Synchronized", 32, 80, 72);
    auto* syncCamera = AddButton("SynchronizeCameraButton", "Synchronize Camera", 110, 78, 86,
                                 "Click to write data to the camera");
    auto* syncProgram = AddButton("SynchronizeProgramButton", "Synchronize Program", 201, 78, 86,
                                  "Click to read data from the camera");

    AddIcon("WriteFileIcon", 14, 111)->setPixmap(ModulePixmap(IconId::FileWrite, units.Y(12)));
    auto* writeFile = AddButton("WriteFileButton", "Write To File...", 32, 112, 108,
                                "Click to write camera data to a selectable file");
    AddIcon("ReadFileIcon", 155, 111)->setPixmap(ModulePixmap(IconId::FileRead, units.Y(12)));
    auto* readFile = AddButton("ReadFileButton", "Read From File...", 173, 112, 114,
                               "Click to read camera data from a selecable file");

    powerUpArea_ = label("PowerUpArea", "?", 13, 149, 55);
    powerUpArea_->setAlignment(Qt::AlignCenter);
    powerUpArea_->setToolTip(QStringLiteral("Power up setting area name"));
    auto* getArea = AddButton("GetAreaButton", "Get Area", 72, 146, 44,
                              "Click to read power up setting area name");

    areaList_ = list("AreaList", 133, 147, 62, "Area name to be stored/loaded");
    areaList_->setAccessibleName(QStringLiteral("Settings Area"));
    storeButton_ = AddButton("StoreButton", "Store", 199, 146, 42,
                             "Click to store camera data to the selected area");
    auto* loadButton = AddButton("LoadButton", "Load", 245, 146, 42,
                                 "Click to load camera data to the selected area");

    log_ = new QListWidget(this);
    log_->setObjectName(QStringLiteral("Log"));
    log_->setGeometry(units.Rect(13, 178, 199, 42));
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setToolTip(QStringLiteral("Communication log"));
    log_->setAccessibleName(QStringLiteral("Control Tool Messages"));
    auto* writeLog = AddButton("WriteLogButton", "Write To File...", 217, 178, 70,
                               "Click to write log data to a selecable file");
    auto* clearLog = AddButton("ClearButton", "Clear", 217, 195, 48, "Click to clear log data");
    errorIndicator_ = AddIcon("ErrorIndicator", 271, 195);
    errorIndicator_->setPixmap(ModulePixmap(IconId::Error, units.Y(12)));

    statusBar_ = new QLabel(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar"));
    statusBar_->setGeometry(units.Rect(7, 229, 285, 3));
    statusBar_->setScaledContents(true);

    connect(writeData, &QPushButton::clicked, this, [this] { WriteCameraData(); });
    connect(autoButton, &QPushButton::clicked, this, [this] { AutoSelect(); });
    connect(addPort, &QPushButton::clicked, this, [this] { AddNetworkPort(); });
    connect(removePortButton_, &QPushButton::clicked, this, [this] { RemoveNetworkPort(); });
    connect(syncCamera, &QPushButton::clicked, this, [this] { SynchronizeCamera(); });
    connect(syncProgram, &QPushButton::clicked, this, [this] { SynchronizeProgram(); });
    connect(writeFile, &QPushButton::clicked, this, [this] { WriteSetupFile(); });
    connect(readFile, &QPushButton::clicked, this, [this] { ReadSetupFile(); });
    connect(getArea, &QPushButton::clicked, this, [this] { GetArea(); });
    connect(storeButton_, &QPushButton::clicked, this, [this] { StoreArea(); });
    connect(loadButton, &QPushButton::clicked, this, [this] { LoadArea(); });
    connect(writeLog, &QPushButton::clicked, this, [this] { WriteLogToFile(); });
    connect(clearLog, &QPushButton::clicked, this, [this] { ClearLog(); });
    // Only the user's choices act; the dialog's own selections do not.
    connect(classList_, &QComboBox::activated, this, [this](int index) { ClassSelected(index); });
    connect(portList_, &QComboBox::activated, this, [this](int index) { PortSelected(index); });
    connect(areaList_, &QComboBox::activated, this, [this](int index) { AreaSelected(index); });
    AdoptFramedControls(*this);
}

void CDialogComm::OnInitDialog() {
    SetTemplateGeometry(QStringLiteral("Communication"), 299, 238);
    SetToolTipWidth(*this, 400);
    BuildControls();

    errorIndicator_->hide();
    SynchronizedChanged(false);
    SendingChanged(false, true);
    OnlineChanged(Control().Methods().CheckOnline());

    FillClassList();
    classIndex_ = Control().GetClass();
    FillPortList(classIndex_);
    portIndex_ = Control().GetPort();

    areaList_->clear();
    for (int position = 0; position < 3; ++position) {
        areaList_->addItem(
            QString::fromStdString(Control().GetValueName(row::EepromArea, position)));
    }
    areaIndex_ = Control().Value(row::EepromArea);
    storeButton_->setEnabled(areaIndex_ != 0);
    Reporting([this] {
        powerUpArea_->setText(
            QString::fromStdString(Control().Methods().ReadCurrentEEPROMAreaString()));
    });
    SelectLists();
}

void CDialogComm::SelectLists() {
    classList_->setCurrentIndex(classIndex_);
    portList_->setCurrentIndex(portIndex_);
    areaList_->setCurrentIndex(areaIndex_);
    EnableRemove();
}

void CDialogComm::FillClassList() {
    ControlMethods& methods = Control().Methods();
    classList_->clear();
    const int lastClass = methods.AskCommClassRange(1);
    for (int i = 0; i <= lastClass; ++i) {
        classList_->addItem(QString::fromStdString(methods.AskCommClassString(i)));
    }
}

void CDialogComm::EnableRemove() {
    removePortButton_->setEnabled(classIndex_ == CComm::kNetworkClass && portList_->count() > 0);
}

void CDialogComm::FillPortList(int commClass) {
    ControlMethods& methods = Control().Methods();
    portList_->clear();
    const int lastPort = methods.AskCommPortRange(commClass, 1);
    for (int i = 0; i <= lastPort; ++i) {
        portList_->addItem(QString::fromStdString(methods.AskCommPortString(commClass, i)));
    }
}

void CDialogComm::OnlineChanged(bool online) {
    if (onlineText_ == nullptr) {
        return;
    }
    onlineText_->setText(online ? QStringLiteral("Online") : QStringLiteral("Offline"));
    onlineLamp_->setPixmap(
        ModulePixmap(online ? IconId::Online : IconId::Offline, onlineLamp_->height()));
    statusBar_->setPixmap(StatusBar(BarOf(online)));
}

void CDialogComm::SynchronizedChanged(bool synchronized) {
    if (syncText_ == nullptr) {
        return;
    }
    syncLamp_->setPixmap(ModulePixmap(synchronized ? IconId::Synchronized : IconId::NotSynchronized,
                                      syncLamp_->height()));
    syncText_->setText(synchronized ? QStringLiteral("Synchronized")
                                    : QStringLiteral("Not Synchronized"));
}

void CDialogComm::SendingChanged(bool sending, bool immediate) {
    TrafficLamp(sending, immediate, "Sending", static_cast<int>(IconId::Sending));
}

void CDialogComm::ReceivingChanged(bool receiving, bool immediate) {
    TrafficLamp(receiving, immediate, "Receiving", static_cast<int>(IconId::Receiving));
}

void CDialogComm::TrafficLamp(bool on, bool immediate, const char* text, int iconId) {
    if (trafficText_ == nullptr) {
        return;
    }
    if (on) {
        // A hold already running keeps running: the lamp goes dark after the
        // last "off", whichever direction is lit by then.
        trafficText_->setText(QString::fromLatin1(text));
        trafficText_->show();
        trafficLamp_->setPixmap(ModulePixmap(static_cast<IconId>(iconId), trafficLamp_->height()));
        trafficLamp_->show();
    } else if (immediate) {
        trafficText_->hide();
        trafficText_->clear();
        trafficLamp_->hide();
        trafficTimer_.stop();
    } else {
        trafficTimer_.start();
    }
}

void CDialogComm::CommPortChanged() {
    if (classList_ == nullptr) {
        return;
    }
    const int commClass = Control().GetClass();
    if (commClass != classIndex_) {
        FillPortList(commClass);
    }
    classIndex_ = commClass;
    portIndex_ = Control().GetPort();
    SelectLists();
}

void CDialogComm::LogMessage(const std::string& text, bool) {
    if (log_ == nullptr) {
        return;
    }
    QString line = QString::fromStdString(text);
    line.remove(QLatin1Char('\n'));
    line.remove(QLatin1Char('\r'));
    log_->insertItem(0, line);
    if (log_->count() > kLogLines) {
        delete log_->takeItem(log_->count() - 1);
    }
}

void CDialogComm::ValueChanged(int row, bool, bool) {
    if (row != row::EA || powerUpArea_ == nullptr) {
        return;
    }
    Reporting([this] {
        powerUpArea_->setText(
            QString::fromStdString(Control().Methods().ReadCurrentEEPROMAreaString()));
    });
}

QStringList CDialogComm::LogLines() const {
    QStringList lines;
    for (int i = 0; i < log_->count(); ++i) {
        lines << log_->item(i)->text();
    }
    return lines;
}

bool CDialogComm::WriteLog(const QString& path) const {
    std::string bytes;
    for (int i = log_->count() - 1; i >= 0; --i) {
        bytes += log_->item(i)->text().toStdString();
        bytes += '\n';
    }
    return WriteFileAtomically(path.toStdString(), bytes);
}

void CDialogComm::Reconnect() {
    classIndex_ = classList_->currentIndex();
    portIndex_ = portList_->currentIndex();
    const ResultCode result = Control().OpenCommunication(classIndex_, portIndex_);
    Reporting([this, result] { Control().RaiseCameraError(-1, result); });
}

void CDialogComm::ClassSelected(int index) {
    classIndex_ = index;
    FillPortList(index);
    portList_->setCurrentIndex(0);
    EnableRemove();
    Reconnect();
}

void CDialogComm::AddNetworkPort() {
    bool accepted = false;
    const QString text = QInputDialog::getText(this, QStringLiteral("Network Port"),
                                               QString::fromLatin1(kAddressPrompt),
                                               QLineEdit::Normal, QString(), &accepted);
    if (!accepted || text.trimmed().isEmpty()) {
        return;
    }
    int index = 0;
    if (Control().AddNetworkPort(text.trimmed().toStdString(), index) != rc::kOk) {
        ShowMessage(kBadAddress);
        return;
    }
    // The network class may be new to the list.
    FillClassList();
    classList_->setCurrentIndex(CComm::kNetworkClass);
    FillPortList(CComm::kNetworkClass);
    portList_->setCurrentIndex(index);
    EnableRemove();
    Reconnect();
}

void CDialogComm::RemoveNetworkPort() {
    if (Control().RemoveNetworkPort(portList_->currentIndex()) != rc::kOk) {
        return;
    }
    FillClassList();
    classIndex_ = Control().GetClass();
    FillPortList(classIndex_);
    portIndex_ = Control().GetPort();
    SelectLists();
}

void CDialogComm::PortSelected(int) {
    Reconnect();
}

void CDialogComm::AreaSelected(int index) {
    areaIndex_ = index;
    SetProperty("EEPROMArea", automation::Variant::Long(index));
    storeButton_->setEnabled(areaIndex_ != 0);
}

template <typename Fn>
void CDialogComm::Busy(Fn&& operation) {
    // The camera's waits keep the panels painted meanwhile (the user-interface
    // services run them beside the window's events).
    WaitCursorScope wait;
    Reporting(operation);
}

void CDialogComm::CheckResult(ResultCode result) {
    if (result == rc::kOffline) {
        LogMessage(kOfflineFailure, false);
    }
    // A cancel is the user's own choice, not a failure to point at.
    errorIndicator_->setVisible(result > 0 && result != rc::kCancelled);
}

void CDialogComm::WriteCameraData() {
    const QString path = ChooseFile(this, FileDialogKind::Save, kReportFilter, "txt");
    if (path.isEmpty()) {
        return;
    }
    QCoreApplication::processEvents();
    // A failure is raised as an automation error, which Busy reports.
    Busy([this, &path] { (void)Control().Methods().WriteCameraDataToFile(path.toStdString()); });
}

void CDialogComm::AutoSelect() {
    const int rememberedClass = classList_->currentIndex();
    const int rememberedPort = portList_->currentIndex();
    std::int32_t commClass = rememberedClass;
    std::int32_t port = rememberedPort;
    std::int32_t found = 0;
    {
        WaitCursorScope wait;
        found = Control().Methods().AutoSelectCommunication(&commClass, &port, 1);
    }
    if (found != 0) {
        return;
    }
    FillPortList(rememberedClass);
    classList_->setCurrentIndex(rememberedClass);
    portList_->setCurrentIndex(rememberedPort);
    ShowMessage(kNotFound);
}

void CDialogComm::SynchronizeCamera() {
    Busy([this] {
        int failedRow = -1;
        const ResultCode result = Control().WriteAll(&failedRow, true);
        Control().RaiseCameraError(failedRow, result);
        CheckResult(result);
    });
}

void CDialogComm::SynchronizeProgram() {
    Busy([this] {
        int failedRow = -1;
        const ResultCode result = Control().ReadAll(&failedRow);
        Control().RaiseCameraError(failedRow, result);
        CheckResult(result);
    });
}

void CDialogComm::WriteSetupFile() {
    const QString path = ChooseFile(this, FileDialogKind::Save, kSetupFilter, "cam");
    if (path.isEmpty()) {
        return;
    }
    WaitCursorScope wait;
    // A failure is raised as an automation error, which Reporting shows.
    Reporting([this, &path] { (void)Control().Methods().WriteAllToFile(path.toStdString()); });
}

void CDialogComm::ReadSetupFile() {
    const QString path = ChooseFile(this, FileDialogKind::Open, kSetupFilter, "cam");
    if (path.isEmpty()) {
        return;
    }
    QCoreApplication::processEvents();
    Busy([this, &path] { CheckResult(Control().Methods().ReadAllFromFile(path.toStdString())); });
}

void CDialogComm::GetArea() {
    Reporting([this] {
        powerUpArea_->setText(
            QString::fromStdString(Control().Methods().ReadCurrentEEPROMAreaString()));
    });
}

void CDialogComm::StoreArea() {
    Busy([this] { CheckResult(Control().Methods().StoreSettings()); });
}

void CDialogComm::LoadArea() {
    Busy([this] { CheckResult(Control().Methods().LoadSettings()); });
}

void CDialogComm::WriteLogToFile() {
    if (log_->count() == 0) {
        return;
    }
    const QString path = ChooseFile(this, FileDialogKind::Save, kLogFilter, "txt");
    if (path.isEmpty()) {
        return;
    }
    bool written = false;
    {
        WaitCursorScope wait;
        written = WriteLog(path);
    }
    if (!written) {
        ShowMessage(kLogWriteFailure);
    }
}

void CDialogComm::ClearLog() {
    log_->clear();
    errorIndicator_->hide();
}

}  // namespace xkiv::ui
