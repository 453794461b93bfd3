#include "forms/About.h"

extern const char kAboutLayoutText[];

namespace pelmor {

const Layout& AboutLayout() {
    static const Layout layout = Layout::Parse(kAboutLayoutText);
    return layout;
}

TfrmAbout::TfrmAbout(TApplication& owner)
    : events_(*this, {{"btnOKClick", &TfrmAbout::btnOKClick}}),
      window_(BuildForm(owner.svc.ui, AboutLayout(), events_, false)),
      btnOK(window_->Control("btnOK")),
      Image1(window_->Image("Image1")),
      Label1(window_->Control("Label1")),
      Label2(window_->Control("Label2")) {}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::btnOKClick() { window_->Close(); }

}  // namespace pelmor
