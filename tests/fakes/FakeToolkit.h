// An in-memory toolkit: forms built from their layout with controls that
// remember what is done to them. Tests drive a form as a user would (click,
// tick, fire a timer) and script what happens inside a modal dialog.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Toolkit.h"

namespace pelmor::fake {

struct FakeControl : ICheckBox, IMemo, IListBox {
    std::string kind;
    std::string text;
    bool enabled = true;
    bool checked = false;
    int focusCount = 0;
    std::vector<std::string> items;
    int itemIndex = -1;
    std::vector<std::string>* journal = nullptr;
    std::string name;

    std::string Text() const override { return text; }
    void SetText(std::string_view t) override { text = std::string(t); }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool e) override { enabled = e; }
    void SetFocus() override {
        ++focusCount;
        if (journal) journal->push_back("SetFocus " + name);
    }
    bool Checked() const override { return checked; }
    void SetChecked(bool c) override { checked = c; }
    void SelectAll() override {
        if (journal) journal->push_back("SelectAll " + name);
    }
    void Clear() override {
        text.clear();
        if (journal) journal->push_back("Clear " + name);
    }
    void Add(std::string_view item) override { items.emplace_back(item); }
    int Count() const override { return static_cast<int>(items.size()); }
    std::string Item(int index) const override { return items.at(static_cast<std::size_t>(index)); }
    int ItemIndex() const override { return itemIndex; }
    void SetItemIndex(int index) override { itemIndex = index; }
};

struct FakeStatusBar : IStatusBar {
    std::vector<std::string> panels;
    std::vector<int> setCount;  // how often each panel was set
    std::string PanelText(int panel) const override { return panels.at(static_cast<std::size_t>(panel)); }
    void SetPanelText(int panel, std::string_view text) override {
        panels.at(static_cast<std::size_t>(panel)) = std::string(text);
        ++setCount.at(static_cast<std::size_t>(panel));
    }
};

struct FakeMenuItem : IMenuItem {
    std::string caption;
    bool enabled = true;
    std::string Caption() const override { return caption; }
    void SetCaption(std::string_view c) override { caption = std::string(c); }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool e) override { enabled = e; }
};

struct FakeTimer : ITimer {
    std::uint32_t interval = 1000;
    bool enabled = true;
    std::uint32_t Interval() const override { return interval; }
    void SetInterval(std::uint32_t ms) override { interval = ms; }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool e) override { enabled = e; }
};

// Records every drawing call as text, e.g. "Rectangle 0 0 353 97",
// "Pen 255 2", "MoveTo 3 4", "LineTo 349 92", "Brush 16777215".
struct RecordingCanvas : ICanvas {
    Color pen = 0;
    int penWidth = 1;
    Color brush = 0xFFFFFF;
    std::vector<std::string> calls;
    Color PenColor() const override { return pen; }
    void SetPenColor(Color c) override {
        pen = c;
        calls.push_back("PenColor " + std::to_string(c));
    }
    int PenWidth() const override { return penWidth; }
    void SetPenWidth(int w) override {
        penWidth = w;
        calls.push_back("PenWidth " + std::to_string(w));
    }
    Color BrushColor() const override { return brush; }
    void SetBrushColor(Color c) override {
        brush = c;
        calls.push_back("BrushColor " + std::to_string(c));
    }
    void Rectangle(int l, int t, int r, int b) override {
        calls.push_back("Rectangle " + std::to_string(l) + " " + std::to_string(t) + " " +
                        std::to_string(r) + " " + std::to_string(b));
    }
    void MoveTo(int x, int y) override {
        calls.push_back("MoveTo " + std::to_string(x) + " " + std::to_string(y));
    }
    void LineTo(int x, int y) override {
        calls.push_back("LineTo " + std::to_string(x) + " " + std::to_string(y));
    }
};

// Keeps the pen and brush like a device context would; draws and records
// nothing (for long runs and cost measurements).
struct NullCanvas : ICanvas {
    Color pen = 0, brush = 0;
    int width = 1;
    Color PenColor() const override { return pen; }
    void SetPenColor(Color c) override { pen = c; }
    int PenWidth() const override { return width; }
    void SetPenWidth(int w) override { width = w; }
    Color BrushColor() const override { return brush; }
    void SetBrushColor(Color c) override { brush = c; }
    void Rectangle(int, int, int, int) override {}
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
};

struct FakeImage : IImage {
    int width = 0, height = 0;
    RecordingCanvas canvas;
    ICanvas* replacement = nullptr;  // drawn on instead of the recording canvas
    int Width() const override { return width; }
    int Height() const override { return height; }
    ICanvas& Canvas() override { return replacement ? *replacement : canvas; }
};

struct FakeOpenDialog : IOpenDialog {
    std::function<bool(std::string&)> onExecute;  // returns false for cancel
    std::string fileName;
    bool Execute() override { return onExecute ? onExecute(fileName) : false; }
    std::string FileName() const override { return fileName; }
};

class FakeToolkit;

class FakeWindow : public IWindow {
public:
    FakeWindow(FakeToolkit& kit, const Layout& layout, IFormEvents& events, bool mainForm);
    ~FakeWindow() override;

    WindowHandle Handle() const override { return handle; }
    IControl& Control(std::string_view name) override { return Get(controls, name); }
    ICheckBox& CheckBox(std::string_view name) override { return Get(controls, name); }
    IMemo& Memo(std::string_view name) override { return Get(controls, name); }
    IListBox& ListBox(std::string_view name) override { return Get(controls, name); }
    IStatusBar& StatusBar(std::string_view name) override { return Get(statusBars, name); }
    IMenuItem& MenuItem(std::string_view name) override { return Get(menuItems, name); }
    ITimer& Timer(std::string_view name) override { return Get(timers, name); }
    IImage& Image(std::string_view name) override { return Get(images, name); }
    IOpenDialog& OpenDialog(std::string_view name) override { return Get(openDialogs, name); }

    void Show() override { visible = true; }
    int ShowModal() override;
    void Close() override;

    // User actions.
    void Click(std::string_view control);   // button or menu item: its OnClick
    void Fire(std::string_view timer);      // a timer tick (whether enabled or not)
    bool CloseBox();                        // the window's close box: close query, then close

    // Fake-side views.
    FakeControl& Ctl(std::string_view name) { return Get(controls, name); }
    FakeStatusBar& Bar(std::string_view name = "StatusBar") { return Get(statusBars, name); }
    FakeMenuItem& Item(std::string_view name) { return Get(menuItems, name); }
    FakeTimer& Tmr(std::string_view name) { return Get(timers, name); }
    FakeImage& Img(std::string_view name) { return Get(images, name); }
    FakeOpenDialog& Dlg(std::string_view name) { return Get(openDialogs, name); }

    const Layout& layout;
    IFormEvents& events;
    std::string formName;
    WindowHandle handle;
    bool mainForm;
    bool visible = false;
    bool closed = false;
    bool modal = false;

private:
    template <class T>
    static T& Get(std::map<std::string, std::unique_ptr<T>, std::less<>>& m, std::string_view name) {
        auto it = m.find(name);
        if (it == m.end()) throw std::out_of_range("fake window: no control " + std::string(name));
        return *it->second;
    }
    std::string Handler(std::string_view control, const char* event) const;

    FakeToolkit& kit_;
    std::map<std::string, std::unique_ptr<FakeControl>, std::less<>> controls;
    std::map<std::string, std::unique_ptr<FakeStatusBar>, std::less<>> statusBars;
    std::map<std::string, std::unique_ptr<FakeMenuItem>, std::less<>> menuItems;
    std::map<std::string, std::unique_ptr<FakeTimer>, std::less<>> timers;
    std::map<std::string, std::unique_ptr<FakeImage>, std::less<>> images;
    std::map<std::string, std::unique_ptr<FakeOpenDialog>, std::less<>> openDialogs;
};

struct MessageBoxCall {
    WindowHandle owner;
    std::string text, caption;
    unsigned flags;
};

class FakeToolkit : public IToolkit {
public:
    void Initialize() override { journal.push_back("Initialize"); }
    void SetTitle(std::string_view t) override {
        title = std::string(t);
        journal.push_back("Title " + title);
    }
    std::unique_ptr<IWindow> CreateForm(const Layout& layout, IFormEvents& events,
                                        bool mainForm) override;
    void Run() override;
    int MessageBox(IWindow* owner, std::string_view text, std::string_view caption,
                   unsigned flags) override;
    void MessageBeep(unsigned type) override {
        beeps.push_back(type);
        journal.push_back("MessageBeep " + std::to_string(type));
    }
    void ShowException(const std::exception& e) override {
        exceptions.emplace_back(e.what());
        journal.push_back(std::string("ShowException ") + e.what());
    }
    std::string ExeName() const override { return exeName; }

    // The live windows, newest last; forms destroyed are removed.
    std::vector<FakeWindow*> windows;
    FakeWindow& Form(std::string_view name);  // the newest live form of that name
    FakeWindow& Main() { return *mainWindow; }

    // Scripts what the user does while a modal form is shown; keyed by the
    // form's name (frmComment, frmSetup, frmAbout). Without a script a modal
    // form closes at once, as if by its close box.
    std::map<std::string, std::function<void(FakeWindow&)>, std::less<>> onModal;
    // Run while a message box is open (for example, to fire timers).
    std::function<void(const MessageBoxCall&)> onMessageBox;
    // What Run does: by default nothing (tests drive the main form directly).
    std::function<void()> onRun;

    std::vector<std::string> journal;  // framework calls in order
    std::vector<unsigned> beeps;
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<std::string> exceptions;
    std::string title;
    std::string exeName = "/pelmor/pelmor.exe";
    int formsCreated = 0;
    FakeWindow* mainWindow = nullptr;
    WindowHandle nextHandle = 0x100;
};

}  // namespace pelmor::fake
