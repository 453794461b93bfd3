#include "fakes/FakeToolkit.h"

#include <algorithm>

namespace pelmor::fake {

namespace {

void Build(const LayoutNode& node, std::vector<const LayoutNode*>& out) {
    out.push_back(&node);
    for (const auto& child : node.children) Build(child, out);
}

}  // namespace

FakeWindow::FakeWindow(FakeToolkit& kit, const Layout& layout_, IFormEvents& events_, bool main)
    : layout(layout_), events(events_), formName(layout_.form.name), handle(kit.nextHandle++),
      mainForm(main), kit_(kit) {
    std::vector<const LayoutNode*> nodes;
    for (const auto& node : layout.nodes) Build(node, nodes);
    for (const LayoutNode* n : nodes) {
        const std::string& k = n->kind;
        if (k == "statusbar") {
            auto bar = std::make_unique<FakeStatusBar>();
            std::size_t panels = n->Ints("panels").size();
            bar->panels.assign(panels, "");
            bar->setCount.assign(panels, 0);
            statusBars.emplace(n->name, std::move(bar));
        } else if (k == "item") {
            auto item = std::make_unique<FakeMenuItem>();
            item->caption = n->Str("caption");
            menuItems.emplace(n->name, std::move(item));
        } else if (k == "timer") {
            auto timer = std::make_unique<FakeTimer>();
            timer->interval = static_cast<std::uint32_t>(n->Int("interval", 1000));
            timer->enabled = n->Flag("enabled");
            timers.emplace(n->name, std::move(timer));
        } else if (k == "image") {
            auto image = std::make_unique<FakeImage>();
            image->width = n->Pair("size").first;
            image->height = n->Pair("size").second;
            images.emplace(n->name, std::move(image));
        } else if (k == "opendialog") {
            openDialogs.emplace(n->name, std::make_unique<FakeOpenDialog>());
        } else if (k == "menu" || k == "ddeclient") {
            // no state of their own
        } else {
            auto control = std::make_unique<FakeControl>();
            control->kind = k;
            control->name = n->name;
            control->text = n->Str("caption");
            control->journal = &kit.journal;
            controls.emplace(n->name, std::move(control));
        }
    }
}

FakeWindow::~FakeWindow() {
    auto& w = kit_.windows;
    w.erase(std::remove(w.begin(), w.end(), this), w.end());
    if (kit_.mainWindow == this) kit_.mainWindow = nullptr;
}

std::string FakeWindow::Handler(std::string_view control, const char* event) const {
    const LayoutNode* node = layout.Find(control);
    if (!node) throw std::out_of_range("fake window: no control " + std::string(control));
    return node->Str(event);
}

int FakeWindow::ShowModal() {
    modal = true;
    closed = false;
    visible = true;
    kit_.journal.push_back("ShowModal " + formName);
    auto it = kit_.onModal.find(formName);
    if (it != kit_.onModal.end()) it->second(*this);
    if (!closed) CloseBox();
    visible = false;
    modal = false;
    return 0;
}

void FakeWindow::Close() {
    bool canClose = true;
    std::string query = layout.form.Str("OnCloseQuery");
    if (!query.empty()) events.CloseQuery(query, canClose);
    if (canClose) {
        closed = true;
        visible = false;
        kit_.journal.push_back("Closed " + formName);
    }
}

bool FakeWindow::CloseBox() {
    Close();
    return closed;
}

void FakeWindow::Click(std::string_view control) {
    std::string handler = Handler(control, "OnClick");
    if (auto it = menuItems.find(control); it != menuItems.end() && !it->second->enabled) return;
    if (auto it = controls.find(control); it != controls.end() && !it->second->enabled) return;
    if (handler.empty()) return;
    // The toolkit's dispatch hands framework exceptions to the default display.
    try {
        events.Dispatch(handler);
    } catch (const Exception& e) {
        kit_.ShowException(e);
    }
}

void FakeWindow::Fire(std::string_view timer) {
    std::string handler = Handler(timer, "OnTimer");
    try {
        events.Dispatch(handler);
    } catch (const Exception& e) {
        kit_.ShowException(e);
    }
}

std::unique_ptr<IWindow> FakeToolkit::CreateForm(const Layout& layout, IFormEvents& events,
                                                 bool mainForm) {
    auto window = std::make_unique<FakeWindow>(*this, layout, events, mainForm);
    ++formsCreated;
    journal.push_back("CreateForm " + layout.form.name);
    windows.push_back(window.get());
    if (mainForm) mainWindow = window.get();
    return window;
}

void FakeToolkit::Run() {
    journal.push_back("Run");
    if (onRun) onRun();
}

int FakeToolkit::MessageBox(IWindow* owner, std::string_view text, std::string_view caption,
                            unsigned flags) {
    MessageBoxCall call{owner ? owner->Handle() : 0, std::string(text), std::string(caption), flags};
    messageBoxes.push_back(call);
    journal.push_back("MessageBox " + call.text);
    if (onMessageBox) onMessageBox(call);
    return 1;
}

FakeWindow& FakeToolkit::Form(std::string_view name) {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if ((*it)->formName == name) return **it;
    }
    throw std::out_of_range("fake toolkit: no live form " + std::string(name));
}

}  // namespace pelmor::fake
