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

// Any standard control: the text, the enabled state and the focus, and what
// a check box, the memo or a list box does besides. The engine hands a control
// out as a check box, memo or list box only when it is of that kind.
class Widget final : public ICheckBox, public IMemo, public IListBox {
public:
    Widget(std::string kind, HWND hwnd) : kind(std::move(kind)), hwnd(hwnd) {}

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

    const std::string kind;
    HWND hwnd;  // null once the window is gone
};

class StatusBarImpl final : public IStatusBar {
public:
    explicit StatusBarImpl(HWND hwnd) : hwnd(hwnd) {}
    void SetPanelText(int panel, std::string_view text) override;

    HWND hwnd;
};

// A child window of its own class that shows either its bitmap (button face
// until the first drawing) or an icon resource. Its canvas draws into a
// 32-bit DIB section through a memory DC, made at the first Canvas().
class ImageImpl final : public IImage, public ICanvas {
public:
    ImageImpl(HWND hwnd, int width, int height, HICON icon)
        : hwnd(hwnd), width_(width), height_(height), icon_(icon) {}
    ~ImageImpl() override;
    ImageImpl(const ImageImpl&) = delete;
    ImageImpl& operator=(const ImageImpl&) = delete;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    ICanvas& Canvas() override;

    void SetPenColor(Color c) override;
    void SetPenWidth(int w) override;
    void SetBrushColor(Color c) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd;

private:
    void SelectTools();
    void Drawn();  // the bitmap changed: show it
    void Paint(HDC dc);

    int width_, height_;
    HICON icon_;
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
    bool drawn_ = false;
};

class OpenDialogImpl final : public IOpenDialog {
public:
    OpenDialogImpl(Form& form, const LayoutNode& node) : form_(form), node_(node) {}
    bool Execute() override;
    std::string FileName() const override { return fileName_; }

private:
    Form& form_;
    const LayoutNode& node_;  // title, filter, defaultext
    std::string fileName_;
};

// A form's window (ToolkitForm.cpp).
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

// The header of a top-down 32-bit bitmap of that size.
inline BITMAPINFO TopDownDib(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace pelmor::win32
