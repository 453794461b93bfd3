// The form engine's rules, over the fake window system: what a user's
// action runs, the close query, a close held while a dialog is open, and the
// end of a session.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"

using namespace pelmor;

namespace {

struct Main : IFormEvents {
    fake::Journal ran, journal;
    std::function<void(std::string_view)> during;
    bool Handles(std::string_view) const override { return true; }
    void Dispatch(std::string_view handler) override {
        ran.emplace_back(handler);
        if (during) during(handler);
    }
    void CloseQuery(std::string_view, bool&) override {  // runs during once
        if (ran.emplace_back("query"), during) std::exchange(during, nullptr)("query");
    }

    fake::Toolkit ui{journal};
    std::unique_ptr<IWindow> form = BuildForm(
        ui, Layout::Parse("form f OnCloseQuery=Query menu=m\nbutton b OnClick=bClick\n"
                          "button c cancel=1 OnClick=cClick\ncheckbox x\ntimer t OnTimer=tTick\n"
                          "timer off enabled=0 OnTimer=offTick\nmenu m\n  item i OnClick=iClick\n"
                          "  item sub\n    item k shortcut=Ctrl+K OnClick=iClick\n"),
        *this, true);
    fake::Window& w = ui.Form("f");
};

std::string Error(const std::function<void()>& act) {
    try {
        act();
    } catch (const Exception& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(FormEngine, WhatAUsersActionRuns) {
    const struct {
        const char* name;
        void (*act)(Main&);
        fake::Journal ran;
    } rows[] = {
        {"a button", [](Main& m) { m.w.Click("b"); }, {"bClick"}},
        {"a disabled button", [](Main& m) { m.form->Control("b").SetEnabled(false), m.w.Click("b"); }, {}},
        {"a menu item", [](Main& m) { m.w.Click("i"); }, {"iClick"}},
        {"a disabled menu item", [](Main& m) { m.form->MenuItem("i").SetEnabled(false), m.w.Click("i"); }, {}},
        {"Esc: the cancel button", [](Main& m) { m.w.input.CancelKey(); }, {"cClick"}},
        {"a timer, running by default", [](Main& m) { m.w.Tick("t"); }, {"tTick"}},
        {"a disabled timer's late tick", [](Main& m) { m.w.Tick("off"); }, {}},
        {"a timer of interval 0", [](Main& m) { m.form->Timer("t").SetInterval(0), m.w.Tick("t"); }, {}},
    };
    for (const auto& r : rows) {
        Main m;
        r.act(m);
        EXPECT_EQ(m.ran, r.ran) << r.name;
    }
    // The window system runs the timers as the form sets them: 1000 ms by default.
    Main m;
    EXPECT_EQ(m.w.keyed, std::vector<std::string>{"k"}) << "a shortcut only where given";
    m.form->Timer("off").SetEnabled(true);
    for (const char* t : {"t", "off"}) EXPECT_TRUE(m.w.timers[t]->interval == 1000 && m.w.timers[t]->enabled) << t;
    m.form->Timer("t").SetEnabled(false);
    EXPECT_FALSE(m.w.timers["t"]->enabled);
    // A handler's error is shown, and the program goes on.
    m.during = [](std::string_view h) { h == "bClick" ? throw std::runtime_error("broken") : throw 42; };
    m.w.Click("b"), m.w.Tick("off"), m.w.Click("b");
    EXPECT_EQ(m.journal, (fake::Journal{"form f", "exception broken", "exception unexpected error in offTick",
                                        "exception broken"}));
}

// A form is built only when every handler its layout names exists: a
// misspelt name is an error, not a control that does nothing. Its controls
// are found by name and kind.
TEST(FormEngine, HandlersAndControlsByName) {
    struct Form {
        void Click() {}
        void Query(bool&) {}
    } form;
    HandlerTable<Form> events(form, {{"btnClick", &Form::Click}, {"Query", nullptr, &Form::Query}});
    const std::string head = "form f OnCloseQuery=Query\n";
    const std::pair<std::string, std::string> layouts[] = {  // layout, the handler it lacks
        {head + "button b OnClick=btnClick\ntimer t OnTimer=btnClick\nmenu m\n  item i OnClick=btnClick\n", ""},
        {"form f OnCloseQuery=FormCloseQuery\n", "FormCloseQuery"},
        {head + "button b OnClick=btnCllick\n", "btnCllick"},
        {head + "timer t OnTimer=TimerBaseTimer\n", "TimerBaseTimer"},
        {head + "menu m\n  item i OnClick=btnClick\n  item j OnClick=mnuExit\n", "mnuExit"},
    };
    for (const auto& [layout, missing] : layouts) {
        const std::string& text = layout;
        fake::Journal journal;
        fake::Toolkit ui(journal);
        const std::string error = Error([&] { BuildForm(ui, Layout::Parse(text), events, true); });
        EXPECT_NE(error.find(missing), std::string::npos) << text << error;
        EXPECT_EQ(journal.size(), missing.empty() ? 1u : 0u) << text << error;
    }
    Main m;
    const std::pair<std::function<void()>, const char*> lookups[] = {
        {[&] { m.form->CheckBox("x"); }, ""},
        {[&] { m.form->CheckBox("b"); }, "control b is not a check box"},
        {[&] { m.form->Memo("x"); }, "control x is not a memo"},
        {[&] { m.form->ListBox("b"); }, "control b is not a list box"},
        {[&] { m.form->Timer("b"); }, "form has no control b"},
    };
    for (const auto& [lookup, error] : lookups) EXPECT_EQ(Error(lookup), error);
}

// The close query saves the history and ends the log: once a run, however
// the end comes; the timers stop with the form.
TEST(FormEngine, TheCloseQueryRunsOncePerRun) {
    const struct {
        const char* name;
        void (*act)(Main&);
        std::size_t queries;
        bool closed;
    } rows[] = {
        {"close box", [](Main& m) { m.w.CloseBox(), m.w.CloseBox(); }, 1, true},
        {"exit, then the close box", [](Main& m) { m.form->Close(), m.w.CloseBox(); }, 1, true},
        {"the session's end", [](Main& m) { m.w.input.QueryEndSession(), m.w.input.EndSession(); }, 1, true},
        {"asked twice, then the close box",
         [](Main& m) { m.w.input.QueryEndSession(), m.w.input.QueryEndSession(), m.w.CloseBox(); }, 1, true},
        {"asked, and the session goes on", [](Main& m) { m.w.input.QueryEndSession(); }, 1, false},
        {"the session ends unasked", [](Main& m) { m.w.input.EndSession(); }, 0, false},
        // While the query runs (an error box of it open, say).
        {"the session ends meanwhile", [](Main& m) { m.during = [&m](std::string_view) {
             m.w.input.QueryEndSession(), m.w.input.EndSession(); }, m.w.CloseBox(); }, 1, true},
        {"closed again meanwhile",
         [](Main& m) { m.during = [&m](std::string_view) { m.w.CloseBox(); }, m.w.CloseBox(); }, 1, true},
    };
    for (const auto& r : rows) {
        Main m;
        r.act(m);
        m.w.Tick("t");
        fake::Journal ran(r.queries, "query");
        if (!r.closed) ran.push_back("tTick");
        EXPECT_EQ(m.ran, ran) << r.name;
        EXPECT_EQ(m.w.closed, r.closed) << r.name;
    }
}

// A close from outside while a dialog holds the main form disabled runs
// once the dialog has gone; the main form's menu waits meanwhile.
TEST(FormEngine, ACloseWhileADialogIsOpenRunsAfterIt) {
    Main m, dialogEvents;
    m.during = [&](std::string_view) {
        auto dialog = BuildForm(m.ui, Layout::Parse("form d\n"), dialogEvents, false);
        m.ui.onModal["d"] = [&](fake::Window&) {
            EXPECT_FALSE(m.w.enabled);
            m.w.CloseBox(), m.w.Click("i");
        };
        EXPECT_EQ(dialog->ShowModal(), 2);
        EXPECT_FALSE(m.w.closed) << "not inside the handler that opened the dialog";
    };
    m.w.Click("b");
    EXPECT_EQ(m.ran, (fake::Journal{"bClick", "query"}));
    EXPECT_TRUE(m.w.closed && m.w.enabled);
}

// A dialog whose loop ends by an exception leaves the main form whole:
// enabled again, its menu answering.
TEST(FormEngine, ADialogEndedByAnExceptionLeavesTheMainFormWhole) {
    Main m, dialogEvents;
    m.during = [&](std::string_view handler) {
        if (handler != "bClick") return;
        auto dialog = BuildForm(m.ui, Layout::Parse("form d\n"), dialogEvents, false);
        m.ui.onModal["d"] = [](fake::Window&) { throw std::runtime_error("lost"); };
        dialog->ShowModal();
    };
    m.w.Click("b");
    m.w.Click("i");
    EXPECT_EQ(m.ran, (fake::Journal{"bClick", "iClick"}));
    EXPECT_TRUE(m.w.enabled);
}
