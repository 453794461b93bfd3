#include "app/Startup.h"

#include "forms/Main.h"

namespace pelmor {

namespace {
std::uintptr_t InstanceMutex = 0;
}

int PelmorMain(IInstanceMutex& mutex, TApplication& app) {
    MutexSecurity sa;
    sa.nLength = 12;
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = 1;
    // A copy started while another runs gets a handle to the same mutex and
    // runs like the first: only a null handle stops start-up.
    InstanceMutex = mutex.Create(sa, true, kMutexName);
    if (InstanceMutex == 0) {
        mutex.MessageBeep(kMbIconExclamation);
        return -1;
    }
    try {
        app.Initialize();
        app.SetTitle("Pelmor");
        app.CreateForm(frmMain);
        app.Run();
    } catch (const Exception& e) {
        app.ShowException(e);
    }
    mutex.Release(InstanceMutex);
    return 0;
}

}  // namespace pelmor
