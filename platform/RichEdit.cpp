#include "platform/RichEdit.h"

#include "platform/Classes.h"
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"
#include "platform/SysUtils.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPrinter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextTable>
#include <QTextLayout>

#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {

namespace {
// Default tab stops every half inch, as the control has them.
constexpr double kDefaultTab = 48.0;
} // namespace

TRichEdit::TRichEdit(QWidget *parent) : QWidget(parent), edit_(new QTextEdit(this))
{
    edit_->setReadOnly(true);
    edit_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    edit_->setLineWrapMode(QTextEdit::WidgetWidth);
    edit_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    edit_->setUndoRedoEnabled(false);
    edit_->setAcceptRichText(false);
    edit_->document()->setDocumentMargin(2);
    setFocusProxy(edit_);
    setFocusPolicy(Qt::StrongFocus);
    ResetFormats(*edit_->document());
}

TRichEdit::~TRichEdit() = default;

QTextDocument *TRichEdit::Document() const
{
    return edit_->document();
}

void TRichEdit::resizeEvent(QResizeEvent *event)
{
    edit_->setGeometry(QRect(QPoint(0, 0), event->size()));
    // On a change of width the text edit keeps a vertical scroll bar it
    // showed before when the document, wider than the view, now fits its
    // height beside the bar (its guard against the bar coming and going for
    // ever). The lines would then wrap at a width that depends on what the
    // view was before. So when the document fits, the bar is decided afresh
    // at the new width. A document certainly taller than the view is left
    // alone; the others are laid out here at once, as they would be soon.
    QScrollBar *bar = edit_->verticalScrollBar();
    if (event->size().width() != event->oldSize().width() && edit_->isVisible() && bar->isVisible() &&
        edit_->verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded &&
        !TallerThan(*edit_->document(), edit_->maximumViewportSize().height()) &&
        edit_->document()->documentLayout()->documentSize().height() <= edit_->viewport()->height()) {
        const int value = bar->value();
        edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        bar->setValue(value); // where the text edit alone would have left it
    }
    QWidget::resizeEvent(event);
}

void TRichEdit::ResetFormats(QTextDocument &doc)
{
    QTextOption option = doc.defaultTextOption();
    option.setTabStopDistance(kDefaultTab);
    doc.setDefaultTextOption(option);
}

void TRichEdit::Clear()
{
    edit_->document()->clear();
    ResetFormats(*edit_->document());
    edit_->setTextCursor(QTextCursor(edit_->document()));
}

void TRichEdit::SetText(const QString &text)
{
    Clear();
    edit_->document()->setPlainText(text);
}

QString TRichEdit::Text() const
{
    return edit_->document()->toPlainText();
}

// Whether the document is certainly taller than `height` pixels at any
// width: every visible paragraph of the main flow and every table row takes
// at least one pixel (a line is as high as its font), unless a negative
// margin or a set line height pulls it up.
bool TRichEdit::TallerThan(const QTextDocument &doc, int height)
{
    long long units = 0;
    for (QTextFrame::iterator it = doc.rootFrame()->begin(); !it.atEnd() && units <= height; ++it) {
        if (QTextFrame *frame = it.currentFrame()) {
            const QTextFrameFormat f = frame->frameFormat();
            if (f.topMargin() < 0 || f.bottomMargin() < 0)
                return false;
            // A row counts when one of its cells lies in it alone.
            if (auto *table = qobject_cast<QTextTable *>(frame))
                for (int r = 0; r < table->rows(); ++r)
                    for (int c = 0; c < table->columns(); ++c) {
                        const QTextTableCell cell = table->cellAt(r, c);
                        if (cell.row() == r && cell.rowSpan() == 1) {
                            ++units;
                            break;
                        }
                    }
            continue;
        }
        const QTextBlock block = it.currentBlock();
        const QTextBlockFormat f = block.blockFormat();
        if (f.topMargin() < 0 || f.bottomMargin() < 0 || f.lineHeightType() != QTextBlockFormat::SingleHeight)
            return false;
        if (block.isVisible())
            ++units;
    }
    return units > height;
}

void TRichEdit::LoadFromFile(const AnsiString &path)
{
    std::string data = ReadFileBytes(path); // raises before anything changes
    // The document is built away from the view and then shown: a document
    // that a view shows is laid out again at every insert, which made big
    // files take many seconds. The new document takes over the settings the
    // view gave the one it showed (font, margin, tab stops and wrapping), as
    // a cleared document keeps them.
    QTextDocument *old = edit_->document();
    auto built = std::make_unique<QTextDocument>(edit_);
    QTextDocument *doc = built.get();
    doc->setDefaultFont(old->defaultFont());
    doc->setDocumentMargin(old->documentMargin());
    doc->setDefaultTextOption(old->defaultTextOption());
    doc->setIndentWidth(old->indentWidth());
    doc->setUseDesignMetrics(old->useDesignMetrics());
    doc->setDefaultStyleSheet(old->defaultStyleSheet());
    doc->setDefaultCursorMoveStyle(old->defaultCursorMoveStyle());
    doc->setUndoRedoEnabled(false);
    ResetFormats(*doc);
    if (IsRtf(data))
        ReadRtf(data, *doc);
    else
        ReadPlainText(data, *doc);
    // Laying a big document out is the dear part of showing it, and a table
    // is laid out whole whenever any of it is needed. The view lays out the
    // document it is given when its layout is made (at no width), at its
    // page width, and again when its scroll bar comes or goes. So the layout
    // is made on an empty page, where nothing is laid out, and a view on
    // screen that gets a document taller than itself at any width shows the
    // vertical scroll bar from the start: it lays the document out once, at
    // the width it keeps. (Hidden, the view takes its size only when its
    // lines are asked for, so it is left as it was.)
    doc->setPageSize(QSizeF(0, 0));
    (void)doc->documentLayout();
    // The view's first document belongs to the view, which frees it when it
    // is replaced; the later ones are ours.
    const bool ours = old->parent() == edit_;
    const bool viewsOwn = old->parent() && old->parent()->parent() == edit_ &&
                          old->parent()->inherits("QWidgetTextControl");
    const Qt::ScrollBarPolicy policy = edit_->verticalScrollBarPolicy();
    const bool tall = edit_->isVisible() && policy == Qt::ScrollBarAsNeeded &&
                      TallerThan(*doc, edit_->maximumViewportSize().height());
    if (tall) {
        // The document shown is about to be freed: emptied, it costs nothing
        // to lay out again at the narrower width.
        if (ours || viewsOwn)
            old->clear();
        edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    edit_->setDocument(built.release());
    if (tall)
        edit_->setVerticalScrollBarPolicy(policy);
    if (ours)
        delete old;
    edit_->setTextCursor(QTextCursor(doc));
    edit_->verticalScrollBar()->setValue(0);
    edit_->horizontalScrollBar()->setValue(0);
}

void TRichEdit::SaveToFile(const AnsiString &path) const
{
    // Written to a new file beside the target and renamed over it.
    if (!ReplaceFileContent(path, WriteRtf(*edit_->document())))
        throw EFCreateError("Cannot create file \"" + PathToText(path) + "\". " + std::strerror(errno));
}

void TRichEdit::EnsureLayout()
{
    // A hidden view gets its size only when shown; deliver it now so that the
    // lines wrap at the width the view has.
    if (testAttribute(Qt::WA_PendingResizeEvent) || edit_->testAttribute(Qt::WA_PendingResizeEvent)) {
        QResizeEvent own(size(), QSize());
        QApplication::sendEvent(this, &own);
        setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent inner(edit_->size(), QSize());
        QApplication::sendEvent(edit_, &inner);
        edit_->setAttribute(Qt::WA_PendingResizeEvent, false);
    }
    QTextDocument *doc = edit_->document();
    // A hidden text edit does not wrap its document; wrap it at the width its
    // viewport has, as it will when shown.
    if (!edit_->isVisible() && doc->textWidth() != edit_->viewport()->width())
        doc->setTextWidth(edit_->viewport()->width());
    // Laying out may show or hide the vertical scroll bar, which changes the
    // width again; repeat until the width stays.
    for (int round = 0; round < 4; ++round) {
        qreal width = doc->textWidth();
        doc->documentLayout()->blockBoundingRect(doc->lastBlock());
        (void)doc->documentLayout()->documentSize();
        if (doc->textWidth() == width)
            break;
    }
}

std::vector<TRichEdit::TDisplayLine> TRichEdit::DisplayLines()
{
    EnsureLayout();
    std::vector<TDisplayLine> lines;
    QTextDocument *doc = edit_->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        QTextLayout *layout = block.layout();
        int count = layout ? layout->lineCount() : 0;
        if (count == 0) {
            lines.push_back({text, block.position()});
            continue;
        }
        for (int i = 0; i < count; ++i) {
            QTextLine line = layout->lineAt(i);
            QString piece = text.mid(line.textStart(), line.textLength());
            if (piece.endsWith(QChar::LineSeparator))
                piece.chop(1);
            lines.push_back({piece, block.position() + line.textStart()});
        }
    }
    return lines;
}

void TRichEdit::SetSelection(int start, int length)
{
    QTextDocument *doc = edit_->document();
    const int last = doc->characterCount() - 1;
    int from = std::clamp(start, 0, last);
    int to = std::clamp(int(std::min<long long>(INT32_MAX, std::max<long long>(0, (long long)from + length))), 0, last);
    QTextCursor cursor(doc);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    edit_->setTextCursor(cursor);
    ScrollSelectionIntoView();
}

int TRichEdit::SelStart() const
{
    return edit_->textCursor().selectionStart();
}

int TRichEdit::SelLength() const
{
    QTextCursor c = edit_->textCursor();
    return c.selectionEnd() - c.selectionStart();
}

QString TRichEdit::SelText() const
{
    QString s = edit_->textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, u'\n');
    return s;
}

void TRichEdit::ScrollSelectionIntoView()
{
    EnsureLayout();
    edit_->ensureCursorVisible();
}

void TRichEdit::Print(QPrinter &printer, const QString &jobTitle) const
{
    printer.setDocName(jobTitle);
    edit_->document()->print(&printer);
}

} // namespace platform
