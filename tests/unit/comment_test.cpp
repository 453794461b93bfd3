// The measurement comment dialog and the log header it writes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fakes/Fakes.h"
#include "forms/Comment.h"
#include "forms/Main.h"

using namespace pelmor;
using namespace pelmor::fake;

namespace {

const std::string kDate = "Tue Nov 14 22:13:20 2023\n";  // FakeClock's start

struct CommentRig : Rig {
    std::unique_ptr<TfrmMain> form = std::make_unique<TfrmMain>(app);
    std::string typed;

    // Starts a measurement whose comment dialog gets the typed text and OK.
    void StartWith(const std::string& text) {
        typed = text;
        ui.onModal["frmComment"] = [this](FakeWindow& dlg) {
            dlg.Ctl("edtComment").text = typed;
            dlg.Click("btnOK");
        };
        ui.Main().Click("mnuStart");
    }
};

}  // namespace

TEST(CommentDialog, OkWritesTheDateAndTheCommentInCodePage932) {
    CommentRig rig;
    rig.StartWith("バッテリ測定 ﾃｽﾄ");
    EXPECT_EQ(rig.LogText(),
              "\r\n' Tue Nov 14 22:13:20 2023\r\n"
              "' \x83\x6F\x83\x62\x83\x65\x83\x8A\x91\xAA\x92\xE8 \xC3\xBD\xC4\r\n");
    EXPECT_EQ(rig.form->Measuring, 1);
}

TEST(CommentDialog, AnEmptyCommentGivesABareApostropheLine) {
    CommentRig rig;
    rig.StartWith("");
    EXPECT_EQ(rig.LogText(), "\r\n' Tue Nov 14 22:13:20 2023\r\n' \r\n");
}

TEST(CommentDialog, CharactersCodePage932LacksBecomeQuestionMarks) {
    CommentRig rig;
    rig.StartWith("a한b");
    EXPECT_EQ(rig.LogText(), "\r\n' Tue Nov 14 22:13:20 2023\r\n' a?b\r\n");
}

TEST(CommentDialog, TheCloseBoxWritesNothingAndEscIsNoCancel) {
    CommentRig rig;
    rig.ui.onModal["frmComment"] = [](FakeWindow& dlg) {
        dlg.Ctl("edtComment").text = "typed, then closed";
        EXPECT_TRUE(dlg.CloseBox());
    };
    rig.ui.Main().Click("mnuStart");
    EXPECT_EQ(rig.log.opens, 0);
    EXPECT_EQ(rig.form->Measuring, 1);

    // Esc has no button to press; Enter presses the OK button.
    const Layout& layout = CommentLayout();
    for (const LayoutNode& node : layout.nodes) EXPECT_FALSE(node.Flag("cancel")) << node.name;
    ASSERT_NE(layout.Find("btnOK"), nullptr);
    EXPECT_TRUE(layout.Find("btnOK")->Flag("default"));
    EXPECT_EQ(layout.Find("btnOK")->Str("OnClick"), "btnOKClick");
}

TEST(CommentDialog, EveryOpeningIsAFreshDialogWithAnEmptyEdit) {
    CommentRig rig;
    int openings = 0;
    rig.ui.onModal["frmComment"] = [&](FakeWindow& dlg) {
        ++openings;
        EXPECT_EQ(dlg.Ctl("edtComment").text, "");
        dlg.Ctl("edtComment").text = "run " + std::to_string(openings);
        dlg.Click("btnOK");
    };
    rig.ui.Main().Click("mnuStart");
    rig.ui.Main().Click("mnuStart");  // stop
    rig.clock.now += 61;
    rig.ui.Main().Click("mnuStart");
    EXPECT_EQ(openings, 2);
    EXPECT_EQ(rig.LogText(),
              "\r\n' Tue Nov 14 22:13:20 2023\r\n' run 1\r\n"
              "\r\n' Tue Nov 14 22:14:21 2023\r\n' run 2\r\n");
}

TEST(CommentDialog, ALogThatCannotBeOpenedStillClosesTheDialogAndStarts) {
    CommentRig rig;
    rig.log.locked[rig.Path("pelmor.log")] = true;
    bool closedByOk = false;
    rig.ui.onModal["frmComment"] = [&](FakeWindow& dlg) {
        dlg.Click("btnOK");
        closedByOk = dlg.closed;
    };
    rig.ui.Main().Click("mnuStart");
    EXPECT_TRUE(closedByOk);
    ASSERT_EQ(rig.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(rig.ui.messageBoxes[0].text, "ﾛｸﾞﾌｧｲﾙ保存失敗。");
    EXPECT_EQ(rig.form->Measuring, 1);
}

TEST(CommentHeader, HoldsAtMost127BytesCuttingTheCommentAtACharacterBoundary) {
    const std::string a96(96, 'a');
    std::string header = CommentHeader(kDate, a96);
    EXPECT_EQ(header.size(), 127u);
    EXPECT_EQ(header, "\n' " + kDate + "' " + a96 + "\n");

    EXPECT_EQ(CommentHeader(kDate, a96 + "b"), header);  // 97 bytes: the last one goes

    std::string wide;  // "あ" x 48 = 96 bytes fits, a 49th does not
    for (int i = 0; i < 48; ++i) wide += "\x82\xA0";
    EXPECT_EQ(CommentHeader(kDate, wide).size(), 127u);
    EXPECT_EQ(CommentHeader(kDate, wide + "\x82\xA0"), CommentHeader(kDate, wide));

    // 95 bytes and a double-byte character: the character does not fit
    // whole, so the comment keeps 95 bytes and no half character.
    const std::string a95(95, 'a');
    header = CommentHeader(kDate, a95 + "\x82\xA0");
    EXPECT_EQ(header, "\n' " + kDate + "' " + a95 + "\n");
    EXPECT_EQ(header.size(), 126u);

    // Half-width katakana take one byte each.
    const std::string kana(96, '\xB1');
    EXPECT_EQ(CommentHeader(kDate, kana + "\xB1").size(), 127u);
}

TEST(CommentHeader, ALongCommentTypedInTheDialogIsCutTheSameWay) {
    CommentRig rig;
    std::string typed;
    for (int i = 0; i < 60; ++i) typed += "測";  // 120 bytes in code page 932
    rig.StartWith(typed);
    std::string comment;
    for (int i = 0; i < 48; ++i) comment += "\x91\xAA";
    EXPECT_EQ(rig.LogText(), "\r\n' Tue Nov 14 22:13:20 2023\r\n' " + comment + "\r\n");
}
