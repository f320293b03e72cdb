// The "Camera Controls" page: re-ranging on model and mode changes, time texts and one-push
// buttons.
#include "ui/page_control.h"

#include <array>

#include "camera/model_table.h"
#include "control/control.h"
#include "control/dispatch_methods.h"

namespace xkiv::ui {

namespace {

// Edit ids of the edits the bound rules of a mode decide.
constexpr int kLineRateEdit = 252;
constexpr int kReferenceEdit = 255;
constexpr std::array kExposureEdits = {243, 246, 249};
constexpr std::array kGainEdits = {214, 217, 240};
constexpr std::array kBlackLevelEdits = {288, 291, 294};

// The time texts and the rows they show.
struct TimeTextEntry {
    int row;
    int labelId;
};
constexpr std::array kTimeTexts = {TimeTextEntry{row::LR, 279}, TimeTextEntry{row::PER, 280},
                                   TimeTextEntry{row::PEG, 281}, TimeTextEntry{row::PEB, 282}};

}  // namespace

CDialogChildControl::CDialogChildControl(QWidget* parent)
    : CDialogPage(ControlPageTables(), parent) {}

void CDialogChildControl::OnInitPage() {
    ApplyBounds(Bounds::All);
    for (int row = 0; row < kParameterCount; ++row) {
        ValueChanged(row, false, false);
    }
    initialised_ = true;
}

void CDialogChildControl::ApplyBounds(Bounds which) {
    if (which == Bounds::All || which == Bounds::ReadOut) {
        SetEditRange(kLineRateEdit);
        for (const int id : kExposureEdits) {
            SetEditRange(id);
        }
    }
    if (which == Bounds::All || which == Bounds::Gain) {
        for (const int id : kGainEdits) {
            SetEditRange(id);
        }
    }
    if (which == Bounds::All || which == Bounds::BlackLevel) {
        for (const int id : kBlackLevelEdits) {
            SetEditRange(id);
        }
    }
    if (which == Bounds::All) {
        for (const Binding& binding : ControlPageTables().bindings) {
            if (binding.kind == BindKind::List) {
                FillList(*static_cast<QComboBox*>(ControlById(binding.id)), binding.row);
                // Refilling empties the list; the selection comes back from the value.
                RefreshBinding(binding);
            }
        }
        SetEditRange(kReferenceEdit);
    }
}

void CDialogChildControl::ClampAndSend(int editId) {
    if (!initialised_) {
        return;
    }
    CNEdit* edit = EditById(editId);
    if (edit->ClampValue()) {
        SetProperty(BindingById(editId)->property, automation::Variant::Long(EditNumber(*edit)));
    }
}

void CDialogChildControl::SettleEdit(int editId, bool ownEdit) {
    if (ownEdit) {
        ClampAndSend(editId);
    } else {
        // A value that arrived from elsewhere is shown as the camera object holds it; a
        // value the new bounds refuse is the camera's to correct, not the page's to send.
        RefreshBinding(*BindingById(editId));
    }
}

void CDialogChildControl::ValueChanged(int row, bool fromUser, bool) {
    if (!HasControl()) {
        return;
    }
    const bool ownEdit = OwnEdit(fromUser);
    Refreshing([&] {
        switch (row) {
            case row::MD:
                ApplyBounds(Bounds::All);
                SettleEdit(kLineRateEdit, ownEdit);
                for (const int id : kExposureEdits) {
                    SettleEdit(id, ownEdit);
                }
                break;
            case row::SRO:
                ApplyBounds(Bounds::ReadOut);
                RefreshRowControls(row);
                SettleEdit(kLineRateEdit, ownEdit);
                break;
            case row::GM:
                ApplyBounds(Bounds::Gain);
                RefreshRowControls(row);
                for (const int id : kGainEdits) {
                    SettleEdit(id, ownEdit);
                }
                break;
            case row::BLM:
                ApplyBounds(Bounds::BlackLevel);
                RefreshRowControls(row);
                for (const int id : kBlackLevelEdits) {
                    SettleEdit(id, ownEdit);
                }
                break;
            default:
                RefreshRowControls(row);
                break;
        }
        UpdateTimeText(row);
    });
    if (HasFlag(row, PF_HAS_DEPENDENTS)) {
        EnablePass();
    }
}

QString CDialogChildControl::TimeText(std::int32_t value) const {
    // A model outside the model table has no known clock: no text.
    const ModelEntry* model = FindModel(Control().Text(row::MD));
    return model != nullptr ? QString::asprintf("%.01fns", value * model->clockPeriodNs)
                            : QString();
}

void CDialogChildControl::UpdateTimeText(int row) {
    for (const TimeTextEntry& entry : kTimeTexts) {
        // A new model changes the clock period of every text.
        if (entry.row == row || row == row::MD) {
            auto* label = static_cast<QLabel*>(ControlById(entry.labelId));
            const QString text = TimeText(Control().Value(entry.row));
            if (label->text() != text) {
                label->setText(text);
            }
        }
    }
}

void CDialogChildControl::RunAction(PageAction action) {
    std::int32_t result = 0;
    switch (action) {
        case PageAction::AutoLineRate:
            Reporting([&] { (void)Control().Methods().DoOnePushAutoLineRateSet(&result, 0); });
            break;
        case PageAction::AwbByExposure:
            (void)Control().Methods().RunOnePush(row::AH, 0, row::AHRS, &result, 1);
            break;
        case PageAction::AwbByGain:
            (void)Control().Methods().RunOnePush(row::AW, 0, row::AWRS, &result, 1);
            break;
        default:
            break;
    }
}

}  // namespace xkiv::ui
