// TfrmSetup: the settings dialog, opened modally from the main window's menu.
#pragma once

#include <memory>

#include "app/Application.h"

namespace pelmor {

class TfrmSetup : public IFormEvents {
public:
    explicit TfrmSetup(TApplication& owner);
    ~TfrmSetup() override;
    int ShowModal() { return window_->ShowModal(); }
    IWindow& Window() { return *window_; }

    void btnOKClick();

    void Dispatch(std::string_view handler) override;
    void CloseQuery(std::string_view, bool&) override {}

private:
    std::unique_ptr<IWindow> window_;
};

const Layout& SetupLayout();

}  // namespace pelmor
