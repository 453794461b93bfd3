// The window-system seam. Forms are built from their layout by a toolkit
// (platform/Form.h, over the window system's primitives) and reach their controls by
// name. Every text crossing this seam is UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <initializer_list>
#include <vector>

#include "platform/Exception.h"
#include "platform/Layout.h"

namespace pelmor {

using WindowHandle = std::uintptr_t;
using Color = std::uint32_t;  // 0x00BBGGRR

class IControl {
public:
    virtual ~IControl() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(std::string_view text) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void SetFocus() = 0;
};

class ICheckBox : public virtual IControl {
public:
    virtual bool Checked() const = 0;
};

class IMemo : public virtual IControl {
public:
    virtual void SelectAll() = 0;
    virtual void Clear() = 0;
};

class IListBox : public virtual IControl {
public:
    virtual void Add(std::string_view item) = 0;
    virtual void SetItemIndex(int index) = 0;
};

class IStatusBar {
public:
    virtual ~IStatusBar() = default;
    virtual void SetPanelText(int panel, std::string_view text) = 0;
};

class IMenuItem {
public:
    virtual ~IMenuItem() = default;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(std::string_view caption) = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

class ITimer {
public:
    virtual ~ITimer() = default;
    virtual void SetInterval(std::uint32_t ms) = 0;  // milliseconds; 0 never fires
    virtual void SetEnabled(bool enabled) = 0;
};

// Drawing surface of an image control. It draws into the image's own bitmap,
// which the control shows until the next drawing.
class ICanvas {
public:
    virtual ~ICanvas() = default;
    virtual void SetPenColor(Color c) = 0;
    virtual void SetPenWidth(int w) = 0;
    virtual void SetBrushColor(Color c) = 0;
    // Filled with the brush, outlined with the pen; right and bottom excluded.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;  // the end pixel is left out
};

class IImage {
public:
    virtual ~IImage() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual ICanvas& Canvas() = 0;
};

class IOpenDialog {
public:
    virtual ~IOpenDialog() = default;
    virtual bool Execute() = 0;  // false when the user cancels
    // The chosen path in UTF-8, like every text here; a caller that hands it
    // to the ANSI file functions converts it to the code page first.
    virtual std::string FileName() const = 0;
};

// Receives a form's events; the handler names are those of the layout
// (OnClick=mnuStartClick, OnTimer=TimerBaseTimer, OnCloseQuery=...).
class IFormEvents {
public:
    virtual ~IFormEvents() = default;
    virtual bool Handles(std::string_view handler) const = 0;
    virtual void Dispatch(std::string_view handler) = 0;
    virtual void CloseQuery(std::string_view handler, bool& canClose) = 0;
};

// A form's handlers in one table: each name of its layout and the member
// function it runs.
template <class Form>
class HandlerTable final : public IFormEvents {
public:
    struct Entry {
        std::string_view name;
        void (Form::*event)() = nullptr;
        void (Form::*closeQuery)(bool&) = nullptr;
    };
    HandlerTable(Form& form, std::initializer_list<Entry> entries)
        : form_(form), entries_(entries) {}

    bool Handles(std::string_view handler) const override { return Find(handler) != nullptr; }
    void Dispatch(std::string_view handler) override {
        if (const Entry* e = Find(handler); e && e->event) (form_.*(e->event))();
    }
    void CloseQuery(std::string_view handler, bool& canClose) override {
        if (const Entry* e = Find(handler); e && e->closeQuery) (form_.*(e->closeQuery))(canClose);
    }

private:
    const Entry* Find(std::string_view handler) const {
        for (const Entry& e : entries_)
            if (e.name == handler) return &e;
        return nullptr;
    }
    Form& form_;
    std::vector<Entry> entries_;
};

class IWindow {
public:
    virtual ~IWindow() = default;
    virtual WindowHandle Handle() const = 0;
    virtual IControl& Control(std::string_view name) = 0;  // edits, labels, buttons
    virtual ICheckBox& CheckBox(std::string_view name) = 0;
    virtual IMemo& Memo(std::string_view name) = 0;
    virtual IListBox& ListBox(std::string_view name) = 0;
    virtual IStatusBar& StatusBar(std::string_view name) = 0;
    virtual IMenuItem& MenuItem(std::string_view name) = 0;
    virtual ITimer& Timer(std::string_view name) = 0;
    virtual IImage& Image(std::string_view name) = 0;
    virtual IOpenDialog& OpenDialog(std::string_view name) = 0;

    virtual void Show() = 0;       // the main form
    virtual int ShowModal() = 0;   // a dialog: runs until Close(); owner disabled meanwhile
    // Asks the form to close: the close query runs (when the layout names
    // one); a modal form then ends its ShowModal, the main form ends the
    // message loop.
    virtual void Close() = 0;
};

enum class MessageIcon { None, Stop, Exclamation };

class IFormInput;
class IFormSurface;

class IToolkit {
public:
    virtual ~IToolkit() = default;
    virtual void Initialize() = 0;
    virtual void SetTitle(std::string_view title) = 0;
    // A form's window (platform/Widgets.h), made from the layout's form
    // node; owner: the window a dialog belongs to. Its raw events go to input.
    virtual std::unique_ptr<IFormSurface> CreateSurface(const Layout& layout, bool mainForm,
                                                        IFormSurface* owner, IFormInput& input) = 0;
    virtual void Run() = 0;  // the message loop, until the main form has closed
    // A box with an OK button, modal to owner.
    virtual void MessageBox(IWindow* owner, std::string_view text, std::string_view caption,
                            MessageIcon icon) = 0;
    virtual void MessageBeep(MessageIcon sound) = 0;
    // The application's default exception display: a box with the message.
    virtual void ShowException(const std::exception& e) = 0;
};

// Builds a form (platform/Form.h) after checking that its events object has
// every handler the layout names: a misspelt name is an error, not a control
// that does nothing.
std::unique_ptr<IWindow> BuildForm(IToolkit& ui, const Layout& layout, IFormEvents& events,
                                   bool mainForm);

}  // namespace pelmor
