#include "forms/About.h"

extern const char kAboutLayoutText[];

namespace pelmor {

const Layout& AboutLayout() {
    static const Layout layout = Layout::Parse(kAboutLayoutText);
    return layout;
}

TfrmAbout::TfrmAbout(TApplication& owner)
    : window_(owner.svc.ui.CreateForm(AboutLayout(), *this, false)),
      btnOK(window_->Control("btnOK")),
      Image1(window_->Image("Image1")),
      Label1(window_->Control("Label1")),
      Label2(window_->Control("Label2")) {}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::btnOKClick() { window_->Close(); }

void TfrmAbout::Dispatch(std::string_view handler) {
    if (handler == "btnOKClick") btnOKClick();
}

}  // namespace pelmor
