// TfrmComment: the measurement comment dialog. Its button writes the header
// of a measurement (date and comment) to the log and closes the dialog; its
// close box closes it without a header. There is no cancel button.
#pragma once

#include <memory>

#include "app/Application.h"

namespace pelmor {

class TfrmComment : public IFormEvents {
public:
    explicit TfrmComment(TApplication& owner);
    ~TfrmComment() override;
    TfrmComment(const TfrmComment&) = delete;
    TfrmComment& operator=(const TfrmComment&) = delete;
    int ShowModal() { return window_->ShowModal(); }
    IWindow& Window() { return *window_; }

    void btnOKClick();

    void Dispatch(std::string_view handler) override;
    void CloseQuery(std::string_view, bool&) override {}

private:
    TApplication& app_;
    std::unique_ptr<IWindow> window_;

public:
    // Controls, in declaration order.
    IControl& edtComment;
    IControl& Label1;
    IControl& btnOK;
};

const Layout& CommentLayout();

// The log header: an empty line, "' " and the ctime text (which ends in its
// own line feed), "' " and the comment, a line feed. At most 127 bytes: a
// longer comment is cut at a character boundary.
std::string CommentHeader(const std::string& ctimeText, std::string_view commentCp932);

}  // namespace pelmor
