// TfrmAbout: the about box, opened modally from the main window's menu. It
// shows the icon, name, version and credit, and reads and changes nothing.
#pragma once

#include <memory>

#include "app/Application.h"

namespace pelmor {

class TfrmAbout {
public:
    explicit TfrmAbout(TApplication& owner);

    int ShowModal() { return window_->ShowModal(); }

    // The button, Enter and Esc.
    void btnOKClick();

private:
    HandlerTable<TfrmAbout> events_;
    std::unique_ptr<IWindow> window_;
};

const Layout& AboutLayout();

}  // namespace pelmor
