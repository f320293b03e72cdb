// Renders every window of the control's user interface to PNG files, with the camera online and
// offline.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "control/control.h"
#include "control/module.h"
#include "host/painter_surface.h"
#include "platform/clock.h"
#include "sim/sim_server.h"
#include "tests/support/qt_control.h"
#include "ui/dialog_about.h"
#include "ui/dialog_function.h"
#include "ui/dialog_onepush.h"
#include "ui/dialog_progress.h"
#include "ui/property_page.h"

namespace {

using namespace xkiv;

QDir gOut;
int gFailures = 0;

void Save(QWidget& widget, const QString& name) {
    QApplication::processEvents();
    const QString path = gOut.filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++gFailures;
    } else {
        std::printf("%s\n", qPrintable(path));
    }
}

// Saves and closes each message box as it appears.
class MessageGrabber final : public QObject {
public:
    explicit MessageGrabber(QString name) : name_(std::move(name)) {
        qApp->installEventFilter(this);
    }
    ~MessageGrabber() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                QTimer::singleShot(0, box, [this, box] {
                    Save(*box, name_);
                    box->accept();
                });
            }
        }
        return false;
    }

private:
    QString name_;
};

void DesignTimePicture(CXKivRZ150LXCtrl& control) {
    QImage image(360, 80, QImage::Format_RGB32);
    image.fill(Qt::lightGray);
    {
        QPainter painter(&image);
        host::PainterSurface surface(painter);
        control.Draw(surface, {0, 0, 360, 80});
    }
    image.save(gOut.filePath(QStringLiteral("design-time.png")));
}

void Render(const std::string& device, const QString& state, const std::filesystem::path& folder) {
    ::setenv("XKIV_SERIAL_PORTS", device.c_str(), 1);
    test::QtControl qt(folder / ("profile-" + state.toStdString() + ".ini"));
    auto& control = qt.control;
    if (state == QLatin1String("online")) {
        DesignTimePicture(*control);
    }
    test::WindowSite host;
    host.window.setWindowTitle(QStringLiteral("Host"));
    host.window.resize(270, 60);
    {
        MessageGrabber grabber(QStringLiteral("startup-message"));
        control->CreateControlWindow(host);
    }
    host.window.show();
    for (const int panel : {kPanelAbout, kPanelCommunication, kPanelControl}) {
        control->SetShowFlag(panel, true);
    }
    if (state == QLatin1String("online")) {
        std::vector<automation::Variant> args{automation::Variant::Long(1)};
        control->InvokeByName("TriggerMode", automation::InvokeKind::PropertyPut, args, nullptr,
                              nullptr);
    }
    const auto window = [&control](int panel) {
        return static_cast<QWidget*>(control->GetPanel(panel)->Window());
    };
    Save(host.window, QStringLiteral("main-panel-") + state);
    Save(*window(kPanelAbout), QStringLiteral("about-") + state);
    Save(*window(kPanelCommunication), QStringLiteral("communication-") + state);
    Save(*window(kPanelControl), QStringLiteral("camera-control-") + state);

    if (state == QLatin1String("online")) {
        auto progress = qt.services.CreateProgress();
        progress->SetInfoText("Reading all camera data...");
        progress->SetRange(0, 80);
        for (int i = 0; i < 40; ++i) {
            progress->StepIt();
        }
        progress->ShowCancelButton();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("ProgressDialog")) {
                Save(*top, QStringLiteral("progress"));
            }
        }
        progress.reset();

        ui::CNameDialog names;
        names.name1 = QStringLiteral("Lens A");
        names.name2 = QStringLiteral("Lens B");
        names.name3 = QStringLiteral("Lens C");
        QTimer::singleShot(0, &names, [&names] {
            Save(names, QStringLiteral("name-dialog"));
            names.reject();
        });
        names.exec();

        ui::PropertyFrame frame(*control);
        frame.show();
        Save(frame, QStringLiteral("property-page"));
    }
    control->DestroyControlWindow();
}

// Both pages of the Camera Control panel and the correction dialog.
void SaveControlPages(CXKivRZ150LXCtrl& control, const QString& prefix) {
    auto* dialog = static_cast<ui::CDialogFunction*>(control.GetPanel(kPanelControl)->Window());
    dialog->show();
    const char* pages[] = {"controls", "calibration"};
    for (int tab = 0; tab < 2; ++tab) {
        dialog->Tabs()->setCurrentIndex(tab);
        Save(*dialog, prefix + QLatin1String(pages[tab]));
    }
    dialog->Tabs()->setCurrentIndex(0);
    ui::CDialogCorrection correction(*dialog->CalibPage(), dialog);
    correction.show();
    Save(correction, prefix + QStringLiteral("correction"));
}

// The "Camera Controls" page with the longest line period and exposures of
// the model: the time texts at their widest.
void SaveLongest(CXKivRZ150LXCtrl& control, const QString& name) {
    for (const auto& [property, row] :
         {std::pair{"SensorReadOutMode", row::SRO}, std::pair{"RedExposure", row::PER},
          std::pair{"GreenExposure", row::PEG}, std::pair{"BlueExposure", row::PEB},
          std::pair{"LineRate", row::LR}}) {
        const std::int32_t value = row == row::SRO ? 0 : control.GetMaximum(row, false);
        std::vector<automation::Variant> args{automation::Variant::Long(value)};
        control.InvokeByName(property, automation::InvokeKind::PropertyPut, args, nullptr, nullptr);
    }
    auto* dialog = static_cast<ui::CDialogFunction*>(control.GetPanel(kPanelControl)->Window());
    dialog->Tabs()->setCurrentIndex(0);
    Save(*dialog, name);
}

// The camera control pages of one model, online and after the cable is pulled.
void RenderModel(const char* model, const std::filesystem::path& folder) {
    sim::CameraConfig camera;
    camera.model = model;
    std::string error;
    auto server = sim::SimServer::Create(camera, {}, &error);
    if (server == nullptr || !server->Start()) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        ++gFailures;
        return;
    }
    ::setenv("XKIV_SERIAL_PORTS", server->DevicePath().c_str(), 1);
    test::QtControl qt(folder / (std::string("profile-") + model + ".ini"));
    auto& control = qt.control;
    test::WindowSite host;
    control->CreateControlWindow(host);
    host.window.show();
    const QString prefix = QStringLiteral("camera-control-%1-").arg(QLatin1String(model));
    SaveControlPages(*control, prefix + QStringLiteral("online-"));
    server->PullCable();
    // The failed write takes the camera offline; the error stays with the caller.
    std::vector<automation::Variant> args{automation::Variant::Long(1)};
    control->InvokeByName("TriggerMode", automation::InvokeKind::PropertyPut, args, nullptr,
                          nullptr);
    SaveControlPages(*control, prefix + QStringLiteral("offline-"));
    SaveLongest(*control, prefix + QStringLiteral("longest"));
    control->DestroyControlWindow();
    server->Stop();
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    gOut = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
    gOut.mkpath(QStringLiteral("."));
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("xkiv-screenshots-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    // The profiles of the run stay out of the user's own.
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    {
        std::string error;
        sim::CameraConfig camera;
        camera.model = "RZ-150LX";
        auto server = sim::SimServer::Create(camera, {}, &error);
        if (server == nullptr || !server->Start()) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return 1;
        }
        Render(server->DevicePath(), QStringLiteral("online"), folder);
        server->Stop();
    }
    Render((folder / "no-camera").string(), QStringLiteral("offline"), folder);
    for (const char* model : {"RZ-130LX", "RZ-150LX", "RZ-130LX-FS", "RZ-150LX-HR"}) {
        RenderModel(model, folder);
    }
    std::filesystem::remove_all(folder);
    return gFailures == 0 ? 0 : 1;
}
