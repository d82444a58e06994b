// The RTF view's former way of reading a document, kept as the oracle of the
// tests that compare it with the view's own: the document model is built
// straight into the document that the view shows, one insert at a time, with
// no edit block, so that the view follows every insert.
#pragma once

#include "platform/RtfReader.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <set>

namespace stepwise {

using namespace platform;

inline constexpr double kTwipsPerPixel = 15.0;

inline QTextCharFormat QtCharFormat(const RtfDocument &rtf, const RtfCharFormat &f)
{
    QTextCharFormat cf;
    if (f.font >= 0 && size_t(f.font) < rtf.fonts.size()) {
        const RtfFont &font = rtf.fonts[size_t(f.font)];
        if (!font.name.isEmpty())
            cf.setFontFamilies(QStringList{font.name});
        static const QFont::StyleHint hints[] = {QFont::AnyStyle, QFont::Serif, QFont::SansSerif,
                                                 QFont::TypeWriter, QFont::Cursive,
                                                 QFont::Decorative, QFont::AnyStyle};
        if (font.family > 0 && font.family < 7)
            cf.setFontStyleHint(hints[font.family]);
    }
    cf.setFontPointSize(f.sizeHalfPoints / 2.0);
    cf.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    cf.setFontItalic(f.italic);
    cf.setFontUnderline(f.underline);
    cf.setFontStrikeOut(f.strike);
    auto color = [&rtf](int32_t index, QColor &out) {
        if (index < 0 || size_t(index) >= rtf.colors.size() || rtf.colors[size_t(index)].automatic)
            return false;
        const RtfColor &c = rtf.colors[size_t(index)];
        out = QColor(c.red, c.green, c.blue);
        return true;
    };
    QColor c;
    if (color(f.foreground, c))
        cf.setForeground(c);
    if (color(f.background, c))
        cf.setBackground(c);
    if (f.vertical == 1)
        cf.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (f.vertical == 2)
        cf.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    return cf;
}

inline QTextBlockFormat QtBlockFormat(const RtfParaFormat &pf)
{
    QTextBlockFormat bf;
    static const Qt::Alignment aligns[] = {Qt::AlignLeft | Qt::AlignAbsolute, Qt::AlignHCenter,
                                           Qt::AlignRight | Qt::AlignAbsolute, Qt::AlignJustify};
    bf.setAlignment(aligns[pf.align]);
    if (pf.leftIndent)
        bf.setLeftMargin(pf.leftIndent / kTwipsPerPixel);
    if (pf.rightIndent)
        bf.setRightMargin(pf.rightIndent / kTwipsPerPixel);
    if (pf.firstIndent)
        bf.setTextIndent(pf.firstIndent / kTwipsPerPixel);
    if (pf.firstIndent < 0) // the left indent is the hanging first line's tab stop
        bf.setTabPositions({QTextOption::Tab(-pf.firstIndent / kTwipsPerPixel, QTextOption::LeftTab)});
    if (pf.spaceBefore)
        bf.setTopMargin(pf.spaceBefore / kTwipsPerPixel);
    if (pf.spaceAfter)
        bf.setBottomMargin(pf.spaceAfter / kTwipsPerPixel);
    if (pf.lineSpacing != 0) {
        if (pf.lineMultiple && pf.lineSpacing > 0)
            bf.setLineHeight(pf.lineSpacing * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (pf.lineSpacing < 0)
            bf.setLineHeight(-pf.lineSpacing / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
        else
            bf.setLineHeight(pf.lineSpacing / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
    }
    return bf;
}

// Column grid of one table: the union of the rows' cell boundaries.
struct TableGrid {
    std::vector<int32_t> bounds;                 // twips, ascending
    std::vector<std::vector<std::pair<int, int>>> cells; // per row: [first column, last column)
    int columns = 0;
};

inline TableGrid MakeGrid(const RtfTable &table, const RtfLimits &limits)
{
    TableGrid grid;
    std::vector<std::vector<int32_t>> rights(table.rows.size());
    std::vector<int32_t> lefts(table.rows.size());
    std::set<int32_t> all;
    int maxCells = 1;
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const RtfTableRow &row = table.rows[r];
        int n = std::max<int>(row.cellCount, int(row.cellRight.size()));
        n = std::clamp(n, 1, limits.maxTableColumns);
        maxCells = std::max(maxCells, n);
        int32_t left = row.left;
        if (!row.cellRight.empty())
            left = std::min(left, row.cellRight[0] - 15);
        int32_t prev = left;
        lefts[r] = left;
        all.insert(left);
        for (int i = 0; i < n; ++i) {
            int32_t right = size_t(i) < row.cellRight.size() ? row.cellRight[size_t(i)] : prev + 1440;
            right = std::max(right, prev + 15);
            rights[r].push_back(right);
            all.insert(right);
            prev = right;
        }
    }
    grid.cells.resize(table.rows.size());
    if (int(all.size()) - 1 <= limits.maxTableColumns) {
        grid.bounds.assign(all.begin(), all.end());
        grid.columns = int(grid.bounds.size()) - 1;
        for (size_t r = 0; r < table.rows.size(); ++r) {
            int32_t prev = lefts[r];
            for (int32_t right : rights[r]) {
                int a = int(std::lower_bound(grid.bounds.begin(), grid.bounds.end(), prev) - grid.bounds.begin());
                int b = int(std::lower_bound(grid.bounds.begin(), grid.bounds.end(), right) - grid.bounds.begin());
                grid.cells[r].push_back({a, std::max(b, a + 1)});
                prev = right;
            }
        }
    } else {
        // Boundaries too scattered: one column per cell, widths of the first row.
        grid.columns = maxCells;
        grid.bounds.push_back(0);
        for (int i = 0; i < maxCells; ++i)
            grid.bounds.push_back(grid.bounds.back() + 1440);
        for (size_t r = 0; r < table.rows.size(); ++r)
            for (int i = 0; i < int(rights[r].size()); ++i)
                grid.cells[r].push_back({i, i + 1});
    }
    return grid;
}

class Builder {
public:
    Builder(const RtfDocument &rtf, QTextDocument &doc, const RtfLimits &limits)
        : rtf_(rtf), doc_(doc), limits_(limits), cursor_(&doc)
    {
    }
    void Run();

private:
    const RtfDocument &rtf_;
    QTextDocument &doc_;
    const RtfLimits &limits_;
    QTextCursor cursor_;
    std::vector<QTextCharFormat> formats_;
    std::vector<QString> pictureNames_;
    bool fresh_ = true; // the cursor's block is not used by a paragraph yet

    void InsertRuns(const RtfParagraph &para, QTextCursor &c);
    size_t BuildTable(size_t first);
    void LoadPictures();
};

inline void Builder::LoadPictures()
{
    pictureNames_.resize(rtf_.pictures.size());
    for (size_t i = 0; i < rtf_.pictures.size(); ++i) {
        const RtfPicture &pic = rtf_.pictures[i];
        QByteArray bytes = QByteArray::fromRawData(pic.data.data(), qsizetype(pic.data.size()));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, pic.kind == RtfPicture::Png ? "png" : "jpeg");
        QSize size = reader.size();
        if (!size.isValid() || size.width() > limits_.maxPictureSide ||
            size.height() > limits_.maxPictureSide ||
            int64_t(size.width()) * size.height() > limits_.maxPicturePixels)
            continue;
        QImage image;
        if (!reader.read(&image) || image.isNull())
            continue;
        QString name = QStringLiteral("rtfpict:%1").arg(i);
        doc_.addResource(QTextDocument::ImageResource, QUrl(name), image);
        pictureNames_[i] = name;
    }
}

inline void Builder::InsertRuns(const RtfParagraph &para, QTextCursor &c)
{
    for (uint32_t r = para.firstRun; r < para.firstRun + para.runCount; ++r) {
        const RtfRun &run = rtf_.runs[r];
        QTextCharFormat cf = formats_[run.format];
        if (run.link >= 0) {
            cf.setAnchor(true);
            cf.setAnchorHref(rtf_.links[size_t(run.link)]);
        }
        if (run.picture >= 0) {
            const QString &name = pictureNames_[size_t(run.picture)];
            if (name.isEmpty())
                continue;
            const RtfPicture &pic = rtf_.pictures[size_t(run.picture)];
            QImage image = doc_.resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
            double w = pic.widthGoal > 0 ? pic.widthGoal / kTwipsPerPixel : image.width();
            double h = pic.heightGoal > 0 ? pic.heightGoal / kTwipsPerPixel : image.height();
            QTextImageFormat imf;
            imf.merge(cf);
            imf.setName(name);
            imf.setWidth(std::max(1.0, w * pic.scaleX / 100.0));
            imf.setHeight(std::max(1.0, h * pic.scaleY / 100.0));
            c.insertImage(imf);
            continue;
        }
        c.insertText(QString::fromUtf16(rtf_.text.data() + run.begin, qsizetype(run.length)), cf);
    }
}

inline size_t Builder::BuildTable(size_t first)
{
    const int32_t tableIndex = rtf_.paragraphs[first].table;
    const RtfTable &table = rtf_.tables[size_t(tableIndex)];
    size_t last = first;
    while (last < rtf_.paragraphs.size() && rtf_.paragraphs[last].table == tableIndex)
        ++last;
    if (table.rows.empty())
        return last;
    TableGrid grid = MakeGrid(table, limits_);

    QTextTableFormat tf;
    const RtfTableRow &row0 = table.rows[0];
    bool borders = false;
    for (const RtfTableRow &row : table.rows)
        borders = borders || row.borders;
    tf.setBorder(borders ? 1 : 0);
    tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    tf.setBorderBrush(Qt::black);
    tf.setBorderCollapse(true);
    tf.setCellSpacing(0);
    tf.setCellPadding(row0.gap / kTwipsPerPixel);
    tf.setAlignment(Qt::AlignLeft);
    if (grid.bounds[0] > 0)
        tf.setLeftMargin(grid.bounds[0] / kTwipsPerPixel);
    QList<QTextLength> widths;
    for (int c = 0; c < grid.columns; ++c)
        widths.append(QTextLength(QTextLength::FixedLength,
                                  std::max(1.0, (grid.bounds[size_t(c) + 1] - grid.bounds[size_t(c)]) / kTwipsPerPixel)));
    tf.setColumnWidthConstraints(widths);

    QTextTable *qt = cursor_.insertTable(int(table.rows.size()), grid.columns, tf);
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const RtfTableRow &row = table.rows[r];
        for (size_t i = 0; i < grid.cells[r].size(); ++i) {
            auto [a, b] = grid.cells[r][i];
            if (b - a > 1)
                qt->mergeCells(int(r), a, 1, b - a);
            int32_t bg = i < row.cellBackground.size() ? row.cellBackground[i] : -1;
            if (bg >= 0 && size_t(bg) < rtf_.colors.size() && !rtf_.colors[size_t(bg)].automatic) {
                const RtfColor &col = rtf_.colors[size_t(bg)];
                QTextTableCell cell = qt->cellAt(int(r), a);
                QTextCharFormat cf = cell.format();
                cf.setBackground(QColor(col.red, col.green, col.blue));
                cell.setFormat(cf);
            }
        }
    }
    int prevRow = -1, prevCell = -1;
    QTextCursor c;
    for (size_t i = first; i < last; ++i) {
        const RtfParagraph &para = rtf_.paragraphs[i];
        if (size_t(para.row) >= table.rows.size())
            continue;
        const auto &cells = grid.cells[size_t(para.row)];
        if (cells.empty())
            continue;
        int column = cells[std::min(size_t(para.cell), cells.size() - 1)].first;
        QTextBlockFormat bf = QtBlockFormat(para.format);
        QTextCharFormat first = para.runCount ? formats_[rtf_.runs[para.firstRun].format] : QTextCharFormat();
        if (para.row != prevRow || column != prevCell) {
            c = qt->cellAt(para.row, column).firstCursorPosition();
            c.setBlockFormat(bf);
            // The first block's character format holds the cell's own format
            // (span, shading): merge into it.
            c.mergeBlockCharFormat(first);
            prevRow = para.row;
            prevCell = column;
        } else {
            c.insertBlock(bf, first);
        }
        InsertRuns(para, c);
    }
    cursor_ = qt->lastCursorPosition();
    cursor_.movePosition(QTextCursor::NextBlock);
    fresh_ = true;
    return last;
}

inline void Builder::Run()
{
    doc_.clear();
    doc_.setUndoRedoEnabled(false);
    QTextOption option = doc_.defaultTextOption();
    option.setTabStopDistance(rtf_.defaultTab / kTwipsPerPixel);
    doc_.setDefaultTextOption(option);
    formats_.reserve(rtf_.formats.size());
    for (const RtfCharFormat &f : rtf_.formats)
        formats_.push_back(QtCharFormat(rtf_, f));
    LoadPictures();
    cursor_ = QTextCursor(&doc_);
    size_t i = 0;
    while (i < rtf_.paragraphs.size()) {
        const RtfParagraph &para = rtf_.paragraphs[i];
        if (para.table >= 0 && size_t(para.table) < rtf_.tables.size()) {
            i = BuildTable(i);
            continue;
        }
        QTextBlockFormat bf = QtBlockFormat(para.format);
        QTextCharFormat first = para.runCount ? formats_[rtf_.runs[para.firstRun].format] : QTextCharFormat();
        if (fresh_) {
            cursor_.setBlockFormat(bf);
            cursor_.setBlockCharFormat(first);
            fresh_ = false;
        } else {
            cursor_.insertBlock(bf, first);
        }
        InsertRuns(para, cursor_);
        ++i;
    }
}


// Reads RTF bytes into `doc` the former way.
inline void ReadRtf(std::string_view data, QTextDocument &doc)
{
    RtfLimits limits;
    RtfDocument rtf = ParseRtf(data, limits);
    Builder builder(rtf, doc, limits);
    builder.Run();
}

} // namespace stepwise
