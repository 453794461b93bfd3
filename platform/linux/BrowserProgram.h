// Which browser the web tour starts, and which remote-control protocol it
// speaks.
#pragma once

#include <functional>
#include <string>

namespace pelmor::lnx {

// The program that the settings' browser path (code page 932 bytes) names:
// the path itself when it holds a slash, else the name looked up in the
// folders of pathList (as in PATH). When that is no executable file here
// (the Windows default among them), the first of Chromium and Google Chrome
// found in pathList. Empty when there is none.
std::string ChooseBrowser(const std::string& setting, const std::string& pathList,
                          const std::function<bool(const std::string&)>& isExecutable);

// An executable regular file.
bool IsExecutableFile(const std::string& path);

// Firefox is told its pages over WebDriver BiDi; the Chromium family over
// the DevTools protocol.
bool SpeaksBiDi(const std::string& program);

}  // namespace pelmor::lnx
