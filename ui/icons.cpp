// Icon and bitmap look-up in the module's resource file.
#include "ui/icons.h"

#include <array>
#include <utility>

// Q_INIT_RESOURCE declares its function in the enclosing namespace, so it is
// called from the global one.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace xkiv::ui {

namespace {

constexpr std::array<std::pair<IconId, const char*>, 13> kIconFiles = {{
    {IconId::About, ":/xkiv/icons/about.png"},
    {IconId::Communication, ":/xkiv/icons/communication.png"},
    {IconId::Control, ":/xkiv/icons/control.png"},
    {IconId::Dialog, ":/xkiv/icons/dialog.png"},
    {IconId::NotSynchronized, ":/xkiv/icons/not_synchronized.png"},
    {IconId::Offline, ":/xkiv/icons/offline.png"},
    {IconId::Online, ":/xkiv/icons/online.png"},
    {IconId::FileRead, ":/xkiv/icons/file_read.png"},
    {IconId::Receiving, ":/xkiv/icons/receiving.png"},
    {IconId::Error, ":/xkiv/icons/error.png"},
    {IconId::Sending, ":/xkiv/icons/sending.png"},
    {IconId::Synchronized, ":/xkiv/icons/synchronized.png"},
    {IconId::FileWrite, ":/xkiv/icons/file_write.png"},
}};

const char* FileOf(IconId id) {
    for (const auto& [icon, file] : kIconFiles) {
        if (icon == id) {
            return file;
        }
    }
    return "";
}

// The resources live in a static library linked into a module: they are
// registered on first use rather than by a static initialiser.
void EnsureResources() {
    static const bool registered = [] {
        InitIconResources();
        return true;
    }();
    (void)registered;
}

}  // namespace

QIcon ModuleIcon(IconId id) {
    EnsureResources();
    return QIcon(QString::fromLatin1(FileOf(id)));
}

QPixmap ModulePixmap(IconId id, int size) {
    EnsureResources();
    return QPixmap(QString::fromLatin1(FileOf(id)))
        .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap StatusBar(BarId id) {
    EnsureResources();
    return QPixmap(id == BarId::Green ? QStringLiteral(":/xkiv/icons/bar_green.png")
                                      : QStringLiteral(":/xkiv/icons/bar_red.png"));
}

}  // namespace xkiv::ui
