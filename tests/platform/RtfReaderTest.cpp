// RTF reader: what a document shows once read into a Qt text document, and
// how broken and hostile documents are survived.
#include "platform/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace platform;

namespace {

std::unique_ptr<QTextDocument> Read(const std::string &rtf, const RtfLimits &limits = {})
{
    auto doc = std::make_unique<QTextDocument>();
    ReadRtf(rtf, *doc, limits);
    return doc;
}

// The paragraphs outside tables, in order.
QStringList Paragraphs(const QTextDocument &doc)
{
    QStringList out;
    for (QTextFrame::iterator it = doc.rootFrame()->begin(); !it.atEnd(); ++it)
        if (!it.currentFrame())
            out << it.currentBlock().text();
    return out;
}

// The character format at the first occurrence of `text`.
QTextCharFormat FormatAt(const QTextDocument &doc, const QString &text)
{
    QTextCursor c = doc.find(text);
    EXPECT_FALSE(c.isNull()) << text.toStdString();
    QTextCursor at(const_cast<QTextDocument *>(&doc));
    at.setPosition(c.selectionStart() + 1);
    return at.charFormat();
}

QTextBlockFormat BlockAt(const QTextDocument &doc, const QString &text)
{
    QTextCursor c = doc.find(text);
    EXPECT_FALSE(c.isNull()) << text.toStdString();
    return c.block().blockFormat();
}

QList<QTextTable *> Tables(const QTextDocument &doc)
{
    QList<QTextTable *> out;
    for (QTextFrame *f : doc.rootFrame()->childFrames())
        if (auto *t = qobject_cast<QTextTable *>(f))
            out << t;
    return out;
}

QString CellText(QTextTable *t, int r, int c)
{
    QTextTableCell cell = t->cellAt(r, c);
    QTextCursor cur = cell.firstCursorPosition();
    cur.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cur.selectedText().replace(QChar::ParagraphSeparator, u'|');
}

std::string Hex(const QByteArray &bytes)
{
    return bytes.toHex().toStdString();
}

QByteArray Encoded(int w, int h, const char *format)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, format);
    return out;
}

int ImageCount(const QTextDocument &doc)
{
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                n += int(it.fragment().length());
    return n;
}

const std::string kHead = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}"
                          "{\\f1\\froman\\fcharset0 Times New Roman;}}"
                          "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}";

} // namespace

TEST(RtfReaderText, ParagraphsBreaksAndSpecialCharacters)
{
    auto doc = Read(kHead + "\\pard First\\par Second\\line half\\tab x\\par "
                            "\\{a\\}\\\\ \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote "
                            "a\\~b\\page After page\\par}");
    QStringList p = Paragraphs(*doc);
    ASSERT_EQ(p.size(), 4);
    EXPECT_EQ(p[0], "First");
    EXPECT_EQ(p[1], QString("Second") + QChar::LineSeparator + "half\tx");
    EXPECT_EQ(p[2], QString::fromUtf8("{a}\\ —–•‘’“”a\u00a0b"));
    EXPECT_EQ(p[3], "After page");
}

TEST(RtfReaderText, TrailingParagraphWithoutParIsKeptEmptyOneDropped)
{
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 a\\par b}")), QStringList({"a", "b"}));
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 a\\par b\\par }")), QStringList({"a", "b"}));
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 a\\par \\par }")), QStringList({"a", ""}));
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 }")), QStringList({""}));
}

TEST(RtfReaderText, CodePagesOfDocumentAndFonts)
{
    // CP1250 bytes of "ąćęłńóśźż ĄŁŚŻ"
    auto doc = Read(kHead + "\\f0 \\'b9\\'e6\\'ea\\'b3\\'f1\\'f3\\'9c\\'9f\\'bf \\'a5\\'a3\\'8c\\'af\\par}");
    EXPECT_EQ(Paragraphs(*doc)[0], QString::fromUtf8("ąćęłńóśźż ĄŁŚŻ"));

    // A CP1250 font in a CP1252 document, and a CP1252 font in a CP1250 one.
    doc = Read("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset238 A;}{\\f1\\fcharset0 B;}}"
               "\\f0 \\'b3\\f1 \\'b3\\par}");
    EXPECT_EQ(Paragraphs(*doc)[0], QString::fromUtf8("ł³"));

    // Without a font table the document code page applies; raw 8-bit bytes too.
    doc = Read("{\\rtf1\\ansi\\ansicpg1250 \\'b3\xb9\\par}");
    EXPECT_EQ(Paragraphs(*doc)[0], QString::fromUtf8("łą"));
    doc = Read("{\\rtf1\\ansi \\'b3\\par}");
    EXPECT_EQ(Paragraphs(*doc)[0], QString::fromUtf8("³"));
    // A font that names no character set uses the document's code page.
    doc = Read("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0\\fswiss Arial;}}\\f0 \\'b3\\par}");
    EXPECT_EQ(Paragraphs(*doc)[0], QString::fromUtf8("ł"));

    // A font name in its own code page.
    doc = Read("{\\rtf1{\\fonttbl{\\f0\\fcharset238 Czcionka \\'b3;}}\\f0 x\\par}");
    EXPECT_EQ(FormatAt(*doc, "x").fontFamilies().toStringList().value(0), QString::fromUtf8("Czcionka ł"));
}

TEST(RtfReaderText, UnicodeWithReplacementSkipping)
{
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 \\u322?\\u261?z\\par}"))[0], QString::fromUtf8("łąz"));
    // \uc2: two replacement characters (bytes or \'hh) are skipped.
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1\\uc2 \\u322\\'b3\\'b3x\\u321 LLy\\par}"))[0], QString::fromUtf8("łxŁy"));
    // \uc0: nothing is skipped.
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1\\uc0 \\u322 x\\par}"))[0], QString::fromUtf8("łx"));
    // Negative values are the upper half; a surrogate pair makes one character.
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 \\u-3913?\\u-10179?\\u-8704?\\par}"))[0],
              QString::fromUtf8("\uf0b7\U0001F600"));
    // Skipping ends at a group boundary; \uc is scoped to its group.
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 {\\u322}ab{\\uc3 x}\\u261 cd\\par}"))[0], QString::fromUtf8("łabxąd"));
}

TEST(RtfReaderText, UnicodeReplacementIsOneCharacterOfAnyForm)
{
    auto text = [](const std::string &rtf) { return Paragraphs(*Read(rtf))[0]; };
    // A broken hex escape is still the one replacement character.
    EXPECT_EQ(text("{\\rtf1 x\\u345\\'3?x\\par}"), QString::fromUtf8("xřx"));
    EXPECT_EQ(text("{\\rtf1 x\\u345\\'zzx\\par}"), QString::fromUtf8("xřx"));
    // ... but never takes a brace or a control word with it.
    EXPECT_EQ(text("{\\rtf1 {x\\u345\\'}y{\\u345\\'3\\b z}\\par}"), QString::fromUtf8("xřyřz"));
    EXPECT_TRUE(FormatAt(*Read("{\\rtf1 {\\u345\\'3\\b z}\\par}"), "z").fontWeight() >= QFont::Bold);
    // Control symbols are one character too, \* among them.
    EXPECT_EQ(text("{\\rtf1 x\\u345\\~y\\u345\\*z\\par}"), QString::fromUtf8("xřyřz"));
    // Outside the replacement a broken escape shows what follows it.
    EXPECT_EQ(text("{\\rtf1 x\\'3?x\\par}"), "x3?x");
}

TEST(RtfReaderText, UnicodeControlCharactersAreFilteredLikeBytes)
{
    auto doc = Read("{\\rtf1\\ansi a\\u0?b\\u7?c\\u9?d\\u31?e\\u10?f\\u13?g\\u-65528?h\\par}");
    EXPECT_EQ(Paragraphs(*doc), QStringList({"abc\tdefgh"}));
    // The object replacement character stands for pictures only.
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 x\\u-4?y\\u65532?z\\par}"))[0], "xyz");
    // The same values as bytes.
    doc = Read(std::string("{\\rtf1\\ansi a\\'00b\\'07c\\'09d\\'1fe\\par}"));
    EXPECT_EQ(Paragraphs(*doc), QStringList({"abc\tde"}));
}

TEST(RtfReaderFormat, CharacterFormats)
{
    auto doc = Read(kHead + "\\f0\\fs20 plain {\\b bold} {\\i italic} \\ul under\\ulnone  {\\uldb dbl} "
                            "{\\strike gone} {\\cf1 red} {\\highlight2 marked} {\\cb1 backed} "
                            "x{\\super up}{\\sub down} {\\f1\\fs32 times}\\b\\i\\plain  reset\\par}");
    QTextCharFormat f = FormatAt(*doc, "plain");
    EXPECT_EQ(f.fontFamilies().toStringList().value(0), "Arial");
    EXPECT_DOUBLE_EQ(f.fontPointSize(), 10.0);
    EXPECT_LT(f.fontWeight(), QFont::DemiBold);
    EXPECT_FALSE(f.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_GE(FormatAt(*doc, "bold").fontWeight(), QFont::Bold);
    EXPECT_TRUE(FormatAt(*doc, "italic").fontItalic());
    EXPECT_TRUE(FormatAt(*doc, "under").fontUnderline());
    EXPECT_TRUE(FormatAt(*doc, "dbl").fontUnderline());
    EXPECT_FALSE(FormatAt(*doc, "dbl").fontItalic());
    EXPECT_TRUE(FormatAt(*doc, "gone").fontStrikeOut());
    EXPECT_EQ(FormatAt(*doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatAt(*doc, "marked").background().color(), QColor(0, 0, 255));
    EXPECT_EQ(FormatAt(*doc, "backed").background().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatAt(*doc, "up").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(FormatAt(*doc, "down").verticalAlignment(), QTextCharFormat::AlignSubScript);
    QTextCharFormat t = FormatAt(*doc, "times");
    EXPECT_EQ(t.fontFamilies().toStringList().value(0), "Times New Roman");
    EXPECT_DOUBLE_EQ(t.fontPointSize(), 16.0);
    QTextCharFormat r = FormatAt(*doc, "reset");
    EXPECT_LT(r.fontWeight(), QFont::DemiBold);
    EXPECT_FALSE(r.fontItalic());
    EXPECT_DOUBLE_EQ(r.fontPointSize(), 12.0); // \plain: 12 points in the default font
    EXPECT_EQ(r.fontFamilies().toStringList().value(0), "Arial");
    // Hidden text is not shown.
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 a{\\v hidden}b\\v c\\v0 d\\par}"))[0], "abd");
}

TEST(RtfReaderFormat, ParagraphFormats)
{
    auto doc = Read(kHead + "\\pard\\qc centred\\par\\pard\\qr right\\par\\pard\\qj justified\\par"
                            "\\pard\\li720\\ri360\\fi-360\\sb240\\sa120 indented\\par"
                            "\\pard\\sl360\\slmult1 oneandhalf\\par\\pard\\sl-300\\slmult0 exact\\par"
                            "\\pard\\sl300 atleast\\par\\pard left\\par}");
    EXPECT_EQ(BlockAt(*doc, "centred").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_TRUE(BlockAt(*doc, "right").alignment() & Qt::AlignRight);
    EXPECT_EQ(BlockAt(*doc, "justified").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_TRUE(BlockAt(*doc, "left").alignment() & Qt::AlignLeft);
    QTextBlockFormat b = BlockAt(*doc, "indented");
    EXPECT_DOUBLE_EQ(b.leftMargin(), 48);
    EXPECT_DOUBLE_EQ(b.rightMargin(), 24);
    EXPECT_DOUBLE_EQ(b.textIndent(), -24);
    EXPECT_DOUBLE_EQ(b.topMargin(), 16);
    EXPECT_DOUBLE_EQ(b.bottomMargin(), 8);
    EXPECT_EQ(BlockAt(*doc, "oneandhalf").lineHeightType(), QTextBlockFormat::ProportionalHeight);
    EXPECT_DOUBLE_EQ(BlockAt(*doc, "oneandhalf").lineHeight(), 150);
    EXPECT_EQ(BlockAt(*doc, "exact").lineHeightType(), QTextBlockFormat::FixedHeight);
    EXPECT_DOUBLE_EQ(BlockAt(*doc, "exact").lineHeight(), 20);
    EXPECT_EQ(BlockAt(*doc, "atleast").lineHeightType(), QTextBlockFormat::MinimumHeight);
    EXPECT_DOUBLE_EQ(BlockAt(*doc, "left").leftMargin(), 0);
}

TEST(RtfReaderFormat, HangingIndentMakesTheLeftIndentTheFirstTabStop)
{
    // A bullet hangs in the first-line indent; the text after its tab starts
    // where the wrapped lines start, not at the next default tab stop.
    auto doc = Read(kHead + "\\deftab720\\pard\\fi-284\\li568 \\bullet\\tab first words of a paragraph "
                            "long enough to wrap onto a second line\\par}");
    doc->setTextWidth(200);
    QTextBlock block = doc->begin();
    doc->documentLayout()->blockBoundingRect(block); // lays the block out
    QTextLayout *layout = block.layout();
    ASSERT_GE(layout->lineCount(), 2);
    QTextLine first = layout->lineAt(0), second = layout->lineAt(1);
    EXPECT_LT(first.x(), second.x());
    EXPECT_NEAR(first.cursorToX(block.text().indexOf(u'f')), second.x(), 0.5);
}

TEST(RtfReaderFormat, GroupsRestoreFormats)
{
    auto doc = Read(kHead + "\\qc{\\b\\pard\\qr inner\\par}outer\\par}");
    EXPECT_GE(FormatAt(*doc, "inner").fontWeight(), QFont::Bold);
    EXPECT_LT(FormatAt(*doc, "outer").fontWeight(), QFont::DemiBold);
    EXPECT_TRUE(BlockAt(*doc, "outer").alignment() & Qt::AlignHCenter);
}

TEST(RtfReaderFormat, StyleSheetCharacterFormatsApplyWhereUsed)
{
    auto doc = Read(kHead + "{\\stylesheet{\\s0\\f1 Normal;}{\\s1\\b\\fs32\\cf1 heading 1;}"
                            "{\\*\\cs10\\additive\\i Emphasis;}{\\*\\ts11\\tsrowd Table;}}"
                            "\\pard\\s1 Title\\par\\pard\\plain\\s0 Body {\\cs10 emph} tail\\par}");
    QTextCharFormat title = FormatAt(*doc, "Title");
    EXPECT_GE(title.fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(title.fontPointSize(), 16.0);
    EXPECT_EQ(title.foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatAt(*doc, "Body").fontFamilies().toStringList().value(0), "Times New Roman");
    EXPECT_TRUE(FormatAt(*doc, "emph").fontItalic());
    EXPECT_FALSE(FormatAt(*doc, "tail").fontItalic());
    // Style names never show.
    EXPECT_FALSE(doc->toPlainText().contains("heading"));
    EXPECT_FALSE(doc->toPlainText().contains("Normal"));
}

TEST(RtfReaderContent, SkippedDestinationsAndUnknownWords)
{
    auto doc = Read(kHead + "{\\info{\\title T1}{\\author A1}}{\\header H1\\par}{\\footer F1\\par}"
                            "{\\footerl F2}{\\*\\generator G1;}{\\*\\somethingnew S1}"
                            "a{\\footnote N1}b{\\*\\pn\\pnlvlblt{\\pntxtb B1}}"
                            "{\\pntext 1.\\tab}\\foo123\\bar-5 item{\\listtext \\'95\\tab}x"
                            "{\\unknowndest shown}{\\*\\bkmkstart K1}y\\par}");
    QString text = doc->toPlainText();
    for (const char *gone : {"T1", "A1", "H1", "F1", "F2", "G1", "S1", "N1", "B1", "K1"})
        EXPECT_FALSE(text.contains(gone)) << gone;
    EXPECT_EQ(Paragraphs(*doc)[0], QString::fromUtf8("ab1.\titem•\txshowny"));
}

TEST(RtfReaderContent, IgnorableMarkSkipsOnlyUnknownDestinations)
{
    // Before a formatting word the mark changes nothing: the word applies and
    // the text of the group stays.
    auto doc = Read("{\\rtf1{\\b\\*\\cs7 Quick fox}\\par}");
    EXPECT_EQ(Paragraphs(*doc)[0], "Quick fox");
    EXPECT_GE(FormatAt(*doc, "Quick").fontWeight(), QFont::Bold);

    // A character style named behind the mark in the middle of formatted text.
    doc = Read(kHead + "{\\stylesheet{\\*\\cs7\\additive\\i Em;}}"
                       "\\pard a {\\b\\*\\cs7 both} {\\*\\cs7\\ul under} z\\par}");
    EXPECT_EQ(Paragraphs(*doc)[0], "a both under z");
    EXPECT_GE(FormatAt(*doc, "both").fontWeight(), QFont::Bold);
    EXPECT_TRUE(FormatAt(*doc, "both").fontItalic());
    EXPECT_TRUE(FormatAt(*doc, "under").fontItalic());
    EXPECT_TRUE(FormatAt(*doc, "under").fontUnderline());
    EXPECT_FALSE(FormatAt(*doc, "z").fontItalic());

    // Unknown words behind the mark skip their own group only; destinations
    // that carry no text are skipped, shown ones are read.
    doc = Read("{\\rtf1 a{\\*\\neverheardof gone{\\b deeper}}b{\\i{\\*\\other gone}c}"
               "{\\*\\bkmkstart gone}d{\\*\\fldinst x}e{\\*\\shppict{\\*\\nonsense gone}f}\\par}");
    EXPECT_EQ(Paragraphs(*doc)[0], "abcdef");
    EXPECT_TRUE(FormatAt(*doc, "c").fontItalic());
}

TEST(RtfReaderContent, FieldsShowTheirResultHyperlinksBecomeLinks)
{
    auto doc = Read(kHead + "{\\field{\\*\\fldinst {HYPERLINK \"http://example.org/a\"}}{\\fldrslt {\\ul link}}}"
                            " {\\field{\\*\\fldinst HYPERLINK \\\\l \"mark\"}{\\fldrslt inner}}"
                            " {\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}"
                            " {\\field{\\*\\fldinst HYPERLINK \"x\"}} end\\par}");
    EXPECT_EQ(Paragraphs(*doc)[0], "link inner 7  end");
    QTextCharFormat link = FormatAt(*doc, "link");
    EXPECT_TRUE(link.isAnchor());
    EXPECT_EQ(link.anchorHref(), "http://example.org/a");
    EXPECT_TRUE(link.fontUnderline());
    EXPECT_EQ(FormatAt(*doc, "inner").anchorHref(), "#mark");
    EXPECT_FALSE(FormatAt(*doc, "7").isAnchor());
    EXPECT_FALSE(FormatAt(*doc, "end").isAnchor());
    // An object shows its result only.
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 {\\object\\objemb{\\*\\objclass X}{\\objdata 0102}{\\result R}}\\par}"))[0],
              "R");
}

TEST(RtfReaderContent, PngAndJpegPicturesShownOtherKindsSkipped)
{
    std::string png = Hex(Encoded(40, 20, "PNG"));
    std::string jpg = Hex(Encoded(30, 30, "JPG"));
    auto doc = Read(kHead + "a{\\pict\\pngblip\\picw40\\pich20\\picwgoal600\\pichgoal300 " + png + "}"
                            "b{\\pict\\jpegblip " + jpg + "}"
                            "c{\\pict\\wmetafile8\\picw10\\pich10 0102030405}"
                            "d{\\pict\\emfblip 0102}"
                            "{\\*\\shppict{\\pict\\pngblip " + png + "}}{\\nonshppict{\\pict\\wmetafile8 0102}}e\\par}");
    EXPECT_EQ(ImageCount(*doc), 3);
    QString text = Paragraphs(*doc)[0];
    EXPECT_EQ(text, QString("a") + QChar::ObjectReplacementCharacter + "b" + QChar::ObjectReplacementCharacter +
                        "cd" + QChar::ObjectReplacementCharacter + "e");
    QTextCursor c(doc.get());
    c.setPosition(2);
    QTextImageFormat f = c.charFormat().toImageFormat();
    ASSERT_TRUE(f.isValid());
    EXPECT_DOUBLE_EQ(f.width(), 40);
    EXPECT_DOUBLE_EQ(f.height(), 20);
    QImage shown = doc->resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
    EXPECT_EQ(shown.size(), QSize(40, 20));
    c.setPosition(4);
    EXPECT_DOUBLE_EQ(c.charFormat().toImageFormat().width(), 30); // no goal: the picture's own size
    // Binary picture data after \bin.
    QByteArray raw = Encoded(8, 8, "PNG");
    doc = Read("{\\rtf1 {\\pict\\pngblip\\bin" + std::to_string(raw.size()) + " " + raw.toStdString() + "}z\\par}");
    EXPECT_EQ(ImageCount(*doc), 1);
    EXPECT_EQ(Paragraphs(*doc)[0].right(1), "z");
}

TEST(RtfReaderTables, RowsAndCellsBecomeATextTable)
{
    auto doc = Read(kHead + "\\pard Before\\par"
                            "\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrs\\cellx1500\\clcbpat1\\cellx3000"
                            "\\pard\\intbl A\\cell B1\\par B2\\cell\\row"
                            "\\trowd\\trgaph108\\trleft-108\\cellx1500\\cellx3000"
                            "\\pard\\intbl C\\cell\\pard\\intbl{\\b D}\\cell\\row"
                            "\\pard After\\par}");
    auto tables = Tables(*doc);
    ASSERT_EQ(tables.size(), 1);
    QTextTable *t = tables[0];
    ASSERT_EQ(t->rows(), 2);
    ASSERT_EQ(t->columns(), 2);
    EXPECT_EQ(CellText(t, 0, 0), "A");
    EXPECT_EQ(CellText(t, 0, 1), "B1|B2");
    EXPECT_EQ(CellText(t, 1, 0), "C");
    EXPECT_EQ(CellText(t, 1, 1), "D");
    EXPECT_GE(FormatAt(*doc, "D").fontWeight(), QFont::Bold);
    EXPECT_EQ(t->cellAt(0, 1).format().background().color(), QColor(255, 0, 0));
    EXPECT_EQ(t->format().border(), 1);
    QList<QTextLength> widths = t->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 2);
    EXPECT_DOUBLE_EQ(widths[0].rawValue(), 1608 / 15.0);
    EXPECT_DOUBLE_EQ(widths[1].rawValue(), 100);
    EXPECT_EQ(Paragraphs(*doc), QStringList({"Before", "After"}));
}

TEST(RtfReaderTables, RowsWithDifferentBoundariesShareOneGrid)
{
    auto doc = Read("{\\rtf1 \\trowd\\cellx3000\\intbl wide\\cell\\row"
                    "\\trowd\\cellx1500\\cellx3000\\intbl a\\cell b\\cell\\row"
                    "\\trowd\\cellx1000\\cellx3000\\intbl c\\cell d\\cell\\row\\pard\\par}");
    auto tables = Tables(*doc);
    ASSERT_EQ(tables.size(), 1);
    QTextTable *t = tables[0];
    EXPECT_EQ(t->rows(), 3);
    EXPECT_EQ(t->columns(), 3); // boundaries 1000, 1500, 3000
    EXPECT_EQ(t->cellAt(0, 0).columnSpan(), 3);
    EXPECT_EQ(CellText(t, 0, 0), "wide");
    EXPECT_EQ(t->cellAt(1, 0).columnSpan(), 2);
    EXPECT_EQ(CellText(t, 1, 2), "b");
    EXPECT_EQ(CellText(t, 2, 0), "c");
    EXPECT_EQ(t->cellAt(2, 1).columnSpan(), 2);
    EXPECT_EQ(CellText(t, 2, 1), "d");
}

TEST(RtfReaderTables, RowDefinitionAfterTheCellsAndTwoTables)
{
    // Newer writers put the row definition at the end of the row.
    auto doc = Read("{\\rtf1 \\pard\\intbl\\itap1 x\\cell y\\cell\\pard\\intbl{\\trowd\\cellx500\\cellx900\\row}"
                    "\\pard between\\par\\trowd\\cellx900\\pard\\intbl z\\cell\\row}");
    auto tables = Tables(*doc);
    ASSERT_EQ(tables.size(), 2);
    EXPECT_EQ(tables[0]->columns(), 2);
    EXPECT_EQ(CellText(tables[0], 0, 1), "y");
    EXPECT_EQ(CellText(tables[1], 0, 0), "z");
    EXPECT_EQ(Paragraphs(*doc).value(1), "between");
}

// ------------------------------------------------------------ broken input

TEST(RtfReaderBroken, UnbalancedBraces)
{
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 abc\\par {\\b def")), QStringList({"abc", "def"}));
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 a}}} b}")), QStringList({"a"}));
    EXPECT_EQ(Paragraphs(*Read("junk before {\\rtf1 a\\par}")), QStringList({"a"}));
    EXPECT_EQ(Paragraphs(*Read("")), QStringList({""}));
    EXPECT_EQ(Paragraphs(*Read("{")), QStringList({""}));
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 {\\*")), QStringList({""}));
}

TEST(RtfReaderBroken, DeepNestingIsBounded)
{
    const int depth = 200000;
    std::string rtf = "{\\rtf1 start " + std::string(depth, '{') + "deep" + std::string(depth, '}') + " end\\par}";
    auto doc = Read(rtf);
    QString text = Paragraphs(*doc).value(0);
    EXPECT_TRUE(text.startsWith("start")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("end")) << text.toStdString();
    EXPECT_FALSE(text.contains("deep")); // past the depth limit nothing is read

    // Within the limit, nested groups are read.
    RtfLimits limits;
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 " + std::string(100, '{') + "x" + std::string(100, '}') + "\\par}", limits))[0],
              "x");
}

TEST(RtfReaderBroken, HugeAndTruncatedParameters)
{
    auto doc = Read("{\\rtf1 {\\fs99999999999999999999 big}{\\fs-5 neg}\\li-99999999999 x"
                    "\\u99999999999999 \\uc99999 {y}\\cf123456789 z\\par}");
    EXPECT_DOUBLE_EQ(FormatAt(*doc, "big").fontPointSize(), 1638.0);
    EXPECT_DOUBLE_EQ(FormatAt(*doc, "neg").fontPointSize(), 12.0);
    EXPECT_TRUE(Paragraphs(*doc)[0].endsWith("yz"));
    // Truncated sequences at the end of the input.
    for (std::string tail : {"\\", "\\'", "\\'4", "\\u", "\\bin", "\\bin99999999", "\\fs-", "{\\pict\\pngblip 89a"})
        EXPECT_NO_THROW(Read("{\\rtf1 ok " + tail)) << tail;
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 ok \\'zz\\'4")).value(0), "ok zz4");
    // \bin in text skips its bytes, braces among them included.
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 a\\bin3 }{}b\\par}"))[0], "ab");
    EXPECT_EQ(Paragraphs(*Read("{\\rtf1 a{\\*\\x \\bin2 }}}b\\par}"))[0], "ab");
}

TEST(RtfReaderBroken, TableLimitsAndStrayTableWords)
{
    RtfLimits limits;
    limits.maxTableColumns = 8;
    limits.maxTableCells = 20;
    std::string row = "\\trowd";
    for (int i = 1; i <= 50; ++i)
        row += "\\cellx" + std::to_string(i * 100);
    row += "\\intbl";
    for (int i = 0; i < 50; ++i)
        row += " c" + std::to_string(i) + "\\cell";
    row += "\\row";
    std::string rtf = "{\\rtf1 ";
    for (int r = 0; r < 10; ++r)
        rtf += row;
    rtf += "\\pard\\par}";
    auto doc = Read(rtf, limits);
    auto tables = Tables(*doc);
    ASSERT_GE(tables.size(), 2);
    int rows = 0;
    for (QTextTable *t : tables) {
        EXPECT_LE(t->columns(), 8);
        rows += t->rows();
    }
    EXPECT_EQ(rows, 10);
    // Every cell's text is still shown; the cells past the limit join the last one.
    EXPECT_TRUE(doc->toPlainText().contains("c49"));
    EXPECT_TRUE(CellText(tables[0], 0, 7).startsWith("c7|c8"));

    // Cells, rows and cell text without the rest of a table.
    EXPECT_NO_THROW(Read("{\\rtf1 \\cell\\cell\\row\\row x\\cell\\par y\\intbl\\par z"));
    doc = Read("{\\rtf1 \\trowd\\cellx100\\intbl open\\cell never closed");
    ASSERT_EQ(Tables(*doc).size(), 1);
    EXPECT_TRUE(doc->toPlainText().contains("never closed"));
    doc = Read("{\\rtf1 \\trowd\\cellx-500\\cellx-900\\cellx99999999\\intbl a\\cell b\\cell c\\cell\\row}");
    ASSERT_EQ(Tables(*doc).size(), 1);
    EXPECT_EQ(Tables(*doc)[0]->columns(), 3);
}

TEST(RtfReaderBroken, PictureLimits)
{
    RtfLimits limits;
    limits.maxPictureSide = 16;
    std::string big = Hex(Encoded(32, 8, "PNG"));
    std::string small = Hex(Encoded(8, 8, "PNG"));
    auto doc = Read("{\\rtf1 {\\pict\\pngblip " + big + "}{\\pict\\pngblip " + small + "}\\par}", limits);
    EXPECT_EQ(ImageCount(*doc), 1);
    limits = RtfLimits{};
    limits.maxPictureBytes = 16;
    doc = Read("{\\rtf1 {\\pict\\pngblip " + small + "}\\par}", limits);
    EXPECT_EQ(ImageCount(*doc), 0);
    // Damaged picture data, odd digit count, wrong kind: nothing shown.
    doc = Read("{\\rtf1 {\\pict\\pngblip 0123456789abcdef0}{\\pict\\jpegblip " + small +
               "}{\\pict\\pngblip}{\\pict " + small + "}x\\par}");
    EXPECT_EQ(ImageCount(*doc), 0);
    EXPECT_EQ(Paragraphs(*doc)[0], "x");
}

TEST(RtfReaderBroken, FontAndColourTablesOutOfShape)
{
    auto doc = Read("{\\rtf1{\\fonttbl\\f0\\fswiss Arial;\\f1 Courier New;{\\f2{\\*\\panose 02}Nested;}{\\f3}}"
                    "{\\colortbl\\red300\\green-4;;\\blue7}\\f1\\cf0 a\\f9\\cf99 b\\f2 c\\par}");
    EXPECT_EQ(FormatAt(*doc, "a").fontFamilies().toStringList().value(0), "Courier New");
    EXPECT_EQ(FormatAt(*doc, "a").foreground().color(), QColor(255, 0, 0));
    EXPECT_FALSE(FormatAt(*doc, "b").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(FormatAt(*doc, "c").fontFamilies().toStringList().value(0), "Nested");
    EXPECT_EQ(Paragraphs(*doc)[0], "abc");
}

TEST(RtfReaderPlain, IsRtfAndPlainTextLines)
{
    EXPECT_TRUE(IsRtf("{\\rtf1\\ansi}"));
    EXPECT_FALSE(IsRtf(" {\\rtf1"));
    EXPECT_FALSE(IsRtf("{\\rt"));
    EXPECT_FALSE(IsRtf("plain"));
    QTextDocument doc;
    ReadPlainText(std::string("Za\xbf\xf3\xb3\xe6\r\ng\xea\x9cl\xb9\rja\x9f\xf1\nkoniec"), doc);
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8("Zażółć\ngęślą\njaźń\nkoniec"));
    EXPECT_EQ(doc.blockCount(), 4);
}
