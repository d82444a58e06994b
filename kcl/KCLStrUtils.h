// The library's string helpers: a blank test, a trailing path delimiter added
// or removed, joining strings or integers with a separator, splitting a string
// at a separator, a font as one separator-joined line and back, and the keyed
// scrambling of stored values.
//
// Paths on this system use '/', so the "backslash" that KCLAddBackslash and
// KCLRemoveBackslash add and remove is the path delimiter '/'.
#pragma once

#include "platform/Classes.h"
#include "platform/Graphics.h"

#include <cstdint>
#include <vector>

using platform::AnsiString;

// The path delimiter that the backslash routines add and remove.
constexpr char KCLPathDelim = '/';

// Separator of the font line and of the form placement; initially ','.
extern char KCLListSeparator;

// True when S is empty or holds blanks (character 32) only.
bool KCLIsBlank(const AnsiString &S);
// S with the delimiter appended, unless S is not blank and already ends in it.
AnsiString KCLAddBackslash(const AnsiString &S);
// S without its last character when S is not blank and ends in the delimiter.
AnsiString KCLRemoveBackslash(const AnsiString &S);

// The elements joined by Separator ("" for none).
AnsiString KCLJoinStrings(const std::vector<AnsiString> &Strings, char Separator);
AnsiString KCLJoinIntegers(const std::vector<int32_t> &Values, char Separator);
// Clears List and adds the pieces between separators; a trailing separator
// adds no empty last piece ("a,b," gives a and b; "a,,b" gives a, "", b).
// Does nothing at all when S is empty or List is nil.
void KCLSplitString(const AnsiString &S, char Separator, platform::TStringList *List);

// "Name,Size,Color,B,I,U,S" with KCLListSeparator; the colour in the class
// library's colour text, each style "1" or "0".
AnsiString KCLFontToString(const platform::TFont &Font);
// Sets the font from such a line; a line of other than seven pieces changes
// nothing; an invalid size, or one beyond 16 bits, gives 10. Raises
// EConvertError when the colour is neither a name nor a number or a style
// piece is no integer; the settings made before that point stay.
void KCLStringToFont(const AnsiString &S, platform::TFont &Font);

// Keyed, reversible scrambling of a value by a 16-bit key:
// KCLDecodeString(KCLEncodeString(S, K), K) == S for every S and K.
AnsiString KCLEncodeString(const AnsiString &S, uint16_t Key);
AnsiString KCLDecodeString(const AnsiString &S, uint16_t Key);
// Any bytes as printable text (two upper-case hexadecimal digits per byte)
// and back; KCLTextToString raises EConvertError for text not of that form.
AnsiString KCLStringToText(const AnsiString &S);
AnsiString KCLTextToString(const AnsiString &S);
