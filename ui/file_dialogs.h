// The file open and save dialogs of the panels.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace xkiv::ui {

// Qt name filters from a filter text of "Description|pattern|...||" pairs:
// "Camera setup (*.cam)|*.cam||" gives "Camera setup (*.cam)".
QStringList NameFilters(const char* filterText);

enum class FileDialogKind { Open, Save };

// Runs a modal file dialog owned by owner, with no proposed name. A save
// dialog adds defaultSuffix to a name without one and asks before it
// replaces a file; an open dialog accepts only an existing file. The chosen
// path, empty when cancelled.
QString ChooseFile(QWidget* owner, FileDialogKind kind, const char* filterText,
                   const char* defaultSuffix);

}  // namespace xkiv::ui
