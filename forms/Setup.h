// TfrmSetup: the settings dialog, opened modally from the main window's menu.
// It keeps no values of its own: it shows the main window's browser path and
// intervals, and OK stores and saves them one by one.
#pragma once

#include <memory>
#include <string_view>

#include "app/Application.h"
#include "platform/ShortPath.h"

namespace pelmor {

class TfrmSetup : public IFormEvents {
public:
    explicit TfrmSetup(TApplication& owner);
    // names: where the browse button gets the short form of a chosen file.
    TfrmSetup(TApplication& owner, IPathNames& names);
    ~TfrmSetup() override;
    TfrmSetup(const TfrmSetup&) = delete;
    TfrmSetup& operator=(const TfrmSetup&) = delete;

    int ShowModal() { return window_->ShowModal(); }
    IWindow& Window() { return *window_; }

    void btnOKClick();
    void btnCancelClick();
    void SpeedButton1Click();

    void Dispatch(std::string_view handler) override;
    void CloseQuery(std::string_view, bool&) override {}

private:
    TApplication& app_;
    IPathNames& names_;
    std::unique_ptr<IWindow> window_;

public:
    // Controls, in declaration order.
    IControl& btnOK;
    IControl& btnCancel;
    IControl& edtIEpath;
    IControl& Label1;
    IControl& Label4;
    IControl& edtReload;
    IControl& Label5;
    IControl& SpeedButton1;
    IOpenDialog& OpenDialog;
    IControl& Label2;
    IControl& edtKey;
    IControl& Label3;
};

const Layout& SetupLayout();

}  // namespace pelmor
