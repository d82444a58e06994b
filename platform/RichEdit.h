// The rich-text view (the class library's rich edit): a read-only view of a
// Qt text document that loads and saves RTF through our own RTF reader and
// writer, reports its display lines and selects text by character position.
//
// Text positions count as the rich-edit control counts them: one position per
// character (a UTF-16 unit; a picture is one character) and one per paragraph
// end. A table cell ends in a paragraph end of its own, and the cells follow
// each other row by row. These are exactly the positions of the Qt document
// (QTextCursor::position), so SelStart, SelLength and the character positions
// of the display lines are those positions; Text() has the same length with
// each paragraph end written as '\n'.
//
// Display lines: every paragraph, table cells included in document order, is
// wrapped at the view's current width (its viewport, less the document
// margin); each wrapped piece is one line, reported with its text (a line
// break (\line) that ends the piece is left out of the text, trailing blanks
// where a paragraph wraps are kept) and the position of its first character.
// An empty paragraph is one empty line.
//
// Loading a file builds a new document and shows it in place of the one
// shown before, which is freed: Document() is that of the moment. The new
// document is laid out by the view as it is shown (the part in sight first;
// a document taller than the view on screen once, at the width it keeps with
// its vertical scroll bar); DisplayLines and the selection lay out what they
// need.
//
// Scroll bars: both, shown when needed. Paragraphs wrap at word boundaries,
// and a word wider than the view is broken anywhere.
#pragma once

#include "platform/Cp1250.h"

#include <QString>
#include <QWidget>

#include <vector>

class QPrinter;
class QTextDocument;
class QTextEdit;

namespace platform {

class TRichEdit : public QWidget {
    Q_OBJECT
public:
    struct TDisplayLine {
        QString Text;
        int CharPos = 0;
    };

    explicit TRichEdit(QWidget *parent = nullptr);
    ~TRichEdit() override;

    // Empties the view.
    void Clear();
    // Replaces the content by plain text (one paragraph per line).
    void SetText(const QString &text);
    // The whole text, paragraphs separated by '\n'.
    QString Text() const;

    // Loads a file as RTF; a file that does not start as RTF is shown as plain
    // text in code page 1250. A file that cannot be opened or read raises
    // EFOpenError or EReadError and leaves the content as it was.
    void LoadFromFile(const AnsiString &path);
    // Saves the whole document as RTF. The file is written beside the target
    // as a new file of its own (ReplaceFileContent) and renamed over it;
    // raises EFCreateError when it cannot be written.
    void SaveToFile(const AnsiString &path) const;

    std::vector<TDisplayLine> DisplayLines();

    // Selects `length` characters from `start` (both clamped to the document)
    // and scrolls the selection into view, as the control does on a selection
    // change.
    void SetSelection(int start, int length);
    int SelStart() const;
    int SelLength() const;
    QString SelText() const;
    void ScrollSelectionIntoView();
    void ScrollCaretIntoView() { ScrollSelectionIntoView(); }

    // Prints the whole document with `jobTitle` as the print job's title.
    void Print(QPrinter &printer, const QString &jobTitle) const;

    QTextDocument *Document() const;
    QTextEdit *Editor() const { return edit_; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QTextEdit *edit_;
    static void ResetFormats(QTextDocument &doc);
    static bool TallerThan(const QTextDocument &doc, int height);
    void EnsureLayout();
};

} // namespace platform
