#include "fakes/Fakes.h"

#include <stdlib.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pelmor::fake {

void Canvas::Rectangle(int l, int t, int r, int b) {
    if (record) calls.push_back(Say("pen", pen, width, "rect", l, t, r, b, "brush", brush));
}

void Canvas::LineTo(int nx, int ny) {
    if (record) calls.push_back(Say("pen", pen, width, "line", x, y, nx, ny));
    x = nx, y = ny;
}

namespace {
void Collect(const LayoutNode& node, std::vector<const LayoutNode*>& out) {
    out.push_back(&node);
    for (const LayoutNode& child : node.children) Collect(child, out);
}
}  // namespace

Window::Window(Toolkit& kit, const Layout& l, IFormEvents& e)
    : layout(l), events(e), handle(kit.nextHandle++), kit_(kit) {
    std::vector<const LayoutNode*> nodes;
    for (const LayoutNode& n : layout.nodes) Collect(n, nodes);
    for (const LayoutNode* n : nodes) {
        const std::string& k = n->kind;
        if (k == "statusbar") {
            auto bar = std::make_unique<fake::StatusBar>();
            bar->panels.resize(n->Ints("panels").size());
            bars.emplace(n->name, std::move(bar));
        } else if (k == "item") {
            auto item = std::make_unique<fake::MenuItem>();
            item->caption = n->Str("caption");
            items.emplace(n->name, std::move(item));
        } else if (k == "timer") {
            auto timer = std::make_unique<fake::Timer>();
            timer->interval = static_cast<std::uint32_t>(n->Int("interval"));
            timer->enabled = n->Flag("enabled");
            timers.emplace(n->name, std::move(timer));
        } else if (k == "image") {
            auto image = std::make_unique<fake::Image>();
            std::tie(image->width, image->height) = n->Pair("size");
            images.emplace(n->name, std::move(image));
        } else if (k == "opendialog") {
            dialogs.emplace(n->name, std::make_unique<fake::OpenDialog>());
        } else if (k != "menu" && k != "ddeclient") {
            auto c = std::make_unique<fake::Control>();
            c->kind = k;
            c->name = n->name;
            c->text = n->Str("caption");
            c->journal = &kit.journal;
            controls.emplace(n->name, std::move(c));
        }
    }
    kit.windows.push_back(this);
}

Window::~Window() { std::erase(kit_.windows, this); }

fake::Control& Window::Kind(std::string_view n, std::string_view kind) {
    fake::Control& c = Get(controls, n);
    if (c.kind != kind) throw Exception(std::string(n) + " is not a " + std::string(kind));
    return c;
}

int Window::ShowModal() {
    closed = false;
    if (auto it = kit_.onModal.find(layout.form.name); it != kit_.onModal.end()) it->second(*this);
    if (!closed) Close();
    return 0;
}

void Window::Close() {
    bool canClose = true;
    if (std::string query = layout.form.Str("OnCloseQuery"); !query.empty())
        events.CloseQuery(query, canClose);
    closed = canClose;
}

void Window::Run(const std::string& handler) {
    if (handler.empty()) return;
    try {
        events.Dispatch(handler);
    } catch (const Exception& e) {
        kit_.ShowException(e);
    }
}

void Window::Click(std::string_view name) {
    if (auto it = items.find(name); it != items.end() && !it->second->enabled) return;
    if (auto it = controls.find(name); it != controls.end() && !it->second->enabled) return;
    const LayoutNode* node = layout.Find(name);
    if (!node) throw Exception("no control " + std::string(name));
    Run(node->Str("OnClick"));
}

void Window::Tick(std::string_view timer) { Run(layout.Find(timer)->Str("OnTimer")); }

std::unique_ptr<IWindow> Toolkit::CreateForm(const Layout& layout, IFormEvents& events, bool) {
    journal.push_back("form " + layout.form.name);
    return std::make_unique<Window>(*this, layout, events);
}

void Toolkit::MessageBox(IWindow* owner, std::string_view text, std::string_view caption,
                         MessageIcon icon) {
    journal.push_back("box " + std::string(text) + " / " + std::string(caption) +
                      (icon == MessageIcon::Stop ? " / stop" : "") +
                      (owner && owner == windows.front() ? " / over main" : ""));
    if (onMessageBox) onMessageBox();
}

Window& Toolkit::Form(std::string_view name) {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if ((*it)->layout.form.name == name) return **it;
    throw Exception("no live form " + std::string(name));
}

std::string Clock::CTime(std::int32_t t) const {
    std::time_t tt = t;
    std::tm tm{};
    gmtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y\n", &tm);
    return buf;
}

IBrowser::Result Loads::OpenPage(const std::string& program, const std::string& url,
                                 const std::function<void()>& connected) {
    journal.push_back("open " + url + " with " + program);
    if (whileOpening) whileOpening();
    Result r = Result::Opened;
    if (!results.empty()) {
        r = results.front();
        results.erase(results.begin());
    }
    if (r != Result::NoBrowser) connected();
    return r;
}

TempDir::TempDir() {
    char pattern[] = "/tmp/pelmor-test-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("no temporary folder");
    path = pattern;
}

TempDir::~TempDir() { std::filesystem::remove_all(path); }

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    if (!std::filesystem::is_regular_file(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Rig::Rig(std::string folder) {
    if (folder.empty()) folder = own.emplace().path.string();
    dir = std::move(folder);
    ui.exeName = dir + "/pelmor.exe";
}

std::string Rig::Read(const char* name) const { return ReadFile(Path(name)).value_or(""); }

void Rig::Write(const char* name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
}

int Rig::Find(std::string_view what) const {
    for (std::size_t i = 0; i < journal.size(); ++i)
        if (journal[i].rfind(what, 0) == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace pelmor::fake
