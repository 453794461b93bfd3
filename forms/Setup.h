// TfrmSetup: the settings dialog, opened modally from the main window's menu.
// It keeps no values of its own: it shows the settings it is given, and OK
// stores and saves them one by one.
#pragma once

#include <memory>

#include "app/Application.h"
#include "forms/Settings.h"

namespace pelmor {

class TfrmSetup {
public:
    TfrmSetup(TApplication& owner, Settings& settings);

    int ShowModal() { return window_->ShowModal(); }

    void btnOKClick();
    void btnCancelClick();
    void SpeedButton1Click();

private:
    TApplication& app_;
    Settings& settings_;
    HandlerTable<TfrmSetup> events_;
    std::unique_ptr<IWindow> window_;
    IControl& edtIEpath;
    IControl& edtReload;
    IOpenDialog& OpenDialog;
    IControl& edtKey;
};

const Layout& SetupLayout();

}  // namespace pelmor
