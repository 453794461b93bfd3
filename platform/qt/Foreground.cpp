#include <QWidget>

#include "platform/qt/Foreground.h"

namespace pelmor::qt {

// The handle is the form's top-level widget. A window manager may refuse
// the activation (focus-stealing prevention); the answer comes later, so
// the result tells whether the window is active now.
bool Foreground::BringForward(WindowHandle window) {
    auto* widget = reinterpret_cast<QWidget*>(window);
    if (!widget) return false;
    widget->raise();
    widget->activateWindow();
    return widget->isActiveWindow();
}

}  // namespace pelmor::qt
