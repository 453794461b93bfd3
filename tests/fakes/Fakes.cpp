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

Window::Window(Toolkit& kit, const Layout& l, IFormInput& in)
    : layout(l), input(in), handle(kit.nextHandle++), kit_(kit) {
    kit.windows.push_back(this);
}

Window::~Window() {
    std::erase(kit_.windows, this);
    std::erase_if(kit_.posted, [this](const auto& p) { return p.first == this; });
}

std::unique_ptr<IControl> Window::CreateControl(const LayoutNode& n, int id) {
    if (!menuDone) throw std::logic_error("a control made before the menu bar was finished");
    auto c = std::make_unique<fake::Control>();
    c->name = n.name, c->text = n.Str("caption"), c->journal = &kit_.journal;
    ids[n.name] = id, names[id] = n.name;
    return std::unique_ptr<IControl>(controls[n.name] = c.release());
}

std::unique_ptr<IStatusBar> Window::CreateStatusBar(const LayoutNode& n, int) {
    auto bar = std::make_unique<fake::StatusBar>();
    bar->panels.resize(n.Ints("panels").size());
    return std::unique_ptr<IStatusBar>(bars[n.name] = bar.release());
}

std::unique_ptr<IImage> Window::CreateImage(const LayoutNode& n, int) {
    auto image = std::make_unique<fake::Image>();
    std::tie(image->width, image->height) = n.Pair("size");
    return std::unique_ptr<IImage>(images[n.name] = image.release());
}

void Window::RunModal() {
    closed = false;
    if (auto it = kit_.onModal.find(layout.form.name); it != kit_.onModal.end()) it->second(*this);
    if (!closed) CloseBox();
}

// The main loop's part: once the outermost action is over, what was posted
// meanwhile runs.
void Window::Deliver(const std::function<void()>& event) {
    ++kit_.depth;
    event();
    while (kit_.depth == 1 && !kit_.posted.empty()) {
        auto next = std::move(kit_.posted.front().second);
        kit_.posted.erase(kit_.posted.begin());
        next();
    }
    --kit_.depth;
}

void Window::PostClose() { kit_.posted.emplace_back(this, [this] { input.CloseRequest(); }); }

std::unique_ptr<IFormSurface> Toolkit::CreateSurface(const Layout& layout, bool, IFormSurface*,
                                                     IFormInput& input) {
    journal.push_back("form " + layout.form.name);
    return std::make_unique<Window>(*this, layout, input);
}

void Toolkit::MessageBox(IWindow* owner, std::string_view text, std::string_view caption,
                         MessageIcon icon) {
    journal.push_back("box " + std::string(text) + " / " + std::string(caption) +
                      (icon == MessageIcon::Stop ? " / stop" : "") +
                      (owner && owner->Handle() == windows.front()->handle ? " / over main" : ""));
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

void Power::ReadEnergy(PowerReading& r) {
    ++energyReads;
    if (!energy) return;
    r.energy = energy->energy;
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
    loads.dataDir = dir;
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
