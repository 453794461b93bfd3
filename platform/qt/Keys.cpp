#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

#include "platform/qt/Keys.h"

#ifdef PELMOR_XTEST
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// X.h names event types as Qt's do.
#undef KeyPress
#undef KeyRelease
#endif

namespace pelmor::qt {

namespace {

constexpr char kEnter = '\r';

// Printable ASCII characters are their own X keysyms; a letter's Qt key
// code is its capital.
int QtKey(char c) {
    if (c == kEnter) return Qt::Key_Return;
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    return static_cast<unsigned char>(c);
}

}  // namespace

void Keyboard::Decide() {
    path_ = Path::Posted;
#ifdef PELMOR_XTEST
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 ? x11->display() : nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    if (display && XTestQueryExtension(display, &event, &error, &major, &minor)) {
        display_ = display;
        path_ = Path::XTest;
    }
#endif
}

void Keyboard::TypeLine(std::string_view line) {
    if (path_ == Path::Undecided) Decide();
    std::string keys(line);
    keys += kEnter;
    if (path_ == Path::XTest) {
        TypeXTest(keys);
    } else {
        TypePosted(keys);
    }
}

void Keyboard::TypeXTest([[maybe_unused]] std::string_view keys) {
#ifdef PELMOR_XTEST
    auto* display = static_cast<Display*>(display_);
    for (char c : keys) {
        KeySym sym = c == kEnter ? XK_Return : static_cast<KeySym>(static_cast<unsigned char>(c));
        KeyCode code = XKeysymToKeycode(display, sym);
        if (code == 0) continue;  // no key of this keyboard makes it
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
    }
    XFlush(display);
#endif
}

// The events wait in the queue like typed keys, and reach the widget that
// has the focus when the loop next runs.
void Keyboard::TypePosted(std::string_view keys) {
    QWidget* target = QApplication::focusWidget();
    if (!target) return;
    for (char c : keys) {
        QString text = c == kEnter ? QStringLiteral("\r") : QString(QChar(c));
        int key = QtKey(c);
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
    }
}

}  // namespace pelmor::qt
