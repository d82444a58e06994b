#include "kcl/KCLStrUtils.h"

#include "platform/ColorNames.h"

char KCLListSeparator = ',';

bool KCLIsBlank(const AnsiString &S)
{
    for (char c : S)
        if (c != ' ')
            return false;
    return true;
}

AnsiString KCLAddBackslash(const AnsiString &S)
{
    if (!KCLIsBlank(S) && S.back() == KCLPathDelim)
        return S;
    return S + KCLPathDelim;
}

AnsiString KCLRemoveBackslash(const AnsiString &S)
{
    if (!KCLIsBlank(S) && S.back() == KCLPathDelim)
        return S.substr(0, S.size() - 1);
    return S;
}

AnsiString KCLJoinStrings(const std::vector<AnsiString> &Strings, char Separator)
{
    AnsiString result;
    for (size_t i = 0; i < Strings.size(); ++i) {
        if (i > 0)
            result += Separator;
        result += Strings[i];
    }
    return result;
}

AnsiString KCLJoinIntegers(const std::vector<int32_t> &Values, char Separator)
{
    AnsiString result;
    for (size_t i = 0; i < Values.size(); ++i) {
        if (i > 0)
            result += Separator;
        result += platform::IntToStr(Values[i]);
    }
    return result;
}

void KCLSplitString(const AnsiString &S, char Separator, platform::TStringList *List)
{
    if (S.empty() || List == nullptr)
        return;
    List->Clear();
    size_t start = 0;
    for (size_t i = 0; i < S.size(); ++i)
        if (S[i] == Separator) {
            List->Add(S.substr(start, i - start));
            start = i + 1;
        }
    if (start < S.size())
        List->Add(S.substr(start));
}

AnsiString KCLFontToString(const platform::TFont &Font)
{
    using namespace platform;
    const TFontStyles style = Font.Style();
    auto flag = [&](TFontStyle s) { return AnsiString(style.Contains(s) ? "1" : "0"); };
    return KCLJoinStrings({Font.Name(), IntToStr(Font.Size()), ColorToString(Font.Color()), flag(fsBold), flag(fsItalic),
                           flag(fsUnderline), flag(fsStrikeOut)},
                          KCLListSeparator);
}

void KCLStringToFont(const AnsiString &S, platform::TFont &Font)
{
    using namespace platform;
    TStringList pieces;
    KCLSplitString(S, KCLListSeparator, &pieces);
    if (pieces.Count() != 7)
        return;
    Font.SetName(pieces[0]);
    // A size beyond 16 bits is no font size (and would overflow the height).
    int32_t size = StrToIntDef(pieces[1], 10);
    if (size < -32768 || size > 32767)
        size = 10;
    Font.SetSize(size);
    Font.SetColor(StringToColor(pieces[2]));
    Font.SetStyle(TFontStyles());
    const TFontStyle styles[4] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (int i = 0; i < 4; ++i)
        if ((StrToInt(pieces[3 + i]) & 0xFF) != 0)
            Font.SetStyle(Font.Style() + TFontStyles{styles[i]});
}

// The scrambling is a keyed byte stream: each output byte is the input byte
// XOR the high byte of a running 16-bit key, and the key moves on with the
// scrambled byte, so that equal bytes scramble differently along the string.
namespace {
constexpr uint16_t ScrambleMul = 52845;
constexpr uint16_t ScrambleAdd = 22719;

// The key after byte c, modulo 2^16 (in unsigned arithmetic: the product
// does not fit an int).
uint16_t nextKey(uint16_t k, uint8_t c) { return static_cast<uint16_t>((uint32_t(c) + k) * ScrambleMul + ScrambleAdd); }
} // namespace

AnsiString KCLEncodeString(const AnsiString &S, uint16_t Key)
{
    AnsiString result(S.size(), '\0');
    uint16_t k = Key;
    for (size_t i = 0; i < S.size(); ++i) {
        const uint8_t c = static_cast<uint8_t>(static_cast<uint8_t>(S[i]) ^ (k >> 8));
        result[i] = static_cast<char>(c);
        k = nextKey(k, c);
    }
    return result;
}

AnsiString KCLDecodeString(const AnsiString &S, uint16_t Key)
{
    AnsiString result(S.size(), '\0');
    uint16_t k = Key;
    for (size_t i = 0; i < S.size(); ++i) {
        const uint8_t c = static_cast<uint8_t>(S[i]);
        result[i] = static_cast<char>(c ^ (k >> 8));
        k = nextKey(k, c);
    }
    return result;
}

AnsiString KCLStringToText(const AnsiString &S)
{
    static const char digits[] = "0123456789ABCDEF";
    AnsiString result;
    result.reserve(S.size() * 2);
    for (char ch : S) {
        const uint8_t b = static_cast<uint8_t>(ch);
        result += digits[b >> 4];
        result += digits[b & 15];
    }
    return result;
}

AnsiString KCLTextToString(const AnsiString &S)
{
    auto value = [&](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        throw platform::EConvertError("'" + S + "' is not a scrambled value");
    };
    if (S.size() % 2 != 0)
        throw platform::EConvertError("'" + S + "' is not a scrambled value");
    AnsiString result(S.size() / 2, '\0');
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = static_cast<char>(value(S[2 * i]) * 16 + value(S[2 * i + 1]));
    return result;
}
