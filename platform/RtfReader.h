// RTF reader for the rich-text view.
//
// Reading happens in two steps so that each can be measured and tested alone:
//   ParseRtf            RTF bytes -> RtfDocument, a flat model of paragraphs,
//                       character runs, tables and pictures (no Qt objects);
//   BuildTextDocument   RtfDocument -> QTextDocument (Qt text tables for RTF
//                       tables, image resources for pictures).
// ReadRtf does both.
//
// What is shown, the way a rich-edit control of the 2.0 era shows it:
// - groups, control words with parameters, control symbols; unknown control
//   words are ignored and unknown destinations behind \* are skipped;
// - \ansi \mac \pc \pca \ansicpg, the font table with \fcharset and the font
//   families, \deff, the colour table, \deftab;
// - text in the code page of the current font (its \fcharset; 238 = CP1250),
//   else of the document; \'hh; \uN with \ucN skipping of the replacement;
//   single-byte code pages only (double-byte ones are read as CP1252);
// - \par \line \tab \page \sect, the special characters (\emdash, \bullet,
//   \lquote, \~, \_ ...);
// - \plain \b \i \ul (and its styles) \ulnone \strike \fs \f \cf \cb
//   \highlight \chcbpat \super \sub \nosupersub; hidden text (\v) is dropped;
// - \pard \ql \qc \qr \qj \li \ri \fi \sb \sa \sl \slmult; with a negative
//   \fi the left indent is the first line's first tab stop (\tx is not read);
// - the style sheet: the character formats of paragraph (\sN) and character
//   (\csN) styles are applied where the body names the style;
// - tables (\trowd \trleft \trgaph \cellx \clcbpat, cell and row borders,
//   \intbl \cell \row) as Qt text tables whose grid is the union of the rows'
//   cell boundaries; nested table cells are read as paragraphs;
// - \pntext and \listtext as text; fields show their result (\fldrslt), a
//   HYPERLINK field's result becomes a link; \object shows its \result;
// - pictures \pngblip and \jpegblip (also inside \*\shppict); every other
//   picture kind is skipped, as are \nonshppict, \info, headers, footers,
//   footnotes, annotations and the other destinations that carry no text.
//
// Hostile input is bounded by RtfLimits: group depth, parameter size, table
// size, picture size, font and colour table sizes. A broken document yields
// what could be read; the parser never fails.
#pragma once

#include <QString>
#include <QTextDocument>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct RtfLimits {
    int maxGroupDepth = 512;          // deeper groups are skipped whole
    int maxFonts = 4096;
    int maxColors = 4096;
    int maxTableColumns = 64;         // further cells join the last one
    int maxTableCells = 100000;       // a longer table continues as a new one
    std::size_t maxPictureBytes = 32u << 20;
    int maxPicturePixels = 64 << 20;  // width * height of a decoded picture
    int maxPictureSide = 16384;
    std::size_t maxFieldInstruction = 65536;
};

// One character format; fonts and colours are indices into the document's
// tables (-1: the default font, the automatic colour).
struct RtfCharFormat {
    int32_t font = -1;
    int32_t sizeHalfPoints = 24;
    bool bold = false, italic = false, underline = false, strike = false;
    int8_t vertical = 0;  // 0 baseline, 1 superscript, 2 subscript
    int32_t foreground = -1;
    int32_t background = -1;
    bool operator==(const RtfCharFormat &) const = default;
};

// Paragraph format in twips (1/20 point; 15 twips = 1 pixel at 96 dpi).
struct RtfParaFormat {
    enum Align : int8_t { Left, Center, Right, Justify };
    Align align = Left;
    int32_t leftIndent = 0, rightIndent = 0, firstIndent = 0;
    int32_t spaceBefore = 0, spaceAfter = 0;
    int32_t lineSpacing = 0;   // \sl: 0 single, > 0 at least, < 0 exactly
    bool lineMultiple = false; // \slmult1: lineSpacing / 240 lines
    bool inTable = false;
    bool operator==(const RtfParaFormat &) const = default;
};

struct RtfFont {
    QString name;
    int number = 0;   // \fN
    int charset = -1; // \fcharsetN; -1 when the font names none (the document code page applies)
    int family = 0;   // 0 nil, 1 roman, 2 swiss, 3 modern, 4 script, 5 decor, 6 tech
};

struct RtfColor {
    bool automatic = true;
    uint8_t red = 0, green = 0, blue = 0;
};

struct RtfPicture {
    enum Kind : int8_t { Png, Jpeg };
    Kind kind = Png;
    std::string data;        // the encoded picture
    int32_t widthGoal = 0;   // \picwgoal / \pichgoal in twips (0: unknown)
    int32_t heightGoal = 0;
    int32_t scaleX = 100, scaleY = 100;
};

// A stretch of text in one format. A picture run holds U+FFFC.
struct RtfRun {
    uint32_t begin = 0, length = 0;  // into RtfDocument::text
    uint32_t format = 0;             // into RtfDocument::formats
    int32_t link = -1;               // into RtfDocument::links
    int32_t picture = -1;            // into RtfDocument::pictures
};

struct RtfParagraph {
    RtfParaFormat format;
    uint32_t firstRun = 0, runCount = 0;
    int32_t table = -1;  // into RtfDocument::tables, -1 outside tables
    int32_t row = 0;     // row within the table
    int32_t cell = 0;    // cell within the row
};

struct RtfTableRow {
    std::vector<int32_t> cellRight;      // \cellx of each cell, twips
    std::vector<int32_t> cellBackground; // colour index per cell (-1 none)
    int32_t left = 0;                    // \trleft
    int32_t gap = 108;                   // \trgaph
    int32_t cellCount = 0;               // cells that were closed in the row
    bool borders = false;
};

struct RtfTable {
    std::vector<RtfTableRow> rows;
};

struct RtfDocument {
    std::vector<RtfFont> fonts;
    std::vector<RtfColor> colors;
    std::vector<RtfCharFormat> formats;
    std::vector<QString> links;
    std::vector<RtfPicture> pictures;
    std::u16string text;
    std::vector<RtfRun> runs;
    std::vector<RtfParagraph> paragraphs;
    std::vector<RtfTable> tables;
    int32_t defaultTab = 720;  // \deftab, twips
};

// True when the bytes start as an RTF document ("{\rtf").
bool IsRtf(std::string_view data);

RtfDocument ParseRtf(std::string_view data, const RtfLimits &limits = {});

// Replaces the content of `doc` by the parsed document, in one edit: a view
// or layout of `doc` hears of the change once, at the end.
void BuildTextDocument(const RtfDocument &rtf, QTextDocument &doc, const RtfLimits &limits = {});

// ParseRtf + BuildTextDocument.
void ReadRtf(std::string_view data, QTextDocument &doc, const RtfLimits &limits = {});

// Replaces the content of `doc` by plain text in code page 1250, one paragraph
// per line (CR LF, LF or CR end a line), as the control shows a file that is
// not RTF.
void ReadPlainText(std::string_view data, QTextDocument &doc);

// The Unicode character of byte `b` in the Windows code page `codePage`
// (single-byte code pages; others are read as 1252).
char16_t CodePageToUnicode(int codePage, unsigned char b);

} // namespace platform
