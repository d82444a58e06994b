// Folders, rectangle fit, LZRW1 blocks, zlib buffers and the chunked
// compressed stream layout.
#include "kcl/KCLUtils.h"

#include "platform/System.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

using platform::TMemoryStream;
using platform::TRect;

namespace {

std::vector<uint8_t> fromHex(const std::string &hex)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::vector<uint8_t> bytes(const std::string &s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto &b : v)
        b = uint8_t(rng());
    return v;
}

// Text-like data: words from a small vocabulary, so that LZRW1 finds matches.
std::vector<uint8_t> textBytes(size_t n, uint32_t seed)
{
    static const char *words[] = {"sekcja ", "dzial ", "grupa ", "klasa ", "podklasa ", "rolnictwo, ",
                                  "gornictwo ", "przetworstwo ", "energia; ", "budownictwo.\r\n"};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n)
        s += words[rng() % 10];
    s.resize(n);
    return bytes(s);
}

std::vector<uint8_t> lzrwCompress(const std::vector<uint8_t> &src)
{
    std::vector<uint8_t> out(KCLLZRW1MaxBlock(src.size()));
    out.resize(KCLLZRW1Compress(src.data(), out.data(), uint16_t(src.size())));
    return out;
}

std::vector<uint8_t> lzrwDecompress(const std::vector<uint8_t> &block, size_t capacity = 65535)
{
    std::vector<uint8_t> out(capacity);
    out.resize(KCLLZRW1Decompress(block.data(), out.data(), uint16_t(block.size()), capacity));
    return out;
}

std::vector<uint8_t> compressStream(const std::vector<uint8_t> &src, uint8_t method, int64_t count = -1)
{
    TMemoryStream in, out;
    if (!src.empty())
        in.WriteBuffer(src.data(), int32_t(src.size()));
    in.SetPosition(0);
    KCLCompressStream(in, out, count < 0 ? int64_t(src.size()) : count, method);
    return out.Bytes();
}

std::vector<uint8_t> decompressStream(const std::vector<uint8_t> &packed, uint8_t method)
{
    TMemoryStream in, out;
    if (!packed.empty())
        in.WriteBuffer(packed.data(), int32_t(packed.size()));
    in.SetPosition(0);
    KCLDecompressStream(in, out, method);
    return out.Bytes();
}

int32_t le32(const std::vector<uint8_t> &v, size_t at)
{
    return int32_t(uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 |
                   uint32_t(v[at + 3]) << 24);
}

std::vector<uint8_t> zlibReference(const std::vector<uint8_t> &src)
{
    uLongf size = compressBound(uLong(src.size()));
    std::vector<uint8_t> out(size);
    EXPECT_EQ(compress2(out.data(), &size, src.data(), uLong(src.size()), 9), Z_OK);
    out.resize(size);
    return out;
}

} // namespace

// ------------------------------------------------------------------ folders

TEST(KCLUtilsFolders, PrefixPathFollowsTheFlag)
{
    EXPECT_EQ(KCLGetPrefixPath(ppFixed, true), "");
    EXPECT_EQ(KCLGetPrefixPath(ppFixed, false), "");

    const AnsiString program = platform::ExecutableDir();
    ASSERT_EQ(program.back(), '/');
    EXPECT_EQ(KCLGetProgramDir(), program);
    EXPECT_EQ(KCLGetPrefixPath(ppProgram, true), program);
    EXPECT_EQ(KCLGetPrefixPath(ppProgram, false), program.substr(0, program.size() - 1));

    EXPECT_EQ(KCLGetSystemDir(), "/usr/lib");
    EXPECT_EQ(KCLGetPrefixPath(ppSystem, true), "/usr/lib/");
    EXPECT_EQ(KCLGetPrefixPath(ppSystem, false), "/usr/lib");
}

TEST(KCLUtilsFolders, WindowsFolderComesWithoutTrailingDelimiterExceptTheRoot)
{
    const testsupport::EnvVarScope config("XDG_CONFIG_HOME", "/home/x/.config/");
    EXPECT_EQ(KCLGetWindowsDir(), "/home/x/.config");
    EXPECT_EQ(KCLGetPrefixPath(ppWindows, true), "/home/x/.config/");
    EXPECT_EQ(KCLGetPrefixPath(ppWindows, false), "/home/x/.config");
    config.set("/");
    EXPECT_EQ(KCLGetWindowsDir(), "/");
    EXPECT_EQ(KCLGetPrefixPath(ppWindows, true), "/");
    EXPECT_EQ(KCLGetPrefixPath(ppWindows, false), "");
}

TEST(KCLUtilsMisc, StrToPCharGivesNilForEmpty)
{
    EXPECT_EQ(KCLStrToPChar(""), nullptr);
    const AnsiString s = "abc";
    ASSERT_NE(KCLStrToPChar(s), nullptr);
    EXPECT_STREQ(KCLStrToPChar(s), "abc");
}

TEST(KCLUtilsMisc, FitRectKeepsProportionsAtTargetCorner)
{
    EXPECT_EQ(KCLFitRect({0, 0, 100, 50}, {10, 10, 210, 210}), (TRect{10, 10, 210, 110}));
    EXPECT_EQ(KCLFitRect({5, 5, 55, 105}, {0, 0, 200, 100}), (TRect{0, 0, 50, 100}));
    // Halves round to even: 4 x 3 and 4 x 5 scaled by 1.5 give 4.5 -> 4 and 7.5 -> 8.
    EXPECT_EQ(KCLFitRect({0, 0, 4, 3}, {0, 0, 6, 6}), (TRect{0, 0, 6, 4}));
    EXPECT_EQ(KCLFitRect({0, 0, 4, 5}, {0, 0, 6, 10}), (TRect{0, 0, 6, 8}));
    // A source without area cannot be scaled: an empty rectangle at the corner.
    EXPECT_EQ(KCLFitRect({0, 0, 0, 10}, {3, 4, 50, 50}), (TRect{3, 4, 3, 4}));
}

// -------------------------------------------------------------------- LZRW1

TEST(KCLLZRW1, KnownBlocks)
{
    // Empty source: the one-byte stored block.
    EXPECT_EQ(lzrwCompress({}), fromHex("80"));
    // 100 equal bytes: flag, control word, one run item.
    EXPECT_EQ(lzrwCompress(std::vector<uint8_t>(100, 'a')), fromHex("40800000005461"));
    // Three literals and one overlapping copy (distance 3, length 9).
    EXPECT_EQ(lzrwCompress(bytes("abcabcabcabc")), fromHex("4010006162630036"));
    // Runs are cut at 4095 bytes.
    EXPECT_EQ(lzrwCompress(std::vector<uint8_t>(5000, 'x')), fromHex("40c000000fef7800037978"));
    // After 16 items a second control word: 16 literals, a run of 30, a copy
    // of 16 from 46 back; the last control word is shifted to its top bits.
    std::string s;
    for (char c = 'A'; c <= 'P'; ++c)
        s += c;
    s = s + std::string(30, 'Z') + s;
    EXPECT_EQ(lzrwCompress(bytes(s)),
              fromHex("4000004142434445464748494a4b4c4d4e4f50c00000000e5a02ed"));
    // A sentence of text.
    const std::string text = "sekcja A - rolnictwo, lesnictwo; sekcja B - gornictwo; sekcja C - "
                             "przetworstwo; sekcja D - energia, gaz, para wodna; sekcja E - dostawa "
                             "wody; sekcja F - budownictwo.";
    EXPECT_EQ(lzrwCompress(bytes(text)),
              fromHex("40000073656b636a612041202d20726f6c6e69004a6374776f2c206c657300b33b20021442"
                      "021067284d6f72016c43016070727a6503507273005002f64401900000656e65726769612c"
                      "2067617a2c20706100a0726120776f646e610256450250646f73746154107701a279019646"
                      "01906275646f7706f32e"));
}

TEST(KCLLZRW1, IncompressibleDataIsStoredOneByteLonger)
{
    for (size_t n : {1u, 2u, 3u, 17u, 1000u, 32781u, 65534u}) {
        const auto src = randomBytes(n, uint32_t(n));
        const auto block = lzrwCompress(src);
        ASSERT_EQ(block.size(), n + 1) << n;
        EXPECT_EQ(block[0], 0x80);
        EXPECT_TRUE(std::equal(src.begin(), src.end(), block.begin() + 1));
        EXPECT_EQ(lzrwDecompress(block), src);
    }
    // 65535 stored bytes and the flag would not fit the 16-bit block size.
    EXPECT_THROW(lzrwCompress(randomBytes(65535, 1)), EKCLCompressError);
    EXPECT_EQ(lzrwDecompress(lzrwCompress(textBytes(65535, 1))), textBytes(65535, 1));
}

TEST(KCLLZRW1, RoundTripsOfManyShapes)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        const size_t n = rng() % 65535;
        std::vector<uint8_t> src;
        switch (i % 3) {
        case 0: src = textBytes(n, uint32_t(i)); break;
        case 1: src = randomBytes(n, uint32_t(i)); break;
        default:
            // Runs of random length of few distinct bytes.
            while (src.size() < n)
                src.insert(src.end(), std::min<size_t>(n - src.size(), rng() % 40), uint8_t(rng() % 3));
        }
        const auto block = lzrwCompress(src);
        ASSERT_LE(block.size(), n + 1);
        ASSERT_EQ(lzrwDecompress(block), src) << "case " << i << " size " << n;
    }
}

TEST(KCLLZRW1, CorruptBlocksRaiseInsteadOfOverrunning)
{
    auto raises = [](const std::vector<uint8_t> &block, size_t capacity = 65535) {
        try {
            lzrwDecompress(block, capacity);
        } catch (const EKCLCompressError &e) {
            return std::string(e.what()) == "LZRW Error!";
        }
        return false;
    };
    EXPECT_TRUE(raises(fromHex("40")));             // no control word
    EXPECT_TRUE(raises(fromHex("4080")));           // control word cut short
    EXPECT_TRUE(raises(fromHex("40800000")));       // item word cut short
    EXPECT_TRUE(raises(fromHex("4080000000")));     // run item cut short
    EXPECT_TRUE(raises(fromHex("4080001000")));     // copy from 256 back with no output yet
    EXPECT_TRUE(raises(fromHex("4040006100a0")));   // copy from 10 back after one byte
    EXPECT_TRUE(raises(fromHex("408000000fff41"), 100)); // run of 4111 into room for 100
    EXPECT_TRUE(raises(fromHex("4000006162636465666768696a6b6c6d6e6f700000"))); // control word without item
    EXPECT_TRUE(raises(fromHex("80616263"), 2));    // stored block larger than the room
    // A block used up right after its control word decodes to nothing.
    EXPECT_EQ(lzrwDecompress(fromHex("408000")).size(), 0u);
    // A run of the largest length fits a large enough room.
    EXPECT_EQ(lzrwDecompress(fromHex("408000000fff41")).size(), 0x0fffu + 16);
    // An empty block decompresses to nothing; a stored one to its bytes.
    EXPECT_EQ(lzrwDecompress({}).size(), 0u);
    EXPECT_EQ(lzrwDecompress(fromHex("80")).size(), 0u);
    EXPECT_EQ(lzrwDecompress(fromHex("80414243")), bytes("ABC"));
}

TEST(KCLLZRW1, RandomlyDamagedBlocksNeverOverrun)
{
    std::mt19937 rng(11);
    const auto block = lzrwCompress(textBytes(5000, 3));
    // Less room than the undamaged text needs; guard bytes follow the room.
    const size_t room = 4000;
    std::vector<uint8_t> out(room + 2048);
    // The block is decoded twice, followed by different bytes: a decoder
    // that stays within the block gives the same outcome both times.
    struct Outcome {
        bool raised = false;
        std::vector<uint8_t> bytes;
        bool operator==(const Outcome &) const = default;
    };
    auto decode = [&](const std::vector<uint8_t> &bad, uint8_t after) {
        std::vector<uint8_t> in(bad);
        in.resize(bad.size() + 64, after);
        std::fill(out.begin(), out.end(), 0xA5);
        Outcome o;
        try {
            const uint16_t n = KCLLZRW1Decompress(in.data(), out.data(), uint16_t(bad.size()), room);
            EXPECT_LE(n, room);
            o.bytes.assign(out.begin(), out.begin() + std::min<size_t>(n, room));
        } catch (const EKCLCompressError &) {
            o.raised = true;
        }
        EXPECT_TRUE(std::all_of(out.begin() + room, out.end(), [](uint8_t b) { return b == 0xA5; }))
            << "written past the room";
        return o;
    };
    int raised = 0, decoded = 0;
    for (int i = 0; i < 2000; ++i) {
        SCOPED_TRACE(i);
        auto bad = block;
        for (int k = 0; k < 3; ++k)
            bad[1 + rng() % (bad.size() - 1)] = uint8_t(rng());
        bad.resize(1 + rng() % bad.size());
        const Outcome first = decode(bad, 0x00);
        EXPECT_TRUE(first == decode(bad, 0xFF)) << "read past the block";
        (first.raised ? raised : decoded)++;
        if (testing::Test::HasFailure())
            break;
    }
    EXPECT_GT(raised, 100);
    EXPECT_GT(decoded, 100);
}

// --------------------------------------------------------------------- zlib

TEST(KCLZLib, BuffersMatchZlibLevel9AndRoundTrip)
{
    std::mt19937 rng(5);
    for (size_t n : {0u, 1u, 255u, 256u, 1000u, 32767u, 100000u, 1u << 20}) {
        for (int kind = 0; kind < 2; ++kind) {
            const auto src = kind ? randomBytes(n, uint32_t(n)) : textBytes(n, uint32_t(n));
            std::vector<uint8_t> packed;
            const int32_t size = KCLZCompressBuffer(src.data(), int32_t(n), packed);
            ASSERT_EQ(size_t(size), packed.size());
            EXPECT_EQ(packed, zlibReference(src)) << n;
            // A given buffer works the same.
            std::vector<uint8_t> given(7);
            EXPECT_EQ(KCLZCompressBuffer(src.data(), int32_t(n), given), size);
            EXPECT_EQ(given, packed);

            std::vector<uint8_t> plain;
            EXPECT_EQ(KCLZDecompressBuffer(packed.data(), size, plain), int32_t(n));
            EXPECT_EQ(plain, src);
            std::vector<uint8_t> plainGiven(3);
            EXPECT_EQ(KCLZDecompressBuffer(packed.data(), size, plainGiven), int32_t(n));
            EXPECT_EQ(plainGiven, src);
        }
    }
}

TEST(KCLZLib, ErrorsCarryZlibCodeAndReleaseOwnBuffer)
{
    auto message = [](const std::vector<uint8_t> &in, std::vector<uint8_t> &out) {
        try {
            KCLZDecompressBuffer(in.data(), int32_t(in.size()), out);
        } catch (const EKCLCompressError &e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    std::vector<uint8_t> out;
    EXPECT_EQ(message(fromHex("78da07"), out), "Compression error -3");
    EXPECT_TRUE(out.empty());
    // Cut short: inflate can make no progress.
    auto packed = zlibReference(textBytes(1000, 1));
    packed.resize(packed.size() / 2);
    EXPECT_EQ(message(packed, out), "Compression error -5");
    EXPECT_TRUE(out.empty());
    // A header asking for a preset dictionary is an error, not a loop.
    EXPECT_EQ(message(fromHex("78bb00000001"), out), "Compression error 2");
    EXPECT_TRUE(out.empty());
}

// ----------------------------------------------------------- stream layout

TEST(KCLCompressedStream, LZRW1LayoutToTheByte)
{
    EXPECT_EQ(compressStream(std::vector<uint8_t>(100, 'a'), KCLCompressLZRW1),
              fromHex("0b000000" "07000000" "40800000005461"));
    // A byte count of 0 writes only the total.
    EXPECT_EQ(compressStream(bytes("abc"), KCLCompressLZRW1, 0), fromHex("00000000"));
    EXPECT_EQ(compressStream(bytes("abc"), KCLCompressZLib, 0), fromHex("00000000"));
    // Incompressible data: stored blocks one byte longer than their source.
    const auto random = randomBytes(500, 9);
    const auto packed = compressStream(random, KCLCompressLZRW1);
    ASSERT_EQ(packed.size(), 4u + 4u + 501u);
    EXPECT_EQ(le32(packed, 0), 505);
    EXPECT_EQ(le32(packed, 4), 501);
    EXPECT_EQ(packed[8], 0x80);
}

TEST(KCLCompressedStream, FortyThousandBytesMakeTwoLZRW1Chunks)
{
    const auto src = textBytes(40000, 4);
    const auto packed = compressStream(src, KCLCompressLZRW1);
    const int32_t first = le32(packed, 4);
    const int32_t second = le32(packed, 8 + size_t(first));
    EXPECT_EQ(le32(packed, 0), 8 + first + second);
    ASSERT_EQ(packed.size(), size_t(4 + 8 + first + second));
    const std::vector<uint8_t> a(packed.begin() + 8, packed.begin() + 8 + first);
    const std::vector<uint8_t> b(packed.begin() + 12 + first, packed.end());
    EXPECT_EQ(a, lzrwCompress(std::vector<uint8_t>(src.begin(), src.begin() + 32781)));
    EXPECT_EQ(lzrwDecompress(a).size(), 32781u);
    EXPECT_EQ(lzrwDecompress(b).size(), 7219u);
    EXPECT_EQ(decompressStream(packed, KCLCompressLZRW1), src);
}

TEST(KCLCompressedStream, ZlibChunksAreZlibStreamsOf32767Bytes)
{
    const auto src = textBytes(70000, 6);
    const auto packed = compressStream(src, KCLCompressZLib);
    size_t at = 4;
    size_t from = 0;
    int32_t total = 0;
    while (at < packed.size()) {
        const int32_t size = le32(packed, at);
        const size_t n = std::min<size_t>(32767, src.size() - from);
        const std::vector<uint8_t> chunk(packed.begin() + at + 4, packed.begin() + at + 4 + size);
        EXPECT_EQ(chunk, zlibReference(std::vector<uint8_t>(src.begin() + from, src.begin() + from + n)));
        from += n;
        at += 4 + size_t(size);
        total += 4 + size;
    }
    EXPECT_EQ(from, src.size());
    EXPECT_EQ(le32(packed, 0), total);
    EXPECT_EQ(decompressStream(packed, KCLCompressZLib), src);
}

TEST(KCLCompressedStream, RoundTripsBothMethodsOnRandomSizes)
{
    std::mt19937 rng(13);
    for (int i = 0; i < 40; ++i) {
        const size_t n = rng() % 150000;
        const auto src = (i % 2) ? randomBytes(n, uint32_t(i)) : textBytes(n, uint32_t(i));
        for (uint8_t method : {KCLCompressLZRW1, KCLCompressZLib})
            ASSERT_EQ(decompressStream(compressStream(src, method), method), src) << n;
    }
}

TEST(KCLCompressedStream, WritesAtTheDestinationPositionAndStopsAtSourceEnd)
{
    TMemoryStream in, out;
    in.WriteBuffer("abcdef", 6);
    in.SetPosition(2);
    out.WriteBuffer("XY", 2);
    // Asking for more than the source holds takes what there is.
    KCLCompressStream(in, out, 1000, KCLCompressLZRW1);
    EXPECT_EQ(out.Bytes(), fromHex("5859" "09000000" "05000000" "8063646566"));
    EXPECT_EQ(out.Position(), out.Size());
    out.SetPosition(2);
    TMemoryStream plain;
    KCLDecompressStream(out, plain, KCLCompressLZRW1);
    EXPECT_EQ(plain.Bytes(), bytes("cdef"));
    EXPECT_EQ(out.Position(), out.Size());
}

TEST(KCLCompressedStream, UnknownMethodsAreLZRW1)
{
    const auto src = textBytes(1000, 8);
    EXPECT_EQ(compressStream(src, 7), compressStream(src, KCLCompressLZRW1));
    EXPECT_EQ(decompressStream(compressStream(src, KCLCompressLZRW1), 7), src);
}

TEST(KCLCompressedStream, BrokenStreamsRaise)
{
    const auto packed = compressStream(textBytes(3000, 2), KCLCompressLZRW1);
    // A stream that ends inside a chunk.
    auto cut = packed;
    cut.resize(cut.size() - 1);
    EXPECT_THROW(decompressStream(cut, KCLCompressLZRW1), platform::EReadError);
    EXPECT_THROW(decompressStream(fromHex("0800"), KCLCompressLZRW1), platform::EReadError);
    // Chunk sizes that no chunk can have.
    EXPECT_THROW(decompressStream(fromHex("10000000" "ffffffff"), KCLCompressLZRW1), EKCLCompressError);
    EXPECT_THROW(decompressStream(fromHex("10000000" "00000100"), KCLCompressZLib), EKCLCompressError);
    // Corrupt chunk contents.
    EXPECT_THROW(decompressStream(fromHex("09000000" "05000000" "4080000100"), KCLCompressLZRW1),
                 EKCLCompressError);
    EXPECT_THROW(decompressStream(fromHex("07000000" "03000000" "78da07"), KCLCompressZLib),
                 EKCLCompressError);
    // A total of 0 or below reads no chunk at all.
    EXPECT_TRUE(decompressStream(fromHex("00000000"), KCLCompressLZRW1).empty());
    EXPECT_TRUE(decompressStream(fromHex("f0ffffff" "ffffffff"), KCLCompressLZRW1).empty());
}
