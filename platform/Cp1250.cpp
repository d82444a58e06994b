#include "platform/Cp1250.h"

#include <array>
#include <unordered_map>

namespace platform {
namespace {

// Upper half of the code page, bytes 80h..FFh.
constexpr char16_t kHigh[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F8
};

struct CaseTables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
    CaseTables()
    {
        for (int i = 0; i < 256; ++i)
            upper[i] = lower[i] = static_cast<unsigned char>(i);
        auto pair = [this](int lo, int up) {
            upper[lo] = static_cast<unsigned char>(up);
            lower[up] = static_cast<unsigned char>(lo);
        };
        for (int c = 'a'; c <= 'z'; ++c)
            pair(c, c - 32);
        // š ś ť ž ź, ł ą ş ľ ż
        pair(0x9A, 0x8A);
        pair(0x9C, 0x8C);
        pair(0x9D, 0x8D);
        pair(0x9E, 0x8E);
        pair(0x9F, 0x8F);
        pair(0xB3, 0xA3);
        pair(0xB9, 0xA5);
        pair(0xBA, 0xAA);
        pair(0xBE, 0xBC);
        pair(0xBF, 0xAF);
        // ŕ..ţ -> Ŕ..Ţ, except ÷ (F7h) whose partner × is no letter; ß (DFh)
        // has no single capital and stays.
        for (int c = 0xE0; c <= 0xFE; ++c)
            if (c != 0xF7)
                pair(c, c - 0x20);
    }
};

const CaseTables &caseTables()
{
    static const CaseTables tables;
    return tables;
}

const std::unordered_map<char32_t, unsigned char> &reverseTable()
{
    static const auto table = [] {
        std::unordered_map<char32_t, unsigned char> m;
        for (int i = 0; i < 128; ++i)
            m.emplace(kHigh[i], static_cast<unsigned char>(0x80 + i));
        return m;
    }();
    return table;
}

} // namespace

char16_t Cp1250ToUnicode(unsigned char byte)
{
    return byte < 0x80 ? char16_t(byte) : kHigh[byte - 0x80];
}

int UnicodeToCp1250(char32_t ch)
{
    if (ch < 0x80)
        return int(ch);
    const auto &m = reverseTable();
    auto it = m.find(ch);
    return it == m.end() ? -1 : int(it->second);
}

unsigned char Cp1250Upper(unsigned char byte) { return caseTables().upper[byte]; }
unsigned char Cp1250Lower(unsigned char byte) { return caseTables().lower[byte]; }

AnsiString AnsiUpperCase(const AnsiString &s)
{
    const auto &t = caseTables().upper;
    AnsiString r(s);
    for (char &c : r)
        c = static_cast<char>(t[static_cast<unsigned char>(c)]);
    return r;
}

AnsiString AnsiLowerCase(const AnsiString &s)
{
    const auto &t = caseTables().lower;
    AnsiString r(s);
    for (char &c : r)
        c = static_cast<char>(t[static_cast<unsigned char>(c)]);
    return r;
}

QString AnsiToQString(const AnsiString &s)
{
    QString r;
    r.resize(qsizetype(s.size()));
    QChar *out = r.data();
    for (size_t i = 0; i < s.size(); ++i)
        out[i] = QChar(Cp1250ToUnicode(static_cast<unsigned char>(s[i])));
    return r;
}

AnsiString QStringToAnsi(const QString &s, char replacement)
{
    AnsiString r;
    r.reserve(size_t(s.size()));
    const QList<uint> ucs4 = s.toUcs4();
    for (uint ch : ucs4) {
        int b = UnicodeToCp1250(ch);
        r.push_back(b < 0 ? replacement : static_cast<char>(b));
    }
    return r;
}

AnsiString Utf8ToAnsi(const std::string &utf8, bool *ok)
{
    bool good = true;
    AnsiString r;
    r.reserve(utf8.size());
    size_t i = 0;
    const size_t n = utf8.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        char32_t cp;
        int extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            good = false;
            r.push_back('?');
            ++i;
            continue;
        }
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + size_t(k) >= n) {
                valid = false;
                break;
            }
            unsigned char cc = static_cast<unsigned char>(utf8[i + size_t(k)]);
            if ((cc & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!valid) {
            good = false;
            r.push_back('?');
            ++i;
            continue;
        }
        i += size_t(extra) + 1;
        int b = UnicodeToCp1250(cp);
        if (b < 0) {
            good = false;
            r.push_back('?');
        } else {
            r.push_back(static_cast<char>(b));
        }
    }
    if (ok)
        *ok = good;
    return r;
}

std::string AnsiToUtf8(const AnsiString &s)
{
    std::string r;
    r.reserve(s.size() + s.size() / 4);
    for (char ch : s) {
        char32_t cp = Cp1250ToUnicode(static_cast<unsigned char>(ch));
        if (cp < 0x80) {
            r.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            r.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            r.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            r.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return r;
}

} // namespace platform
