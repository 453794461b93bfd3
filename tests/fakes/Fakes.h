// Stand-ins for the platform: an in-memory toolkit whose forms are built
// from their layouts, a settable clock and battery, recording load services,
// and a rig that runs the main window on them with the real portable
// settings and log files in a folder of its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "app/Application.h"
#include "forms/Main.h"
#include "platform/posix/LogFile.h"
#include "platform/posix/Profile.h"
#include "platform/Widgets.h"

namespace pelmor::fake {

using Journal = std::vector<std::string>;

// A folder of its own under /tmp, removed with the object.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path path;
};

// A file's bytes; none when there is no regular file at path.
std::optional<std::string> ReadFile(const std::filesystem::path& path);

// The words of an entry, joined by blanks: Say("pen", 255, 2) is "pen 255 2".
template <class... Words>
std::string Say(const Words&... words) {
    std::string s;
    ((s += (s.empty() ? "" : " "), s += [](const auto& w) {
         if constexpr (std::is_arithmetic_v<std::decay_t<decltype(w)>>) return std::to_string(w);
         else return std::string(w);
     }(words)), ...);
    return s;
}

// Labels, edits, buttons, check boxes, the memo and list boxes.
struct Control : ICheckBox, IMemo, IListBox {
    std::string name, text;
    bool enabled = true, checked = false;
    std::vector<std::string> items;
    int itemIndex = -1;
    Journal* journal = nullptr;
    std::string Text() const override { return text; }
    void SetText(std::string_view t) override { text = t; }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool e) override { enabled = e; }
    void SetFocus() override { journal->push_back("focus " + name); }
    bool Checked() const override { return checked; }
    void SelectAll() override { journal->push_back("select all " + name); }
    void Clear() override {
        journal->push_back("clear " + name);
        text.clear();
    }
    void Add(std::string_view item) override { items.emplace_back(item); }
    void SetItemIndex(int i) override { itemIndex = i; }
};

struct StatusBar : IStatusBar {
    std::vector<std::string> panels;
    std::map<int, int> writes;  // a panel's text set, times
    void SetPanelText(int i, std::string_view t) override { panels.at(static_cast<std::size_t>(i)) = t, ++writes[i]; }
};

// A menu item, and a timer as last started and whether it runs.
struct MenuItem { std::string caption; bool enabled = true; };
struct Timer { std::uint32_t interval = 0; bool enabled = false; };

// Records each drawing call as text: "pen 255 2" (colour and width as they
// are when something is drawn), "rect 0 0 353 97 brush 16777215",
// "line 3 4 349 92".
struct Canvas : ICanvas {
    Color pen = 0, brush = 0;
    int width = 1, x = 0, y = 0;
    bool record = true;
    Journal calls;
    void SetPenColor(Color c) override { pen = c; }
    void SetPenWidth(int w) override { width = w; }
    void SetBrushColor(Color c) override { brush = c; }
    void Rectangle(int l, int t, int r, int b) override;
    void MoveTo(int nx, int ny) override { x = nx, y = ny; }
    void LineTo(int nx, int ny) override;
};

struct Image : IImage {
    int width = 0, height = 0;
    fake::Canvas canvas;
    int Width() const override { return width; }
    int Height() const override { return height; }
    ICanvas& Canvas() override { return canvas; }
};

struct OpenDialog : IOpenDialog {
    std::string chosen;  // empty: the user cancels
    bool Execute() override { return !chosen.empty(); }
    std::string FileName() const override { return chosen; }
};

class Toolkit;

// A form's window: the primitives the form engine asks for, kept where the
// tests can see them, and the user's actions delivered to the engine as the
// window system's events.
class Window : public IFormSurface {
public:
    Window(Toolkit& kit, const Layout& layout, IFormInput& input);
    ~Window() override;
    WindowHandle Handle() const override { return handle; }
    std::unique_ptr<IControl> CreateControl(const LayoutNode& node, int id) override;
    std::unique_ptr<IStatusBar> CreateStatusBar(const LayoutNode& node, int id) override;
    std::unique_ptr<IImage> CreateImage(const LayoutNode& node, int id) override;
    std::unique_ptr<IOpenDialog> CreateOpenDialog(const LayoutNode& n) override {
        return std::unique_ptr<IOpenDialog>(dialogs[n.name] = new fake::OpenDialog);
    }
    void MenuDone() override { menuDone = true; }  // the window systems finish the bar here
    void AddMenuItem(int, int id, const LayoutNode& n, MenuEntry, const toolkit::Shortcut* key) override {
        if (key) keyed.push_back(n.name);
        items[n.name] = std::make_unique<fake::MenuItem>(fake::MenuItem{n.Str("caption")});
        ids[n.name] = id, names[id] = n.name;
    }
    void SetMenuItem(int id, std::string_view c, bool e) override { *items.at(names.at(id)) = {std::string(c), e}; }
    void CreateTimer(const LayoutNode& n, int id) override {
        timers[n.name] = std::make_unique<fake::Timer>(), ids[n.name] = id, names[id] = n.name;
    }
    void StartTimer(int id, std::uint32_t ms) override { *timers.at(names.at(id)) = {ms, true}; }
    void StopTimer(int id) override { timers.at(names.at(id))->enabled = false; }
    void SetTabOrder(const std::vector<int>& order) override {
        for (int id : order) tabs.push_back(names.at(id));
    }
    void Hide() override { closed = true; }
    bool IsEnabled() const override { return enabled; }
    void SetEnabled(bool e) override {
        if ((enabled = e)) input.Enabled();
    }
    void RunModal() override;
    void EndModal() override { closed = true; }
    void EndMain() override { closed = true; }
    void PostClose() override;

    // What a user does: a click on a button or a menu item, a timer's tick
    // (a stopped timer's is dropped), the close box.
    void Click(std::string_view name) {
        const int id = Get(ids, name);
        Deliver([&] { items.count(name) ? input.MenuCommand(id) : input.Clicked(id); });
    }
    void Tick(std::string_view timer) {
        const int id = Get(ids, timer);
        Deliver([&] { input.TimerDue(id); });
    }
    void CloseBox() { Deliver([&] { input.CloseRequest(); }); }
    void Sleep(bool start) { Deliver([&] { start ? input.Suspending() : input.Resumed(); }); }
    fake::Control& Ctl(std::string_view n) { return *Get(controls, n); }
    std::string Panel(int i) { return Get(bars, "StatusBar")->panels.at(static_cast<std::size_t>(i)); }

    const Layout& layout;
    IFormInput& input;
    WindowHandle handle;
    bool closed = false, enabled = true, menuDone = false;
    // What the engine made, by name; the timers as the window system runs them.
    std::map<std::string, fake::Control*, std::less<>> controls;
    std::map<std::string, fake::StatusBar*, std::less<>> bars;
    std::map<std::string, std::unique_ptr<fake::MenuItem>, std::less<>> items;
    std::vector<std::string> keyed;  // the menu items given a shortcut
    std::map<std::string, std::unique_ptr<fake::Timer>, std::less<>> timers;
    std::map<std::string, fake::Image*, std::less<>> images;
    std::map<std::string, fake::OpenDialog*, std::less<>> dialogs;
    std::map<std::string, int, std::less<>> ids;
    std::map<int, std::string> names;
    std::vector<std::string> tabs;  // the controls in the order Tab goes

private:
    template <class M>
    static typename M::mapped_type& Get(M& m, std::string_view n) {
        auto it = m.find(n);
        if (it == m.end()) throw Exception("no control " + std::string(n));
        return it->second;
    }
    void Deliver(const std::function<void()>& event);
    Toolkit& kit_;
};

class Toolkit : public IToolkit {
public:
    explicit Toolkit(Journal& j) : journal(j) {}
    void Initialize() override { journal.push_back("initialize"); }
    void SetTitle(std::string_view t) override { journal.push_back("title " + std::string(t)); }
    std::unique_ptr<IFormSurface> CreateSurface(const Layout& layout, bool, IFormSurface*,
                                                IFormInput& input) override;
    void Run() override {
        journal.push_back("run");
        if (onRun) onRun();
    }
    void MessageBox(IWindow* owner, std::string_view text, std::string_view caption,
                    MessageIcon icon) override;
    void MessageBeep(MessageIcon) override { journal.push_back("beep"); }
    void ShowException(const std::exception& e) override {
        journal.push_back(std::string("exception ") + e.what());
    }

    Window& Form(std::string_view name);  // the newest live form of that name
    Journal& journal;
    std::vector<Window*> windows;
    WindowHandle nextHandle = 0x100;
    // What the user does while a modal form of that name is open; without a
    // script it is closed by its close box at once.
    std::map<std::string, std::function<void(Window&)>, std::less<>> onModal;
    std::function<void()> onMessageBox, onRun;
    // Events posted to the main loop, run when the user's action that
    // posted them is over; depth: how many actions are under way.
    std::vector<std::pair<Window*, std::function<void()>>> posted;
    int depth = 0;
};

struct Clock : IClock {
    std::int32_t now = 1700000000;  // Tue Nov 14 22:13:20 2023 UTC
    std::int32_t offset = 0;         // of the local time, seconds east
    std::int32_t Now() const override { return now; }
    int LocalMinute() const override { return static_cast<int>((now + offset) / 60 % 60); }
    std::string CTime(std::int32_t t) const override;  // in UTC
    std::int32_t UtcOffset(std::int32_t) const override { return offset; }
};

// The energy comes with the status, or, when energy is set, only from the
// slower query, as on Windows.
struct Power : IPowerSource {
    PowerReading reading{PowerReading::Source::Battery, 80};
    std::optional<PowerReading> energy;
    bool fails = false;
    int energyReads = 0;
    bool Read(PowerReading& r) override {
        if (!fails) r = reading;
        return !fails;
    }
    void ReadEnergy(PowerReading& r) override;
};

// The real log and settings files, their writes journalled; log writes can
// be made to fail.
struct Log : posix::LogFile {
    Journal& journal;
    bool fails = false;
    bool open = false;  // between a successful open and the close
    explicit Log(Journal& j) : journal(j) {}
    bool Write(const char* data, std::size_t size) override {
        journal.push_back("log " + std::string(data, size));
        return !fails && posix::LogFile::Write(data, size);
    }
    OpenResult OpenAppend(const std::string& path) override {
        const OpenResult r = posix::LogFile::OpenAppend(path);
        return open = r == OpenResult::Ok, r;
    }
    bool Create(const std::string& path) override { return open = posix::LogFile::Create(path); }
    void Close() override { open = false, posix::LogFile::Close(); }
};

struct Profile : posix::Profile {
    Journal& journal;
    explicit Profile(Journal& j) : journal(j) {}
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& path) override {
        journal.push_back("ini " + section + " " + key + "=" + value);
        return posix::Profile::WriteString(section, key, value, path);
    }
};

struct Loads : IKeyboard, IForeground, IBrowser, IPathNames, IDataFolder {
    Journal& journal;
    std::string dataDir;
    std::vector<IBrowser::Result> results;  // used up first, then Opened
    std::string systemBrowser;              // the system's default browser, if any
    std::function<void()> whileOpening;
    explicit Loads(Journal& j) : journal(j) {}
    void TypeLine(std::string_view line) override { journal.push_back("type " + std::string(line)); }
    void Prepare() override { journal.push_back("prepare"); }
    bool BringForward(WindowHandle) override {
        journal.push_back("forward");
        return true;
    }
    Result OpenPage(const std::string& program, const std::string& url,
                    const std::function<void()>& connected) override;
    std::string DefaultProgram(const std::string& own) override {
        return systemBrowser.empty() ? own : systemBrowser;
    }
    std::string Path() override { return dataDir; }
    std::string ShortPathName(const std::string& path) override {
        return path.size() > 8 ? "SHORT~1.EXE" : "";
    }
};

// The main window's world: a program folder on disk holding pelmor.ini and
// pelmor.log, and every service above, with one journal of what happened.
struct Rig {
    Rig() : Rig(std::string()) {}
    // folder: the program's folder, left as it is; by default one of its own.
    explicit Rig(std::string folder);
    std::optional<TempDir> own;
    std::string dir;
    Journal journal;
    Toolkit ui{journal};
    Clock clock;
    Power power;
    Log log{journal};
    Profile profile{journal};
    Loads loads{journal};
    Services services{ui, clock, power, log, profile, loads, loads, loads, loads, loads};
    TApplication app{services};

    std::string Path(const char* name) const { return dir + "/" + name; }
    std::string Read(const char* name) const;
    void Write(const char* name, const std::string& bytes) const;
    // Index of the first journal entry starting with what, or -1.
    int Find(std::string_view what) const;
};

}  // namespace pelmor::fake
