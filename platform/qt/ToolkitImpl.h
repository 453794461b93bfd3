// The Qt toolkit's inner classes: one Form per layout, holding standard
// widgets (QLabel, QLineEdit, QPlainTextEdit, QCheckBox, QListWidget,
// QPushButton, QToolButton, QStatusBar with label panels), a real menu bar
// whose actions carry the shortcuts, QTimers, image widgets that show a
// persistent QImage, and file-open dialogs. Texts cross in UTF-8.
#pragma once

#include <QAction>
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/qt/Toolkit.h"

class QLabel;
class QMenuBar;

namespace pelmor::qt {

class Form;
class Toolkit;

// Labels, edits, buttons: the text, the enabled state and the focus of the
// widget wrapped. Check boxes, the memo and list boxes are kinds of their
// own, and a form asked for one kind by the name of another throws.
class Widget : public virtual IControl {
public:
    Widget(std::string kind, QWidget* widget) : kind(std::move(kind)), widget(widget) {}

    std::string Text() const override;
    void SetText(std::string_view text) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
    void SetFocus() override;

    const std::string kind;
    QPointer<QWidget> widget;  // null once the window is gone
    std::string onClick;
};

class CheckBoxWidget final : public Widget, public ICheckBox {
public:
    using Widget::Widget;
    bool Checked() const override;
    void SetChecked(bool checked) override;
};

class MemoWidget final : public Widget, public IMemo {
public:
    using Widget::Widget;
    void SelectAll() override;
    void Clear() override;
};

class ListBoxWidget final : public Widget, public IListBox {
public:
    ListBoxWidget(std::string kind, QWidget* widget, int itemHeight)
        : Widget(std::move(kind), widget), itemHeight_(itemHeight) {}
    void Add(std::string_view item) override;
    int Count() const override;
    std::string Item(int index) const override;
    int ItemIndex() const override;
    void SetItemIndex(int index) override;

private:
    int itemHeight_;
};

class StatusBarImpl final : public IStatusBar {
public:
    StatusBarImpl(QStatusBar* bar, std::vector<QLabel*> panels)
        : bar_(bar), panels_(std::move(panels)) {}
    std::string PanelText(int panel) const override;
    void SetPanelText(int panel, std::string_view text) override;

private:
    QLabel* Panel(int panel) const;
    QPointer<QStatusBar> bar_;
    std::vector<QLabel*> panels_;
};

class MenuItemImpl final : public IMenuItem {
public:
    MenuItemImpl(QAction* action, std::string caption)
        : action_(action), caption_(std::move(caption)) {}
    std::string Caption() const override;
    void SetCaption(std::string_view caption) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;

private:
    QPointer<QAction> action_;  // null for separators and once the menu is gone
    std::string caption_;       // what was last set
    bool enabled_ = true;
};

class TimerImpl final : public ITimer {
public:
    TimerImpl(std::uint32_t interval, bool enabled, std::function<void()> onTimer);
    std::uint32_t Interval() const override { return interval_; }
    void SetInterval(std::uint32_t ms) override;
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override;
    void Stop() { timer_.stop(); }

private:
    // Stops the timer and starts it again when it is to run: enabled and an
    // interval above 0, at most the longest a QTimer takes.
    void Arm();
    QTimer timer_;
    std::uint32_t interval_;
    bool enabled_;
};

class ImageImpl;

// Draws into the image's QImage with GDI's rules: a 1-pixel line leaves its
// end pixel out, a rectangle leaves out its right and bottom edges.
class CanvasImpl final : public ICanvas {
public:
    explicit CanvasImpl(ImageImpl& image) : image_(image) {}
    Color PenColor() const override { return penColor_; }
    void SetPenColor(Color c) override { penColor_ = c; }
    int PenWidth() const override { return penWidth_; }
    void SetPenWidth(int w) override { penWidth_ = w; }
    Color BrushColor() const override { return brushColor_; }
    void SetBrushColor(Color c) override { brushColor_ = c; }
    void Rectangle(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override { at_ = QPoint(x, y); }
    void LineTo(int x, int y) override;

private:
    ImageImpl& image_;
    Color penColor_ = 0x000000;
    int penWidth_ = 1;
    Color brushColor_ = 0xFFFFFF;
    QPoint at_;
};

// The widget of an image: the canvas's picture once something is drawn,
// before that the form's colour and the icon, if it has one.
class ImageView final : public QWidget {
public:
    ImageView(ImageImpl& image, QWidget* parent) : QWidget(parent), image_(&image) {}
    void Detach() { image_ = nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ImageImpl* image_;
};

class ImageImpl final : public IImage {
public:
    ImageImpl(int width, int height, QPixmap icon);
    void SetView(ImageView* view) { view_ = view; }
    ~ImageImpl() override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    ICanvas& Canvas() override { return canvas_; }

    QImage& Picture() { return picture_; }
    void Drawn();
    void Paint(QPainter& painter);

private:
    QPointer<ImageView> view_;
    int width_, height_;
    QPixmap icon_;
    QImage picture_;
    CanvasImpl canvas_{*this};
    bool drawn_ = false;
};

class OpenDialogImpl final : public IOpenDialog {
public:
    OpenDialogImpl(Form& form, std::string title, std::string filter)
        : form_(form), title_(std::move(title)), filter_(std::move(filter)) {}
    bool Execute() override;
    std::string FileName() const override { return fileName_; }

private:
    Form& form_;
    std::string title_, filter_;
    std::string fileName_;
};

// The top-level widgets: the main window and the dialogs hand their close
// box and their keys to the form.
class MainWindow final : public QWidget {
public:
    explicit MainWindow(Form& form) : form_(form) {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Form& form_;
};

class DialogWindow final : public QDialog {
public:
    DialogWindow(Form& form, QWidget* owner) : QDialog(owner), form_(form) {}

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Form& form_;
};

class Form final : public IWindow {
public:
    Form(Toolkit& kit, const Layout& layout, IFormEvents& events, bool mainForm, QWidget* owner);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_.get()); }
    IControl& Control(std::string_view name) override { return Find(widgets_, name); }
    ICheckBox& CheckBox(std::string_view name) override {
        return Kind<ICheckBox>(name, "a check box");
    }
    IMemo& Memo(std::string_view name) override { return Kind<IMemo>(name, "a memo"); }
    IListBox& ListBox(std::string_view name) override { return Kind<IListBox>(name, "a list box"); }
    IStatusBar& StatusBar(std::string_view name) override { return Find(statusBars_, name); }
    IMenuItem& MenuItem(std::string_view name) override { return Find(menuItems_, name); }
    ITimer& Timer(std::string_view name) override { return Find(timers_, name); }
    IImage& Image(std::string_view name) override { return Find(images_, name); }
    IOpenDialog& OpenDialog(std::string_view name) override { return Find(openDialogs_, name); }

    void Show() override;
    int ShowModal() override;
    void Close() override;

    QWidget* window() const { return window_.get(); }
    // Runs an event handler; exceptions go to the default exception display.
    void Fire(const std::string& handler);
    // The close box: the main form waits while one of its dialogs is open.
    void CloseBox();
    // Esc: the cancel button's click, when the form has one.
    void CancelKey();
    // The session ends: the main form's close query runs now if it has not,
    // and the form ends.
    void EndSession();
    // The program ends by other means: the close query runs if it has not.
    void Ending();

private:
    template <class T>
    static T& Find(std::map<std::string, std::unique_ptr<T>, std::less<>>& m,
                   std::string_view name) {
        auto it = m.find(name);
        if (it == m.end()) throw Exception("form has no control " + std::string(name));
        return *it->second;
    }
    template <class T>
    T& Kind(std::string_view name, const char* what) {
        if (T* t = dynamic_cast<T*>(&Find(widgets_, name))) return *t;
        throw Exception("control " + std::string(name) + " is not " + what);
    }

    void CreateFrame(QWidget* owner);
    void CreateControl(const LayoutNode& node);
    void BuildMenu(const LayoutNode& menu);
    void AddMenuItems(QWidget* parent, const LayoutNode& node);
    void ArrangeTabOrder();
    void FocusFirst();
    bool RunCloseQuery();
    void EndMainForm();

    Toolkit& kit_;
    const Layout layout_;  // a copy: the caller's layout may be a temporary
    IFormEvents& events_;
    const bool main_;
    QFont font_;
    std::unique_ptr<QWidget> window_;
    QMenuBar* menuBar_ = nullptr;
    int top_ = 0;  // the menu bar's height: where the client area starts

    std::map<std::string, std::unique_ptr<Widget>, std::less<>> widgets_;
    std::map<std::string, std::unique_ptr<StatusBarImpl>, std::less<>> statusBars_;
    std::map<std::string, std::unique_ptr<MenuItemImpl>, std::less<>> menuItems_;
    std::map<std::string, std::unique_ptr<TimerImpl>, std::less<>> timers_;
    std::map<std::string, std::unique_ptr<ImageImpl>, std::less<>> images_;
    std::map<std::string, std::unique_ptr<OpenDialogImpl>, std::less<>> openDialogs_;
    Widget* cancelButton_ = nullptr;

    bool modal_ = false;
    int modalResult_ = 0;
    bool inCloseQuery_ = false;
    bool closeQueryDone_ = false;  // main form: the close query runs once per run
    bool ended_ = false;           // main form: closed, the loop is ending
};

class Toolkit final : public IToolkit {
public:
    Toolkit() = default;
    ~Toolkit() override;

    void Initialize() override;
    void SetTitle(std::string_view title) override { title_ = std::string(title); }
    std::unique_ptr<IWindow> CreateForm(const Layout& layout, IFormEvents& events,
                                        bool mainForm) override;
    void Run() override;
    void MessageBox(IWindow* owner, std::string_view text, std::string_view caption,
                    MessageIcon icon) override;
    void MessageBeep(MessageIcon sound) override;
    void ShowException(const std::exception& e) override;
    std::string ExeName() const override;

    // The font a layout asks for, or a Japanese Gothic face of the same
    // kind when the system lacks it.
    QFont FormFont(const LayoutNode& form) const;
    // A picture of the program's resources by its layout name (MAINICON,
    // ABOUTICON, BROWSEGLYPH); null when there is none.
    QPixmap IconResource(const std::string& name, int size) const;
    QPixmap Glyph(const std::string& name) const;

    void PushModal(Form* form) { modal_.push_back(form); }
    void PopModal() { modal_.pop_back(); }
    bool ModalOpen() const { return !modal_.empty(); }
    // The window new dialogs and message boxes belong to: the innermost
    // modal form, else the main form.
    QWidget* TopForm() const;
    void Forget(Form* form);

    Form* main = nullptr;

private:
    void EndSession();
    std::string title_;
    std::vector<Form*> modal_;
    mutable std::string exeName_;
};

inline constexpr int kModalCancel = 2;  // what ShowModal gives after Close()

}  // namespace pelmor::qt
