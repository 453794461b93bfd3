#include "forms/Comment.h"

#include "platform/Codepage.h"

extern const char kCommentLayoutText[];

namespace pelmor {

namespace {

// The header is built in a 128-byte buffer: 127 bytes and the zero.
constexpr std::size_t kHeaderSize = 128;

}  // namespace

const Layout& CommentLayout() {
    static const Layout layout = Layout::Parse(kCommentLayoutText);
    return layout;
}

std::string CommentHeader(const std::string& ctimeText, std::string_view comment) {
    const std::size_t fixed = 3 + ctimeText.size() + 2 + 1;  // "\n' " date "' " comment "\n"
    const std::size_t room = fixed < kHeaderSize - 1 ? kHeaderSize - 1 - fixed : 0;
    std::string header = "\n' ";
    header += ctimeText;
    header += "' ";
    header += comment.substr(0, Cp932Prefix(comment, room));
    header += '\n';
    return header;
}

TfrmComment::TfrmComment(TApplication& owner)
    : app_(owner),
      events_(*this, {{"btnOKClick", &TfrmComment::btnOKClick}}),
      window_(BuildForm(owner.svc.ui, CommentLayout(), events_, false)),
      edtComment(window_->Control("edtComment")),
      Label1(window_->Control("Label1")),
      btnOK(window_->Control("btnOK")) {}

TfrmComment::~TfrmComment() = default;

void TfrmComment::btnOKClick() {
    const std::int32_t t = app_.svc.clock.Now();
    const std::string comment = Utf8ToCp932(edtComment.Text());
    header_ = CommentHeader(app_.svc.clock.CTime(t), comment);
    window_->Close();
}

}  // namespace pelmor
