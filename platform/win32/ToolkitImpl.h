// The Win32 toolkit's inner classes: one Form per layout, holding standard
// controls (STATIC, EDIT, BUTTON, LISTBOX, the common controls' status bar
// and tooltips), a real menu bar with an accelerator table, window timers,
// image controls that show a persistent bitmap, and file-open dialogs.
// Texts cross in UTF-8 and reach the windows through the text layer.
#pragma once

#include "platform/win32/Toolkit.h"
// After the system headers: their MessageBox macro renames every MessageBox.
#include "platform/Widgets.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace pelmor::win32 {

class Form;
class Toolkit;

// Labels, edits, buttons: the text, the enabled state and the focus of the
// standard control wrapped. Check boxes, the memo and list boxes are kinds of
// their own, and a form asked for one kind by the name of another throws.
class Widget : public virtual IControl {
public:
    Widget(std::string kind, HWND hwnd) : kind(std::move(kind)), hwnd(hwnd) {}

    std::string Text() const override;
    void SetText(std::string_view text) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
    void SetFocus() override;

    const std::string kind;
    HWND hwnd;  // null once the window is gone
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
    using Widget::Widget;
    void Add(std::string_view item) override;
    int Count() const override;
    std::string Item(int index) const override;
    int ItemIndex() const override;
    void SetItemIndex(int index) override;
};

class StatusBarImpl final : public IStatusBar {
public:
    explicit StatusBarImpl(HWND hwnd) : hwnd(hwnd) {}
    std::string PanelText(int panel) const override;
    void SetPanelText(int panel, std::string_view text) override;

    HWND hwnd;
};

class ImageImpl;

// Draws into the image's 32-bit DIB section through a memory DC.
class CanvasImpl final : public ICanvas {
public:
    CanvasImpl(ImageImpl& image, int width, int height);
    ~CanvasImpl() override;
    CanvasImpl(const CanvasImpl&) = delete;
    CanvasImpl& operator=(const CanvasImpl&) = delete;

    Color PenColor() const override { return penColor_; }
    void SetPenColor(Color c) override;
    int PenWidth() const override { return penWidth_; }
    void SetPenWidth(int w) override;
    Color BrushColor() const override { return brushColor_; }
    void SetBrushColor(Color c) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;

    HDC dc() const { return dc_; }

private:
    void SelectTools();
    void Drawn();

    ImageImpl& image_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HPEN pen_ = nullptr;
    HBRUSH brush_ = nullptr;
    HGDIOBJ oldPen_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
    Color penColor_ = 0x000000;
    int penWidth_ = 1;
    Color brushColor_ = 0xFFFFFF;
    bool penStale_ = true;
    bool brushStale_ = true;
};

// A child window of its own class that shows either the canvas's bitmap
// (button face until the first drawing) or an icon resource.
class ImageImpl final : public IImage {
public:
    ImageImpl(HWND hwnd, int width, int height, HICON icon)
        : hwnd(hwnd), width_(width), height_(height), icon_(icon) {}
    ~ImageImpl() override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    ICanvas& Canvas() override;

    void Drawn();  // the bitmap changed: show it

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd;

private:
    void Paint(HDC dc);

    int width_, height_;
    HICON icon_;
    std::unique_ptr<CanvasImpl> canvas_;
    bool drawn_ = false;
};

class OpenDialogImpl final : public IOpenDialog {
public:
    OpenDialogImpl(Form& form, std::string title, std::string filter, std::string defaultExt)
        : form_(form), title_(std::move(title)), filter_(std::move(filter)),
          defaultExt_(std::move(defaultExt)) {}
    bool Execute() override;
    std::string FileName() const override { return fileName_; }

private:
    Form& form_;
    std::string title_, filter_, defaultExt_;
    std::string fileName_;
};

// A form's window: a top-level window with its controls, menu bar,
// accelerators and timers, which hands its events to the form engine.
class Form final : public IFormSurface {
public:
    Form(Toolkit& kit, const Layout& layout, IFormInput& input, bool mainForm, HWND owner);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
    bool Alive() const override { return hwnd_ != nullptr; }
    std::unique_ptr<IControl> CreateControl(const LayoutNode& node, int id) override;
    std::unique_ptr<IStatusBar> CreateStatusBar(const LayoutNode& node, int id) override;
    std::unique_ptr<IImage> CreateImage(const LayoutNode& node, int id) override;
    std::unique_ptr<IOpenDialog> CreateOpenDialog(const LayoutNode& node) override;
    void AddMenuItem(int parent, int id, const LayoutNode& item, MenuEntry entry,
                     const toolkit::Shortcut* shortcut) override;
    void MenuDone() override;
    void SetMenuItem(int id, std::string_view caption, bool enabled) override;
    void SetTabOrder(const std::vector<int>& ids) override;
    void CreateTimer(const LayoutNode&, int) override {}
    void StartTimer(int id, std::uint32_t ms) override;
    void StopTimer(int id) override { if (hwnd_) KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }
    void Show() override {
        if (hwnd_) ShowWindow(hwnd_, SW_SHOW), UpdateWindow(hwnd_);
    }
    void Hide() override { if (hwnd_) ShowWindow(hwnd_, SW_HIDE); }
    bool IsEnabled() const override { return hwnd_ && IsWindowEnabled(hwnd_); }
    void SetEnabled(bool on) override { if (hwnd_) EnableWindow(hwnd_, on); }  // WM_ENABLE tells the engine
    void RunModal() override;
    void EndModal() override {
        if ((modalEnded_ = true) && hwnd_) text::Post(hwnd_, WM_NULL, 0, 0);  // wakes the modal loop
    }
    void ModalDone() override;
    void EndMain() override;
    void PostClose() override { if (hwnd_) text::Post(hwnd_, WM_CLOSE, 0, 0); }

    HWND hwnd() const { return hwnd_; }
    // Accelerators (while the form is enabled) and dialog keys: Tab, Enter
    // for the default button, Esc for the cancel button.
    bool PreTranslate(MSG& msg);

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    void CreateFrame(HWND owner);
    HWND Child(const LayoutNode& node, int id, const char* cls, DWORD style, DWORD exStyle,
               const std::string& caption);
    void FitLabel(HWND label, const std::string& text, int width, int height);
    HWND FirstTabStop() const;
    void RestoreFocus();
    void Command(UINT id, UINT code, HWND control);
    void Gone();  // the window has been destroyed

    Toolkit& kit_;
    const Layout& layout_;
    IFormInput& input_;
    const bool main_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HMENU bar_ = nullptr;
    int frameWidth_ = 0, frameHeight_ = 0;  // the window's size as created
    HACCEL accel_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND focus_ = nullptr;  // the child that had the focus when the form was left
    std::vector<HBITMAP> glyphs_;
    std::vector<ACCEL> accels_;
    struct MenuSlot {
        HMENU parent;
        UINT position;
    };
    std::map<int, MenuSlot> menuSlots_;
    std::map<int, HMENU> submenus_;
    std::map<HMENU, UINT> menuCounts_;
    std::map<UINT, Widget*> widgetById_;
    std::vector<StatusBarImpl*> statusBars_;
    std::vector<ImageImpl*> images_;
    std::vector<int> tabOrder_;
    std::map<UINT, UINT> bevelEdges_;  // bevel id -> the edges it draws (BF_...)
    Widget* defaultButton_ = nullptr;
    bool modalEnded_ = false;
    bool asleep_ = false;  // a suspend announced, its resume not yet
};

class Toolkit final : public IToolkit {
public:
    explicit Toolkit(HINSTANCE instance) : instance(instance) {}
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

    // Gets and handles one message; false when WM_QUIT arrives (its exit
    // code is then in quitCode).
    bool PumpMessage();
    // Registers the window class of a form once (the layout's class= name).
    const std::string& FormClass(const std::string& name);
    // The icon or bitmap resource of that name (nullptr when missing).
    HICON LoadIconResource(const std::string& name, int size);
    HBITMAP LoadGlyph(const std::string& name);

    void Register(HWND hwnd, Form* form) { forms_[hwnd] = form; }
    void Unregister(HWND hwnd) { forms_.erase(hwnd); }
    Form* FormOf(HWND hwnd) const;

    const HINSTANCE instance;
    int quitCode = 0;

private:
    std::string title_;
    std::map<HWND, Form*> forms_;
    std::set<std::string> classes_;
    bool imageClass_ = false;
};

inline constexpr char kImageClass[] = "PelmorImage";

}  // namespace pelmor::win32
