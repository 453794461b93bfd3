#include "forms/Comment.h"

extern const char kCommentLayoutText[];

namespace pelmor {

const Layout& CommentLayout() {
    static const Layout layout = Layout::Parse(kCommentLayoutText);
    return layout;
}

TfrmComment::TfrmComment(TApplication& owner)
    : window_(owner.svc.ui.CreateForm(CommentLayout(), *this, false)) {}

TfrmComment::~TfrmComment() = default;

void TfrmComment::btnOKClick() { window_->Close(); }

void TfrmComment::Dispatch(std::string_view handler) {
    if (handler == "btnOKClick") btnOKClick();
}

}  // namespace pelmor
