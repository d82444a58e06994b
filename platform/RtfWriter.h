// RTF writer for the rich-text view: turns a QTextDocument into an RTF
// document that the RTF reader (and the word processors of the era) read back
// to the same text, paragraphs, character formats, alignment, indents and
// spacing, colours, links, pictures (as PNG) and tables.
//
// The document is written in code page 1250 (\ansicpg1250, fonts with
// \fcharset238): characters of the code page as the byte itself or \'hh,
// every other character as \uN followed by "?" for readers without Unicode
// (\uc1). Each character run is one group carrying its full format, so the
// output does not depend on format inheritance. Pixel lengths are written as
// twips at 96 dpi (15 twips per pixel).
#pragma once

#include <QTextDocument>

#include <string>

namespace platform {

std::string WriteRtf(const QTextDocument &doc);

} // namespace platform
