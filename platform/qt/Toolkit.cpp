// The Qt toolkit: the event loop, message boxes, the default exception
// display, the end of a session, and the program's resources.
#include <QAccessibleWidget>
#include <QApplication>
#include <QFontDatabase>
#include <QImageReader>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <utility>

#include "platform/Form.h"
#include "platform/linux/DataFolder.h"
#include "platform/qt/SleepWatch.h"
#include "platform/qt/ToolkitImpl.h"

namespace pelmor::qt {

std::unique_ptr<IToolkit> CreateToolkit() { return std::make_unique<Toolkit>(); }

namespace {

// SIGTERM and SIGHUP, as a session's end sends them, reach the event loop
// through a socket pair: the handler only writes a byte.
int signalSocket[2] = {-1, -1};

void OnSignal(int) {
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(signalSocket[0], &byte, 1);
}

void CatchEndSignals(const std::function<void()>& onEnd) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSocket) != 0) return;
    auto* notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [onEnd] {
        char byte;
        if (::read(signalSocket[1], &byte, 1) == 1) onEnd();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &sa, nullptr);
}

// With its X server gone (killed, or its connection lost), Qt's xcb plugin,
// or Xlib beneath the keystroke load, ends the process with exit(): the
// close query runs first, as at a session's end. Only while the toolkit
// lives: after main() the forms are gone.
Toolkit* living = nullptr;

void QueryAtExit() {
    if (Toolkit* toolkit = std::exchange(living, nullptr)) {
        if (pelmor::Form* main = pelmor::Form::Main(*toolkit)) main->QueryEndSession();
    }
}

// Screen readers see the main window as a frame and an image as a picture;
// as plain widgets, Qt would call both fillers.
QAccessibleInterface* AccessibleForm(const QString&, QObject* object) {
    if (auto* window = dynamic_cast<MainWindow*>(object)) {
        return new QAccessibleWidget(window, QAccessible::Window);
    }
    if (auto* image = dynamic_cast<ImageView*>(object)) {
        return new QAccessibleWidget(image, QAccessible::Graphic);
    }
    return nullptr;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    default:
        return QMessageBox::NoIcon;
    }
}

void ShowBox(QWidget* owner, QMessageBox::Icon icon, std::string_view text, std::string_view caption) {
    QMessageBox box(icon, ToQ(caption), ToQ(text), QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace

Toolkit::~Toolkit() {
    if (living == this) living = nullptr;
}

void Toolkit::Initialize() {
    // The main form ends the program; a window closing does not.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setWindowIcon(QIcon(IconResource("MAINICON", 32)));
    QGuiApplication::setDesktopFileName(QStringLiteral("pelmor"));
    QAccessible::installFactory(AccessibleForm);
    // The session manager asks the program to save its state: the close
    // query, then the end, as a session's end on Windows.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, [this](QSessionManager& manager) {
        manager.setRestartHint(QSessionManager::RestartNever);
        EndSession();
    });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] {
        if (pelmor::Form* main = pelmor::Form::Main(*this)) main->QueryEndSession();
    });
    CatchEndSignals([this] { EndSession(); });
    // A suspend and its resume, told to the main form.
    sleep_ = std::make_unique<SleepWatch>([this](bool start) {
        if (pelmor::Form* main = pelmor::Form::Main(*this)) start ? main->Suspending() : main->Resumed();
    });
    if (!std::exchange(living, this)) std::atexit(QueryAtExit);
}

// The close query runs now if it has not, and the main form ends.
void Toolkit::EndSession() {
    if (pelmor::Form* main = pelmor::Form::Main(*this)) main->QueryEndSession(), main->EndSession();
}

std::unique_ptr<IFormSurface> Toolkit::CreateSurface(const Layout& layout, bool mainForm,
                                                     IFormSurface* owner, IFormInput& input) {
    QWidget* ownerWidget = owner ? reinterpret_cast<QWidget*>(owner->Handle()) : nullptr;
    return std::make_unique<Form>(*this, layout, input, mainForm, ownerWidget);
}

void Toolkit::Run() {
    auto* main = reinterpret_cast<QWidget*>(TopWindow(*this));
    if (!main || !main->isVisible()) return;
    QApplication::exec();
}


void Toolkit::MessageBox(IWindow* owner, std::string_view text, std::string_view caption,
                         MessageIcon icon) {
    QWidget* o = reinterpret_cast<QWidget*>(owner ? owner->Handle() : TopWindow(*this));
    ShowBox(o, BoxIcon(icon), text, caption);
}

void Toolkit::MessageBeep(MessageIcon) { QApplication::beep(); }

// The default exception display: the message in a stop box over the window
// the user works in, titled with the application's title.
void Toolkit::ShowException(const std::exception& e) {
    auto* owner = reinterpret_cast<QWidget*>(TopWindow(*this));
    std::string caption = title_;
    if (caption.empty()) {
        std::string exe = lnx::RunningProgramPath();
        caption = exe.substr(exe.find_last_of('/') + 1);
    }
    ShowBox(owner, QMessageBox::Critical, e.what(), caption);
}

// The designed face when the system has it. A system without it gets a
// proportional Japanese Gothic face of the same kind when it has one, else
// whatever fontconfig puts in its place.
QFont Toolkit::FormFont(const LayoutNode& form) const {
    QString face = ToQ(form.Str("font"));
    QStringList installed = QFontDatabase::families();
    if (form.Str("charset") == "shiftjis" && !installed.contains(face)) {
        for (const char* alt : {"MS PGothic", "MS UI Gothic", "IPAPGothic", "VL PGothic",
                                "Noto Sans CJK JP", "IPAexGothic", "IPAGothic"}) {
            if (installed.contains(QLatin1String(alt))) {
                face = QLatin1String(alt);
                break;
            }
        }
    }
    QFont font(face);
    font.setPixelSize(form.Int("fontheight", 12));
    font.setWeight(QFont::Normal);
    return font;
}

// The picture of the icon closest to size x size: that size, else the
// nearest larger, else the largest. The format is named, so that no other
// image plugin is loaded to find out.
QPixmap Toolkit::IconResource(const std::string& name, int size) const {
    // Smaller is better: the exact size, then larger ones by their excess,
    // then smaller ones by their shortfall.
    auto distance = [size](int w) { return w == size ? 0 : w > size ? w - size : 10000 + size - w; };
    QImageReader reader(":/" + QString::fromStdString(name), "ico");
    QImage best;
    for (int i = 0; i < std::max(reader.imageCount(), 1); ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        QImage image = reader.read();
        if (!image.isNull() && (best.isNull() || distance(image.width()) < distance(best.width()))) {
            best = image;
        }
    }
    if (best.isNull()) return QPixmap();
    if (best.width() != size) best = best.scaled(size, size, Qt::KeepAspectRatio, Qt::FastTransformation);
    return QPixmap::fromImage(best);
}

// A button glyph: the bitmap with its bottom-left pixel's colour shown as
// the button face, which is to say left transparent.
QPixmap Toolkit::Glyph(const std::string& name) const {
    if (name.empty()) return QPixmap();
    QImage image(":/" + QString::fromStdString(name), "BMP");
    if (image.isNull()) return QPixmap();
    image = image.convertToFormat(QImage::Format_ARGB32);
    QRgb clear = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == (clear & 0xFFFFFF)) line[x] = 0;
        }
    }
    return QPixmap::fromImage(image);
}

}  // namespace pelmor::qt
