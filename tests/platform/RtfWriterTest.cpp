// RTF writer: what it writes reads back (reader -> writer -> reader) to the
// same text, paragraphs, formats, colours, links, pictures and tables.
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace platform;

namespace {

QString Describe(const QTextCharFormat &f)
{
    QStringList p;
    p << f.fontFamilies().toStringList().value(0) << QString::number(f.fontPointSize());
    if (f.fontWeight() >= QFont::DemiBold) p << "b";
    if (f.fontItalic()) p << "i";
    if (f.fontUnderline()) p << "u";
    if (f.fontStrikeOut()) p << "s";
    if (f.hasProperty(QTextFormat::ForegroundBrush)) p << "fg" + f.foreground().color().name();
    if (f.hasProperty(QTextFormat::BackgroundBrush)) p << "bg" + f.background().color().name();
    if (f.verticalAlignment() != QTextCharFormat::AlignNormal) p << "v" + QString::number(f.verticalAlignment());
    if (f.isAnchor()) p << "href=" + f.anchorHref();
    if (f.isImageFormat()) {
        QTextImageFormat im = f.toImageFormat();
        p << QString("img%1x%2").arg(im.width()).arg(im.height());
    }
    return p.join(',');
}

QString DescribeBlock(const QTextBlock &b)
{
    QTextBlockFormat f = b.blockFormat();
    QString s = QString("[%1 l%2 r%3 fi%4 t%5 b%6 lh%7/%8]")
                    .arg(int(f.alignment() & Qt::AlignHorizontal_Mask))
                    .arg(f.leftMargin()).arg(f.rightMargin()).arg(f.textIndent())
                    .arg(f.topMargin()).arg(f.bottomMargin()).arg(f.lineHeight()).arg(f.lineHeightType());
    for (auto it = b.begin(); !it.atEnd(); ++it)
        s += "<" + it.fragment().text() + "|" + Describe(it.fragment().charFormat()) + ">";
    return s;
}

// Everything the round trip must keep, one line per paragraph or table cell.
QStringList Signature(const QTextDocument &doc)
{
    QStringList out;
    for (QTextFrame::iterator it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (auto *t = qobject_cast<QTextTable *>(it.currentFrame())) {
            QStringList widths;
            for (const QTextLength &l : t->format().columnWidthConstraints())
                widths << QString::number(l.rawValue());
            out << QString("table %1x%2 border%3 w%4").arg(t->rows()).arg(t->columns())
                       .arg(t->format().border()).arg(widths.join(' '));
            for (int r = 0; r < t->rows(); ++r)
                for (int c = 0; c < t->columns(); ++c) {
                    QTextTableCell cell = t->cellAt(r, c);
                    if (cell.row() != r || cell.column() != c)
                        continue;
                    QString head = QString("cell %1,%2 span%3").arg(r).arg(c).arg(cell.columnSpan());
                    if (cell.format().hasProperty(QTextFormat::BackgroundBrush))
                        head += " bg" + cell.format().background().color().name();
                    out << head;
                    for (auto ci = cell.begin(); !ci.atEnd(); ++ci)
                        out << "  " + DescribeBlock(ci.currentBlock());
                }
        } else if (it.currentBlock().isValid()) {
            out << DescribeBlock(it.currentBlock());
        }
    }
    return out;
}

std::string Hex(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(10, 200, 30));
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    return out.toHex().toStdString();
}

const std::string kSample =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}"
    "{\\f1\\froman\\fcharset238 Times New Roman;}{\\f2\\fmodern\\fcharset238 Courier New;}}"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red255\\green255\\blue0;}"
    "\\pard\\qc\\sb240\\sa120\\f0\\fs32\\b Klasyfikacja \\'a3\\'f3d\\'9f\\'b9\\b0\\par"
    "\\pard\\qj\\li720\\ri360\\fi-360\\sl360\\slmult1\\f1\\fs24 Zwyk\\'b3y {\\i kursywa} {\\ul podkre\\'9clenie}"
    " {\\strike skre\\'9clenie} {\\cf1 czerwony} {\\highlight3 t\\'b3o} x{\\super 2} H{\\sub 2}O"
    " \\u1046? \\u-10179?\\u-8704? {\\f2 mono\\tab tab}\\line nowa linia\\par"
    "\\pard\\qr\\sl-300\\slmult0 {\\field{\\*\\fldinst HYPERLINK \"http://example.org/?a=1&b=\\\\\\\\x\"}{\\fldrslt link}}"
    " {\\{braces\\}} back\\\\slash\\par"
    "\\pard\\ql\\sl300\\slmult0 pic {\\pict\\pngblip\\picwgoal300\\pichgoal150 " + Hex(20, 10) + "}\\par"
    "\\trowd\\trgaph90\\clbrdrt\\brdrs\\cellx1500\\clcbpat2\\cellx4500\\cellx6000"
    "\\pard\\intbl A1\\cell\\pard\\intbl\\qc B1 {\\b bold}\\par second\\cell C1\\cell\\row"
    "\\trowd\\trgaph90\\cellx4500\\cellx6000\\pard\\intbl wide\\cell \\cell\\row"
    "\\pard\\par\\pard Koniec \\'bf\\'f3\\'b3w\\par}";

} // namespace

TEST(RtfWriterRoundTrip, ReaderWriterReaderKeepsEverything)
{
    QTextDocument first;
    ReadRtf(kSample, first);
    std::string written = WriteRtf(first);
    QTextDocument second;
    ReadRtf(written, second);
    QStringList a = Signature(first), b = Signature(second);
    EXPECT_EQ(a.join('\n').toStdString(), b.join('\n').toStdString());
    EXPECT_EQ(first.toPlainText(), second.toPlainText());
    // And once more: the writer's output is stable.
    QTextDocument third;
    ReadRtf(WriteRtf(second), third);
    EXPECT_EQ(WriteRtf(third), WriteRtf(second));
    // Sanity of the sample itself.
    EXPECT_TRUE(first.toPlainText().contains(QString::fromUtf8("Łódźą")));
    EXPECT_TRUE(a.join('\n').contains("table 2x3 border1"));
    EXPECT_TRUE(a.join('\n').contains("span2"));
}

TEST(RtfWriterRoundTrip, PolishLettersAsCodePageBytesOthersAsUnicode)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QString::fromUtf8("Zażółć gęślą jaźń ZAŻÓŁĆ € Ж 😀 {x}\\ \t"));
    std::string rtf = WriteRtf(doc);
    for (unsigned char ch : rtf)
        ASSERT_LT(ch, 0x80) << "the writer emits 7-bit RTF";
    EXPECT_NE(rtf.find("\\ansicpg1250"), std::string::npos);
    EXPECT_NE(rtf.find("\\fcharset238"), std::string::npos);
    EXPECT_NE(rtf.find("Za\\'bf\\'f3\\'b3\\'e6"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\'80"), std::string::npos); // the euro sign is in the code page
    EXPECT_NE(rtf.find("\\u1046?"), std::string::npos);
    EXPECT_NE(rtf.find("\\u-10179?\\u-8704?"), std::string::npos);
    EXPECT_NE(rtf.find("\\{x\\}\\\\"), std::string::npos);
    QTextDocument back;
    ReadRtf(rtf, back);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText());
}

TEST(RtfWriterRoundTrip, DocumentMadeInQtWithEmptyParagraphsAndTableAtTheEnd)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat big;
    big.setFontPointSize(20);
    big.setFontFamilies({"DejaVu Sans"});
    c.insertText("one", big);
    c.insertBlock();
    c.insertBlock();
    c.insertText("three");
    QTextTableFormat tf;
    tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 60), QTextLength(QTextLength::FixedLength, 40)});
    QTextTable *t = c.insertTable(1, 2, tf);
    t->cellAt(0, 1).firstCursorPosition().insertText(QString::fromUtf8("ćma"));
    QTextDocument back;
    ReadRtf(WriteRtf(doc), back);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText());
    EXPECT_EQ(back.blockCount(), doc.blockCount());
    QTextCursor f = back.find("one");
    QTextCursor at(&back);
    at.setPosition(f.selectionEnd());
    EXPECT_DOUBLE_EQ(at.charFormat().fontPointSize(), 20);
}

TEST(RtfWriterRoundTrip, EmptyDocument)
{
    QTextDocument doc;
    std::string rtf = WriteRtf(doc);
    EXPECT_TRUE(IsRtf(rtf));
    QTextDocument back;
    ReadRtf(rtf, back);
    EXPECT_EQ(back.toPlainText(), "");
    EXPECT_EQ(back.blockCount(), 1);
}

TEST(RtfWriterRoundTrip, FontNamesAndLinkTargetsKeepEveryCharacter)
{
    const std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Caf\\'e9 \\'b3;}{\\f1 Mincho\\u26126?;}"
        "{\\f2 A\\u59?B\\{\\};}}"
        "\\f0 zero {\\f1 one} {\\f2 two} "
        "{\\field{\\*\\fldinst HYPERLINK \"http://x/\\u1046?\\'09y\\'01;z\"}{\\fldrslt link}}\\par}";
    QTextDocument first;
    ReadRtf(rtf, first);
    auto family = [](QTextDocument &doc, const char *text) {
        QTextCursor c = doc.find(text);
        QTextCursor at(&doc);
        at.setPosition(c.selectionEnd());
        return at.charFormat().fontFamilies().toStringList().value(0);
    };
    auto href = [](QTextDocument &doc) {
        QTextCursor c = doc.find("link");
        QTextCursor at(&doc);
        at.setPosition(c.selectionEnd());
        return at.charFormat().anchorHref();
    };
    EXPECT_EQ(family(first, "zero"), QString::fromUtf8("Café ³"));
    EXPECT_EQ(family(first, "one"), QString::fromUtf8("Mincho\u660e"));
    EXPECT_EQ(family(first, "two"), "A;B{}");
    EXPECT_EQ(href(first), QString::fromUtf8("http://x/Ж\ty\x01;z"));

    QTextDocument second;
    ReadRtf(WriteRtf(first), second);
    EXPECT_EQ(Signature(second), Signature(first));
    for (const char *text : {"zero", "one", "two"})
        EXPECT_EQ(family(second, text), family(first, text)) << text;
    EXPECT_EQ(href(second), href(first));
}

TEST(RtfWriterRoundTrip, ControlCharactersNamedByUnicodeDoNotComeBack)
{
    QTextDocument first;
    ReadRtf("{\\rtf1\\ansi a\\u0?b\\u7?c\\u9?d\\u-4?e\\u8232?f\\par}", first);
    QTextDocument second;
    ReadRtf(WriteRtf(first), second);
    EXPECT_EQ(first.toPlainText(), "abc\tde\nf"); // the line break reads as \n
    EXPECT_EQ(second.toPlainText(), first.toPlainText());
    // The writer drops them itself, whatever the reader would make of them.
    QTextDocument made;
    QTextCursor(&made).insertText(QString::fromUtf16(u"a\u0001b\u0007c\u001fd\te"));
    std::string rtf = WriteRtf(made);
    EXPECT_NE(rtf.find(" abcd\\tab e}"), std::string::npos) << rtf;
}

TEST(RtfWriterRoundTrip, FontNamesAreWrittenWithoutControlCharacters)
{
    // The reader drops control characters from font names: the writer does not write them.
    QTextDocument doc;
    QTextCharFormat f;
    f.setFontFamilies({QString::fromUtf16(u"A\u0001B\tC\u001f")});
    QTextCursor(&doc).insertText("x", f);
    std::string rtf = WriteRtf(doc);
    EXPECT_NE(rtf.find(" ABC;}"), std::string::npos) << rtf;
}
