// The module's own icons and status bars, by the number the dialogs know them by.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace xkiv::ui {

// Icons of the module, numbered as the dialogs refer to them.
enum class IconId {
    About = 205,
    Communication = 206,
    Control = 208,
    Dialog = 210,
    NotSynchronized = 211,
    Offline = 212,
    Online = 213,
    FileRead = 215,
    Receiving = 216,
    Error = 217,
    Sending = 218,
    Synchronized = 219,
    FileWrite = 221,
};

// The status bars: red while offline, green while online (425 x 3 pixels).
enum class BarId { Red = 201, Green = 202 };

QIcon ModuleIcon(IconId id);
QPixmap ModulePixmap(IconId id, int size);
QPixmap StatusBar(BarId id);
// The bar for an online state.
inline BarId BarOf(bool online) {
    return online ? BarId::Green : BarId::Red;
}

}  // namespace xkiv::ui
