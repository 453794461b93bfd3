// The DevTools client over a pipe whose browser's end is played in process:
// which page it drives, what it makes of each answer, the framing, the
// bounds, and a browser gone.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "platform/DevTools.h"

using namespace pelmor;
using nlohmann::json;
using Result = IBrowser::Result;
using Clock = std::chrono::steady_clock;

namespace {

// Answers each command with the row's text for its method: messages each
// ended by '|' (a NUL on the pipe), "ID" and "ID-1" standing for the
// command's id and the one before, sent after delayMs a few bytes a read;
// "close" closes the pipe instead.
struct BrowserEnd : IDevToolsPipe {
    std::map<std::string, std::string> replies;
    int delayMs = 0;
    std::vector<std::string> heard;
    std::string pending;
    Clock::time_point due;
    bool closed = false;

    bool Write(const std::string& bytes) override {
        if (closed) return false;
        EXPECT_EQ(bytes.back(), '\0');
        const json m = json::parse(bytes.substr(0, bytes.size() - 1));
        heard.push_back(m["method"].get<std::string>() + " " + m.value("params", json::object()).dump() +
                        (m.contains("sessionId") ? " @" + m["sessionId"].get<std::string>() : ""));
        std::string reply = replies[m["method"]];
        if (reply == "close") closed = true, reply.clear();
        for (const char* id : {"ID-1", "ID", "|"}) {
            const std::string value = id[0] == '|' ? std::string(1, '\0') : std::to_string(m["id"].get<long>() - (id[2] ? 1 : 0));
            for (std::size_t at; (at = reply.find(id)) != std::string::npos;) reply.replace(at, std::strlen(id), value);
        }
        pending += reply;
        due = Clock::now() + std::chrono::milliseconds(delayMs);
        return true;
    }
    bool Read(std::string& to, int ms) override {
        if (pending.empty() || Clock::now() < due) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 5)));
            return !closed;
        }
        to += pending.substr(0, 7);
        pending.erase(0, std::min<std::size_t>(7, pending.size()));
        return true;
    }
};

const char* kTargets = R"({"id":ID,"result":{"targetInfos":[{"type":"browser_ui","targetId":"U"},{"type":"page","targetId":"T1"}]}}|)";
const char* kAttached = R"({"id":ID,"result":{"sessionId":"S1"}}|)";
const char* kShown = R"({"id":ID,"result":{"frameId":"F"}}|)";
const char* kFailed = R"({"id":ID,"error":{"code":-32000,"message":"no"}}|)";
// What a browser says beside its answers: an event, a late answer, noise.
const std::string kNoise = R"({"method":"Target.targetCreated","params":{}}|{"method":1}|{"id":ID-1,"result":{"targetInfos":[],"sessionId":"X"}}|[1,|)";
const std::string kFind = "Target.getTargets {}", kAttach = R"(Target.attachToTarget {"flatten":true,"targetId":"T1"})",
                  kGo = R"(Page.navigate {"url":"http://a/"} @S1)";
const char *kGet = "Target.getTargets", *kAtt = "Target.attachToTarget", *kNav = "Page.navigate";

}  // namespace

TEST(DevToolsClient, OnePageEachAnswerAndTheBrowserGone) {
    // connected: pages found, then told or not.
    const struct { const char* name; std::map<std::string, std::string> replies; int delayMs; std::vector<Result> results;
                   std::vector<std::string> heard; int misses, connected; bool closed; } rows[] = {
        {"a page found, attached to once", {{kGet, kTargets}, {kAtt, kAttached}, {kNav, kShown}}, 0,
         {Result::Opened, Result::Opened}, {kFind, kAttach, kGo, kGo}, 0, 2, false},
        {"no page: one made", {{kGet, R"({"id":ID,"result":{"targetInfos":[]}}|)"}, {kAtt, kAttached}, {kNav, kShown},
         {"Target.createTarget", R"({"id":ID,"result":{"targetId":"T1"}}|)"}}, 0, {Result::Opened, Result::Opened},
         {kFind, R"(Target.createTarget {"url":"about:blank"})", kAttach, kGo, kGo}, 0, 2, false},
        {"an error page is refused, the page kept", {{kGet, kTargets}, {kAtt, kAttached},
         {kNav, R"({"id":ID,"result":{"errorText":"net::ERR_FAILED"}}|)"}}, 0, {Result::Refused, Result::Refused},
         {kFind, kAttach, kGo, kGo}, 0, 2, false},
        {"a page refused by an error is looked for again", {{kGet, kTargets}, {kAtt, kAttached}, {kNav, kFailed}}, 0,
         {Result::Refused, Result::Refused}, {kFind, kAttach, kGo, kFind, kAttach, kGo}, 0, 2, false},
        {"an unanswered page counts a miss", {{kGet, kTargets}, {kAtt, kAttached}}, 0,
         {Result::Refused, Result::Refused}, {kFind, kAttach, kGo, kFind, kAttach, kGo}, 2, 2, false},
        {"events, late answers and noise are let go", {{kGet, kNoise + kTargets}, {kAtt, kNoise + kAttached},
         {kNav, kNoise + kShown}}, 0, {Result::Opened, Result::Opened}, {kFind, kAttach, kGo, kGo}, 0, 2, false},
        {"the page detached: attached to again", {{kGet, kTargets}, {kAtt, kAttached},
         {kNav, kShown + std::string(R"({"method":"Target.detachedFromTarget","params":{"sessionId":"S1"}}|)")}}, 0,
         {Result::Opened, Result::Opened}, {kFind, kAttach, kGo, kFind, kAttach, kGo}, 0, 2, false},
        {"pages not found count misses", {{kGet, kFailed}}, 0, {Result::NoBrowser, Result::NoBrowser},
         {kFind, kFind}, 2, 0, false},
        {"the first answer has the start's bound, the others not", {{kGet, kTargets}, {kAtt, kAttached}}, 150,
         {Result::NoBrowser, Result::NoBrowser}, {kFind, kAttach, kFind}, 2, 0, false},
        {"the browser gone", {{kGet, kTargets}, {kAtt, kAttached}, {kNav, "close"}}, 0,
         {Result::NoBrowser, Result::NoBrowser}, {kFind, kAttach, kGo}, 0, 1, true},
    };
    for (const auto& r : rows) {
        BrowserEnd browser;
        browser.replies = r.replies, browser.delayMs = r.delayMs;
        DevToolsClient client(browser, 300, 50);
        std::vector<Result> results;
        int connected = 0;
        while (results.size() < r.results.size()) results.push_back(client.Open("http://a/", [&] { ++connected; }));
        EXPECT_EQ(results, r.results) << r.name;
        EXPECT_EQ(browser.heard, r.heard) << r.name;
        EXPECT_EQ(client.Misses(), r.misses) << r.name;
        EXPECT_EQ(client.Closed(), r.closed) << r.name;
        EXPECT_EQ(connected, r.connected) << r.name;
        client.Close();
        EXPECT_EQ(browser.heard.back() == "Browser.close {}", !r.closed) << r.name;
    }
}
