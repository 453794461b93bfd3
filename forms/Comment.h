// TfrmComment: the measurement comment dialog. Its button makes the header
// of a measurement (date and comment) and closes the dialog; its close box
// closes it without a header. There is no cancel button.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/Application.h"

namespace pelmor {

class TfrmComment {
public:
    explicit TfrmComment(TApplication& owner);
    int ShowModal() { return window_->ShowModal(); }

    void btnOKClick();
    // The log header (code page 932 bytes) once the button closed the
    // dialog; none after the close box.
    const std::optional<std::string>& Header() const { return header_; }

private:
    TApplication& app_;
    HandlerTable<TfrmComment> events_;
    std::unique_ptr<IWindow> window_;
    std::optional<std::string> header_;
    IControl& edtComment;
};

const Layout& CommentLayout();

}  // namespace pelmor
