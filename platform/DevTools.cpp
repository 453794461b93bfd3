#include "platform/DevTools.h"

#include <chrono>
#include <nlohmann/json.hpp>

namespace pelmor {

using nlohmann::json;

namespace {

// A text member of an object; empty when there is none of that kind.
std::string Str(const json& object, const char* key) {
    if (!object.is_object()) return {};
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

const json& Member(const json& object, const char* key) {
    static const json none;
    if (!object.is_object()) return none;
    const auto it = object.find(key);
    return it != object.end() ? *it : none;
}

}  // namespace

DevToolsClient::DevToolsClient(IDevToolsPipe& pipe, int startMs, int answerMs)
    : pipe_(pipe), startMs_(startMs), answerMs_(answerMs) {}

DevToolsClient::~DevToolsClient() = default;

IBrowser::Result DevToolsClient::Open(const std::string& url,
                                      const std::function<void()>& connected) {
    if (closed_) return IBrowser::Result::NoBrowser;
    // What the browser said since (the page closed, say) counts first.
    for (std::size_t had = inbox_.size() + 1; !closed_ && inbox_.size() != had;) {
        had = inbox_.size();
        closed_ = !pipe_.Read(inbox_, 0);
    }
    Collect(nullptr);
    if (session_.empty() && !Attach()) {
        ++misses_;
        return IBrowser::Result::NoBrowser;
    }
    connected();
    json r;
    const Answer answer = Call("Page.navigate", {{"url", url}}, &r, true);
    misses_ = answer == Answer::None ? misses_ + 1 : 0;
    switch (answer) {
    case Answer::Result:
        // A page that could not be loaded is still shown, as an error page.
        return Str(r, "errorText").empty() ? IBrowser::Result::Opened
                                                : IBrowser::Result::Refused;
    case Answer::Error:
    case Answer::None:
        // The page may be gone, or the browser busy: the next page looks for
        // it again.
        session_.clear();
        return IBrowser::Result::Refused;
    case Answer::Lost:
        break;
    }
    return IBrowser::Result::NoBrowser;
}

void DevToolsClient::Close() {
    if (!closed_) closed_ = !pipe_.Write(json{{"id", ++lastId_}, {"method", "Browser.close"}}.dump() + '\0');
}

// The first page target there is, or a new one when there is none.
bool DevToolsClient::Attach() {
    json r;
    if (Call("Target.getTargets", json::object(), &r) != Answer::Result) return false;
    std::string target;
    const json& infos = Member(r, "targetInfos");
    for (const json& info : infos.is_array() ? infos : json::array()) {
        if (Str(info, "type") == "page") {
            target = Str(info, "targetId");
            break;
        }
    }
    if (target.empty()) {
        if (Call("Target.createTarget", {{"url", "about:blank"}}, &r) != Answer::Result) return false;
        target = Str(r, "targetId");
    }
    if (Call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}}, &r) != Answer::Result)
        return false;
    session_ = Str(r, "sessionId");
    return !session_.empty();
}

DevToolsClient::Answer DevToolsClient::Call(const char* method, const json& params, json* result,
                                            bool inPage) {
    if (closed_) return Answer::Lost;
    json command{{"id", ++lastId_}, {"method", method}, {"params", params}};
    if (inPage) command["sessionId"] = session_;
    if (!pipe_.Write(command.dump() + '\0')) {
        closed_ = true;
        return Answer::Lost;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(heard_ ? answerMs_ : startMs_);
    json answer;
    for (;;) {
        if (Collect(&answer)) break;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return Answer::None;
        if (!pipe_.Read(inbox_, static_cast<int>(left))) {
            closed_ = true;
            return Answer::Lost;
        }
    }
    heard_ = true;
    if (answer.contains("error") || !Member(answer, "result").is_object()) return Answer::Error;
    if (result) *result = answer["result"];
    return Answer::Result;
}

// Every whole message in, up to the answer to the last command when that is
// looked for; true when it came.
bool DevToolsClient::Collect(json* answer) {
    for (std::size_t nul; (nul = inbox_.find('\0')) != std::string::npos;) {
        const std::string message = inbox_.substr(0, nul);
        inbox_.erase(0, nul + 1);
        Take(message, answer);
        if (answer && !answer->is_null()) return true;
    }
    return false;
}

// One message: the answer to the last command is kept; answers to commands
// given up on are let go; the page's detaching (the tab closed) is noted.
void DevToolsClient::Take(const std::string& message, json* answer) {
    const json m = json::parse(message, nullptr, false);
    const json& id = Member(m, "id");
    if (id.is_number_integer()) {
        if (answer && id.get<long>() == lastId_) *answer = m;
    } else if (Str(m, "method") == "Target.detachedFromTarget" &&
               Str(Member(m, "params"), "sessionId") == session_) {
        session_.clear();
    }
}

std::vector<std::string> DevToolsPipeArguments(const std::string& profile) {
    return {"--user-data-dir=" + profile,      "--remote-debugging-pipe",
            "--no-first-run",                  "--no-default-browser-check",
            "--disable-background-networking", "--disable-component-update",
            "--disable-sync",                  "--disable-quic",
            "about:blank"};
}

}  // namespace pelmor
