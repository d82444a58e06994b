#include "platform/Grids.h"

#include <QAbstractScrollArea>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

namespace platform {

// The grid's widget: paints through the grid, keeps the scroll bar's value
// as the top row, and turns wheel steps into row moves. Keys and mouse
// buttons reach the grid as messages (Controls.h); the scroll area's own
// key and mouse handling is switched off.
class GridView : public QAbstractScrollArea {
public:
    explicit GridView(TStringGrid *grid) : grid_(grid)
    {
        setFocusPolicy(Qt::StrongFocus);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
        viewport()->setMouseTracking(true);
        verticalScrollBar()->setSingleStep(1);
    }
    TStringGrid *grid_;

protected:
    void paintEvent(QPaintEvent *e) override
    {
        if (grid_->paintingSuspended_)
            return;
        QPainter p(viewport());
        grid_->PaintCells(p, e->rect());
    }
    void resizeEvent(QResizeEvent *e) override
    {
        QAbstractScrollArea::resizeEvent(e);
        grid_->updateScrollBar();
    }
    void scrollContentsBy(int, int) override
    {
        if (grid_->updatingBar_)
            return;
        grid_->topRow_ = std::clamp(verticalScrollBar()->value(), grid_->fixedRows_, std::max(grid_->fixedRows_, grid_->RowCount() - 1));
        viewport()->update();
    }
    void wheelEvent(QWheelEvent *e) override
    {
        wheelRest_ += e->angleDelta().y();
        const int steps = wheelRest_ / 120;
        wheelRest_ -= steps * 120;
        if (steps != 0)
            SafeCall([&] { grid_->wheel(steps); });
        e->accept();
    }
    void keyPressEvent(QKeyEvent *e) override { e->accept(); }
    void keyReleaseEvent(QKeyEvent *e) override { e->accept(); }
    void mousePressEvent(QMouseEvent *e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent *e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent *e) override { e->accept(); }
    void mouseMoveEvent(QMouseEvent *e) override { e->accept(); }

private:
    int wheelRest_ = 0;
};

TStringGrid::TStringGrid(TComponent *AOwner) : TWinControl(AOwner)
{
    view_ = new GridView(this);
    setWidget(view_, view_->viewport());
    view_->resize(320, 120);
    SetColor(clWindow);
    widths_.assign(size_t(colCount_), defaultColWidth_);
    SetRowCount(5);
    updateScrollBar();
}

TStringGrid::~TStringGrid() { Destroying(); }

// ------------------------------------------------------------- row extents

void TStringGrid::rebuildTree()
{
    const size_t n = heights_.size();
    tree_.assign(n + 1, 0);
    for (size_t i = 1; i <= n; ++i) {
        tree_[i] += heights_[i - 1] + lineWidth_;
        const size_t j = i + (i & (~i + 1));
        if (j <= n)
            tree_[j] += tree_[i];
    }
}

void TStringGrid::treeAdd(int row, int64_t delta)
{
    const size_t n = heights_.size();
    for (size_t i = size_t(row) + 1; i <= n; i += i & (~i + 1))
        tree_[i] += delta;
}

int64_t TStringGrid::prefix(int row) const
{
    int64_t s = 0;
    for (size_t i = size_t(std::clamp(row, 0, RowCount())); i > 0; i -= i & (~i + 1))
        s += tree_[i];
    return s;
}

int TStringGrid::rowAtExtent(int64_t offset) const
{
    if (offset < 0)
        return -1;
    const size_t n = heights_.size();
    size_t pos = 0;
    size_t step = 1;
    while (step * 2 <= n)
        step *= 2;
    for (; step > 0; step /= 2) {
        if (pos + step <= n && tree_[pos + step] <= offset) {
            pos += step;
            offset -= tree_[pos];
        }
    }
    return int(pos); // == RowCount() when past the last row
}

// ----------------------------------------------------------------- shape

void TStringGrid::unsize() { std::fill(sized_.begin(), sized_.end(), 0); }

void TStringGrid::SetColCount(int value)
{
    value = std::max(1, value);
    if (value == colCount_)
        return;
    colCount_ = value;
    unsize();
    widths_.resize(size_t(value), defaultColWidth_);
    for (auto &r : cells_)
        r.resize(size_t(value));
    if (fixedCols_ >= value)
        fixedCols_ = value - 1;
    col_ = std::clamp(col_, fixedCols_, value - 1);
    changed();
}

void TStringGrid::SetRowCount(int value)
{
    value = std::max(1, value);
    const int old = RowCount();
    if (value == old)
        return;
    if (value < old) {
        heights_.resize(size_t(value));
        sized_.resize(size_t(value));
        tree_.resize(size_t(value) + 1);
        cells_.resize(size_t(value));
    } else {
        // No exact reserve here: rows are often added one at a time, and
        // geometric growth keeps that linear.
        for (int r = old; r < value; ++r) {
            heights_.push_back(defaultRowHeight_);
            sized_.push_back(0);
            // Fenwick append: the new node covers (i - lowbit(i), i].
            const size_t i = heights_.size();
            const int64_t covered = prefix(int(i) - 1) - prefix(int(i - (i & (~i + 1))));
            tree_.push_back(defaultRowHeight_ + lineWidth_ + covered);
            cells_.emplace_back(size_t(colCount_));
        }
    }
    if (fixedRows_ >= value)
        fixedRows_ = value - 1;
    row_ = std::clamp(row_, fixedRows_, value - 1);
    clampTopRow();
    updateScrollBar();
    changed();
}

void TStringGrid::SetFixedRows(int value)
{
    if (value < 0 || value >= RowCount())
        throw EInvalidGridOperation("Fixed row count must be less than row count");
    fixedRows_ = value;
    row_ = std::max(row_, fixedRows_);
    topRow_ = std::max(topRow_, fixedRows_);
    clampTopRow();
    updateScrollBar();
    changed();
}

void TStringGrid::SetFixedCols(int value)
{
    if (value < 0 || value >= colCount_)
        throw EInvalidGridOperation("Fixed column count must be less than column count");
    fixedCols_ = value;
    col_ = std::max(col_, fixedCols_);
    changed();
}

void TStringGrid::SetDefaultRowHeight(int value)
{
    defaultRowHeight_ = std::max(0, value);
    std::fill(heights_.begin(), heights_.end(), defaultRowHeight_);
    unsize();
    rebuildTree();
    clampTopRow();
    updateScrollBar();
    changed();
}

void TStringGrid::SetDefaultColWidth(int value)
{
    defaultColWidth_ = std::max(0, value);
    std::fill(widths_.begin(), widths_.end(), defaultColWidth_);
    unsize();
    changed();
}

int TStringGrid::RowHeights(int row) const
{
    return row >= 0 && row < RowCount() ? heights_[size_t(row)] : defaultRowHeight_;
}

void TStringGrid::SetRowHeights(int row, int height)
{
    if (row < 0 || row >= RowCount())
        throw EInvalidGridOperation("Grid index out of range");
    height = std::max(0, height);
    const int old = heights_[size_t(row)];
    if (height == old)
        return;
    heights_[size_t(row)] = height;
    treeAdd(row, int64_t(height) - old);
    if (painting_) {
        if (sizingRow_)
            heightsChanged_ = true;
        else
            repaintAfterPaint_ = true;
        return;
    }
    sized_[size_t(row)] = 0;
    clampTopRow();
    updateScrollBar();
    changed();
}

int TStringGrid::ColWidths(int col) const
{
    return col >= 0 && col < colCount_ ? widths_[size_t(col)] : defaultColWidth_;
}

void TStringGrid::SetColWidths(int col, int width)
{
    if (col < 0 || col >= colCount_)
        throw EInvalidGridOperation("Grid index out of range");
    const int w = std::max(0, width);
    if (w != widths_[size_t(col)])
        unsize();
    widths_[size_t(col)] = w;
    changed();
}

void TStringGrid::SetGridLineWidth(int value)
{
    lineWidth_ = std::max(0, value);
    unsize();
    rebuildTree();
    clampTopRow();
    updateScrollBar();
    changed();
}

AnsiString TStringGrid::Cells(int col, int row) const
{
    if (col < 0 || row < 0 || col >= colCount_ || row >= RowCount())
        return AnsiString();
    return cells_[size_t(row)][size_t(col)].text;
}

void TStringGrid::SetCells(int col, int row, const AnsiString &text)
{
    if (col < 0 || row < 0 || col >= colCount_ || row >= RowCount())
        return;
    cells_[size_t(row)][size_t(col)].text = text;
    sized_[size_t(row)] = 0;
    changed();
}

intptr_t TStringGrid::Objects(int col, int row) const
{
    if (col < 0 || row < 0 || col >= colCount_ || row >= RowCount())
        return 0;
    return cells_[size_t(row)][size_t(col)].object;
}

void TStringGrid::SetObjects(int col, int row, intptr_t object)
{
    if (col < 0 || row < 0 || col >= colCount_ || row >= RowCount())
        return;
    cells_[size_t(row)][size_t(col)].object = object;
}

void TStringGrid::SetOptions(TGridOptions value)
{
    options_ = value;
    changed();
}

void TStringGrid::SetScrollBars(TScrollStyle value)
{
    scrollBars_ = value;
    view_->setVerticalScrollBarPolicy(value == ssVertical || value == ssBoth ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TStringGrid::SetFixedColor(TColor value)
{
    fixedColor_ = value;
    changed();
}

void TStringGrid::colorChanged() { changed(); }

int TStringGrid::ClientWidth() const { return view_->viewport()->width(); }
int TStringGrid::ClientHeight() const { return view_->viewport()->height(); }

void TStringGrid::changed()
{
    if (painting_)
        repaintAfterPaint_ = true;
    else
        view_->viewport()->update();
}

// ------------------------------------------------------------- scrolling

int TStringGrid::colLeft(int col) const
{
    int x = 0;
    for (int c = 0; c < col && c < colCount_; ++c)
        x += widths_[size_t(c)] + lineWidth_;
    return x;
}

int TStringGrid::maxTopRow() const
{
    const int n = RowCount();
    if (n <= fixedRows_ + 1)
        return fixedRows_;
    const int64_t avail = ClientHeight() - fixedHeight();
    const int64_t target = prefix(n) - avail; // smallest top t with prefix(t) >= target
    if (target <= prefix(fixedRows_))
        return fixedRows_;
    const int r = rowAtExtent(target - 1);
    return std::clamp(r + 1, fixedRows_, n - 1);
}

void TStringGrid::clampTopRow()
{
    const int n = RowCount();
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, std::min(maxTopRow(), n - 1)));
}

void TStringGrid::updateScrollBar()
{
    if (painting_) {
        repaintAfterPaint_ = true;
        return;
    }
    clampTopRow();
    QScrollBar *bar = view_->verticalScrollBar();
    updatingBar_ = true;
    bar->setRange(fixedRows_, std::max(fixedRows_, maxTopRow()));
    bar->setPageStep(std::max(1, VisibleRowCount()));
    bar->setValue(topRow_);
    updatingBar_ = false;
}

int TStringGrid::VisibleRowCount() const
{
    const int n = RowCount();
    if (topRow_ >= n)
        return 0;
    const int64_t bottom = prefix(topRow_) + (ClientHeight() - fixedHeight());
    const int r = rowAtExtent(bottom);
    if (r < 0)
        return 0;
    int count = std::min(r, n) - topRow_;
    if (r < n && prefix(r) + heights_[size_t(r)] <= bottom)
        ++count;
    return std::max(0, count);
}

void TStringGrid::SetTopRow(int value)
{
    const int old = topRow_;
    topRow_ = value;
    clampTopRow();
    if (topRow_ != old) {
        updateScrollBar();
        changed();
    }
}

void TStringGrid::scrollInView(int row)
{
    if (row < fixedRows_ || row >= RowCount())
        return;
    if (row < topRow_) {
        SetTopRow(row);
        return;
    }
    const int64_t avail = ClientHeight() - fixedHeight();
    const int64_t target = prefix(row) + heights_[size_t(row)] - avail;
    if (target <= prefix(topRow_))
        return; // already wholly in view
    const int r = rowAtExtent(target - 1);
    SetTopRow(std::min(row, r + 1));
}

void TStringGrid::keepInView(int row, int topBefore)
{
    scrollInView(row);
    // Rows that grow as they are drawn would push the row out of view again
    // when the rows that scrolled in are painted: the rows in view first take
    // the heights that drawing gives them and the row is brought into view
    // at them, until the view holds still (rows between the top and the row
    // that were not reached yet count at their present heights until then).
    // Rows shown before the move were drawn already and keep theirs.
    if (topRow_ == topBefore || !sizeRowsBeforeDrawing_ || !OnDrawCell || painting_)
        return;
    // Their drawing follows with the next paint (the draw-cell event is told
    // so): rows sized at a top row that the next pass moves past, and so not
    // drawn, keep what their last drawing recorded.
    for (int pass = 0; pass < 64; ++pass) {
        const int top = topRow_;
        sizeView(true);
        scrollInView(row);
        if (topRow_ == top)
            break;
    }
}

void TStringGrid::moveCurrent(int col, int row, bool click, int topBefore)
{
    const bool moved = row != row_ || col != col_;
    row_ = row;
    col_ = col;
    if (topBefore < 0)
        scrollInView(row);
    else
        keepInView(row, topBefore);
    if (moved)
        changed();
    if (click && moved)
        Click();
}

void TStringGrid::SetRow(int value)
{
    if (value < fixedRows_ || value >= RowCount())
        throw EInvalidGridOperation("Grid index out of range");
    moveCurrent(col_, value, true);
}

void TStringGrid::SetCol(int value)
{
    if (value < fixedCols_ || value >= colCount_)
        throw EInvalidGridOperation("Grid index out of range");
    moveCurrent(value, row_, true);
}

// --------------------------------------------------------------- geometry

TGridCoord TStringGrid::MouseCoord(int X, int Y) const
{
    TGridCoord g;
    if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight())
        return g;
    int x = 0;
    int col = -1;
    for (int c = 0; c < colCount_; ++c) {
        x += widths_[size_t(c)] + lineWidth_;
        if (X < x) {
            col = c;
            break;
        }
    }
    int row;
    if (Y < fixedHeight())
        row = rowAtExtent(Y);
    else
        row = rowAtExtent(int64_t(Y) - fixedHeight() + prefix(topRow_));
    if (col < 0 || row < 0 || row >= RowCount())
        return g;
    g.X = col;
    g.Y = row;
    return g;
}

void TStringGrid::MouseToCell(int X, int Y, int &ACol, int &ARow) const
{
    const TGridCoord g = MouseCoord(X, Y);
    ACol = g.X;
    ARow = g.Y;
}

TRect TStringGrid::CellRect(int ACol, int ARow) const
{
    if (ACol < 0 || ARow < 0 || ACol >= colCount_ || ARow >= RowCount())
        return TRect{};
    int64_t y;
    if (ARow < fixedRows_)
        y = prefix(ARow);
    else if (ARow < topRow_)
        return TRect{};
    else
        y = fixedHeight() + prefix(ARow) - prefix(topRow_);
    const int x = colLeft(ACol);
    if (y >= ClientHeight() || x >= ClientWidth())
        return TRect{};
    return Bounds(x, int(y), widths_[size_t(ACol)], heights_[size_t(ARow)]);
}

// ---------------------------------------------------------------- painting

void TStringGrid::DrawCell(int ACol, int ARow, const TRect &ARect, TGridDrawState AState)
{
    // The text waits: a draw-cell event that fills the cell first paints
    // over it, and then it need not be drawn at all.
    if (defaultDrawing_)
        canvas_.DeferTextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, ARect, AState);
    canvas_.FlushDeferred();
}

void TStringGrid::PaintCells(QPainter &painter, const QRect &dirty)
{
    painting_ = true;
    repaintAfterPaint_ = false;
    heightsChanged_ = false;
    canvas_.BeginPaint(&painter);
    painter.fillRect(dirty, TColorToQColor(Color()));
    SafeCall([&] { passRows(&painter, dirty); });
    canvas_.EndPaint();
    painting_ = false;
    if (repaintAfterPaint_) {
        repaintAfterPaint_ = false;
        heightsChanged_ = false;
        QTimer::singleShot(0, view_, [this] {
            updateScrollBar();
            view_->viewport()->update();
        });
    } else if (heightsChanged_) {
        // Rows grew before they were drawn: what was painted stands; only the
        // scroll bar (and, when it moves the top row, the view) follows.
        heightsChanged_ = false;
        QTimer::singleShot(0, view_, [this] {
            const int top = topRow_;
            updateScrollBar();
            if (topRow_ != top)
                view_->viewport()->update();
        });
    }
}

void TStringGrid::SetPaintingSuspended(bool value)
{
    paintingSuspended_ = value;
    if (!value)
        view_->viewport()->update();
}

void TStringGrid::SizeRowsInView() { sizeView(false); }

void TStringGrid::sizeView(bool drawingFollows)
{
    if (!OnDrawCell)
        return;
    painting_ = true;
    repaintAfterPaint_ = false;
    heightsChanged_ = false;
    canvas_.BeginMeasure(view_->viewport());
    sizingOnly_ = !drawingFollows;
    SafeCall([&] { passRows(nullptr, QRect(0, 0, ClientWidth(), ClientHeight())); });
    sizingOnly_ = false;
    canvas_.EndPaint();
    painting_ = false;
    if (heightsChanged_ || repaintAfterPaint_) {
        heightsChanged_ = repaintAfterPaint_ = false;
        updateScrollBar();
        view_->viewport()->update();
    }
}

void TStringGrid::passRows(QPainter *painter, const QRect &dirty)
{
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    const QColor fixedLine = TColorToQColor(clBtnShadow);
    const QColor normalLine = TColorToQColor(clSilver);
    const QColor light = TColorToQColor(clBtnHighlight);
    const bool rowSelect = options_.Contains(goRowSelect);
    const bool hasFocus = view_->hasFocus();
    // Only a row drawn across the whole view counts as sized.
    const bool wholeWidth = dirty.left() <= 0 && dirty.right() >= cw - 1;
    int y = 0;

    // The cells of row r in view, drawn; or, while sizing, passed to the
    // drawing code with the canvas's drawing suspended.
    auto rowCells = [&](int r, bool sizing) {
        const int h = heights_[size_t(r)];
        int x = 0;
        for (int c = 0; c < colCount_ && x < cw; ++c) {
            const int w = widths_[size_t(c)];
            const TRect rect = Bounds(x, y, w, h);
            if (x + w + lineWidth_ > dirty.left() && x <= dirty.right()) {
                const bool fixed = r < fixedRows_ || c < fixedCols_;
                TGridDrawState state;
                if (fixed)
                    state.Include(gdFixed);
                if (!fixed && r == row_ && (rowSelect || c == col_))
                    state.Include(gdSelected);
                if (!fixed && r == row_ && c == col_ && hasFocus)
                    state.Include(gdFocused);
                canvas_.SetFont(Font());
                canvas_.Brush().SetStyle(bsSolid);
                if (fixed) {
                    canvas_.Brush().SetColor(fixedColor_);
                } else if (state.Contains(gdSelected) &&
                           (!state.Contains(gdFocused) || rowSelect || options_.Contains(goDrawFocusSelected))) {
                    canvas_.Brush().SetColor(clHighlight);
                    canvas_.Font().SetColor(clHighlightText);
                } else {
                    canvas_.Brush().SetColor(Color());
                }
                if (sizing) {
                    DrawCell(c, r, rect, state);
                } else {
                    if (defaultDrawing_)
                        canvas_.FillRect(rect);
                    painter->save();
                    try {
                        DrawCell(c, r, rect, state);
                    } catch (...) {
                        painter->restore();
                        throw;
                    }
                    painter->restore();
                    if (defaultDrawing_ && fixed && w > 1 && h > 1) {
                        painter->fillRect(QRect(x, y, w, 1), light);
                        painter->fillRect(QRect(x, y, 1, h), light);
                    }
                    if (lineWidth_ > 0) {
                        const bool vert = options_.Contains(fixed ? goFixedVertLine : goVertLine);
                        const bool horz = options_.Contains(fixed ? goFixedHorzLine : goHorzLine);
                        const int rowH = heights_[size_t(r)];
                        if (vert)
                            painter->fillRect(QRect(x + w, y, lineWidth_, rowH + lineWidth_), fixed ? fixedLine : normalLine);
                        if (horz)
                            painter->fillRect(QRect(x, y + rowH, w + lineWidth_, lineWidth_), fixed ? fixedLine : normalLine);
                    }
                }
            }
            x += w + lineWidth_;
        }
    };
    auto sizeRow = [&](int r) {
        sizingRow_ = true;
        canvas_.SetDrawingSuspended(true);
        struct Restore {
            TStringGrid *g;
            ~Restore()
            {
                g->canvas_.SetDrawingSuspended(false);
                g->sizingRow_ = false;
            }
        } restore{this};
        rowCells(r, true);
    };
    auto passRow = [&](int r) {
        if (y + heights_[size_t(r)] + lineWidth_ > dirty.top() && y <= dirty.bottom()) {
            // A row not yet sized at its height is first passed to the
            // drawing code without drawing, so that it takes the height the
            // drawing code gives it before it is drawn once.
            if (OnDrawCell && (!painter || (sizeRowsBeforeDrawing_ && !sized_[size_t(r)])))
                sizeRow(r);
            if (painter) {
                const int before = heights_[size_t(r)];
                rowCells(r, false);
                sized_[size_t(r)] = heights_[size_t(r)] == before && wholeWidth;
            }
        }
        // A height that the draw-cell event changed counts from here on.
        y += heights_[size_t(r)] + lineWidth_;
    };
    for (int r = 0; r < fixedRows_ && y < ch; ++r)
        passRow(r);
    for (int r = topRow_; r < RowCount() && y < ch; ++r)
        passRow(r);
}

// ------------------------------------------------------------ keys, mouse

void TStringGrid::keyNavigate(uint16_t key)
{
    const int n = RowCount();
    if (n <= fixedRows_)
        return;
    const int topBefore = topRow_;
    const bool ctrl = CurrentMessageShift().Contains(ssCtrl);
    const bool rowSelect = options_.Contains(goRowSelect);
    int row = row_;
    int col = col_;
    int top = topRow_;
    const int page = std::max(1, VisibleRowCount());
    switch (key) {
    case VK_UP: row -= 1; break;
    case VK_DOWN: row += 1; break;
    // A page turns the view and the current row alike, so that the row
    // keeps its place on the screen; with Ctrl the row goes to the first or
    // the last row wholly in view.
    case VK_PRIOR:
        if (ctrl) {
            row = topRow_;
        } else {
            row -= page;
            top -= page;
        }
        break;
    case VK_NEXT:
        if (ctrl) {
            row = topRow_ + page - 1;
        } else {
            row += page;
            top += page;
        }
        break;
    // Ctrl+Home and Ctrl+End go to the first and the last cell; without Ctrl
    // they go along the row, or to the first and last row when whole rows
    // are selected.
    case VK_HOME:
        if (ctrl) {
            row = fixedRows_;
            col = fixedCols_;
        } else if (rowSelect) {
            row = fixedRows_;
        } else {
            col = fixedCols_;
        }
        break;
    case VK_END:
        if (ctrl) {
            row = n - 1;
            col = colCount_ - 1;
        } else if (rowSelect) {
            row = n - 1;
        } else {
            col = colCount_ - 1;
        }
        break;
    case VK_LEFT:
        if (!rowSelect)
            col -= 1;
        break;
    case VK_RIGHT:
        if (!rowSelect)
            col += 1;
        break;
    default:
        return;
    }
    if (top != topRow_)
        SetTopRow(top);
    row = std::clamp(row, fixedRows_, n - 1);
    col = std::clamp(col, fixedCols_, colCount_ - 1);
    moveCurrent(col, row, true, topBefore);
}

void TStringGrid::wheel(int steps)
{
    if (RowCount() <= fixedRows_)
        return;
    const int row = std::clamp(row_ - steps, fixedRows_, RowCount() - 1);
    moveCurrent(col_, row, true, topRow_);
}

void TStringGrid::WndProc(TMessage &m)
{
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        pressedOnCell_ = false;
        const TGridCoord g = MouseCoord(LoWordSigned(m.LParam), HiWordSigned(m.LParam));
        if (CanFocus() && !view_->hasFocus())
            view_->setFocus(Qt::MouseFocusReason);
        if (g.X >= fixedCols_ && g.Y >= fixedRows_) {
            pressedOnCell_ = true;
            moveCurrent(g.X, g.Y, false);
        }
        break;
    }
    case WM_LBUTTONUP:
        if (pressedOnCell_) {
            pressedOnCell_ = false;
            Click();
        }
        break;
    default:
        break;
    }
    TWinControl::WndProc(m);
    if (m.Msg == WM_KEYDOWN && m.WParam != 0)
        keyNavigate(uint16_t(m.WParam));
}

} // namespace platform
