// What a window system does for the form engine (platform/Form.h): the
// window, native controls, menu bar and timers the engine asks for. Raw
// events (a click, a menu command, a timer, the close box...) go back to the
// engine, which decides what they mean.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/Toolkit.h"
#include "platform/ToolkitRules.h"

namespace pelmor {

// One form's raw events; ids are those the engine gave the layout's nodes.
class IFormInput {
public:
    virtual ~IFormInput() = default;
    virtual void Clicked(int id) = 0;      // a button
    virtual void MenuCommand(int id) = 0;  // a menu item or its shortcut
    virtual void TimerDue(int id) = 0;
    virtual void CloseRequest() = 0;       // the close box, or a close from another program
    virtual void Enabled() = 0;            // the window has been enabled again
    virtual void CancelKey() = 0;          // Esc
    virtual void QueryEndSession() = 0;    // the session is about to end
    virtual void EndSession() = 0;
    // The system is about to suspend, and has resumed (sleep or hibernation).
    virtual void Suspending() {}
    virtual void Resumed() {}
};

enum class MenuEntry { Command, Submenu, Separator };

class IFormSurface {
public:
    virtual ~IFormSurface() = default;
    virtual WindowHandle Handle() const = 0;
    virtual bool Alive() const { return true; }  // false once the window is gone
    // label, edit, memo, checkbox, listbox, button, speedbutton, bevel: a
    // check box is an ICheckBox, the memo an IMemo, a list box an IListBox.
    virtual std::unique_ptr<IControl> CreateControl(const LayoutNode& node, int id) = 0;
    virtual std::unique_ptr<IStatusBar> CreateStatusBar(const LayoutNode& node, int id) = 0;
    virtual std::unique_ptr<IImage> CreateImage(const LayoutNode& node, int id) = 0;
    virtual std::unique_ptr<IOpenDialog> CreateOpenDialog(const LayoutNode& node) = 0;
    // The menu bar, each item after its parent (0: the bar); then MenuDone,
    // menu or not, before the controls.
    virtual void AddMenuItem(int parent, int id, const LayoutNode& item, MenuEntry entry,
                             const toolkit::Shortcut* shortcut) = 0;
    virtual void MenuDone() {}
    virtual void SetMenuItem(int id, std::string_view caption, bool enabled) = 0;
    virtual void SetTabOrder(const std::vector<int>& ids) { (void)ids; }
    virtual void CreateTimer(const LayoutNode& node, int id) { (void)node, (void)id; }
    virtual void StartTimer(int id, std::uint32_t ms) = 0;  // restarts a running one
    virtual void StopTimer(int id) = 0;
    virtual void Show() {}
    virtual void Hide() = 0;
    virtual bool IsEnabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;  // enabling reports Enabled()
    // A dialog shown over its owner, which the engine has disabled: the
    // nested loop runs, every timer with it, until EndModal or the program's end.
    virtual void RunModal() = 0;
    virtual void EndModal() = 0;
    virtual void ModalDone() {}  // after the loop: hidden, the owner active again
    virtual void EndMain() = 0;  // the main form: the window goes, the main loop ends
    virtual void PostClose() = 0;  // a CloseRequest later, from the loop that goes on
};

}  // namespace pelmor
