// The form engine: a layout turned into a live form over a window system's
// primitives (platform/Widgets.h). It holds every rule of how a form lives,
// once for every toolkit: what the layout makes, the typed lookup of
// controls, timers, menu items, handlers run with what they throw shown,
// modal dialogs, the close query, a close held while the main form is
// disabled, the end of a session, and the system's suspend and resume.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Toolkit.h"
#include "platform/Widgets.h"

namespace pelmor {

class Form final : public IWindow, public IFormInput {
public:
    // Checks the handlers the layout names, then makes the window.
    Form(IToolkit& kit, const Layout& layout, IFormEvents& events, bool mainForm);
    ~Form() override;

    WindowHandle Handle() const override { return surface_->Handle(); }
    IControl& Control(std::string_view name) override;
    ICheckBox& CheckBox(std::string_view name) override;
    IMemo& Memo(std::string_view name) override;
    IListBox& ListBox(std::string_view name) override;
    IStatusBar& StatusBar(std::string_view name) override;
    IMenuItem& MenuItem(std::string_view name) override;
    ITimer& Timer(std::string_view name) override;
    IImage& Image(std::string_view name) override;
    IOpenDialog& OpenDialog(std::string_view name) override;
    void Show() override { surface_->Show(); }
    int ShowModal() override;
    void Close() override;

    void Clicked(int id) override;
    void MenuCommand(int id) override;
    void TimerDue(int id) override;
    void CloseRequest() override;
    void Enabled() override;
    void CancelKey() override;
    void QueryEndSession() override;
    void EndSession() override;
    void Suspending() override;
    void Resumed() override;

    static constexpr int kModalCancel = 2;  // what ShowModal gives after Close()
    // The toolkit's main form while it runs; the form new dialogs and message
    // boxes belong to: its innermost modal form, else the main form.
    static Form* Main(const IToolkit& kit);
    static Form* Top(const IToolkit& kit);

    struct TimerImpl;
    struct MenuItemImpl;
    struct StatusBarImpl;
    // What the form made of one node of its layout.
    struct Node {
        std::string kind, handler;  // OnClick, OnTimer
        std::unique_ptr<IControl> control;
        std::unique_ptr<IStatusBar> statusBar;
        std::unique_ptr<IImage> image;
        std::unique_ptr<IOpenDialog> openDialog;
        std::unique_ptr<TimerImpl> timer;
        std::unique_ptr<MenuItemImpl> menuItem;
    };

private:
    template <class T>
    T& Get(std::string_view name, std::unique_ptr<T> Node::*part);
    template <class T>
    T& Kind(std::string_view name, const char* kind, const char* what);
    void Number(const std::vector<LayoutNode>& nodes);
    void AddMenuItems(const LayoutNode& parent, int parentId);
    Node& Add(const LayoutNode& node, std::string handler);
    void Make(const LayoutNode& node);
    void Fire(const std::string& handler);
    bool RunCloseQuery();
    void EndMainForm();

    IToolkit& kit_;
    const Layout layout_;  // a copy: the caller's layout may be a temporary
    IFormEvents& events_;
    const bool main_;
    Form* owner_ = nullptr;
    std::map<const LayoutNode*, int> ids_;  // every node's id, in layout order from 100
    std::map<std::string, Node, std::less<>> nodes_;
    std::map<int, Node*> byId_;
    int cancelId_ = 0;
    // Declared last, so the window goes before the controls it holds.
    std::unique_ptr<IFormSurface> surface_;

    bool modal_ = false;
    int modalResult_ = 0;
    bool inCloseQuery_ = false;
    bool closeQueryDone_ = false;  // main form: the close query runs once per run
    bool ended_ = false;           // main form: closed, the loop is ending
    bool closePending_ = false;    // main form: a close came while it was disabled
};

inline WindowHandle TopWindow(const IToolkit& kit) {
    Form* top = Form::Top(kit);
    return top ? top->Handle() : 0;
}

}  // namespace pelmor
