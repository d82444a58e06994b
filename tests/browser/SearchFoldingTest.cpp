#include "browser/TaxonarTypeCode.h"

#include <gtest/gtest.h>

using namespace taxonar;

TEST(SearchFolding, PolishLettersFoldToTheirBaseLetters)
{
    EXPECT_EQ(NormalizeSearchText("\xAF\xF3\xB3\xE6"), "ZOLC");                // Żółć
    EXPECT_EQ(NormalizeSearchText("\xA3\xF3\x64\x9F 2010"), "LODZ 2010");       // Łódź 2010
    EXPECT_EQ(NormalizeSearchText("\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF"), "ACELNOSZZ");
    EXPECT_EQ(NormalizeSearchText("\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF"), "ACELNOSZZ");
    EXPECT_EQ(NormalizeSearchText(""), "");
    EXPECT_EQ(NormalizeSearchText("a-1 ,.;"), "A-1 ,.;");
}

TEST(SearchFolding, ComparableFormsOfOneWordAgree)
{
    const std::string forms[] = {"zolc", "\xAF\xD3\xA3\xC6", "\xAF\xF3\xB3\xE6", "Zolc", "ZOLC"};
    for (const auto &f : forms)
        EXPECT_EQ(ComparableText(f), "zolc");
    EXPECT_EQ(ComparableText("X"), platform::LowerCase(NormalizeSearchText("X")));
}

TEST(SearchFolding, LettersOutsideTheTableKeepTheirDiacritic)
{
    // ä becomes Ä, Ä stays Ä; neither turns into a.
    EXPECT_EQ(NormalizeSearchText("\xE4"), "\xC4");
    EXPECT_EQ(ComparableText("\xE4"), "\xC4");
    EXPECT_EQ(ComparableText("\xC4"), "\xC4");
    EXPECT_TRUE(ComparableContains("M\xE4rz", ComparableText("\xC4")));
    EXPECT_FALSE(ComparableContains("Marz", ComparableText("\xC4")));
}

TEST(SearchFolding, NormalizingAComparableFormUpperCasesItAgain)
{
    EXPECT_EQ(NormalizeSearchText(ComparableText("\xAF\xF3\xB3\xE6")), "ZOLC");
}

TEST(SearchFolding, EveryByteKeepsTheLength)
{
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[size_t(i)] = static_cast<char>(i);
    EXPECT_EQ(NormalizeSearchText(all).size(), 256u);
    const std::string cmp = ComparableText(all);
    for (unsigned char c : cmp)
        EXPECT_FALSE(c >= 'A' && c <= 'Z');
}

TEST(SearchFolding, ContainmentIsBytewiseOnComparableForms)
{
    const std::string text = "Za\xBF\xF3\xB3\xE6 G\xCA\x8CL\xA5 ja\x9F\xF1";
    EXPECT_TRUE(ComparableContains(text, "gesla"));
    EXPECT_TRUE(ComparableContains(text, "zazolc gesla jazn"));
    EXPECT_FALSE(ComparableContains(text, "gesla  jazn"));
    EXPECT_FALSE(ComparableContains(text, ""));   // an empty term is contained in nothing
    EXPECT_FALSE(ComparableContains("", "a"));
    EXPECT_TRUE(ContainsTerm("abc", "abc"));
    EXPECT_FALSE(ContainsTerm("ab", "abc"));
}
