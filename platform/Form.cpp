#include "platform/Form.h"

#include <algorithm>

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
    TimerImpl(IFormSurface& s, int id, std::uint32_t ms, bool on, std::string handler)
        : surface(s), id(id), interval(ms), enabled(on), onTimer(std::move(handler)) {}
    std::uint32_t Interval() const override { return interval; }
    void SetInterval(std::uint32_t ms) override { interval = ms, Arm(); }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool on) override { enabled = on, Arm(); }
    bool Running() const { return enabled && interval > 0; }
    void Arm() { Running() ? surface.StartTimer(id, interval) : surface.StopTimer(id); }
    IFormSurface& surface;
    const int id;
    std::uint32_t interval;
    bool enabled;
    const std::string onTimer;
};

struct Form::MenuItemImpl final : IMenuItem {
    MenuItemImpl(IFormSurface& s, int id, std::string text, std::string handler)
        : surface(s), id(id), caption(std::move(text)), onClick(std::move(handler)) {}
    std::string Caption() const override { return caption; }
    void SetCaption(std::string_view text) override { caption = text, surface.SetMenuCaption(id, text); }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool on) override { enabled = on, surface.SetMenuEnabled(id, on); }
    IFormSurface& surface;
    const int id;
    std::string caption;
    const std::string onClick;
    bool enabled = true;
};

// A panel that is not there is an error, whatever the window system says.
struct Form::StatusBarImpl final : IStatusBar {
    StatusBarImpl(std::unique_ptr<IStatusBar> native, int count) : bar(std::move(native)), panels(count) {}
    std::string PanelText(int panel) const override { return bar->PanelText(Check(panel)); }
    void SetPanelText(int panel, std::string_view text) override { bar->SetPanelText(Check(panel), text); }
    int Check(int panel) const {
        if (panel < 0 || panel >= panels) throw Exception("status bar has no panel " + std::to_string(panel));
        return panel;
    }
    std::unique_ptr<IStatusBar> bar;
    int panels;
};

Form::Form(IToolkit& kit, const Layout& layout, IFormEvents& events, bool mainForm)
    : kit_(kit), layout_(layout), events_(events), main_(mainForm) {
    CheckHandlers(layout_.form.name, layout_.form, events_);
    for (const LayoutNode& node : layout_.nodes) CheckHandlers(layout_.form.name, node, events_);
    if (!main_) owner_ = Top(kit_);
    Number(layout_.nodes);
    surface_ = kit_.CreateSurface(layout_, main_, owner_ ? owner_->surface_.get() : nullptr, *this);
    const LayoutNode& f = layout_.form;
    if (f.Has("menu")) {
        if (const LayoutNode* menu = layout_.Find(f.Str("menu"))) AddMenuItems(*menu, 0);
    }
    surface_->MenuDone();
    for (const LayoutNode& node : layout_.nodes) Make(node);
    std::vector<int> tabs;
    for (const LayoutNode* node : toolkit::TabOrder(layout_))
        if (controls_.count(node->name)) tabs.push_back(ids_.at(node));
    surface_->SetTabOrder(tabs);
    liveForms.push_back(this);
}

Form::~Form() {
    std::erase(liveForms, this);
    std::erase(modalForms, this);
}

// Controls, timers and menu items are numbered in the order of the layout,
// so an id tells its node's place there.
void Form::Number(const std::vector<LayoutNode>& nodes) {
    for (const LayoutNode& node : nodes) {
        ids_[&node] = static_cast<int>(100 + ids_.size());
        Number(node.children);
    }
}

void Form::AddMenuItems(const LayoutNode& parent, int parentId) {
    for (const LayoutNode& item : parent.children) {
        const int id = ids_.at(&item);
        std::string caption = item.Str("caption");
        toolkit::Shortcut shortcut;
        const bool hasShortcut = item.Has("shortcut");
        if (hasShortcut && !toolkit::ParseShortcut(item.Str("shortcut"), shortcut))
            throw Exception("layout: bad shortcut " + item.Str("shortcut"));
        const MenuEntry entry = caption == "-"              ? MenuEntry::Separator
                                : !item.children.empty()    ? MenuEntry::Submenu
                                                            : MenuEntry::Command;
        surface_->AddMenuItem(parentId, id, item, entry,
                              hasShortcut && entry == MenuEntry::Command ? &shortcut : nullptr);
        if (entry == MenuEntry::Submenu) AddMenuItems(item, id);
        auto mi = std::make_unique<MenuItemImpl>(*surface_, id, caption, item.Str("OnClick"));
        if (item.Has("enabled") && !item.Flag("enabled")) mi->SetEnabled(false);
        menuById_[id] = mi.get();
        menuItems_.emplace(item.name, std::move(mi));
    }
}

void Form::Make(const LayoutNode& node) {
    const std::string& k = node.kind;
    const int id = ids_.at(&node);
    if (k == "menu" || k == "ddeclient") return;  // the menu came with the frame
    if (k == "timer") {
        auto timer = std::make_unique<TimerImpl>(*surface_, id, static_cast<std::uint32_t>(node.Int("interval", 1000)),
                                                 node.Has("enabled") ? node.Flag("enabled") : true,
                                                 node.Str("OnTimer"));
        surface_->CreateTimer(node, id);
        timer->Arm();
        timerById_[id] = timer.get();
        timers_.emplace(node.name, std::move(timer));
    } else if (k == "opendialog") {
        openDialogs_.emplace(node.name, surface_->CreateOpenDialog(node));
    } else if (k == "statusbar") {
        statusBars_.emplace(node.name, std::make_unique<StatusBarImpl>(
                                           surface_->CreateStatusBar(node, id),
                                           static_cast<int>(node.Ints("panels").size())));
    } else if (k == "image") {
        images_.emplace(node.name, surface_->CreateImage(node, id));
    } else if (k == "label" || k == "edit" || k == "memo" || k == "checkbox" || k == "listbox" ||
               k == "button" || k == "speedbutton" || k == "bevel") {
        auto [it, added] = controls_.emplace(node.name, ControlEntry{k, surface_->CreateControl(node, id),
                                                                     node.Str("OnClick")});
        controlById_[id] = &it->second;
        if (k == "button" && node.Flag("cancel")) cancelId_ = id;
    } else {
        throw Exception("layout: unknown kind " + k + " for " + node.name);
    }
}

template <class T>
T& Form::Kind(std::string_view name, const char* kind, const char* what) {
    ControlEntry& c = Find(controls_, name);
    if (c.kind == kind) {
        if (T* t = dynamic_cast<T*>(c.control.get())) return *t;
    }
    throw Exception("control " + std::string(name) + " is not " + what);
}

IControl& Form::Control(std::string_view name) { return *Find(controls_, name).control; }
IStatusBar& Form::StatusBar(std::string_view name) { return *Find(statusBars_, name); }
IMenuItem& Form::MenuItem(std::string_view name) { return *Find(menuItems_, name); }
ITimer& Form::Timer(std::string_view name) { return *Find(timers_, name); }
IImage& Form::Image(std::string_view name) { return *Find(images_, name); }
IOpenDialog& Form::OpenDialog(std::string_view name) { return *Find(openDialogs_, name); }
ICheckBox& Form::CheckBox(std::string_view name) { return Kind<ICheckBox>(name, "checkbox", "a check box"); }
IMemo& Form::Memo(std::string_view name) { return Kind<IMemo>(name, "memo", "a memo"); }
IListBox& Form::ListBox(std::string_view name) { return Kind<IListBox>(name, "listbox", "a list box"); }

// A handler's error goes to the application's exception display and the
// program carries on.
void Form::Fire(const std::string& handler) {
    if (handler.empty()) return;
    try {
        events_.Dispatch(handler);
    } catch (const std::exception& e) {
        kit_.ShowException(e);
    } catch (...) {
        kit_.ShowException(Exception("unexpected error in " + handler));
    }
}

// The close query the layout names, if any; an error in it is shown and does
// not keep the window open. True when the form may close.
bool Form::RunCloseQuery() {
    bool canClose = true;
    const std::string query = layout_.form.Str("OnCloseQuery");
    if (query.empty()) return true;
    inCloseQuery_ = true;
    try {
        events_.CloseQuery(query, canClose);
    } catch (const std::exception& e) {
        kit_.ShowException(e);
    } catch (...) {
        kit_.ShowException(Exception("unexpected error while closing"));
    }
    inCloseQuery_ = false;
    return canClose;
}

Form* Form::Top(const IToolkit& kit) {
    for (auto it = modalForms.rbegin(); it != modalForms.rend(); ++it)
        if (&(*it)->kit_ == &kit) return *it;
    for (Form* f : liveForms)
        if (&f->kit_ == &kit && f->main_ && !f->ended_) return f;
    return nullptr;
}

bool Form::ModalOpen() const {
    return std::any_of(modalForms.begin(), modalForms.end(), [this](Form* f) { return &f->kit_ == &kit_; });
}

int Form::ShowModal() {
    if (main_ || modal_ || !surface_->Alive()) return 0;
    const bool disableOwner = owner_ && owner_->surface_->IsEnabled();
    if (disableOwner) owner_->surface_->SetEnabled(false);
    modal_ = true;
    modalResult_ = 0;
    modalForms.push_back(this);
    surface_->BeginModal();
    surface_->RunModal();
    std::erase(modalForms, this);
    // The owner comes back first, so activation returns to it when the
    // dialog goes.
    if (disableOwner && owner_->surface_->Alive()) owner_->surface_->SetEnabled(true);
    surface_->ModalDone();
    modal_ = false;
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
    for (auto& [id, timer] : timerById_) surface_->StopTimer(id);
    surface_->EndMain();
}

// A disabled button does not fire.
void Form::Clicked(int id) {
    auto it = controlById_.find(id);
    if (it != controlById_.end() && it->second->control->Enabled()) Fire(it->second->onClick);
}

// A disabled item does not fire, and the main form's menu and its shortcuts
// wait while a dialog is open.
void Form::MenuCommand(int id) {
    auto it = menuById_.find(id);
    if (it == menuById_.end() || !it->second->Enabled() || (main_ && ModalOpen())) return;
    Fire(it->second->onClick);
}

// A timer's event that comes after it has stopped does nothing.
void Form::TimerDue(int id) {
    auto it = timerById_.find(id);
    if (it == timerById_.end()) return;
    if (it->second->Running() && !ended_) {
        Fire(it->second->onTimer);
    } else {
        surface_->StopTimer(id);
    }
}

// While a dialog or a message box holds the main form disabled, a close can
// only come from another program (a task manager, say). It is not lost: it
// runs once the form is enabled again, from the loop that goes on.
void Form::CloseRequest() {
    if (main_ && !surface_->IsEnabled()) {
        closePending_ = true;
        return;
    }
    Close();
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

}  // namespace pelmor
