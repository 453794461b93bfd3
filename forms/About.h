// TfrmAbout: the about box, opened modally from the main window's menu.
#pragma once

#include <memory>

#include "app/Application.h"

namespace pelmor {

class TfrmAbout : public IFormEvents {
public:
    explicit TfrmAbout(TApplication& owner);
    ~TfrmAbout() override;
    int ShowModal() { return window_->ShowModal(); }
    IWindow& Window() { return *window_; }

    void btnOKClick();

    void Dispatch(std::string_view handler) override;
    void CloseQuery(std::string_view, bool&) override {}

private:
    std::unique_ptr<IWindow> window_;
};

const Layout& AboutLayout();

}  // namespace pelmor
