#include "forms/About.h"

extern const char kAboutLayoutText[];

namespace pelmor {

const Layout& AboutLayout() {
    static const Layout layout = Layout::Parse(kAboutLayoutText);
    return layout;
}

TfrmAbout::TfrmAbout(TApplication& owner)
    : events_(*this, {{"btnOKClick", &TfrmAbout::btnOKClick}}),
      window_(BuildForm(owner.svc.ui, AboutLayout(), events_, false)) {}

void TfrmAbout::btnOKClick() { window_->Close(); }

}  // namespace pelmor
