#include "platform/Form.h"

#include <optional>

namespace pelmor {

namespace {

// The live forms, in the order they were made, and the modal ones among
// them, innermost last. One GUI thread: no locking.
std::vector<Form*> liveForms;
std::vector<Form*> modalForms;

void CheckHandlers(const std::string& form, const LayoutNode& node, const IFormEvents& events) {
    for (const auto& [key, value] : node.attrs) {
        if (key.size() > 2 && key.compare(0, 2, "On") == 0 && !events.Handles(value))
            throw Exception(form + ": " + node.name + "." + key + " names no handler " + value);
    }
    for (const LayoutNode& child : node.children) CheckHandlers(form, child, events);
}

}  // namespace

std::unique_ptr<IWindow> BuildForm(IToolkit& ui, const Layout& layout, IFormEvents& events,
                                   bool mainForm) {
    return std::make_unique<Form>(ui, layout, events, mainForm);
}

// A timer runs while it is enabled with an interval above 0.
struct Form::TimerImpl final : ITimer {
    TimerImpl(IFormSurface& s, int id, std::uint32_t ms, bool on) : surface(s), id(id), interval(ms), enabled(on) {}
    void SetInterval(std::uint32_t ms) override { interval = ms, Arm(); }
    void SetEnabled(bool on) override { enabled = on, Arm(); }
    bool Running() const { return enabled && interval > 0; }
    void Arm() { Running() ? surface.StartTimer(id, interval) : surface.StopTimer(id); }
    IFormSurface& surface;
    const int id;
    std::uint32_t interval;
    bool enabled;
};

struct Form::MenuItemImpl final : IMenuItem {
    MenuItemImpl(IFormSurface& s, int id, std::string text) : surface(s), id(id), caption(std::move(text)) {}
    std::string Caption() const override { return caption; }
    void SetCaption(std::string_view text) override { caption = text, surface.SetMenuItem(id, caption, enabled); }
    void SetEnabled(bool on) override { enabled = on, surface.SetMenuItem(id, caption, enabled); }
    IFormSurface& surface;
    const int id;
    std::string caption;
    bool enabled = true;
};

// A panel that is not there is an error, whatever the window system says.
// Only the program writes the panels, so the texts last set are kept here: a
// tick that shows what is already shown asks the window system nothing.
struct Form::StatusBarImpl final : IStatusBar {
    StatusBarImpl(std::unique_ptr<IStatusBar> native, int count)
        : bar(std::move(native)), panels(count), shown(static_cast<std::size_t>(count)) {}
    void SetPanelText(int panel, std::string_view text) override {
        std::optional<std::string>& was = shown[static_cast<std::size_t>(Check(panel))];
        if (was && *was == text) return;
        bar->SetPanelText(panel, text);
        was = std::string(text);
    }
    int Check(int panel) const {
        if (panel < 0 || panel >= panels) throw Exception("status bar has no panel " + std::to_string(panel));
        return panel;
    }
    std::unique_ptr<IStatusBar> bar;
    int panels;
    std::vector<std::optional<std::string>> shown;
};

Form::Form(IToolkit& kit, const Layout& layout, IFormEvents& events, bool mainForm)
    : kit_(kit), layout_(layout), events_(events), main_(mainForm) {
    CheckHandlers(layout_.form.name, layout_.form, events_);
    for (const LayoutNode& node : layout_.nodes) CheckHandlers(layout_.form.name, node, events_);
    if (!main_) owner_ = Top(kit_);
    Number(layout_.nodes);
    surface_ = kit_.CreateSurface(layout_, main_, owner_ ? owner_->surface_.get() : nullptr, *this);
    if (layout_.form.Has("menu")) {
        if (const LayoutNode* menu = layout_.Find(layout_.form.Str("menu"))) AddMenuItems(*menu, 0);
    }
    surface_->MenuDone();
    for (const LayoutNode& node : layout_.nodes) Make(node);
    std::vector<int> tabs;
    for (const LayoutNode* node : toolkit::TabOrder(layout_))
        if (nodes_.count(node->name) && nodes_[node->name].control) tabs.push_back(ids_.at(node));
    surface_->SetTabOrder(tabs);
    liveForms.push_back(this);
}

Form::~Form() {
    std::erase(liveForms, this);
}

// Controls, timers and menu items are numbered in the order of the layout,
// so an id tells its node's place there.
void Form::Number(const std::vector<LayoutNode>& nodes) {
    for (const LayoutNode& node : nodes) {
        ids_[&node] = static_cast<int>(100 + ids_.size());
        Number(node.children);
    }
}

Form::Node& Form::Add(const LayoutNode& node, std::string handler) {
    Node& n = nodes_[node.name];
    n.kind = node.kind, n.handler = std::move(handler);
    return *(byId_[ids_.at(&node)] = &n);
}

void Form::AddMenuItems(const LayoutNode& parent, int parentId) {
    for (const LayoutNode& item : parent.children) {
        const int id = ids_.at(&item);
        const std::string caption = item.Str("caption");
        toolkit::Shortcut key;
        const bool hasKey = item.Has("shortcut");
        if (hasKey && !toolkit::ParseShortcut(item.Str("shortcut"), key))
            throw Exception("layout: bad shortcut " + item.Str("shortcut"));
        const MenuEntry entry = caption == "-"           ? MenuEntry::Separator
                                : !item.children.empty() ? MenuEntry::Submenu
                                                         : MenuEntry::Command;
        surface_->AddMenuItem(parentId, id, item, entry, hasKey && entry == MenuEntry::Command ? &key : nullptr);
        if (entry == MenuEntry::Submenu) AddMenuItems(item, id);
        auto& mi = Add(item, item.Str("OnClick")).menuItem = std::make_unique<MenuItemImpl>(*surface_, id, caption);
        if (item.Has("enabled") && !item.Flag("enabled")) mi->SetEnabled(false);
    }
}

void Form::Make(const LayoutNode& node) {
    const std::string& k = node.kind;
    const int id = ids_.at(&node);
    if (k == "menu" || k == "ddeclient") return;  // the menu came with the frame
    if (k == "timer") {
        surface_->CreateTimer(node, id);
        auto& timer = Add(node, node.Str("OnTimer")).timer = std::make_unique<TimerImpl>(
            *surface_, id, static_cast<std::uint32_t>(node.Int("interval", 1000)),
            node.Has("enabled") ? node.Flag("enabled") : true);
        timer->Arm();
    } else if (k == "opendialog") {
        Add(node, {}).openDialog = surface_->CreateOpenDialog(node);
    } else if (k == "statusbar") {
        Add(node, {}).statusBar = std::make_unique<StatusBarImpl>(surface_->CreateStatusBar(node, id),
                                                                  static_cast<int>(node.Ints("panels").size()));
    } else if (k == "image") {
        Add(node, {}).image = surface_->CreateImage(node, id);
    } else if (k == "label" || k == "edit" || k == "memo" || k == "checkbox" || k == "listbox" ||
               k == "button" || k == "speedbutton" || k == "bevel") {
        Add(node, node.Str("OnClick")).control = surface_->CreateControl(node, id);
        if (k == "button" && node.Flag("cancel")) cancelId_ = id;
    } else {
        throw Exception("layout: unknown kind " + k + " for " + node.name);
    }
}

template <class T>
T& Form::Get(std::string_view name, std::unique_ptr<T> Node::*part) {
    auto it = nodes_.find(name);
    if (it == nodes_.end() || !(it->second.*part)) throw Exception("form has no control " + std::string(name));
    return *(it->second.*part);
}

template <class T>
T& Form::Kind(std::string_view name, const char* kind, const char* what) {
    IControl& c = Get(name, &Node::control);
    T* t = nodes_.find(name)->second.kind == kind ? dynamic_cast<T*>(&c) : nullptr;
    if (!t) throw Exception("control " + std::string(name) + " is not " + what);
    return *t;
}

IControl& Form::Control(std::string_view name) { return Get(name, &Node::control); }
IStatusBar& Form::StatusBar(std::string_view name) { return Get(name, &Node::statusBar); }
IMenuItem& Form::MenuItem(std::string_view name) { return Get(name, &Node::menuItem); }
ITimer& Form::Timer(std::string_view name) { return Get(name, &Node::timer); }
IImage& Form::Image(std::string_view name) { return Get(name, &Node::image); }
IOpenDialog& Form::OpenDialog(std::string_view name) { return Get(name, &Node::openDialog); }
ICheckBox& Form::CheckBox(std::string_view name) { return Kind<ICheckBox>(name, "checkbox", "a check box"); }
IMemo& Form::Memo(std::string_view name) { return Kind<IMemo>(name, "memo", "a memo"); }
IListBox& Form::ListBox(std::string_view name) { return Kind<IListBox>(name, "listbox", "a list box"); }

// What a handler or the close query raises goes to the application's
// exception display, and the program carries on.
template <class Run>
static void Guarded(IToolkit& kit, std::string_view what, std::string_view name, Run run) {
    try {
        run();
    } catch (const std::exception& e) {
        kit.ShowException(e);
    } catch (...) {
        kit.ShowException(Exception("unexpected error " + std::string(what) + std::string(name)));
    }
}

void Form::Fire(const std::string& handler) {
    if (!handler.empty()) Guarded(kit_, "in ", handler, [&] { events_.Dispatch(handler); });
}

// The close query the layout names, if any; an error in it does not keep the
// window open. True when the form may close.
bool Form::RunCloseQuery() {
    bool canClose = true;
    const std::string query = layout_.form.Str("OnCloseQuery");
    inCloseQuery_ = true;
    if (!query.empty()) Guarded(kit_, "while closing", "", [&] { events_.CloseQuery(query, canClose); });
    inCloseQuery_ = false;
    return canClose;
}

Form* Form::Main(const IToolkit& kit) {
    for (Form* f : liveForms)
        if (&f->kit_ == &kit && f->main_ && !f->ended_) return f;
    return nullptr;
}

Form* Form::Top(const IToolkit& kit) {
    for (auto it = modalForms.rbegin(); it != modalForms.rend(); ++it)
        if (&(*it)->kit_ == &kit) return *it;
    return Main(kit);
}

int Form::ShowModal() {
    if (main_ || modal_ || !surface_->Alive()) return 0;
    const bool disableOwner = owner_ && owner_->surface_->IsEnabled();
    if (disableOwner) owner_->surface_->SetEnabled(false);
    modal_ = true;
    modalResult_ = 0;
    modalForms.push_back(this);
    // However the loop ends, even by an exception: the owner comes back
    // first, so activation returns to it when the dialog goes.
    struct Done {
        Form& f;
        bool enableOwner;
        ~Done() {
            std::erase(modalForms, &f);
            if (enableOwner && f.owner_->surface_->Alive()) f.owner_->surface_->SetEnabled(true);
            f.surface_->ModalDone();
            f.modal_ = false;
        }
    } done{*this, disableOwner};
    surface_->RunModal();
    return modalResult_ ? modalResult_ : kModalCancel;
}

// Asks the form to close: the close query runs (the main form's once per
// run); a modal form then ends its loop, the main form the program.
void Form::Close() {
    if (!surface_->Alive() || inCloseQuery_ || ended_) return;
    if (!(main_ && closeQueryDone_)) {
        if (!RunCloseQuery()) return;
        if (main_) closeQueryDone_ = true;
    }
    if (!surface_->Alive()) return;  // the query's work ended the window
    if (modal_) {
        modalResult_ = kModalCancel;
        surface_->EndModal();
    } else if (main_) {
        EndMainForm();
    } else {
        surface_->Hide();
    }
}

void Form::EndMainForm() {
    if (ended_) return;
    ended_ = true;
    for (auto& [id, node] : byId_)
        if (node->timer) surface_->StopTimer(id);
    surface_->EndMain();
}

// A disabled button or menu item does not fire, and the main form's menu and
// its shortcuts wait while a dialog is open. A timer's event that comes after
// it has stopped does nothing.
void Form::Clicked(int id) {
    if (Node* n = byId_.count(id) ? byId_[id] : nullptr; n && n->control && n->control->Enabled()) Fire(n->handler);
}

void Form::MenuCommand(int id) {
    Node* n = byId_.count(id) ? byId_[id] : nullptr;
    if (!n || !n->menuItem || !n->menuItem->enabled || (main_ && Top(kit_) != this)) return;
    Fire(n->handler);
}

void Form::TimerDue(int id) {
    Node* n = byId_.count(id) ? byId_[id] : nullptr;
    if (!n || !n->timer) return;
    n->timer->Running() && !ended_ ? Fire(n->handler) : surface_->StopTimer(id);
}

// While a dialog or a message box holds the main form disabled, a close can
// only come from another program (a task manager, say). It is not lost: it
// runs once the form is enabled again, from the loop that goes on.
void Form::CloseRequest() {
    main_ && !surface_->IsEnabled() ? void(closePending_ = true) : Close();
}

void Form::Enabled() {
    if (main_ && closePending_) {
        closePending_ = false;
        surface_->PostClose();
    }
}

// Esc: the cancel button's click, when the form has one.
void Form::CancelKey() {
    if (cancelId_) Clicked(cancelId_);
}

// The session is about to end (a shutdown, a logoff, the session manager's
// request to save): the close query saves what must be saved now, as the
// process may end any time after the session ends.
void Form::QueryEndSession() {
    if (!main_ || closeQueryDone_ || ended_ || inCloseQuery_) return;
    closeQueryDone_ = true;
    RunCloseQuery();
}

// The query has run; the program ends whether or not the session really
// ends, since what it records is closed already.
void Form::EndSession() {
    if (main_ && closeQueryDone_) EndMainForm();
}

// The system's sleep, told to the main form's handlers (OnSuspend, OnResume)
// while it lives, whatever dialog is open.
void Form::Suspending() {
    if (main_ && !ended_) Fire(layout_.form.Str("OnSuspend"));
}

void Form::Resumed() {
    if (main_ && !ended_) Fire(layout_.form.Str("OnResume"));
}

}  // namespace pelmor
