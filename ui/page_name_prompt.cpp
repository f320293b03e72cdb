// A small modal dialog with the three set names, behind AskAberrationNames.
#include "ui/page_name_prompt.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace xkiv::ui {

bool AskAberrationNames(QWidget* parent, std::array<QString, 3>& names) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("NameDialog"));
    dialog.setWindowTitle(QStringLiteral("Input Names"));
    auto* form = new QFormLayout(&dialog);
    std::array<QLineEdit*, 3> edits{};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        edits[i] = new QLineEdit(names[i], &dialog);
        edits[i]->setObjectName(QStringLiteral("Name%1").arg(i + 1));
        edits[i]->setMaxLength(16);
        form->addRow(QStringLiteral("Name %1").arg(i + 1), edits[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    for (std::size_t i = 0; i < edits.size(); ++i) {
        names[i] = edits[i]->text();
    }
    return true;
}

}  // namespace xkiv::ui
