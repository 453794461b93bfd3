// The about box, and the icons it and the program show.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fakes/Fakes.h"
#include "forms/About.h"
#include "forms/Main.h"
#include "platform/Codepage.h"

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

TEST(AboutBox, ItsTextsAreCodePage932) {
    // Every text the program shows must survive the code page.
    for (const char* name : {"Label1", "Label2"}) {
        std::string text = AboutLayout().Find(name)->Str("caption");
        EXPECT_FALSE(text.empty()) << name;
        EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(text)), text) << name;
    }
}

namespace {

struct IconImage {
    int width, height, colours, bitsPerPixel;
    std::string pixels;  // header, palette and bitmaps
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

unsigned U16(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s.at(at)) | static_cast<unsigned char>(s.at(at + 1)) << 8;
}
std::uint32_t U32(const std::string& s, std::size_t at) { return U16(s, at) | U16(s, at + 2) << 16; }

std::vector<IconImage> ReadIcon(const std::string& file) {
    std::vector<IconImage> images;
    if (file.size() < 6 || U16(file, 0) != 0 || U16(file, 2) != 1) return images;
    for (unsigned i = 0; i < U16(file, 4); ++i) {
        std::size_t e = 6 + 16 * i;
        IconImage img;
        img.width = static_cast<unsigned char>(file.at(e));
        img.height = static_cast<unsigned char>(file.at(e + 1));
        img.colours = static_cast<unsigned char>(file.at(e + 2));
        img.bitsPerPixel = static_cast<int>(U16(file, e + 6));
        img.pixels = file.substr(U32(file, e + 12), U32(file, e + 8));
        images.push_back(img);
    }
    return images;
}

const std::filesystem::path kResources =
    std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "app" / "res";

}  // namespace

TEST(Icons, ProgramAndAboutIconsAreSixteenColourIconsOfTheirOwn) {
    auto program = ReadIcon(ReadFile(kResources / "pelmor.ico"));
    auto about = ReadIcon(ReadFile(kResources / "about.ico"));
    ASSERT_EQ(program.size(), 2u);
    ASSERT_EQ(about.size(), 1u);
    EXPECT_EQ(program[0].width, 32);
    EXPECT_EQ(program[0].height, 32);
    EXPECT_EQ(program[1].width, 16);
    EXPECT_EQ(program[1].height, 16);
    EXPECT_EQ(about[0].width, 32);
    EXPECT_EQ(about[0].height, 32);
    for (const auto* img : {&program[0], &program[1], &about[0]}) {
        EXPECT_EQ(img->colours, 16);
        EXPECT_EQ(img->bitsPerPixel, 4);
        // header (40) + palette (64) + 4-bit colour rows + 1-bit mask rows
        int maskStride = ((img->width + 31) / 32) * 4;
        std::size_t size = 40 + 64 + static_cast<std::size_t>(img->width / 2 * img->height) +
                           static_cast<std::size_t>(maskStride * img->height);
        EXPECT_EQ(img->pixels.size(), size);
        EXPECT_EQ(U32(img->pixels, 0), 40u);
        EXPECT_EQ(static_cast<int>(U32(img->pixels, 8)), img->height * 2);
    }
    // Close to the program's icon, but not the same picture.
    EXPECT_NE(program[0].pixels, about[0].pixels);
}

TEST(Icons, TheBrowseGlyphIsA16By13SixteenColourBitmap) {
    std::string bmp = ReadFile(kResources / "browse.bmp");
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(U32(bmp, 2), bmp.size());
    EXPECT_EQ(U32(bmp, 18), 16u);  // width
    EXPECT_EQ(U32(bmp, 22), 13u);  // height
    EXPECT_EQ(U16(bmp, 28), 4u);   // bits per pixel
    EXPECT_EQ(bmp.size(), U32(bmp, 10) + 8u * 13u);
}
