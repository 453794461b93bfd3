// floor_qt: the least a Qt Widgets window with a one-second timer costs. One
// top-level window and a 1000 ms timer whose handler does nothing; the native
// overhead benchmark compares Pelmor against it.
//
// floor_qt --keys is the loaded floor: the same window with a plain-text edit
// like Pelmor's memo (same size, 12-pixel font, no scroll bars), and at each tick what Pelmor's keystroke load does: the window raised and
// activated, the focus put in the edit (emptied every tenth line), and the ten
// digits and Enter typed through the X server's XTEST extension, a press and
// a release for each key.
#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>
#include <cstring>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool keys = argc > 1 && std::strcmp(argv[1], "--keys") == 0;
    QWidget window;
    window.setWindowTitle(keys ? "Loaded floor" : "Floor");
    window.resize(373, 264);
    QPlainTextEdit* edit = nullptr;
    if (keys) {
        edit = new QPlainTextEdit(&window);
        edit->setGeometry(8, 50, 113, 89);
        QFont font = edit->font();
        font.setPixelSize(12);
        edit->setFont(font);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    window.show();

    Display* display = nullptr;
    if (keys) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        display = x11 ? x11->display() : nullptr;
        int event = 0, error = 0, major = 0, minor = 0;
        if (!display || !XTestQueryExtension(display, &event, &error, &major, &minor)) return 1;
    }
    int lines = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!edit) return;
        window.raise();
        window.activateWindow();
        edit->setFocus();
        if (lines == 10) {
            edit->selectAll();
            edit->clear();
            lines = 0;
        }
        for (const char* c = "0123456789\r"; *c; ++c) {
            KeySym sym = *c == '\r' ? XK_Return : static_cast<KeySym>(*c);
            KeyCode code = XKeysymToKeycode(display, sym);
            XTestFakeKeyEvent(display, code, True, CurrentTime);
            XTestFakeKeyEvent(display, code, False, CurrentTime);
        }
        XFlush(display);
        ++lines;
    });
    timer.start(1000);
    return app.exec();
}
