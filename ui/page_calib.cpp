// The "Calibration ..." page: aberration bound checks, the area map, names, file transfers and the
// calibration dialog.
#include "ui/page_calib.h"

#include <QFileDialog>
#include <QMouseEvent>
#include <cstdlib>

#include "control/control.h"
#include "control/dispatch_methods.h"
#include "ui/dialog_about.h"
#include "ui/dialog_onepush.h"

namespace xkiv::ui {

namespace {

// The correction colours of the area map, by the number of corrected pixels.
struct CorrectionColour {
    QColor colour;
    const char* hint;
};
const std::array<CorrectionColour, 4> kCorrectionColours = {{
    {QColor(255, 255, 255), "No correction"},
    {QColor(255, 255, 128), "Pixel correction"},
    {QColor(0, 255, 0), "2 Pixel correction"},
    {QColor(128, 128, 255), "3 Pixel correction"},
}};

// The aberration rows and edits of one colour.
struct AberrationColour {
    int leftRow;
    int areaRow;
    int secondRow;
    int thirdRow;
    int areaEdit;
    int secondEdit;
    int thirdEdit;
    int cellTop;  // template units
};
constexpr std::array kAberrationColours = {
    AberrationColour{row::CABLR, row::CABAR, row::CABSR, row::CABTR, 299, 301, 303, 223},
    AberrationColour{row::CABLB, row::CABAB, row::CABSB, row::CABTB, 300, 302, 304, 236},
};

constexpr int kCellWidth = 14;
constexpr int kCellHeight = 11;
constexpr int kLeftCellsStart = 40;
constexpr int kRightCellsStart = 164;
constexpr int kAreasPerSide = 8;
constexpr int kMaximumArea = 8;

const char* const kNameProperties[] = {"AberrationInputName1", "AberrationInputName2",
                                       "AberrationInputName3"};
constexpr std::array kNameEdits = {288, 291, 294};
const QString kCsvFilter = QStringLiteral("CSV Files (*.csv)");

// The colour index of the i-th cell from an edge (1-based) for left side l,
// area a, second pixel s and third pixel t.
int MapColour(int l, int a, int s, int t, int i) {
    if (l >= 3 && i <= t) {
        return 3;
    }
    if (l >= 2 && i <= s) {
        return 2;
    }
    if (l >= 1 && i <= a) {
        return 1;
    }
    return 0;
}

}  // namespace

CDialogChildCalib::CDialogChildCalib(QWidget* parent) : CDialogPage(CalibPageTables(), parent) {}

void CDialogChildCalib::BuildCells() {
    const DialogUnits units = Units();
    for (std::size_t c = 0; c < kAberrationColours.size(); ++c) {
        for (int cell = 0; cell < kCellsPerColour; ++cell) {
            const bool left = cell < kAreasPerSide;
            const int area = left ? cell + 1 : kCellsPerColour - cell;
            const int x = left ? kLeftCellsStart + cell * kCellWidth
                               : kRightCellsStart + (cell - kAreasPerSide) * kCellWidth;
            auto* label = new QLabel(QString::number(area), this);
            label->setObjectName(QStringLiteral("%1Cell%2").arg(c == 0 ? "Red" : "Blue").arg(cell));
            label->setGeometry(
                units.Rect(x, kAberrationColours[c].cellTop, kCellWidth, kCellHeight));
            label->setAlignment(Qt::AlignCenter);
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setAutoFillBackground(true);
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
            cells_[c][cell] = label;
            cellColours_[c][cell] = -1;
        }
    }
}

void CDialogChildCalib::OnInitPage() {
    BuildCells();
    for (const Binding& binding : CalibPageTables().bindings) {
        if (binding.kind == BindKind::List || binding.kind == BindKind::PositionList) {
            FillList(*static_cast<QComboBox*>(ControlById(binding.id)), binding.row);
        } else if (binding.kind == BindKind::EditU || binding.kind == BindKind::EditI) {
            SetEditRange(binding.id);
        }
    }
    for (int row = 0; row < kParameterCount; ++row) {
        ValueChanged(row, false, false);
    }
}

void CDialogChildCalib::ValueChanged(int row, bool fromUser, bool) {
    if (!HasControl()) {
        return;
    }
    const bool ownEdit = OwnEdit(fromUser);
    Refreshing([&] {
        RefreshRowControls(row);
        if (row >= row::CABLR && row <= row::CABTB) {
            const auto colour = static_cast<Colour>((row - row::CABLR) % 2);
            RecheckAberrationBounds(colour, ownEdit);
            PaintAreaCells(colour);
        }
    });
    if (HasFlag(row, PF_HAS_DEPENDENTS)) {
        EnablePass();
    }
}

void CDialogChildCalib::StoreChecked(int row, int editId, std::int32_t value) {
    Refreshing([&] { EditById(editId)->SetValueInt(value); });
    // Written only while the camera supports the row; no report, so the
    // refresh that runs now does not start again.
    (void)Control().SetValue(row, value, false, true);
}

void CDialogChildCalib::RecheckAberrationBounds(Colour colour, bool settle) {
    const AberrationColour& rows = kAberrationColours[Index(colour)];
    const auto reRange = [&] {
        SetEditRange(rows.areaEdit);
        SetEditRange(rows.secondEdit);
        SetEditRange(rows.thirdEdit);
    };
    reRange();
    if (!settle) {
        return;
    }
    const CCamera& camera = Control();
    const int left = std::abs(camera.Value(rows.leftRow));
    if (left != 0) {
        const std::int32_t area = camera.Value(rows.areaRow);
        const std::int32_t minimum = camera.GetMinimum(rows.areaRow, false);
        const std::int32_t settled =
            area > kMaximumArea ? kMaximumArea : (area < minimum ? minimum : area);
        if (settled != area) {
            StoreChecked(rows.areaRow, rows.areaEdit, settled);
        }
    }
    if (left == 2 || left == 3) {
        const std::int32_t second = camera.Value(rows.secondRow);
        const std::int32_t settled =
            std::max(std::min(second, camera.GetMaximum(rows.secondRow, false)),
                     camera.GetMinimum(rows.secondRow, false));
        if (settled != second) {
            StoreChecked(rows.secondRow, rows.secondEdit, settled);
        }
    }
    if (left == 3) {
        const std::int32_t third = camera.Value(rows.thirdRow);
        const std::int32_t settled =
            std::max(std::min(third, camera.GetMaximum(rows.thirdRow, false)), 1);
        if (settled != third) {
            StoreChecked(rows.thirdRow, rows.thirdEdit, settled);
        }
    }
    // The settled values move the other edits' bounds.
    reRange();
}

int CDialogChildCalib::CellColourIndex(Colour colour, int cell) const {
    return cellColours_[Index(colour)][cell];
}

void CDialogChildCalib::PaintAreaCells(Colour colour) {
    const AberrationColour& rows = kAberrationColours[Index(colour)];
    const CCamera& camera = Control();
    const int left = std::abs(camera.Value(rows.leftRow));
    const int area = camera.Value(rows.areaRow);
    const int second = camera.Value(rows.secondRow);
    const int third = camera.Value(rows.thirdRow);
    for (int i = 1; i <= kAreasPerSide; ++i) {
        const int index = left > 3 ? 0 : MapColour(left, area, second, third, i);
        for (const int cell : {i - 1, kCellsPerColour - i}) {
            if (cellColours_[Index(colour)][cell] == index) {
                continue;
            }
            cellColours_[Index(colour)][cell] = index;
            QLabel* label = cells_[Index(colour)][cell];
            QPalette colours = label->palette();
            colours.setColor(QPalette::Window, kCorrectionColours[index].colour);
            colours.setColor(QPalette::WindowText, Qt::black);
            label->setPalette(colours);
            label->update();
        }
    }
}

void CDialogChildCalib::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    QString hint;
    for (std::size_t c = 0; c < cells_.size() && hint.isEmpty(); ++c) {
        for (int cell = 0; cell < kCellsPerColour; ++cell) {
            // In page coordinates (the cells sit in their frame), edges included.
            const QLabel* label = cells_[c][cell];
            const QRect area =
                QRect(label->mapTo(this, QPoint(0, 0)), label->size()).adjusted(0, 0, 1, 1);
            const int index = cellColours_[c][cell];
            if (area.contains(point) && index >= 0) {
                hint = QString::fromLatin1(kCorrectionColours[index].hint);
                break;
            }
        }
    }
    SetStatusText(hint);
    CDialogAncestorOCX::mouseMoveEvent(event);
}

void CDialogChildCalib::RunAction(PageAction action) {
    switch (action) {
        case PageAction::StartCalibration: {
            CDialogCorrection dialog(*this, this);
            dialog.exec();
            break;
        }
        case PageAction::ChangeName:
            ChangeNames();
            break;
        case PageAction::SaveAberration:
            TransferAberration(true);
            break;
        case PageAction::LoadAberration:
            TransferAberration(false);
            break;
        default:
            break;
    }
}

void CDialogChildCalib::ChangeNames() {
    CNameDialog dialog(this);
    QString* names[] = {&dialog.name1, &dialog.name2, &dialog.name3};
    for (std::size_t i = 0; i < kNameEdits.size(); ++i) {
        *names[i] = static_cast<QLineEdit*>(ControlById(kNameEdits[i]))->text();
    }
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    // All three, changed or not, in their order.
    for (std::size_t i = 0; i < kNameEdits.size(); ++i) {
        if (!SetProperty(kNameProperties[i],
                         automation::Variant::String(names[i]->toStdString()))) {
            return;
        }
    }
}

void CDialogChildCalib::TransferAberration(bool toFile) {
    QFileDialog dialog(this);
    dialog.setObjectName(toFile ? QStringLiteral("SaveAberrationDialog")
                                : QStringLiteral("LoadAberrationDialog"));
    dialog.setNameFilter(kCsvFilter);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setAcceptMode(toFile ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(toFile ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const std::string path = dialog.selectedFiles().front().toStdString();
    Reporting([&] {
        if (toFile) {
            (void)Control().Methods().WriteChromaticAberrationToFile(path, 1);
        } else {
            (void)Control().Methods().ReadChromaticAberrationFromFile(path, 1);
        }
    });
}

}  // namespace xkiv::ui
