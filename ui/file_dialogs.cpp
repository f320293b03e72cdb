// File dialogs with filters and default extensions.
#include "ui/file_dialogs.h"

#include <QFileDialog>

namespace xkiv::ui {

QStringList NameFilters(const char* filterText) {
    const QStringList parts = QString::fromLatin1(filterText).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        if (description.isEmpty()) {
            break;
        }
        // Qt reads the patterns from the parentheses of the description.
        filters << (description.contains(QLatin1Char('('))
                        ? description
                        : QStringLiteral("%1 (%2)").arg(description, pattern));
    }
    return filters;
}

QString ChooseFile(QWidget* owner, FileDialogKind kind, const char* filterText,
                   const char* defaultSuffix) {
    QFileDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("FileDialog"));
    dialog.setNameFilters(NameFilters(filterText));
    dialog.setDefaultSuffix(QString::fromLatin1(defaultSuffix));
    if (kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace xkiv::ui
