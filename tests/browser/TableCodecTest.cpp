#include "browser/TaxonarTypeCode.h"

#include <gtest/gtest.h>
#include <random>

using namespace taxonar;

namespace {
// A stored line built by hand from group values, with the right check value
// unless `checkDelta` shifts it.
std::string storedLine(const std::vector<std::string> &groups, int sumOfValues, int checkDelta = 0)
{
    uint16_t s = static_cast<uint16_t>(sumOfValues + checkDelta);
    std::string line = "@";
    line += CodeAlphabet[s / 4096];
    line += CodeAlphabet[16 + (s / 256) % 16];
    line += CodeAlphabet[(s / 16) % 16];
    line += CodeAlphabet[16 + s % 16];
    for (const auto &g : groups)
        line += g;
    return line;
}
std::string twoGroup(int v) { return {CodeAlphabet[v / 16], CodeAlphabet[16 + v % 16]}; }
} // namespace

TEST(TableCodec, SymbolIndexIsThePositionInTheAlphabet)
{
    EXPECT_EQ(CodeSymbolIndex('K'), 0);
    EXPECT_EQ(CodeSymbolIndex('7'), 1);
    EXPECT_EQ(CodeSymbolIndex('I'), 35);
    EXPECT_EQ(CodeSymbolIndex('A'), 16);
    // Not symbols: lower case, '@', '#', bytes above 127.
    for (int c : {int('k'), int('@'), int('#'), int(' '), 0xB9})
        EXPECT_EQ(CodeSymbolIndex(static_cast<unsigned char>(c)), 0);
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(CodeSymbolIndex(static_cast<unsigned char>(CodeAlphabet[i])), i);
}

TEST(TableCodec, ShortOrUnmarkedLinesDecodeToNothing)
{
    EXPECT_EQ(DecodeTableLine(""), "");
    EXPECT_EQ(DecodeTableLine("@K7QZ2"), "");     // 6 characters
    EXPECT_EQ(DecodeTableLine("XKAKA7Q1"), "");   // 7+ characters without the marker
    const std::string ok = EncodeTableLine("A");
    ASSERT_EQ(ok.size(), 7u);
    EXPECT_EQ(DecodeTableLine(ok), "A");          // exactly 7 characters
    EXPECT_EQ(DecodeTableLine(" " + ok), "");
}

TEST(TableCodec, IncompleteLastGroupRejectsTheWholeLine)
{
    EXPECT_EQ(DecodeTableLine(storedLine({"#K"}, 0)), "");          // 7 chars, '#' group cut short
    EXPECT_EQ(DecodeTableLine(storedLine({twoGroup(65), "@KAK"}, 65)), "");
    EXPECT_EQ(DecodeTableLine(storedLine({twoGroup(65), "#KA"}, 65)), "");
    EXPECT_EQ(DecodeTableLine(EncodeTableLine("abc") + "K"), "");  // odd trailing symbol
}

TEST(TableCodec, WrongCheckRejectsTheLine)
{
    for (int delta : {1, -1, 16, 256, 4096, 32768})
        EXPECT_EQ(DecodeTableLine(storedLine({twoGroup(65), twoGroup(66)}, 131, delta)), "") << delta;
    EXPECT_EQ(DecodeTableLine(storedLine({twoGroup(65), twoGroup(66)}, 131)), "AB");
}

TEST(TableCodec, LongGroupsAddTheirWholeValueToTheSum)
{
    // Four-symbol group of value 321 = 0*4096 + 1*256 + 4*16 + 1.
    std::string g4 = std::string("@") + CodeAlphabet[0] + CodeAlphabet[16 + 1] + CodeAlphabet[4] + CodeAlphabet[16 + 1];
    EXPECT_EQ(DecodeTableLine(storedLine({g4}, 321)), "A");
    EXPECT_EQ(DecodeTableLine(storedLine({g4}, 65)), "");
    // Three-symbol group: 1*256 + 4*16 + 2 = 322 → 'B'; its third symbol is a high one.
    std::string g3 = std::string("#") + CodeAlphabet[1] + CodeAlphabet[16 + 4] + CodeAlphabet[2];
    EXPECT_EQ(DecodeTableLine(storedLine({g3, twoGroup(67)}, 322 + 67)), "BC");
}

TEST(TableCodec, NonSymbolsInsideGroupsCountAsTheFirstSymbol)
{
    // A non-symbol in a high position is index 0; in a low position it gives
    // 0 - 16 = -16, which wraps to character 240 and subtracts 16 from the sum.
    std::string line = storedLine({"k" + std::string(1, CodeAlphabet[16 + 5])}, 5);
    EXPECT_EQ(DecodeTableLine(line), std::string(1, char(5)));
    std::string wrap = storedLine({std::string("Kk")}, -16);
    EXPECT_EQ(DecodeTableLine(wrap), std::string(1, char(240)));
    // '@' and '#' after the first position of a group are plain index-0 symbols.
    std::string g = std::string("@@#") + CodeAlphabet[4] + CodeAlphabet[16 + 1]; // 0 + (0-16)*256 + 65
    EXPECT_EQ(DecodeTableLine(storedLine({g}, 65 - 4096)), "A");
}

TEST(TableCodec, EncodeThenDecodeGivesTheTextBack)
{
    EXPECT_EQ(EncodeTableLine(""), "");
    for (const std::string &text : {std::string("A"), std::string("\tkol1\t\"kol 2\"\t#B#x#B#\t@"),
                                   std::string("  lead and trail  "), std::string("Zażółć gęślą jaźń"),
                                   std::string("\0\x01\xFF", 3)}) {
        const std::string line = EncodeTableLine(text);
        EXPECT_EQ(line.size(), 5 + 2 * text.size());
        EXPECT_EQ(DecodeTableLine(line), text);
    }
    // Sums above 65535 wrap in the check group and still decode.
    std::string heavy(300, '\xFF');
    const std::string line = EncodeTableLine(heavy);
    uint16_t sum = static_cast<uint16_t>(300 * 255);
    EXPECT_EQ(line.substr(1, 4), storedLine({}, sum).substr(1, 4));
    EXPECT_EQ(DecodeTableLine(line), heavy);

    std::mt19937 rng(7);
    for (int i = 0; i < 500; ++i) {
        std::string t(1 + rng() % 200, '\0');
        for (char &c : t)
            c = static_cast<char>(rng());
        ASSERT_EQ(DecodeTableLine(EncodeTableLine(t)), t);
    }
}
