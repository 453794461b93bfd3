// TfrmSetup: browser path, web-page interval and keystroke interval.
//
// Texts: the edits hold UTF-8 like every window text; the browser path in
// the settings holds code page 932 bytes, and so do the paths handed to the
// file-name service. Conversions happen where a text crosses between them.
#include "forms/Setup.h"

#include <cstdio>
#include <cstring>

#include "platform/Codepage.h"

extern const char kSetupLayoutText[];

namespace pelmor {

const Layout& SetupLayout() {
    static const Layout layout = Layout::Parse(kSetupLayoutText);
    return layout;
}

TfrmSetup::TfrmSetup(TApplication& owner, Settings& settings)
    : app_(owner),
      settings_(settings),
      events_(*this, {{"btnOKClick", &TfrmSetup::btnOKClick},
                      {"btnCancelClick", &TfrmSetup::btnCancelClick},
                      {"SpeedButton1Click", &TfrmSetup::SpeedButton1Click}}),
      window_(BuildForm(owner.svc.ui, SetupLayout(), events_, false)),
      edtIEpath(window_->Control("edtIEpath")),
      edtReload(window_->Control("edtReload")),
      OpenDialog(window_->OpenDialog("OpenDialog")),
      edtKey(window_->Control("edtKey")) {
    const char* path = settings.IePath;
    edtIEpath.SetText(Cp932ToUtf8(std::string_view(path, strnlen(path, sizeof settings.IePath))));
    edtReload.SetText(IntToStr(settings.ReloadInterval));
    edtKey.SetText(IntToStr(settings.KeyInterval));
}

// Each value is stored in the main window as soon as it is read, and written
// once it has passed its test; a rejection beeps and leaves the dialog open
// with what was stored so far. A text that is not a number raises
// EConvertError out of this handler, to the application's exception display.
void TfrmSetup::btnOKClick() {
    const std::string path = edtIEpath.Text();
    if (path.empty()) {
        edtIEpath.SetText(Cp932ToUtf8(settings_.DefaultIePath()));
        app_.svc.ui.MessageBeep(MessageIcon::Exclamation);
        return;
    }
    // A path too long for the settings is turned away whole, and the edit
    // keeps it for the user to shorten.
    if (!settings_.StoreIePath(Utf8ToCp932(path))) {
        app_.svc.ui.MessageBeep(MessageIcon::Exclamation);
        return;
    }
    if (!settings_.StoreReloadInterval(StrToInt(edtReload.Text()))) {
        app_.svc.ui.MessageBeep(MessageIcon::Exclamation);
        return;
    }
    if (!settings_.StoreKeyInterval(StrToInt(edtKey.Text()))) {
        app_.svc.ui.MessageBeep(MessageIcon::Exclamation);
        return;
    }
    window_->Close();
}

void TfrmSetup::btnCancelClick() { window_->Close(); }

// Puts the short form of the chosen file into the path edit; nothing is
// stored before OK. When the system cannot give a short form, the edit gets
// the name as chosen.
void TfrmSetup::SpeedButton1Click() {
    if (!OpenDialog.Execute()) return;
    const std::string chosen = OpenDialog.FileName();
    const std::string shortName = app_.svc.pathNames.ShortPathName(Utf8ToCp932(chosen));
    edtIEpath.SetText(shortName.empty() ? chosen : Cp932ToUtf8(shortName));
}

}  // namespace pelmor
