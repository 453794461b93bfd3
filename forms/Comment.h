// TfrmComment: the measurement comment dialog, shown when a measurement starts.
#pragma once

#include <memory>

#include "app/Application.h"

namespace pelmor {

class TfrmComment : public IFormEvents {
public:
    explicit TfrmComment(TApplication& owner);
    ~TfrmComment() override;
    int ShowModal() { return window_->ShowModal(); }
    IWindow& Window() { return *window_; }

    void btnOKClick();

    void Dispatch(std::string_view handler) override;
    void CloseQuery(std::string_view, bool&) override {}

private:
    std::unique_ptr<IWindow> window_;
};

const Layout& CommentLayout();

}  // namespace pelmor
