// A control source that pulls in a window system.
#include <QWidget>
