#include "platform/win32/Browser.h"

namespace pelmor::win32 {

namespace {
constexpr char kService[] = "Iexplore";
constexpr char kTopic[] = "WWW_OpenURL";
}  // namespace

IBrowser::Result Browser::OpenPage(const std::string& program, const std::string& url,
                                   const std::function<void()>& connected) {
    if (!client_) client_ = makeClient_();
    std::unique_ptr<IDdeClientConv> conv = client_->CreateConversation();
    conv->SetServiceApplication(program);
    Result result = Result::NoBrowser;
    if (conv->SetLink(kService, kTopic)) {
        connected();
        result = conv->ExecuteMacro(url, true) ? Result::Opened : Result::Refused;
    }
    conv->CloseLink();
    return result;
}

}  // namespace pelmor::win32
