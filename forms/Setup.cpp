#include "forms/Setup.h"

extern const char kSetupLayoutText[];

namespace pelmor {

const Layout& SetupLayout() {
    static const Layout layout = Layout::Parse(kSetupLayoutText);
    return layout;
}

TfrmSetup::TfrmSetup(TApplication& owner)
    : window_(owner.svc.ui.CreateForm(SetupLayout(), *this, false)) {}

TfrmSetup::~TfrmSetup() = default;

void TfrmSetup::btnOKClick() { window_->Close(); }

void TfrmSetup::Dispatch(std::string_view handler) {
    if (handler == "btnOKClick") btnOKClick();
}

}  // namespace pelmor
