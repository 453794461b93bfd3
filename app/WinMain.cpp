// The Windows entry point: the Win32 services, the application object, and
// start-up. The entry point's arguments are not used.
#include "platform/win32/Services.h"

#include "app/Application.h"
#include "app/Startup.h"

namespace {

// Makes the DDE client when the first conversation is wanted, so a copy that
// stops at the mutex starts nothing of it.
class LazyDdeClient : public pelmor::IDdeClient {
public:
    std::unique_ptr<pelmor::IDdeClientConv> CreateConversation() override {
        if (!client_) client_ = pelmor::win32::CreateDdeClient();
        return client_->CreateConversation();
    }

private:
    std::unique_ptr<pelmor::IDdeClient> client_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace pelmor;
    std::unique_ptr<IToolkit> ui = win32::CreateToolkit(instance);
    win32::Clock clock;
    win32::Power power;
    win32::LogFile log;
    win32::Profile profile;
    win32::Keys keys;
    LazyDdeClient dde;
    win32::Activation activation;
    win32::InstanceMutex mutex;
    Services services{*ui, clock, power, log, profile, keys, dde, activation};
    TApplication app(services);
    return PelmorMain(mutex, app);
}
