// The form engine's rules, over the fake window system: what a user's
// action runs, the close query, a close held while a dialog is open, and the
// end of a session.
#include <gtest/gtest.h>

#include <functional>

#include "fakes/Fakes.h"

using namespace pelmor;

namespace {

const char kMain[] = "form f OnCloseQuery=Query menu=m\n"
                     "button b OnClick=bClick\nbutton c cancel=1 OnClick=cClick\ncheckbox x\n"
                     "timer t OnTimer=tTick\ntimer off enabled=0 OnTimer=offTick\n"
                     "menu m\n  item i OnClick=iClick\n";

struct Events : IFormEvents {
    fake::Journal ran;
    std::function<void(std::string_view)> during;
    bool Handles(std::string_view) const override { return true; }
    void Dispatch(std::string_view handler) override {
        ran.emplace_back(handler);
        if (during) during(handler);
    }
    void CloseQuery(std::string_view, bool&) override { ran.emplace_back("query"); }
};

struct Main {
    fake::Journal journal;
    fake::Toolkit ui{journal};
    Events events;
    std::unique_ptr<IWindow> form = BuildForm(ui, Layout::Parse(kMain), events, true);
    fake::Window& w = ui.Form("f");
    IFormInput& input = w.input;
};

}  // namespace

TEST(FormEngine, WhatAUsersActionRuns) {
    const struct {
        const char* name;
        std::function<void(Main&)> act;
        fake::Journal ran;
    } rows[] = {
        {"a button", [](Main& m) { m.w.Click("b"); }, {"bClick"}},
        {"a disabled button", [](Main& m) { m.form->Control("b").SetEnabled(false), m.w.Click("b"); }, {}},
        {"a menu item", [](Main& m) { m.w.Click("i"); }, {"iClick"}},
        {"a disabled menu item", [](Main& m) { m.form->MenuItem("i").SetEnabled(false), m.w.Click("i"); }, {}},
        {"Esc: the cancel button", [](Main& m) { m.input.CancelKey(); }, {"cClick"}},
        {"a running timer", [](Main& m) { m.w.Tick("t"); }, {"tTick"}},
        {"a stopped timer's late tick", [](Main& m) { m.w.Tick("off"); }, {}},
        {"a timer stopped by the form", [](Main& m) { m.form->Timer("t").SetInterval(0), m.w.Tick("t"); }, {}},
    };
    for (const auto& r : rows) {
        Main m;
        r.act(m);
        EXPECT_EQ(m.events.ran, r.ran) << r.name;
    }
    // A timer runs by default, every second; the window system runs what the
    // form says.
    Main m;
    EXPECT_EQ(std::tuple(m.w.timers["t"]->interval, m.w.timers["t"]->enabled), std::tuple(1000u, true));
    EXPECT_FALSE(m.w.timers["off"]->enabled);
    m.form->Timer("off").SetEnabled(true);
    EXPECT_EQ(std::tuple(m.w.timers["off"]->interval, m.w.timers["off"]->enabled), std::tuple(1000u, true));
}

TEST(FormEngine, AHandlersErrorIsShownAndTheProgramGoesOn) {
    Main m;
    m.events.during = [](std::string_view h) {
        if (h == "bClick") throw std::runtime_error("broken");
        throw 42;
    };
    m.w.Click("b");
    m.w.Tick("t");
    m.w.Click("b");
    EXPECT_EQ(m.journal, (fake::Journal{"form f", "exception broken", "exception unexpected error in tTick",
                                        "exception broken"}));
}

TEST(FormEngine, ControlsByNameAndKind) {
    Main m;
    EXPECT_NO_THROW(m.form->CheckBox("x"));
    const std::pair<std::function<void()>, const char*> rows[] = {
        {[&] { m.form->CheckBox("b"); }, "control b is not a check box"},
        {[&] { m.form->Memo("x"); }, "control x is not a memo"},
        {[&] { m.form->ListBox("b"); }, "control b is not a list box"},
        {[&] { m.form->Control("nothing"); }, "form has no control nothing"},
        {[&] { m.form->Timer("b"); }, "form has no control b"},
    };
    for (const auto& [lookup, error] : rows) {
        try {
            lookup();
            ADD_FAILURE() << error;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), error);
        }
    }
}

// The close query saves the history and ends the log: once a run, however
// the end comes.
TEST(FormEngine, TheCloseQueryRunsOncePerRun) {
    const struct {
        const char* name;
        std::function<void(Main&)> act;
        std::size_t queries;
        bool closed;
    } rows[] = {
        {"close box", [](Main& m) { m.w.CloseBox(), m.w.CloseBox(); }, 1, true},
        {"exit, then the close box", [](Main& m) { m.form->Close(), m.w.CloseBox(); }, 1, true},
        {"the session's end", [](Main& m) { m.input.QueryEndSession(), m.input.EndSession(); }, 1, true},
        {"asked twice, then the close box",
         [](Main& m) { m.input.QueryEndSession(), m.input.QueryEndSession(), m.w.CloseBox(); }, 1, true},
        {"asked, and the session goes on", [](Main& m) { m.input.QueryEndSession(); }, 1, false},
        {"the session ends unasked", [](Main& m) { m.input.EndSession(); }, 0, false},
    };
    for (const auto& r : rows) {
        Main m;
        r.act(m);
        EXPECT_EQ(m.events.ran, fake::Journal(r.queries, "query")) << r.name;
        EXPECT_EQ(m.w.closed, r.closed) << r.name;
        m.w.Tick("t");
        EXPECT_EQ(m.events.ran.back() == "tTick", !r.closed) << r.name << ": the timers stop with the form";
    }
}

// A close from outside while a dialog holds the main form disabled waits
// until the dialog has gone; the main form's menu waits too.
TEST(FormEngine, ACloseWhileADialogIsOpenRunsAfterIt) {
    Main m;
    Events dialogEvents;
    m.events.during = [&](std::string_view h) {
        if (h != "bClick") return;
        auto dialog = BuildForm(m.ui, Layout::Parse("form d\nbutton ok OnClick=okClick\n"), dialogEvents, false);
        m.ui.onModal["d"] = [&](fake::Window& d) {
            EXPECT_FALSE(m.w.enabled);
            m.w.CloseBox();
            m.w.Click("i");
            d.Click("ok");
            EXPECT_EQ(m.events.ran, fake::Journal{"bClick"});
        };
        EXPECT_EQ(dialog->ShowModal(), 2);
        EXPECT_FALSE(m.w.closed) << "not while the handler that opened the dialog runs";
    };
    m.w.Click("b");
    EXPECT_EQ(dialogEvents.ran, fake::Journal{"okClick"});
    EXPECT_EQ(m.events.ran, (fake::Journal{"bClick", "query"}));
    EXPECT_TRUE(m.w.closed && m.w.enabled);
}
