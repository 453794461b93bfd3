// The Win32 toolkit's inner classes: one Form per layout, holding standard
// controls (STATIC, EDIT, BUTTON, LISTBOX, the common controls' status bar
// and tooltips), a real menu bar with an accelerator table, window timers,
// image controls that show a persistent bitmap, and file-open dialogs.
// Texts cross in UTF-8 and reach the windows through the text layer.
#pragma once

#include "platform/win32/Toolkit.h"

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
    using Widget::Widget;
    void Add(std::string_view item) override;
    int Count() const override;
    std::string Item(int index) const override;
    int ItemIndex() const override;
    void SetItemIndex(int index) override;
};

class StatusBarImpl final : public IStatusBar {
public:
    StatusBarImpl(HWND hwnd, int panels) : hwnd(hwnd), panels_(panels) {}
    std::string PanelText(int panel) const override;
    void SetPanelText(int panel, std::string_view text) override;

    HWND hwnd;

private:
    void Check(int panel) const;
    int panels_;
};

class MenuItemImpl final : public IMenuItem {
public:
    MenuItemImpl(Form& form, HMENU parent, UINT position, UINT id, std::string caption,
                 std::string onClick)
        : form_(form), parent_(parent), position_(position), id(id),
          caption_(std::move(caption)), onClick(std::move(onClick)) {}
    std::string Caption() const override;
    void SetCaption(std::string_view caption) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;

    bool OnMenuBar() const;

private:
    bool Alive() const;
    Form& form_;
    HMENU parent_;
    UINT position_;

public:
    const UINT id;  // 0 for drop-down headings and separators

private:
    std::string caption_;  // what was last set, for when the menu is gone
    bool enabled_ = true;

public:
    const std::string onClick;
};

class TimerImpl final : public ITimer {
public:
    TimerImpl(Form& form, UINT_PTR id, std::uint32_t interval, bool enabled, std::string onTimer)
        : form_(form), id(id), interval_(interval), enabled_(enabled),
          onTimer(std::move(onTimer)) {}
    std::uint32_t Interval() const override { return interval_; }
    void SetInterval(std::uint32_t ms) override;
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override;

    // Kills the window timer and sets it again when the timer is to run:
    // enabled and an interval above 0, at most USER_TIMER_MAXIMUM.
    void Arm();

private:
    Form& form_;

public:
    const UINT_PTR id;

private:
    std::uint32_t interval_;
    bool enabled_;

public:
    const std::string onTimer;
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

class Form final : public IWindow {
public:
    Form(Toolkit& kit, const Layout& layout, IFormEvents& events, bool mainForm, HWND owner);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
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

    HWND hwnd() const { return hwnd_; }
    bool IsMain() const { return main_; }
    // Accelerators (while the form is enabled) and dialog keys: Tab, Enter
    // for the default button, Esc for the cancel button.
    bool PreTranslate(MSG& msg);
    // Runs an event handler; exceptions go to the default exception display.
    void Fire(const std::string& handler);

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

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

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    void NumberNodes(const std::vector<LayoutNode>& nodes);
    void CreateFrame(HWND owner);
    void CreateChildren();
    void CreateControl(const LayoutNode& node);
    void FitLabel(HWND label, const std::string& text, int width, int height);
    void BuildMenu(const LayoutNode& menu);
    void AddMenuItems(HMENU parent, const LayoutNode& node, std::vector<ACCEL>& accels);
    void ArrangeTabOrder();
    HWND FirstTabStop() const;
    void RestoreFocus();
    void Command(UINT id, UINT code, HWND control);
    void ClickButton(Widget& button);
    bool RunCloseQuery();
    void EndMainForm();
    void Gone();  // the window has been destroyed

    Toolkit& kit_;
    const Layout layout_;  // a copy: the caller's layout may be a temporary
    IFormEvents& events_;
    const bool main_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HACCEL accel_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND focus_ = nullptr;  // the child that had the focus when the form was left
    std::vector<HBITMAP> glyphs_;
    std::map<const LayoutNode*, UINT> ids_;  // every node's id, in layout order from 100

    std::map<std::string, std::unique_ptr<Widget>, std::less<>> widgets_;
    std::map<std::string, std::unique_ptr<StatusBarImpl>, std::less<>> statusBars_;
    std::map<std::string, std::unique_ptr<MenuItemImpl>, std::less<>> menuItems_;
    std::map<std::string, std::unique_ptr<TimerImpl>, std::less<>> timers_;
    std::map<std::string, std::unique_ptr<ImageImpl>, std::less<>> images_;
    std::map<std::string, std::unique_ptr<OpenDialogImpl>, std::less<>> openDialogs_;
    std::map<UINT, Widget*> widgetById_;
    std::map<UINT, MenuItemImpl*> menuById_;
    std::map<UINT_PTR, TimerImpl*> timerById_;
    std::map<UINT, UINT> bevelEdges_;  // bevel id -> the edges it draws (BF_...)
    Widget* defaultButton_ = nullptr;
    Widget* cancelButton_ = nullptr;

    bool modal_ = false;
    int modalResult_ = 0;
    bool inCloseQuery_ = false;
    bool closeQueryDone_ = false;  // main form: the close query runs once per run
    bool ended_ = false;           // main form: closed, the loop is ending
    bool closePending_ = false;    // main form: a close came while it was disabled
};

class Toolkit final : public IToolkit {
public:
    explicit Toolkit(HINSTANCE instance) : instance(instance) {}
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
    void PushModal(Form* form) { modal_.push_back(form); }
    void PopModal() { modal_.pop_back(); }
    // The window new dialogs and message boxes belong to: the innermost
    // modal form, else the main form.
    HWND TopForm() const;

    const HINSTANCE instance;
    Form* main = nullptr;
    int quitCode = 0;

private:
    std::string title_;
    std::map<HWND, Form*> forms_;
    std::vector<Form*> modal_;
    std::set<std::string> classes_;
    bool imageClass_ = false;
};

inline constexpr char kImageClass[] = "PelmorImage";

}  // namespace pelmor::win32
