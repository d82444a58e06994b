// Fuzz target of the RTF reader and writer: parse, build the Qt document,
// write it back as RTF and read that again. Any crash, sanitizer report or
// hang is a fault, and so is a second reading whose text or formats differ
// from the first.
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// Twips of a pixel length, as the writer stores lengths.
long Twips(double pixels)
{
    return std::lround(pixels * 15.0);
}

// What a reader sees of one character format.
QString Describe(const QTextDocument &doc, const QTextCharFormat &f)
{
    QStringList p;
    QStringList families = f.fontFamilies().toStringList();
    p << (families.isEmpty() ? doc.defaultFont().family() : families.first());
    p << QString::number(f.fontPointSize());
    if (f.fontWeight() >= QFont::DemiBold)
        p << "b";
    if (f.fontItalic())
        p << "i";
    if (f.fontUnderline())
        p << "u";
    if (f.fontStrikeOut())
        p << "s";
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        p << "fg" + f.foreground().color().name();
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        p << "bg" + f.background().color().name();
    if (f.verticalAlignment() != QTextCharFormat::AlignNormal)
        p << "v" + QString::number(f.verticalAlignment());
    if (f.isAnchor())
        p << "href=" + f.anchorHref();
    if (f.isImageFormat()) {
        QTextImageFormat im = f.toImageFormat();
        p << QString("img%1x%2").arg(Twips(im.width())).arg(Twips(im.height()));
    }
    return p.join(',');
}

// What a reader sees of a paragraph: its format and its text in runs of one
// format. A proportional line height of 100 % is single spacing.
QString DescribeBlock(const QTextDocument &doc, const QTextBlock &b)
{
    QTextBlockFormat f = b.blockFormat();
    int lineType = f.lineHeightType();
    double lineHeight = f.lineHeight();
    if (lineType == QTextBlockFormat::ProportionalHeight && lineHeight == 100)
        lineType = QTextBlockFormat::SingleHeight;
    if (lineType == QTextBlockFormat::SingleHeight)
        lineHeight = 0;
    // Left is left, whether or not it is absolute (the text is never right to left).
    int align = int(f.alignment() & Qt::AlignHorizontal_Mask);
    if ((align & ~int(Qt::AlignAbsolute)) == int(Qt::AlignLeft))
        align = int(Qt::AlignLeft);
    QString s = QString("[%1 l%2 r%3 fi%4 t%5 b%6 lh%7/%8]")
                    .arg(align)
                    .arg(Twips(f.leftMargin())).arg(Twips(f.rightMargin()))
                    .arg(Twips(f.textIndent())).arg(Twips(f.topMargin()))
                    .arg(Twips(f.bottomMargin())).arg(lineHeight).arg(lineType);
    QString run, runFormat;
    auto flush = [&] {
        if (!run.isEmpty())
            s += "<" + run + "|" + runFormat + ">";
        run.clear();
    };
    for (auto it = b.begin(); !it.atEnd(); ++it) {
        QTextFragment fragment = it.fragment();
        QString d = Describe(doc, fragment.charFormat());
        if (d != runFormat)
            flush();
        runFormat = d;
        run += fragment.text();
    }
    flush();
    return s;
}

// True when a table of the document reaches further right than the reader
// takes a cell boundary (44 inches): the writer cannot keep its grid.
bool HasTableBeyondReach(const QTextDocument &doc)
{
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        double right = table->format().leftMargin();
        for (const QTextLength &width : table->format().columnWidthConstraints())
            right += width.rawValue();
        if (Twips(right) > 2 * 31680)
            return true;
    }
    return false;
}

QStringList Signature(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        out << DescribeBlock(doc, b);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view input(reinterpret_cast<const char *>(data), size);
    platform::RtfLimits limits;
    // Documents for all runs: building replaces their content.
    static QTextDocument first, second;
    platform::ReadRtf(input, first, limits);
    std::string written = platform::WriteRtf(first);
    if (HasTableBeyondReach(first))
        return 0;
    platform::ReadRtf(written, second, limits);
    QStringList a = Signature(first), b = Signature(second);
    if (a != b) {
        std::fprintf(stderr, "read:\n%s\nwritten:\n%s\nread again:\n%s\n",
                     qPrintable(a.join('\n')), written.c_str(), qPrintable(b.join('\n')));
        std::abort();
    }
    return 0;
}
