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

// Answers each command with the row's text for its method ("" none; "ID"
// and "ID-1" stand for the command's id and the one before), after delayMs,
// handed out a few bytes a read; "close" closes the pipe instead.
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
        for (const char* id : {"ID-1", "ID"}) {
            const std::string value = std::to_string(m["id"].get<long>() - (id[2] ? 1 : 0));
            for (std::size_t at; (at = reply.find(id)) != std::string::npos;) reply.replace(at, std::strlen(id), value);
        }
        pending += reply;
        due = Clock::now() + std::chrono::milliseconds(delayMs);
        return true;
    }
    bool Read(std::string& to, int ms) override {
        if (pending.empty() || Clock::now() < due) {
            if (closed) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 5)));
            return true;
        }
        to += pending.substr(0, 7);
        pending.erase(0, std::min<std::size_t>(7, pending.size()));
        return true;
    }
};

const std::string kTargets = std::string(R"({"id":ID,"result":{"targetInfos":[{"type":"browser_ui","targetId":"U"},)") +
                             R"({"type":"page","targetId":"T1"}]}})" + '\0';
const std::string kAttached = std::string(R"({"id":ID,"result":{"sessionId":"S1"}})") + '\0';
const std::string kShown = std::string(R"({"id":ID,"result":{"frameId":"F"}})") + '\0';
const std::string kFailed = std::string(R"({"id":ID,"error":{"code":-32000,"message":"no"}})") + '\0';
// What a browser says beside its answers: an event, a late answer, noise.
const std::string kNoise = std::string(R"({"method":"Target.targetCreated","params":{"targetInfo":{}}})") + '\0' +
                           R"({"id":ID-1,"result":{"targetInfos":[],"sessionId":"X"}})" + '\0' + "[1," + '\0';

const std::string kFind = "Target.getTargets {}";
const std::string kAttach = R"(Target.attachToTarget {"flatten":true,"targetId":"T1"})";
const std::string kGo = R"(Page.navigate {"url":"http://a/"} @S1)";

}  // namespace

TEST(DevToolsClient, OnePageEachAnswerAndTheBrowserGone) {
    const struct {
        const char* name;
        std::map<std::string, std::string> replies;
        int delayMs;
        std::vector<Result> results;
        std::vector<std::string> heard;
        int misses;
        bool closed;
        int connected;  // pages found, the page then told or not
    } rows[] = {
        {"a page found, attached to once", {{"Target.getTargets", kTargets}, {"Target.attachToTarget", kAttached},
         {"Page.navigate", kShown}}, 0, {Result::Opened, Result::Opened}, {kFind, kAttach, kGo, kGo}, 0, false, 2},
        {"no page: one made", {{"Target.getTargets", std::string(R"({"id":ID,"result":{"targetInfos":[]}})") + '\0'},
         {"Target.createTarget", std::string(R"({"id":ID,"result":{"targetId":"T1"}})") + '\0'},
         {"Target.attachToTarget", kAttached}, {"Page.navigate", kShown}}, 0, {Result::Opened, Result::Opened},
         {kFind, R"(Target.createTarget {"url":"about:blank"})", kAttach, kGo, kGo}, 0, false, 2},
        {"an error page is refused, the page kept", {{"Target.getTargets", kTargets}, {"Target.attachToTarget", kAttached},
         {"Page.navigate", std::string(R"({"id":ID,"result":{"errorText":"net::ERR_FAILED"}})") + '\0'}}, 0,
         {Result::Refused, Result::Refused}, {kFind, kAttach, kGo, kGo}, 0, false, 2},
        {"a page refused by an error is looked for again", {{"Target.getTargets", kTargets},
         {"Target.attachToTarget", kAttached}, {"Page.navigate", kFailed}}, 0, {Result::Refused, Result::Refused},
         {kFind, kAttach, kGo, kFind, kAttach, kGo}, 0, false, 2},
        {"an unanswered page counts a miss", {{"Target.getTargets", kTargets}, {"Target.attachToTarget", kAttached}}, 0,
         {Result::Refused, Result::Refused}, {kFind, kAttach, kGo, kFind, kAttach, kGo}, 2, false, 2},
        {"events, late answers and noise are let go", {{"Target.getTargets", kNoise + kTargets},
         {"Target.attachToTarget", kNoise + kAttached}, {"Page.navigate", kNoise + kShown}}, 0,
         {Result::Opened, Result::Opened}, {kFind, kAttach, kGo, kGo}, 0, false, 2},
        {"the page detached: attached to again", {{"Target.getTargets", kTargets}, {"Target.attachToTarget", kAttached},
         {"Page.navigate", kShown + R"({"method":"Target.detachedFromTarget","params":{"sessionId":"S1"}})" + '\0'}}, 0,
         {Result::Opened, Result::Opened}, {kFind, kAttach, kGo, kFind, kAttach, kGo}, 0, false, 2},
        {"pages not found count misses", {{"Target.getTargets", kFailed}}, 0, {Result::NoBrowser, Result::NoBrowser},
         {kFind, kFind}, 2, false, 0},
        {"the first answer has the start's bound, the others not", {{"Target.getTargets", kTargets},
         {"Target.attachToTarget", kAttached}}, 150, {Result::NoBrowser, Result::NoBrowser}, {kFind, kAttach, kFind}, 2, false, 0},
        {"the browser gone", {{"Target.getTargets", kTargets}, {"Target.attachToTarget", kAttached},
         {"Page.navigate", "close"}}, 0, {Result::NoBrowser, Result::NoBrowser}, {kFind, kAttach, kGo}, 0, true, 1},
    };
    for (const auto& r : rows) {
        BrowserEnd browser;
        browser.replies = r.replies;
        browser.delayMs = r.delayMs;
        DevToolsClient client(browser, 300, 50);
        std::vector<Result> results;
        int connected = 0;
        for (std::size_t i = 0; i < r.results.size(); ++i) {
            const Clock::time_point t0 = Clock::now();
            results.push_back(client.Open("http://a/", [&] { ++connected; }));
            EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(450)) << r.name;
        }
        EXPECT_EQ(results, r.results) << r.name;
        EXPECT_EQ(browser.heard, r.heard) << r.name;
        EXPECT_EQ(client.Misses(), r.misses) << r.name;
        EXPECT_EQ(client.Closed(), r.closed) << r.name;
        EXPECT_EQ(connected, r.connected) << r.name;
        client.Close();
        EXPECT_EQ(browser.heard.back() == "Browser.close {}", !r.closed) << r.name;
    }
}
