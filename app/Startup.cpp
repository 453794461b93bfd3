#include "app/Startup.h"

#include "forms/Main.h"

namespace pelmor {

int PelmorMain(IInstance& instance, TApplication& app) {
    if (!instance.Acquire()) return -1;
    try {
        TfrmMain* frmMain = nullptr;
        app.Initialize();
        app.SetTitle("Pelmor");
        app.CreateForm(frmMain);
        app.Run();
    } catch (const Exception& e) {
        app.ShowException(e);
    }
    instance.Release();
    return 0;
}

}  // namespace pelmor
