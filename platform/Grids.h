// The class library's string grid, a widget of our own on
// QAbstractScrollArea.
//
// Model: ColCount x RowCount cells, each with a text and an integer tag
// (Objects); the first FixedRows rows (and FixedCols columns) are fixed
// headings that never scroll. Rows have heights (DefaultRowHeight for new
// rows; setting DefaultRowHeight gives every row that height again) and
// columns widths (DefaultColWidth likewise). Cells are separated by grid
// lines GridLineWidth (1) pixels wide, drawn after each cell.
//
// Scrolling is by whole rows: TopRow is the first non-fixed row shown below
// the fixed rows, between FixedRows and the largest top row that still
// fills the view; the vertical scroll bar (the only one) moves it. Row
// heights are kept with a Fenwick tree, so the row at a height and the
// offset of a row cost O(log n), and a paint touches only the rows in view:
// a 50,000-row grid paints as fast as a 50-row one.
//
// Current cell: Row (and Col). Setting Row to another row scrolls it into
// view and fires OnClick, as do the mouse (left button on a non-fixed cell;
// a left click fires OnClick even on the current row), the arrow keys, Page
// Up/Down, Home/End and the mouse wheel (one row per step). Page Up/Down
// move the view and the row by the rows in view (the row keeps its place on
// the screen), Ctrl+Page Up/Down go to the first and the last row wholly in
// view; Home/End go to the first and last column, or row under goRowSelect;
// Ctrl+Home/End to the first and the last cell. A row reached by the keys or
// the wheel is scrolled wholly into view, at the heights that the rows
// scrolling in take as they are drawn (SizeRowsBeforeDrawing). A Row outside
// FixedRows..RowCount-1 raises EInvalidGridOperation "Grid index out of
// range". Setting TopRow clamps it and fires nothing.
//
// Painting, for each cell in view, with the grid's Canvas: the canvas font
// is reset to the grid's Font; the brush is FixedColor for fixed cells,
// clHighlight (font colour clHighlightText) for selected cells (the current
// row under goRowSelect, else the current cell), Color otherwise; with
// DefaultDrawing the cell is filled and its text drawn at (left + 2,
// top + 2), clipped to the cell; then OnDrawCell(Sender, ACol, ARow, Rect,
// State) runs. Row heights that OnDrawCell changes take effect for the rows
// drawn after it and trigger one more paint.
//
// SizeRowsBeforeDrawing (off by default) is for a draw-cell event that grows
// rows to fit what it draws: before a row is first drawn at its present
// height, its cells go through DrawCell with the canvas's drawing suspended
// (measuring works, nothing is drawn), so the height the event gives the row
// is in place before the row is drawn, once; the rows below count from the
// new height, and after the paint only the scroll bar follows. The screen
// is then the one the extra paint would have given. A row stays sized until
// its height, its cells' texts, the column count or widths or the line width
// change.
//
// Mouse and key events reach the grid's OnMouseDown/Move/Up, OnKeyDown/Up
// with X, Y in client pixels (the viewport's).
#pragma once

#include "platform/Controls.h"

#include <vector>

namespace platform {

class EInvalidGridOperation : public Exception {
public:
    using Exception::Exception;
};

enum class TGridDrawStateElem : uint8_t { gdSelected, gdFocused, gdFixed };
using enum TGridDrawStateElem;
using TGridDrawState = TSet<TGridDrawStateElem>;

enum class TGridOption : uint8_t {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking,
};
using enum TGridOption;
using TGridOptions = TSet<TGridOption>;

enum class TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
using enum TScrollStyle;

struct TGridCoord {
    int X = -1;
    int Y = -1;
};

using TDrawCellEvent = TMethod<void(TObject *Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;

class GridView;

class TStringGrid : public TWinControl {
    RBK_CLASS(TStringGrid, TWinControl)
public:
    explicit TStringGrid(TComponent *AOwner);
    ~TStringGrid() override;

    int ColCount() const { return colCount_; }
    void SetColCount(int value);
    int RowCount() const { return static_cast<int>(heights_.size()); }
    void SetRowCount(int value);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int value);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int value);

    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int value);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int value);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int height);
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int GridLineWidth() const { return lineWidth_; }
    void SetGridLineWidth(int value);

    // Cells outside the grid read as empty and ignore writes.
    AnsiString Cells(int col, int row) const;
    void SetCells(int col, int row, const AnsiString &text);
    intptr_t Objects(int col, int row) const;
    void SetObjects(int col, int row, intptr_t object);

    int Row() const { return row_; }
    void SetRow(int value);
    int Col() const { return col_; }
    void SetCol(int value);
    int TopRow() const { return topRow_; }
    void SetTopRow(int value);
    int LeftCol() const { return fixedCols_; }
    // Non-fixed rows that fit wholly below the fixed rows from TopRow.
    int VisibleRowCount() const;

    // The cell under a client point; (-1, -1) outside the cells.
    TGridCoord MouseCoord(int X, int Y) const;
    void MouseToCell(int X, int Y, int &ACol, int &ARow) const;
    // The cell's rectangle in client pixels (without its grid lines); an
    // empty rectangle for a cell out of view.
    TRect CellRect(int ACol, int ARow) const;

    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    // Only the vertical bar exists; ssHorizontal/ssBoth behave as
    // ssVertical/ssBoth without a horizontal bar.
    void SetScrollBars(TScrollStyle value);
    bool SizeRowsBeforeDrawing() const { return sizeRowsBeforeDrawing_; }
    void SetSizeRowsBeforeDrawing(bool value) { sizeRowsBeforeDrawing_ = value; }
    // True while a row passes through DrawCell only to be sized, with its
    // drawing to follow in the same paint (or, for the rows sized as the
    // keys or the wheel scroll, in the next one): what the draw-cell event
    // records while drawing will be recorded again then.
    bool SizingBeforeDrawing() const { return sizingRow_ && !sizingOnly_; }
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor value);

    TCanvas &Canvas() { return canvas_; }
    int ClientWidth() const override;
    int ClientHeight() const override;
    void WndProc(TMessage &Message) override;

    TDrawCellEvent OnDrawCell;

    // Paints the cells in view onto a painter sized as the client area
    // (the widget's paint and off-screen rendering).
    void PaintCells(QPainter &painter, const QRect &dirty);
    // Passes the rows a paint of the whole view would reach, and their cells,
    // through DrawCell with the canvas's drawing suspended, as the sizing of
    // SizeRowsBeforeDrawing does: they take the heights (and the draw-cell
    // event's other records) that paint would give them, without drawing.
    void SizeRowsInView();
    // While suspended the view paints nothing (what it showed stays); it is
    // painted whole when painting resumes.
    void SetPaintingSuspended(bool value);

protected:
    void colorChanged() override;
    bool clicksOnMouseUp() const override { return false; }
    virtual void DrawCell(int ACol, int ARow, const TRect &ARect, TGridDrawState AState);

private:
    friend class GridView;
    struct Cell {
        AnsiString text;
        intptr_t object = 0;
    };

    // Fenwick tree over (row height + line width).
    void rebuildTree();
    void treeAdd(int row, int64_t delta);
    int64_t prefix(int row) const; // extent of rows [0, row)
    int rowAtExtent(int64_t offset) const; // the row whose extent holds offset
    int rowExtent(int row) const { return heights_[size_t(row)] + lineWidth_; }

    int fixedHeight() const { return int(prefix(fixedRows_)); }
    int colLeft(int col) const;
    int maxTopRow() const;
    void updateScrollBar();
    void clampTopRow();
    void scrollInView(int row);
    // Moves the current cell; fires OnClick when asked and the row or
    // column changed. Given the top row from before a move by the user, the
    // row is kept in view at the heights its drawing gives the rows.
    void moveCurrent(int col, int row, bool click, int topBefore = -1);
    void keepInView(int row, int topBefore);
    // The rows in view through DrawCell to be sized (SizeRowsInView), or
    // sized ahead of the paint that draws them.
    void sizeView(bool drawingFollows);
    // The rows in view: drawn on the painter, or only sized when it is null.
    void passRows(QPainter *painter, const QRect &dirty);
    void changed(); // repaint soon
    void unsize();  // every row to be sized again before it is drawn
    void keyNavigate(uint16_t key);
    void wheel(int steps);

    GridView *view_;
    TCanvas canvas_;
    int colCount_ = 5;
    int fixedRows_ = 1;
    int fixedCols_ = 1;
    int defaultRowHeight_ = 24;
    int defaultColWidth_ = 64;
    int lineWidth_ = 1;
    std::vector<int> heights_;
    // Per row: drawn at its present height without OnDrawCell changing it.
    std::vector<char> sized_;
    // Fenwick tree of row extents, 1-based: slot 0 is unused.
    std::vector<int64_t> tree_ = std::vector<int64_t>(1, 0);
    std::vector<int> widths_;
    std::vector<std::vector<Cell>> cells_; // [row][col]
    int row_ = 1;
    int col_ = 1;
    int topRow_ = 1;
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TScrollStyle scrollBars_ = ssBoth;
    bool defaultDrawing_ = true;
    bool sizeRowsBeforeDrawing_ = false;
    TColor fixedColor_ = clBtnFace;
    bool painting_ = false;
    bool repaintAfterPaint_ = false;
    bool heightsChanged_ = false; // rows grew while sized during a paint
    bool sizingRow_ = false;
    bool paintingSuspended_ = false;
    bool sizingOnly_ = false; // SizeRowsInView: no drawing follows
    bool updatingBar_ = false;
    bool pressedOnCell_ = false;
};

} // namespace platform
