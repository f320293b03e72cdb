// The one call through which the aberration page asks the user for the three set names.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

namespace xkiv::ui {

// Opens the name dialog modally over parent with names; on OK names holds
// the three texts and the result is true, on Cancel names stays as it was.
bool AskAberrationNames(QWidget* parent, std::array<QString, 3>& names);

}  // namespace xkiv::ui
