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

// A form's window: the top-level widget, its controls, menu bar, shortcuts
// and timers, which hands its events to the form engine.
class Form final : public IFormSurface {
public:
    Form(Toolkit& kit, const Layout& layout, IFormInput& input, bool mainForm, QWidget* owner);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

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
    IFormInput& input() { return input_; }

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

    // The font a layout asks for, or a Japanese Gothic face of the same
    // kind when the system lacks it.
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
