// TfrmSetup: browser path, web-page interval and keystroke interval.
//
// Texts: the edits hold UTF-8 like every window text; IePath and the
// settings file hold code page 932 bytes, and so do the paths handed to the
// file-name service. Conversions happen where a text crosses between them.
#include "forms/Setup.h"

#include <cstdio>
#include <cstring>

#include "forms/Main.h"
#include "platform/Codepage.h"

extern const char kSetupLayoutText[];

namespace pelmor {

namespace {

constexpr char kSection[] = "setup";
constexpr std::int32_t kMinReloadInterval = 20;
constexpr std::int32_t kMinKeyInterval = 1;

std::string FormatInt(std::int32_t value) {
    char buffer[20];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    return buffer;
}

}  // namespace

const Layout& SetupLayout() {
    static const Layout layout = Layout::Parse(kSetupLayoutText);
    return layout;
}

TfrmSetup::TfrmSetup(TApplication& owner) : TfrmSetup(owner, SystemPathNames()) {}

TfrmSetup::TfrmSetup(TApplication& owner, IPathNames& names)
    : app_(owner),
      names_(names),
      window_(owner.svc.ui.CreateForm(SetupLayout(), *this, false)),
      btnOK(window_->Control("btnOK")),
      btnCancel(window_->Control("btnCancel")),
      edtIEpath(window_->Control("edtIEpath")),
      Label1(window_->Control("Label1")),
      Label4(window_->Control("Label4")),
      edtReload(window_->Control("edtReload")),
      Label5(window_->Control("Label5")),
      SpeedButton1(window_->Control("SpeedButton1")),
      OpenDialog(window_->OpenDialog("OpenDialog")),
      Label2(window_->Control("Label2")),
      edtKey(window_->Control("edtKey")),
      Label3(window_->Control("Label3")) {
    const char* path = frmMain->IePath;
    edtIEpath.SetText(Cp932ToUtf8(std::string_view(path, strnlen(path, sizeof frmMain->IePath))));
    edtReload.SetText(IntToStr(frmMain->ReloadInterval));
    edtKey.SetText(IntToStr(frmMain->KeyInterval));
}

TfrmSetup::~TfrmSetup() = default;

// Each value is stored in the main window as soon as it is read, and written
// once it has passed its test; a rejection beeps and leaves the dialog open
// with what was stored so far. A text that is not a number raises
// EConvertError out of this handler, to the application's exception display.
void TfrmSetup::btnOKClick() {
    const std::string iniPath = JoinPath(ExtractFileDir(app_.ExeName()), "pelmor.ini");
    IProfile& profile = app_.svc.profile;

    const std::string path = edtIEpath.Text();
    if (path.empty()) {
        edtIEpath.SetText(kDefaultIePath);
        app_.svc.ui.MessageBeep(kMbIconExclamation);
        return;
    }
    // IePath holds 127 bytes and its terminator: a longer path is turned
    // away whole, and the edit keeps it for the user to shorten.
    const std::string bytes = Utf8ToCp932(path);
    if (bytes.size() >= sizeof frmMain->IePath) {
        app_.svc.ui.MessageBeep(kMbIconExclamation);
        return;
    }
    std::memcpy(frmMain->IePath, bytes.data(), bytes.size());
    frmMain->IePath[bytes.size()] = '\0';
    profile.WriteString(kSection, "iepath", frmMain->IePath, iniPath);

    frmMain->ReloadInterval = StrToInt(edtReload.Text());
    if (frmMain->ReloadInterval < kMinReloadInterval) {
        frmMain->ReloadInterval = kMinReloadInterval;
        app_.svc.ui.MessageBeep(kMbIconExclamation);
        return;
    }
    profile.WriteString(kSection, "reload", FormatInt(frmMain->ReloadInterval), iniPath);

    frmMain->KeyInterval = StrToInt(edtKey.Text());
    if (frmMain->KeyInterval < kMinKeyInterval) {
        frmMain->KeyInterval = kMinKeyInterval;
        app_.svc.ui.MessageBeep(kMbIconExclamation);
        return;
    }
    profile.WriteString(kSection, "key", FormatInt(frmMain->KeyInterval), iniPath);

    window_->Close();
}

void TfrmSetup::btnCancelClick() { window_->Close(); }

// Puts the short form of the chosen file into the path edit; nothing is
// stored before OK. When the system cannot give a short form, the edit gets
// the name as chosen.
void TfrmSetup::SpeedButton1Click() {
    if (!OpenDialog.Execute()) return;
    const std::string chosen = OpenDialog.FileName();
    const std::string shortName = names_.ShortPathName(Utf8ToCp932(chosen));
    edtIEpath.SetText(shortName.empty() ? chosen : Cp932ToUtf8(shortName));
}

void TfrmSetup::Dispatch(std::string_view handler) {
    if (handler == "btnOKClick") {
        btnOKClick();
    } else if (handler == "btnCancelClick") {
        btnCancelClick();
    } else if (handler == "SpeedButton1Click") {
        SpeedButton1Click();
    }
}

}  // namespace pelmor
