#include "app/Application.h"

namespace pelmor {

void TApplication::Initialize() { svc.ui.Initialize(); }

void TApplication::SetTitle(std::string_view title) {
    title_ = std::string(title);
    svc.ui.SetTitle(title_);
}

void TApplication::Run() { svc.ui.Run(); }

void TApplication::ShowException(const std::exception& e) { svc.ui.ShowException(e); }

}  // namespace pelmor
