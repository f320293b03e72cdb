// CDialogFunction: the Camera Control panel, a frame with the two control pages.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>

#include "ui/dialog_base.h"
#include "ui/page_calib.h"
#include "ui/page_control.h"

namespace xkiv::ui {

// Panel 3. Holds the tab strip with the "Camera Controls" and
// "Calibration ..." pages, the status line in which the pages show their
// hints, the synchronisation state with the button that reads the camera's
// values, and the online bar. Sends nothing to the camera on its own;
// passes value changes to both pages and always opens on the first tab.
class CDialogFunction final : public CDialogAbstractOCX {
public:
    explicit CDialogFunction(QWidget* parent = nullptr);
    ~CDialogFunction() override;

    void OnlineChanged(bool online) override;
    void SynchronizedChanged(bool synchronized) override;
    void ValueChanged(int row, bool fromUser, bool updateControls) override;

    CDialogChildControl* ControlPage() const { return controlPage_; }
    CDialogChildCalib* CalibPage() const { return calibPage_; }
    QTabWidget* Tabs() const { return tabs_; }

    // The tab images: a yellow stopwatch; red, green and blue bars in a dark blue frame.
    static QPixmap StopwatchImage();
    static QPixmap ColourBarsImage();

protected:
    void OnInitDialog() override;

private:
    // The synchronisation lamp, its text and "Synchronize Program", in a row below the status
    // line; top is that row's top in pixels.
    void BuildSyncRow(int top, int width);

    QTabWidget* tabs_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* syncLamp_ = nullptr;
    QLabel* syncText_ = nullptr;
    QPushButton* syncButton_ = nullptr;
    QLabel* bar_ = nullptr;
    QPointer<CDialogChildControl> controlPage_;
    QPointer<CDialogChildCalib> calibPage_;
};

}  // namespace xkiv::ui
