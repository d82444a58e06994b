// String and path helpers, the font line, value scrambling, and the colour
// texts they rely on.
#include "kcl/KCLStrUtils.h"
#include "platform/ColorNames.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Restores the separator that a test changes.
struct SeparatorGuard {
    char saved = KCLListSeparator;
    ~SeparatorGuard() { KCLListSeparator = saved; }
};

std::vector<AnsiString> split(const AnsiString &s, char sep)
{
    TStringList list;
    KCLSplitString(s, sep, &list);
    std::vector<AnsiString> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list[i]);
    return out;
}

TEST(KCLStrUtils, BlankMeansEmptyOrSpacesOnly)
{
    EXPECT_TRUE(KCLIsBlank(""));
    EXPECT_TRUE(KCLIsBlank("   "));
    EXPECT_FALSE(KCLIsBlank(" \t "));
    EXPECT_FALSE(KCLIsBlank(" x "));
}

TEST(KCLStrUtils, TrailingDelimiterAddedAndRemoved)
{
    EXPECT_EQ(KCLAddBackslash(""), "/");
    EXPECT_EQ(KCLAddBackslash("/tmp/"), "/tmp/");
    EXPECT_EQ(KCLAddBackslash("/tmp"), "/tmp/");
    EXPECT_EQ(KCLAddBackslash("   "), "   /");
    EXPECT_EQ(KCLAddBackslash("/"), "/");

    EXPECT_EQ(KCLRemoveBackslash("/"), "");
    EXPECT_EQ(KCLRemoveBackslash("/tmp/Temp/"), "/tmp/Temp");
    EXPECT_EQ(KCLRemoveBackslash("/tmp/Temp"), "/tmp/Temp");
    EXPECT_EQ(KCLRemoveBackslash(""), "");
    EXPECT_EQ(KCLRemoveBackslash("  "), "  ");
}

TEST(KCLStrUtils, JoinAndSplit)
{
    EXPECT_EQ(KCLJoinStrings({"a", "", "b"}, ';'), "a;;b");
    EXPECT_EQ(KCLJoinStrings({"one"}, ','), "one");
    EXPECT_EQ(KCLJoinStrings({}, ','), "");
    EXPECT_EQ(KCLJoinIntegers({200, -5, 0, 2147483647, -2147483647 - 1}, ','), "200,-5,0,2147483647,-2147483648");

    EXPECT_EQ(split("a,,b", ','), (std::vector<AnsiString>{"a", "", "b"}));
    EXPECT_EQ(split("a,b,", ','), (std::vector<AnsiString>{"a", "b"}));
    EXPECT_EQ(split(",a", ','), (std::vector<AnsiString>{"", "a"}));
    EXPECT_EQ(split(",", ','), (std::vector<AnsiString>{""}));
    EXPECT_EQ(split("abc", ','), (std::vector<AnsiString>{"abc"}));

    // An empty string leaves the list as it was; so does a nil list.
    TStringList list;
    list.Add("kept");
    KCLSplitString("", ',', &list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "kept");
    KCLSplitString("x,y", ',', nullptr);
    KCLSplitString("x", ',', &list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "x");
}

TEST(KCLStrUtils, FontLineRoundTrip)
{
    TFont font;
    font.SetName("Arial");
    font.SetSize(8);
    font.SetColor(clBlack);
    font.SetStyle(TFontStyles{fsBold});
    EXPECT_EQ(KCLFontToString(font), "Arial,8,clBlack,1,0,0,0");

    font.SetStyle(TFontStyles{fsItalic, fsUnderline, fsStrikeOut});
    font.SetColor(RGB(1, 2, 3));
    font.SetSize(12);
    const AnsiString line = KCLFontToString(font);
    EXPECT_EQ(line, "Arial,12,$00030201,0,1,1,1");
    TFont back;
    KCLStringToFont(line, back);
    EXPECT_EQ(back.Name(), "Arial");
    EXPECT_EQ(back.Size(), 12);
    EXPECT_EQ(back.Color(), RGB(1, 2, 3));
    EXPECT_EQ(back.Style(), (TFontStyles{fsItalic, fsUnderline, fsStrikeOut}));

    SeparatorGuard guard;
    KCLListSeparator = ';';
    EXPECT_EQ(KCLFontToString(back), "Arial;12;$00030201;0;1;1;1");
}

TEST(KCLStrUtils, FontLineReadingRules)
{
    TFont font;
    font.SetName("Tahoma");
    font.SetSize(9);
    font.SetColor(clRed);
    // Six pieces: nothing changes.
    KCLStringToFont("Arial,8,clBlack,1,0,0", font);
    EXPECT_EQ(font.Name(), "Tahoma");
    EXPECT_EQ(font.Size(), 9);
    EXPECT_EQ(font.Color(), clRed);
    // An invalid size gives 10; names compare without case; a style applies
    // when its number's lowest byte is not zero.
    KCLStringToFont("Arial,x,CLBLUE,256,257,0,-1", font);
    EXPECT_EQ(font.Name(), "Arial");
    EXPECT_EQ(font.Size(), 10);
    EXPECT_EQ(font.Color(), clBlue);
    EXPECT_EQ(font.Style(), (TFontStyles{fsItalic, fsStrikeOut}));
    // A numeric colour.
    KCLStringToFont("Arial,8,$80000014,0,0,0,0", font);
    EXPECT_EQ(font.Color(), clBtnHighlight);
    EXPECT_TRUE(font.Style().Empty());
}

TEST(KCLStrUtils, FontSizeBeyondWhatAFontHoldsIsNoValidNumber)
{
    TFont font;
    for (const char *line : {"Arial,2147483647,clBlack,0,0,0,0", "Arial,-2147483648,clBlack,0,0,0,0",
                             "Arial,40000,clBlack,0,0,0,0", "Arial,-40000,clBlack,0,0,0,0"}) {
        font.SetSize(9);
        KCLStringToFont(line, font);
        EXPECT_EQ(font.Size(), 10) << line;
    }
    KCLStringToFont("Arial,1638,clBlack,0,0,0,0", font);
    EXPECT_EQ(font.Size(), 1638);
    KCLStringToFont("Arial,-12,clBlack,0,0,0,0", font);
    EXPECT_EQ(font.Size(), -12);
}

TEST(KCLStrUtils, FontLineErrorsKeepWhatWasSetBefore)
{
    TFont font;
    font.SetName("Tahoma");
    font.SetColor(clRed);
    EXPECT_THROW(KCLStringToFont("Arial,8,clNoSuchColour,0,0,0,0", font), EConvertError);
    EXPECT_EQ(font.Name(), "Arial");
    EXPECT_EQ(font.Size(), 8);
    EXPECT_EQ(font.Color(), clRed);

    EXPECT_THROW(KCLStringToFont("Verdana,11,clGreen,1,1,z,0", font), EConvertError);
    EXPECT_EQ(font.Name(), "Verdana");
    EXPECT_EQ(font.Color(), clGreen);
    EXPECT_EQ(font.Style(), (TFontStyles{fsBold, fsItalic}));
}

TEST(KCLStrUtils, ScramblingIsReversibleForEveryKeyAndTextIsPrintable)
{
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    for (uint16_t key : {uint16_t(0), uint16_t(1), uint16_t(47113), uint16_t(65535)}) {
        for (const AnsiString &s : {AnsiString(), AnsiString("password"), AnsiString("aaaaaaaa"), all}) {
            const AnsiString enc = KCLEncodeString(s, key);
            EXPECT_EQ(KCLDecodeString(enc, key), s);
            const AnsiString text = KCLStringToText(enc);
            for (char c : text)
                EXPECT_TRUE(c >= 0x21 && c <= 0x7E);
            EXPECT_EQ(KCLDecodeString(KCLTextToString(text), key), s);
        }
    }
    EXPECT_NE(KCLEncodeString("aaaa", 47113), "aaaa");
    EXPECT_NE(KCLEncodeString("secret", 1), KCLEncodeString("secret", 2));
    EXPECT_THROW(KCLTextToString("ABC"), EConvertError);
    EXPECT_THROW(KCLTextToString("GG"), EConvertError);
}

TEST(ColorNames, ColourTextBothWays)
{
    EXPECT_EQ(ColorToString(clRed), "clRed");
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(clNone), "clNone");
    EXPECT_EQ(ColorToString(0x00123456), "$00123456");
    EXPECT_EQ(ColorToString(static_cast<TColor>(0x800000FFu)), "$800000FF");
    EXPECT_EQ(ColorToString(0xABCDEF), "$00ABCDEF");

    EXPECT_EQ(StringToColor("clWhite"), clWhite);
    EXPECT_EQ(StringToColor("clbtnshadow"), clBtnShadow);
    EXPECT_EQ(StringToColor("$00FF0000"), clBlue);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_EQ(StringToColor("-2147483633"), clBtnFace);
    EXPECT_THROW(StringToColor("red"), EConvertError);
    EXPECT_THROW(StringToColor(""), EConvertError);

    // Every name reads back as the colour it was written for.
    int names = 0;
    GetColorValues([&](const AnsiString &name) {
        TColor c;
        ASSERT_TRUE(IdentToColor(name, c));
        EXPECT_EQ(ColorToString(c), name);
        ++names;
    });
    EXPECT_GE(names, 50);
}

TEST(ColorNames, CharsetsAndFontStyles)
{
    AnsiString ident;
    ASSERT_TRUE(CharsetToIdent(EASTEUROPE_CHARSET, ident));
    EXPECT_EQ(ident, "EASTEUROPE_CHARSET");
    EXPECT_FALSE(CharsetToIdent(3, ident));
    int32_t cs = -1;
    ASSERT_TRUE(IdentToCharset("default_charset", cs));
    EXPECT_EQ(cs, DEFAULT_CHARSET);
    EXPECT_FALSE(IdentToCharset("LATIN2", cs));
    EXPECT_EQ(GetEnumName(FontStyleInfo, static_cast<int>(fsStrikeOut)), "fsStrikeOut");
    EXPECT_EQ(GetEnumValue(FontStyleInfo, "fsBold"), 0);
}

} // namespace
