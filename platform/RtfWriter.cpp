#include "platform/RtfWriter.h"

#include "platform/Cp1250.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <cmath>
#include <map>
#include <vector>

namespace platform {
namespace {

constexpr double kTwipsPerPixel = 15.0;

int Twips(double pixels)
{
    return int(std::lround(pixels * kTwipsPerPixel));
}

class Writer {
public:
    explicit Writer(const QTextDocument &doc) : doc_(doc) {}
    std::string Run();

private:
    const QTextDocument &doc_;
    std::vector<QString> fonts_;
    std::map<QString, int> fontIndex_;
    std::vector<QRgb> colors_;
    std::map<QRgb, int> colorIndex_;
    std::string out_;

    int Font(const QString &family);
    int Color(const QColor &color);
    void Word(const char *word, long long param) { out_ += '\\'; out_ += word; out_ += std::to_string(param); }
    void Word(const char *word) { out_ += '\\'; out_ += word; }
    void Text(QStringView text, std::string &to) const;
    void ExactText(QStringView text, std::string &to, bool fontName) const;
    void Frame(QTextFrame *frame);
    void Table(QTextTable *table);
    void Paragraph(const QTextBlock &block, bool inTable);
    void Fragment(const QTextFragment &fragment);
    void Picture(const QTextImageFormat &format);
    void CollectBlocks(QTextFrame::iterator it, std::vector<QTextBlock> &blocks) const;
};

int Writer::Font(const QString &family)
{
    auto it = fontIndex_.find(family);
    if (it != fontIndex_.end())
        return it->second;
    int index = int(fonts_.size());
    fonts_.push_back(family);
    fontIndex_[family] = index;
    return index;
}

int Writer::Color(const QColor &color)
{
    QRgb rgb = color.rgb() & 0xFFFFFF;
    auto it = colorIndex_.find(rgb);
    if (it != colorIndex_.end())
        return it->second;
    colors_.push_back(rgb);
    int index = int(colors_.size()); // entry 0 is the automatic colour
    colorIndex_[rgb] = index;
    return index;
}

namespace {

void HexByte(std::string &to, int b)
{
    static const char hex[] = "0123456789abcdef";
    to += "\\'";
    to += hex[b >> 4];
    to += hex[b & 15];
}

} // namespace

// Text of a font name or a link target, where no control word is read as a
// character. A link target keeps every character, control characters as
// \'hh. A font name keeps every character but the control characters, which
// the reader drops from font names; its ';' (the end of the name) is written
// as \uN.
void Writer::ExactText(QStringView text, std::string &to, bool fontName) const
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            to += '\\';
            to += char(c);
        } else if (c < 0x20) {
            if (!fontName)
                HexByte(to, c);
        } else if (c < 0x80 && !(fontName && c == u';')) {
            to += char(c);
        } else if (int b = (c >= 0x80 && !(c >= 0xD800 && c <= 0xDFFF)) ? UnicodeToCp1250(c) : -1; b >= 0) {
            HexByte(to, b);
        } else {
            to += "\\u" + std::to_string(int(int16_t(c))) + "?";
        }
    }
}

void Writer::Text(QStringView text, std::string &to) const
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        switch (c) {
        case u'\\': to += "\\\\"; continue;
        case u'{': to += "\\{"; continue;
        case u'}': to += "\\}"; continue;
        case u'\t': to += "\\tab "; continue;
        case 0x2028: to += "\\line "; continue;
        case 0x00A0: to += "\\~"; continue;
        case 0x00AD: to += "\\-"; continue;
        case 0x2011: to += "\\_"; continue;
        case 0xFFFC: case 0x2029: case 0xFDD0: case 0xFDD1: continue;
        default: break;
        }
        if (c < 0x20)
            continue;
        if (c < 0x80) {
            to += char(c);
            continue;
        }
        int b = (c >= 0xD800 && c <= 0xDFFF) ? -1 : UnicodeToCp1250(c);
        if (b >= 0)
            HexByte(to, b);
        else
            to += "\\u" + std::to_string(int(int16_t(c))) + "?";
    }
}

void Writer::Picture(const QTextImageFormat &format)
{
    QVariant res = doc_.resource(QTextDocument::ImageResource, QUrl(format.name()));
    QImage image;
    if (res.canConvert<QImage>())
        image = res.value<QImage>();
    if (image.isNull() && res.canConvert<QPixmap>())
        image = res.value<QPixmap>().toImage();
    if (image.isNull() && res.typeId() == QMetaType::QByteArray)
        image.loadFromData(res.toByteArray());
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return;
    double w = format.width() > 0 ? format.width() : image.width();
    double h = format.height() > 0 ? format.height() : image.height();
    out_ += "{\\pict\\pngblip";
    Word("picw", image.width());
    Word("pich", image.height());
    Word("picwgoal", Twips(w));
    Word("pichgoal", Twips(h));
    out_ += '\n';
    static const char hex[] = "0123456789abcdef";
    for (qsizetype i = 0; i < png.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(png[i]);
        out_ += hex[b >> 4];
        out_ += hex[b & 15];
        if (i % 64 == 63)
            out_ += '\n';
    }
    out_ += "}";
}

void Writer::Fragment(const QTextFragment &fragment)
{
    QTextCharFormat cf = fragment.charFormat();
    QString text = fragment.text();
    QString href = cf.isAnchor() ? cf.anchorHref() : QString();
    if (!href.isEmpty()) {
        out_ += "{\\field{\\*\\fldinst HYPERLINK \"";
        QString escaped = href;
        escaped.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
        ExactText(escaped, out_, false);
        out_ += "\"}{\\fldrslt ";
    }
    out_ += '{';
    QStringList families = cf.fontFamilies().toStringList();
    QString family = families.isEmpty() ? doc_.defaultFont().family() : families.first();
    Word("f", Font(family));
    double points = cf.fontPointSize();
    if (points <= 0 && cf.hasProperty(QTextFormat::FontPixelSize))
        points = cf.intProperty(QTextFormat::FontPixelSize) * 0.75;
    if (points <= 0)
        points = doc_.defaultFont().pointSizeF();
    if (points <= 0)
        points = 12;
    Word("fs", std::lround(points * 2));
    if (cf.fontWeight() >= QFont::DemiBold)
        Word("b");
    if (cf.fontItalic())
        Word("i");
    if (cf.fontUnderline())
        Word("ul");
    if (cf.fontStrikeOut())
        Word("strike");
    if (cf.hasProperty(QTextFormat::ForegroundBrush) && cf.foreground().style() != Qt::NoBrush)
        Word("cf", Color(cf.foreground().color()));
    if (cf.hasProperty(QTextFormat::BackgroundBrush) && cf.background().style() != Qt::NoBrush)
        Word("highlight", Color(cf.background().color()));
    if (cf.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        Word("super");
    else if (cf.verticalAlignment() == QTextCharFormat::AlignSubScript)
        Word("sub");
    out_ += ' ';
    if (cf.isImageFormat()) {
        for (qsizetype i = 0; i < text.size(); ++i)
            if (text[i] == QChar::ObjectReplacementCharacter)
                Picture(cf.toImageFormat());
    } else {
        Text(text, out_);
    }
    out_ += '}';
    if (!href.isEmpty())
        out_ += "}}";
}

void Writer::Paragraph(const QTextBlock &block, bool inTable)
{
    QTextBlockFormat bf = block.blockFormat();
    Word("pard");
    if (inTable)
        Word("intbl");
    Qt::Alignment align = bf.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        Word("qc");
    else if (align & Qt::AlignJustify)
        Word("qj");
    else if (align & (Qt::AlignRight | Qt::AlignTrailing))
        Word("qr");
    else
        Word("ql");
    double left = bf.leftMargin() + bf.indent() * doc_.indentWidth();
    if (left)
        Word("li", Twips(left));
    if (bf.rightMargin())
        Word("ri", Twips(bf.rightMargin()));
    if (bf.textIndent())
        Word("fi", Twips(bf.textIndent()));
    if (bf.topMargin())
        Word("sb", Twips(bf.topMargin()));
    if (bf.bottomMargin())
        Word("sa", Twips(bf.bottomMargin()));
    switch (bf.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (bf.lineHeight() != 100) {
            Word("sl", std::lround(bf.lineHeight() * 240 / 100));
            Word("slmult", 1);
        }
        break;
    case QTextBlockFormat::FixedHeight:
        Word("sl", -Twips(bf.lineHeight()));
        Word("slmult", 0);
        break;
    case QTextBlockFormat::MinimumHeight:
        Word("sl", Twips(bf.lineHeight()));
        Word("slmult", 0);
        break;
    default:
        break;
    }
    out_ += ' ';
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().isValid())
            Fragment(it.fragment());
}

void Writer::CollectBlocks(QTextFrame::iterator it, std::vector<QTextBlock> &blocks) const
{
    for (; !it.atEnd(); ++it) {
        if (QTextFrame *f = it.currentFrame())
            CollectBlocks(f->begin(), blocks);
        else if (it.currentBlock().isValid())
            blocks.push_back(it.currentBlock());
    }
}

void Writer::Table(QTextTable *table)
{
    QTextTableFormat tf = table->format();
    const int rows = table->rows(), columns = table->columns();
    QList<QTextLength> constraints = tf.columnWidthConstraints();
    std::vector<int> widths(size_t(std::max(columns, 0)), 1440);
    for (int c = 0; c < columns && c < constraints.size(); ++c) {
        const QTextLength &len = constraints[c];
        if (len.type() == QTextLength::FixedLength)
            widths[size_t(c)] = std::max(15, Twips(len.rawValue()));
        else if (len.type() == QTextLength::PercentageLength)
            widths[size_t(c)] = std::max(15, int(len.rawValue() * 9360 / 100));
    }
    const int left = Twips(tf.leftMargin());
    const bool borders = tf.border() > 0;
    for (int r = 0; r < rows; ++r) {
        Word("trowd");
        Word("trgaph", Twips(tf.cellPadding()));
        Word("trleft", left);
        int right = left;
        std::vector<QTextTableCell> cells;
        for (int c = 0; c < columns; ++c) {
            QTextTableCell cell = table->cellAt(r, c);
            int span = 1;
            if (cell.isValid() && cell.column() == c) {
                span = cell.columnSpan();
                cells.push_back(cell);
            } else if (cell.isValid()) {
                continue;
            }
            if (borders)
                out_ += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                        "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
            QTextCharFormat cellFormat = cell.isValid() ? cell.format() : QTextCharFormat();
            if (cellFormat.hasProperty(QTextFormat::BackgroundBrush) &&
                cellFormat.background().style() != Qt::NoBrush)
                Word("clcbpat", Color(cellFormat.background().color()));
            for (int k = c; k < c + span && k < columns; ++k)
                right += widths[size_t(k)];
            Word("cellx", right);
        }
        out_ += '\n';
        for (const QTextTableCell &cell : cells) {
            std::vector<QTextBlock> blocks;
            if (cell.row() == r)
                CollectBlocks(cell.begin(), blocks);
            if (blocks.empty()) {
                Word("pard");
                Word("intbl");
            }
            for (size_t i = 0; i < blocks.size(); ++i) {
                Paragraph(blocks[i], true);
                if (i + 1 < blocks.size())
                    out_ += "\\par\n";
            }
            out_ += "\\cell\n";
        }
        out_ += "\\row\n";
    }
}

void Writer::Frame(QTextFrame *frame)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame *child = it.currentFrame()) {
            if (auto *table = qobject_cast<QTextTable *>(child)) {
                Table(table);
            } else {
                Frame(child);
            }
        } else if (it.currentBlock().isValid()) {
            Paragraph(it.currentBlock(), false);
            out_ += "\\par\n";
        }
    }
}

std::string Writer::Run()
{
    Font(doc_.defaultFont().family());
    Frame(doc_.rootFrame());
    std::string head = "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1045";
    double tab = doc_.defaultTextOption().tabStopDistance();
    if (tab > 0)
        head += "\\deftab" + std::to_string(Twips(tab));
    head += "\n{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        head += "{\\f" + std::to_string(i) + "\\fnil\\fcharset238 ";
        ExactText(fonts_[i], head, true);
        head += ";}";
    }
    head += "}\n{\\colortbl ;";
    for (QRgb rgb : colors_)
        head += "\\red" + std::to_string(qRed(rgb)) + "\\green" + std::to_string(qGreen(rgb)) +
                "\\blue" + std::to_string(qBlue(rgb)) + ";";
    head += "}\n\\viewkind4\\uc1\n";
    return head + out_ + "}\n";
}

} // namespace

std::string WriteRtf(const QTextDocument &doc)
{
    Writer writer(doc);
    return writer.Run();
}

} // namespace platform
