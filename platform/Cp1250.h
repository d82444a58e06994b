// Windows code page 1250 (Central European) <-> Unicode, and the upper-casing
// of that code page.
//
// Every text the program reads from its data files is CP1250 and is kept as
// bytes (AnsiString) through the core; these tables are the only place where a
// byte becomes a Unicode character or back. The five bytes that the code page
// leaves undefined (81h, 83h, 88h, 90h, 98h) map to the C1 controls of the same
// value, as the system's converter does, so both directions cover all 256 bytes.
#pragma once

#include <QList>
#include <QString>
#include <string>

namespace platform {

using AnsiString = std::string;

// The Unicode character of a CP1250 byte.
char16_t Cp1250ToUnicode(unsigned char byte);

// The CP1250 byte of a Unicode character, or -1 when the code page lacks it.
int UnicodeToCp1250(char32_t ch);

// "The system's ANSI upper-casing" for CP1250: ASCII letters and the accented
// lower-case letters of the code page (ą, ż, ł, ś, é ...) become their capitals;
// every other byte (digits, punctuation, ß, µ ...) is left alone.
unsigned char Cp1250Upper(unsigned char byte);
AnsiString AnsiUpperCase(const AnsiString &s);
// The matching lower-casing (Ą -> ą ...).
unsigned char Cp1250Lower(unsigned char byte);
AnsiString AnsiLowerCase(const AnsiString &s);

// Conversions at the widget boundary.
QString AnsiToQString(const AnsiString &s);
// Characters outside the code page become `replacement`.
AnsiString QStringToAnsi(const QString &s, char replacement = '?');

// UTF-8 <-> CP1250, for tools that turn reviewable UTF-8 sources into data
// files. `ok` (when given) is set false when a character could not be encoded
// or the UTF-8 was malformed; such characters become '?'.
AnsiString Utf8ToAnsi(const std::string &utf8, bool *ok = nullptr);
std::string AnsiToUtf8(const AnsiString &s);

} // namespace platform
