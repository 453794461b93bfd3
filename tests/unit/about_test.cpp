// The about box.
#include <gtest/gtest.h>

#include <cstdint>


#include "fakes/Fakes.h"
#include "forms/About.h"
#include "forms/Main.h"

using namespace pelmor;
using namespace pelmor::fake;

TEST(AboutBox, TheButtonAndTheCloseBoxCloseItAndNothingElseChanges) {
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "button");
        Rig rig;
        TfrmMain form(rig.app);
        const std::int32_t reload = form.ReloadInterval, key = form.KeyInterval;
        rig.ui.onModal["frmAbout"] = [&](FakeWindow& w) {
            EXPECT_TRUE(w.modal);
            EXPECT_EQ(w.Ctl("Label1").text, "Pelmor V1.01");
            if (closeBox) {
                EXPECT_TRUE(w.CloseBox());
            } else {
                w.Click("btnOK");
                EXPECT_TRUE(w.closed);
            }
        };
        rig.ui.Main().Click("S1");
        EXPECT_EQ(rig.ui.windows.size(), 1u);  // the box is gone
        EXPECT_TRUE(rig.profile.writes.empty());
        EXPECT_TRUE(rig.ui.beeps.empty());
        EXPECT_TRUE(rig.ui.exceptions.empty());
        EXPECT_EQ(form.ReloadInterval, reload);
        EXPECT_EQ(form.KeyInterval, key);
        EXPECT_TRUE(rig.ui.Main().Item("S1").enabled);
    }
}
