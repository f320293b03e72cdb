// The Communication panel: port choice, search, synchronisation, files, settings areas, line status
// and log.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include "comm/result_code.h"
#include "ui/custom_controls.h"
#include "ui/dialog_base.h"

namespace xkiv::ui {

// Panel 2. Every action calls the control; the dialog adds the choices,
// the file dialogs, the messages of its own and the communication log:
// at most kLogLines lines, newest first, each exactly the logged text
// without its line ends. The traffic lamp serves sending and receiving and
// goes dark kTrafficHoldMs after the last "off".
class CDialogComm : public CDialogAbstractOCX {
public:
    static constexpr int kLogLines = 512;
    static constexpr int kTrafficHoldMs = 100;

    explicit CDialogComm(QWidget* parent = nullptr);

    void OnlineChanged(bool online) override;
    void SynchronizedChanged(bool synchronized) override;
    void SendingChanged(bool sending, bool immediate) override;
    void ReceivingChanged(bool receiving, bool immediate) override;
    void CommPortChanged() override;
    void LogMessage(const std::string& text, bool received) override;
    void ValueChanged(int row, bool refresh, bool fromControl) override;

    // The log, newest first.
    QStringList LogLines() const;
    // Writes the log to path, oldest line first, replacing the file whole;
    // false when it cannot be written (the old file is kept).
    bool WriteLog(const QString& path) const;

protected:
    void OnInitDialog() override;

private:
    void BuildControls();
    QLabel* AddIcon(const char* objectName, int left, int top);
    CButtonEX* AddButton(const char* objectName, const char* text, int left, int top, int width,
                         const char* toolTip);
    void TrafficLamp(bool on, bool immediate, const char* text, int iconId);
    void FillClassList();
    void FillPortList(int commClass);
    void SelectLists();
    void ClassSelected(int index);
    void PortSelected(int index);
    void AreaSelected(int index);
    void Reconnect();
    // The network ports: an address the user types is added and connected;
    // the selected network port is removed.
    void AddNetworkPort();
    void RemoveNetworkPort();
    void EnableRemove();
    // Runs a long camera operation with the wait cursor; its failure is reported.
    template <typename Fn>
    void Busy(Fn&& operation);
    // Logs the offline failure and shows or hides the error indicator.
    void CheckResult(ResultCode result);
    void WriteCameraData();
    void AutoSelect();
    void SynchronizeCamera();
    void SynchronizeProgram();
    void WriteSetupFile();
    void ReadSetupFile();
    void GetArea();
    void StoreArea();
    void LoadArea();
    void WriteLogToFile();
    void ClearLog();

    int classIndex_ = 0;
    int portIndex_ = 0;
    int areaIndex_ = 0;

    QLabel* onlineLamp_ = nullptr;
    QLabel* onlineText_ = nullptr;
    QLabel* trafficLamp_ = nullptr;
    QLabel* trafficText_ = nullptr;
    QLabel* syncLamp_ = nullptr;
    QLabel* syncText_ = nullptr;
    QLabel* powerUpArea_ = nullptr;
    QLabel* errorIndicator_ = nullptr;
    QLabel* statusBar_ = nullptr;
    CComboBoxEX* classList_ = nullptr;
    CComboBoxEX* portList_ = nullptr;
    CComboBoxEX* areaList_ = nullptr;
    CButtonEX* storeButton_ = nullptr;
    CButtonEX* removePortButton_ = nullptr;
    QListWidget* log_ = nullptr;
    QTimer trafficTimer_;
};

}  // namespace xkiv::ui
