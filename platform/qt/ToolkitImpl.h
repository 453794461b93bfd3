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
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Widgets.h"
#include "platform/qt/Toolkit.h"

class QLabel;
class QMenu;
class QMenuBar;

namespace pelmor::qt {

class Form;
class Toolkit;

// Any widget of a control: the text, the enabled state and the focus, and
// what a check box, the memo or a list box does besides. The engine hands a
// control out as a check box, memo or list box only when it is of that kind.
class Widget final : public ICheckBox, public IMemo, public IListBox {
public:
    Widget(QWidget* widget, int itemHeight) : widget(widget), itemHeight_(itemHeight) {}

    std::string Text() const override;
    void SetText(std::string_view text) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
    void SetFocus() override;
    bool Checked() const override;
    void SelectAll() override;
    void Clear() override;
    void Add(std::string_view item) override;
    void SetItemIndex(int index) override;

    QPointer<QWidget> widget;  // null once the window is gone

private:
    int itemHeight_;  // a list box's, 0: the style's
};

class StatusBarImpl final : public IStatusBar {
public:
    explicit StatusBarImpl(std::vector<QPointer<QLabel>> panels) : panels_(std::move(panels)) {}
    void SetPanelText(int panel, std::string_view text) override;

private:
    std::vector<QPointer<QLabel>> panels_;  // null once the window is gone
};

class ImageImpl;

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

// An image and its canvas, which draws into a QImage with GDI's rules: a
// 1-pixel line leaves its end pixel out, a rectangle leaves out its right and
// bottom edges.
class ImageImpl final : public IImage, public ICanvas {
public:
    ImageImpl(int width, int height, QPixmap icon);
    void SetView(ImageView* view) { view_ = view; }
    ~ImageImpl() override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    ICanvas& Canvas() override { return *this; }

    void SetPenColor(Color c) override { penColor_ = c; }
    void SetPenWidth(int w) override { penWidth_ = w; }
    void SetBrushColor(Color c) override { brushColor_ = c; }
    void Rectangle(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override { at_ = QPoint(x, y); }
    void LineTo(int x, int y) override;

    void Paint(QPainter& painter);

private:
    void Drawn();

    QPointer<ImageView> view_;
    int width_, height_;
    QPixmap icon_;
    QImage picture_;
    Color penColor_ = 0x000000;
    int penWidth_ = 1;
    Color brushColor_ = 0xFFFFFF;
    QPoint at_;
    bool drawn_ = false;
};

class OpenDialogImpl final : public IOpenDialog {
public:
    OpenDialogImpl(Form& form, const LayoutNode& node) : form_(form), node_(node) {}
    bool Execute() override;
    std::string FileName() const override { return fileName_; }

private:
    Form& form_;
    const LayoutNode& node_;  // title, filter
    std::string fileName_;
};

// The top-level widgets: the main window and the dialogs hand their close
// box and their keys to the form engine.
class MainWindow final : public QWidget {
public:
    explicit MainWindow(IFormInput& input) : input_(input) {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    IFormInput& input_;
};

class DialogWindow final : public QDialog {
public:
    DialogWindow(IFormInput& input, QWidget* owner) : QDialog(owner), input_(input) {}

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    IFormInput& input_;
};

// A form's window (ToolkitForm.cpp).
class Form final : public IFormSurface {
public:
    Form(Toolkit& kit, const Layout& layout, IFormInput& input, bool mainForm, QWidget* owner);

    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_.get()); }
    bool Alive() const override { return window_ != nullptr; }
    std::unique_ptr<IControl> CreateControl(const LayoutNode& node, int id) override;
    std::unique_ptr<IStatusBar> CreateStatusBar(const LayoutNode& node, int id) override;
    std::unique_ptr<IImage> CreateImage(const LayoutNode& node, int id) override;
    std::unique_ptr<IOpenDialog> CreateOpenDialog(const LayoutNode& node) override;
    void AddMenuItem(int parent, int id, const LayoutNode& item, MenuEntry entry,
                     const toolkit::Shortcut* shortcut) override;
    void MenuDone() override;
    void SetMenuItem(int id, std::string_view caption, bool enabled) override {
        if (QAction* a = actions_[id]) a->setText(ToQ(caption)), a->setEnabled(enabled);
    }
    void SetTabOrder(const std::vector<int>& ids) override;
    void CreateTimer(const LayoutNode& node, int id) override;
    void StartTimer(int id, std::uint32_t ms) override;
    void StopTimer(int id) override { timers_.at(id)->stop(); }
    void Show() override;
    void Hide() override { window_->hide(); }
    bool IsEnabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override {
        if ((enabled_ = enabled)) input_.Enabled();
    }
    void RunModal() override;
    void EndModal() override { static_cast<QDialog*>(window_.get())->done(QDialog::Rejected); }
    void ModalDone() override;
    void EndMain() override;
    void PostClose() override;

    QWidget* window() const { return window_.get(); }

private:
    void CreateFrame(QWidget* owner);
    QWidget* Place(QWidget* widget, const LayoutNode& node, const QString& text, int x, int y, int w, int h);
    void FocusFirst();

    Toolkit& kit_;
    const Layout& layout_;
    IFormInput& input_;
    const bool main_;
    QFont font_;
    std::unique_ptr<QWidget> window_;
    QMenuBar* menuBar_ = nullptr;
    int top_ = 0;  // the menu bar's height: where the client area starts
    // Qt's application-modal dialogs keep the input from their owner; this
    // is the state the engine sets and reads.
    bool enabled_ = true;
    std::map<int, QMenu*> submenus_;
    std::map<int, QPointer<QAction>> actions_;  // none for separators
    std::map<int, std::unique_ptr<QTimer>> timers_;
    std::map<int, Widget*> widgetById_;
    std::vector<int> tabOrder_;
};

class Toolkit final : public IToolkit {
public:
    Toolkit() = default;
    ~Toolkit() override;
    void Initialize() override;
    void SetTitle(std::string_view title) override { title_ = std::string(title); }
    std::unique_ptr<IFormSurface> CreateSurface(const Layout& layout, bool mainForm,
                                                IFormSurface* owner, IFormInput& input) override;
    void Run() override;
    void MessageBox(IWindow* owner, std::string_view text, std::string_view caption,
                    MessageIcon icon) override;
    void MessageBeep(MessageIcon sound) override;
    void ShowException(const std::exception& e) override;

    QFont FormFont(const LayoutNode& form) const;
    // A picture of the program's resources by its layout name (MAINICON,
    // ABOUTICON, BROWSEGLYPH); null when there is none.
    QPixmap IconResource(const std::string& name, int size) const;
    QPixmap Glyph(const std::string& name) const;


private:
    void EndSession();
    std::string title_;
    std::unique_ptr<QObject> sleep_;
};

}  // namespace pelmor::qt
