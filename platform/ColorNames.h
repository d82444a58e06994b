// The class library's text forms of colours, character sets and font styles.
//
// Colours: the identifier of a named colour ("clRed", "clBtnFace" ...) or, for
// any other value, "$" followed by eight upper-case hexadecimal digits. Text
// to colour accepts an identifier (without regard to case) or any integer
// text that StrToInt accepts ("$00FF0000", "255", "-16777201").
#pragma once

#include "platform/Graphics.h"
#include "platform/TypInfo.h"

#include <cstdint>
#include <functional>

namespace platform {

// The identifier of a named colour; false for other values.
bool ColorToIdent(TColor Color, AnsiString &Ident);
// The colour of an identifier; false when the text names none.
bool IdentToColor(const AnsiString &Ident, TColor &Color);
AnsiString ColorToString(TColor Color);
// Raises EConvertError when the text is neither a colour name nor a number.
TColor StringToColor(const AnsiString &S);
// Calls Proc with every colour identifier, in table order.
void GetColorValues(const std::function<void(const AnsiString &)> &Proc);

// Character sets of fonts.
enum : uint8_t {
    ANSI_CHARSET = 0,
    DEFAULT_CHARSET = 1,
    SYMBOL_CHARSET = 2,
    MAC_CHARSET = 77,
    SHIFTJIS_CHARSET = 128,
    HANGEUL_CHARSET = 129,
    JOHAB_CHARSET = 130,
    GB2312_CHARSET = 134,
    CHINESEBIG5_CHARSET = 136,
    GREEK_CHARSET = 161,
    TURKISH_CHARSET = 162,
    VIETNAMESE_CHARSET = 163,
    HEBREW_CHARSET = 177,
    ARABIC_CHARSET = 178,
    BALTIC_CHARSET = 186,
    RUSSIAN_CHARSET = 204,
    THAI_CHARSET = 222,
    EASTEUROPE_CHARSET = 238,
    OEM_CHARSET = 255,
};
using TFontCharset = uint8_t;

bool CharsetToIdent(int32_t Charset, AnsiString &Ident);
bool IdentToCharset(const AnsiString &Ident, int32_t &Charset);

// The names of the font style values (fsBold, fsItalic, fsUnderline,
// fsStrikeOut), for property tables and summaries.
extern const TEnumInfo FontStyleInfo;

} // namespace platform
