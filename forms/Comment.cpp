#include "forms/Comment.h"

#include "forms/LogFormat.h"
#include "platform/Codepage.h"

extern const char kCommentLayoutText[];

namespace pelmor {

const Layout& CommentLayout() {
    static const Layout layout = Layout::Parse(kCommentLayoutText);
    return layout;
}

TfrmComment::TfrmComment(TApplication& owner)
    : app_(owner),
      events_(*this, {{"btnOKClick", &TfrmComment::btnOKClick}}),
      window_(BuildForm(owner.svc.ui, CommentLayout(), events_, false)),
      edtComment(window_->Control("edtComment")) {}

void TfrmComment::btnOKClick() {
    const std::int32_t t = app_.svc.clock.Now();
    const std::string comment = Utf8ToCp932(edtComment.Text());
    header_ = LogHeader(app_.svc.clock.CTime(t), comment);
    window_->Close();
}

}  // namespace pelmor
