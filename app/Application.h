// The application object: the services the forms work with, and the
// framework operations start-up calls in turn (Initialize, Title,
// CreateForm, Run, ShowException).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/DataFolder.h"
#include "platform/Foreground.h"
#include "platform/Keys.h"
#include "platform/LogFile.h"
#include "platform/Power.h"
#include "platform/Profile.h"
#include "platform/ShortPath.h"
#include "platform/Toolkit.h"

namespace pelmor {

struct Services {
    IToolkit& ui;
    IClock& clock;
    IPowerSource& power;
    ILogFile& log;
    IProfile& profile;
    IPathNames& pathNames;
    IDataFolder& dataFolder;
    IKeyboard& keys;
    IForeground& foreground;
    IBrowser& browser;
};

class TApplication {
public:
    explicit TApplication(Services& services) : svc(services) {}
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    void Initialize();
    void SetTitle(std::string_view title);
    const std::string& Title() const { return title_; }

    // Constructs the form, keeps it until the application ends, and stores
    // its address in ref (the first form created is the main form).
    template <class Form>
    void CreateForm(Form*& ref) {
        auto form = std::make_unique<Form>(*this);
        ref = form.get();
        mainForm_ = std::move(form);
    }

    void Run();
    void ShowException(const std::exception& e);
    // The folder of pelmor.ini, pelmor.log and url.lst.
    std::string DataDir() const { return svc.dataFolder.Path(); }

    Services& svc;

private:
    std::string title_;
    std::shared_ptr<void> mainForm_;
};

#ifdef _WIN32
inline constexpr char kPathDelimiter = '\\';
#else
inline constexpr char kPathDelimiter = '/';
#endif

// dir, the path delimiter, name: "C:\\Pelmor" + "pelmor.ini".
inline std::string JoinPath(const std::string& dir, const char* name) {
    std::string path = dir;
    path += kPathDelimiter;
    path += name;
    return path;
}

}  // namespace pelmor
