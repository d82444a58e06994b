// The string grid driven as a real widget on the offscreen platform.
#include "platform/Forms.h"
#include "platform/Grids.h"
#include "TestSupport.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

using namespace platform;

namespace {

struct DrawCall {
    int col;
    int row;
    TRect rect;
    TGridDrawState state;
};

class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ExceptionRecorder = [this](const AnsiString &m) { errors.push_back(m); };
        grid = new TStringGrid(nullptr);
        grid->SetFixedCols(0);
        grid->SetColCount(3);
        grid->SetDefaultColWidth(60);
        grid->SetDefaultRowHeight(16);
        grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
        grid->SetScrollBars(ssVertical);
        grid->OnClick = TNotifyEvent::FromFunction([this](TObject *) { ++clicks; });
        grid->Widget()->resize(240, 200);
    }
    void TearDown() override
    {
        delete grid;
        testsupport::CheckHandlerExceptions(errors, handlerExceptionsExpected);
        Application->ExceptionRecorder = nullptr;
    }
    // For a test that provokes exceptions in event handlers.
    void expectHandlerExceptions() { handlerExceptionsExpected = true; }
    void showGrid()
    {
        grid->Widget()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid->Widget()));
    }
    QWidget *viewport() const { return static_cast<QAbstractScrollArea *>(grid->Widget())->viewport(); }
    QScrollBar *bar() const { return static_cast<QAbstractScrollArea *>(grid->Widget())->verticalScrollBar(); }
    // Paints the client area into an image, recording the draw-cell calls.
    std::vector<DrawCall> paint(QImage *out = nullptr)
    {
        std::vector<DrawCall> calls;
        grid->OnDrawCell = TDrawCellEvent::FromFunction(
            [&calls](TObject *, int c, int r, TRect rect, TGridDrawState s) { calls.push_back({c, r, rect, s}); });
        QImage img(grid->ClientWidth(), grid->ClientHeight(), QImage::Format_RGB32);
        QPainter p(&img);
        grid->PaintCells(p, img.rect());
        p.end();
        grid->OnDrawCell = nullptr;
        if (out)
            *out = img;
        return calls;
    }
    int visibleRowsWithCells() const
    {
        int n = 0;
        for (int r = 0; r < grid->RowCount(); ++r)
            if (!grid->CellRect(0, r).IsEmpty())
                ++n;
        return n;
    }

    TStringGrid *grid = nullptr;
    int clicks = 0;
    std::vector<AnsiString> errors;
    bool handlerExceptionsExpected = false;
};

TEST_F(GridTest, CellsTagsAndShape)
{
    grid->SetRowCount(4);
    grid->SetCells(1, 2, "abc");
    grid->SetObjects(1, 2, -1);
    EXPECT_EQ(grid->Cells(1, 2), "abc");
    EXPECT_EQ(grid->Objects(1, 2), -1);
    // Outside the grid: empty, writes ignored.
    grid->SetCells(7, 2, "x");
    EXPECT_EQ(grid->Cells(7, 2), "");
    EXPECT_EQ(grid->Cells(-1, 0), "");
    // The grid keeps at least one column.
    grid->SetCells(0, 2, "first");
    grid->SetColCount(0);
    EXPECT_EQ(grid->ColCount(), 1);
    grid->SetColCount(3);
    EXPECT_EQ(grid->Cells(0, 2), "first") << "column 0 survives shrinking the column count";
    EXPECT_EQ(grid->Cells(1, 2), "") << "a dropped column comes back empty";
    grid->SetCells(1, 2, "abc");
    // Shrinking the rows drops their cells; growing gives empty ones.
    grid->SetRowCount(2);
    grid->SetRowCount(4);
    EXPECT_EQ(grid->Cells(1, 2), "");
    EXPECT_EQ(grid->Objects(1, 2), 0);
}

TEST_F(GridTest, DefaultRowHeightResetsEveryRow)
{
    grid->SetRowCount(5);
    grid->SetRowHeights(0, 30);
    grid->SetRowHeights(3, 44);
    EXPECT_EQ(grid->RowHeights(3), 44);
    grid->SetDefaultRowHeight(16); // same value still resets
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(grid->RowHeights(r), 16) << r;
    grid->SetRowCount(7);
    EXPECT_EQ(grid->RowHeights(6), 16) << "new rows take the default";
    EXPECT_THROW(grid->SetRowHeights(7, 10), EInvalidGridOperation);
}

TEST_F(GridTest, RowSetterFiresClickAndScrollsIntoView)
{
    showGrid();
    grid->SetRowCount(100);
    clicks = 0;
    grid->SetRow(50);
    EXPECT_EQ(grid->Row(), 50);
    EXPECT_EQ(clicks, 1);
    grid->SetRow(50);
    EXPECT_EQ(clicks, 1) << "setting the same row is no change";
    // The row is wholly in view.
    const TRect r = grid->CellRect(0, 50);
    ASSERT_FALSE(r.IsEmpty());
    EXPECT_LE(r.Bottom, grid->ClientHeight());
    EXPECT_THROW(grid->SetRow(0), EInvalidGridOperation) << "the fixed row cannot be current";
    EXPECT_THROW(grid->SetRow(100), EInvalidGridOperation);
    EXPECT_EQ(clicks, 1);
}

TEST_F(GridTest, TopRowClampsToLastPageWithoutClick)
{
    showGrid();
    grid->SetRowCount(100);
    clicks = 0;
    grid->SetTopRow(99);
    EXPECT_EQ(clicks, 0);
    EXPECT_LT(grid->TopRow(), 99);
    // The last row is wholly visible and the page is full.
    const TRect last = grid->CellRect(0, 99);
    ASSERT_FALSE(last.IsEmpty());
    EXPECT_LE(last.Bottom, grid->ClientHeight());
    EXPECT_GT(last.Bottom + 17, grid->ClientHeight());
    grid->SetTopRow(-5);
    EXPECT_EQ(grid->TopRow(), 1);
    // Row then TopRow to the last row: both end at the bottom.
    grid->SetRow(99);
    grid->SetTopRow(99);
    EXPECT_EQ(grid->Row(), 99);
    EXPECT_EQ(bar()->value(), grid->TopRow());
}

TEST_F(GridTest, MouseToCellAndCellRectAgree)
{
    showGrid();
    grid->SetRowCount(40);
    grid->SetColWidths(0, 20);
    grid->SetRowHeights(2, 30);
    // Row 0 at y 0..15, line, row 1 at 17..32, line, row 2 at 34..63.
    EXPECT_EQ(grid->CellRect(0, 0), Rect(0, 0, 20, 16));
    EXPECT_EQ(grid->CellRect(1, 1), Rect(21, 17, 81, 33));
    EXPECT_EQ(grid->CellRect(2, 2), Rect(82, 34, 142, 64));
    int c = 0, r = 0;
    grid->MouseToCell(25, 40, c, r);
    EXPECT_EQ(c, 1);
    EXPECT_EQ(r, 2);
    // The line after a cell belongs to it.
    grid->MouseToCell(20, 16, c, r);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(r, 0);
    // Beyond the last column there is no cell.
    grid->MouseToCell(200, 5, c, r);
    EXPECT_EQ(c, -1);
    EXPECT_EQ(r, -1);
    // Scrolled: row TopRow sits right below the fixed row; rows above are out of view.
    grid->SetTopRow(10);
    EXPECT_EQ(grid->CellRect(0, 10).Top, 17);
    EXPECT_TRUE(grid->CellRect(0, 5).IsEmpty());
    grid->MouseToCell(5, 20, c, r);
    EXPECT_EQ(r, 10);
    grid->MouseToCell(5, 5, c, r);
    EXPECT_EQ(r, 0) << "the fixed row does not scroll";
    for (int row : {0, 10, 11, 15}) {
        const TRect cr = grid->CellRect(2, row);
        grid->MouseToCell(cr.Left, cr.Top, c, r);
        EXPECT_EQ(c, 2);
        EXPECT_EQ(r, row);
    }
}

TEST_F(GridTest, DrawCellOrderArgumentsAndStates)
{
    showGrid();
    grid->SetRowCount(6);
    grid->SetRow(2);
    const auto calls = paint();
    ASSERT_EQ(int(calls.size()), 6 * 3);
    int i = 0;
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 3; ++c, ++i) {
            EXPECT_EQ(calls[i].col, c);
            EXPECT_EQ(calls[i].row, r);
            EXPECT_EQ(calls[i].rect, grid->CellRect(c, r));
            EXPECT_EQ(calls[i].state.Contains(gdFixed), r == 0);
            EXPECT_EQ(calls[i].state.Contains(gdSelected), r == 2) << "whole-row selection";
        }
}

TEST_F(GridTest, DefaultDrawingFillsAndWritesBeforeTheEvent)
{
    grid->SetRowCount(3);
    grid->SetColWidths(0, 100);
    grid->SetRow(2);
    grid->SetCells(0, 1, "WWWW");
    QImage img;
    paint(&img);
    // Row 1 is filled with the window colour and has text pixels near (2, 2).
    const TRect r = grid->CellRect(0, 1);
    const QColor window = TColorToQColor(clWindow);
    EXPECT_EQ(img.pixelColor(r.Right - 2, r.Bottom - 2), window);
    bool text = false;
    for (int y = r.Top + 2; y < r.Bottom; ++y)
        for (int x = r.Left + 2; x < r.Left + 30; ++x)
            text = text || img.pixelColor(x, y) != window;
    EXPECT_TRUE(text);
    // The selected row is in the highlight colour.
    const TRect s = grid->CellRect(0, 2);
    EXPECT_EQ(img.pixelColor(s.Right - 2, s.Bottom - 2), TColorToQColor(clHighlight));
    // The event sees the canvas after the grid's drawing and may draw over it.
    grid->OnDrawCell = TDrawCellEvent::FromFunction([this](TObject *, int, int, TRect rect, TGridDrawState) {
        grid->Canvas().Brush().SetColor(clRed);
        grid->Canvas().FillRect(rect);
    });
    QImage img2(grid->ClientWidth(), grid->ClientHeight(), QImage::Format_RGB32);
    QPainter p(&img2);
    grid->PaintCells(p, img2.rect());
    p.end();
    EXPECT_EQ(img2.pixelColor(r.Left + 3, r.Top + 3), QColor(255, 0, 0));
}

TEST_F(GridTest, OnlyRowsInViewArePainted)
{
    showGrid();
    grid->SetColCount(1);
    grid->SetRowCount(50000);
    grid->SetRow(25000);
    const auto calls = paint();
    const int visible = visibleRowsWithCells();
    EXPECT_GT(visible, 5);
    EXPECT_LT(visible, 20);
    EXPECT_EQ(int(calls.size()), visible);
    EXPECT_EQ(calls.front().row, 0);
    EXPECT_EQ(calls[1].row, grid->TopRow());
    // The real widget's paint also stays in view.
    int count = 0;
    grid->OnDrawCell = TDrawCellEvent::FromFunction([&count](TObject *, int, int, TRect, TGridDrawState) { ++count; });
    viewport()->repaint();
    EXPECT_EQ(count, visible);
}

TEST_F(GridTest, RowHeightGrownWhileDrawingMovesLaterRows)
{
    showGrid();
    grid->SetRowCount(6);
    std::vector<DrawCall> calls;
    grid->OnDrawCell = TDrawCellEvent::FromFunction([&](TObject *, int c, int r, TRect rect, TGridDrawState s) {
        calls.push_back({c, r, rect, s});
        if (r == 1 && grid->RowHeights(1) < 40)
            grid->SetRowHeights(1, 40);
    });
    QImage img(grid->ClientWidth(), grid->ClientHeight(), QImage::Format_RGB32);
    QPainter p(&img);
    grid->PaintCells(p, img.rect());
    p.end();
    // Row 1 was entered at 16 pixels; row 2 starts below the grown row.
    const auto row2 = std::find_if(calls.begin(), calls.end(), [](const DrawCall &d) { return d.row == 2; });
    ASSERT_NE(row2, calls.end());
    EXPECT_EQ(row2->rect.Top, 17 + 40 + 1);
    EXPECT_EQ(grid->RowHeights(1), 40);
    EXPECT_EQ(grid->CellRect(0, 2).Top, 58);
}

TEST_F(GridTest, MouseClickSelectsRowAndReportsClientPixels)
{
    showGrid();
    grid->SetRowCount(20);
    std::vector<std::pair<int, int>> ups;
    std::vector<TMouseButton> buttons;
    grid->OnMouseUp = TMouseEvent::FromFunction([&](TObject *, TMouseButton b, TShiftState, int x, int y) {
        ups.push_back({x, y});
        buttons.push_back(b);
    });
    clicks = 0;
    const TRect r = grid->CellRect(1, 4);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(r.Left + 5, r.Top + 3));
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0], std::make_pair(r.Left + 5, r.Top + 3));
    // A click on the current row is a click too.
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(r.Left + 6, r.Top + 4));
    EXPECT_EQ(clicks, 2);
    // The heading row does not select; right button: mouse-up only.
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_EQ(clicks, 2);
    const TRect r6 = grid->CellRect(0, 6);
    QTest::mouseClick(viewport(), Qt::RightButton, {}, QPoint(r6.Left + 2, r6.Top + 2));
    EXPECT_EQ(grid->Row(), 4);
    ASSERT_EQ(buttons.size(), 4u);
    EXPECT_EQ(buttons[3], mbRight);
}

TEST_F(GridTest, MouseMoveReportsPointAndCursorIsSettable)
{
    showGrid();
    std::vector<std::pair<int, int>> moves;
    grid->OnMouseMove = TMouseMoveEvent::FromFunction([&](TObject *, TShiftState, int x, int y) { moves.push_back({x, y}); });
    QTest::mouseMove(viewport(), QPoint(30, 40));
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), std::make_pair(30, 40));
    grid->SetCursor(crHandPoint);
    EXPECT_EQ(viewport()->cursor().shape(), Qt::PointingHandCursor);
    grid->SetCursor(crDefault);
    EXPECT_EQ(viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(GridTest, KeysMoveTheCurrentRowAndKeyUpSeesTheKey)
{
    showGrid();
    grid->SetRowCount(100);
    grid->SetRow(1);
    std::vector<uint16_t> ups;
    grid->OnKeyUp = TKeyEvent::FromFunction([&](TObject *, uint16_t &key, TShiftState) { ups.push_back(key); });
    grid->SetFocus();
    clicks = 0;
    QTest::keyClick(grid->Widget(), Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(grid->Widget(), Qt::Key_Up);
    QTest::keyClick(grid->Widget(), Qt::Key_Up);
    EXPECT_EQ(grid->Row(), 1) << "the fixed row is never reached";
    QTest::keyClick(grid->Widget(), Qt::Key_PageDown);
    EXPECT_EQ(grid->Row(), 1 + grid->VisibleRowCount());
    QTest::keyClick(grid->Widget(), Qt::Key_End);
    EXPECT_EQ(grid->Row(), 99);
    EXPECT_FALSE(grid->CellRect(0, 99).IsEmpty());
    QTest::keyClick(grid->Widget(), Qt::Key_Home);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->TopRow(), 1);
    ASSERT_GE(ups.size(), 6u);
    EXPECT_EQ(ups[0], VK_DOWN);
    EXPECT_EQ(ups.back(), VK_HOME);
    // A key handler that zeroes the key stops the navigation.
    grid->OnKeyDown = TKeyEvent::FromFunction([](TObject *, uint16_t &key, TShiftState) { key = 0; });
    QTest::keyClick(grid->Widget(), Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 1);
}

TEST_F(GridTest, ScrollBarMovesTopRowOnly)
{
    showGrid();
    grid->SetRowCount(200);
    clicks = 0;
    QApplication::processEvents();
    ASSERT_TRUE(bar()->isVisible());
    bar()->setValue(50);
    EXPECT_EQ(grid->TopRow(), 50);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(grid->CellRect(0, 50).Top, 17);
    // A short table needs no bar.
    grid->SetRowCount(3);
    EXPECT_EQ(grid->TopRow(), 1);
    QApplication::processEvents();
    EXPECT_FALSE(bar()->isVisible());
}

TEST_F(GridTest, WheelStepsMoveTheCurrentRow)
{
    showGrid();
    grid->SetRowCount(30);
    grid->SetRow(5);
    clicks = 0;
    QWheelEvent down(QPointF(20, 40), viewport()->mapToGlobal(QPointF(20, 40)), QPoint(), QPoint(0, -240), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport(), &down);
    EXPECT_EQ(grid->Row(), 7);
    EXPECT_EQ(clicks, 1);
}

TEST_F(GridTest, ExceptionInDrawCellGoesToTheApplication)
{
    expectHandlerExceptions();
    grid->SetRowCount(3);
    grid->OnDrawCell = TDrawCellEvent::FromFunction([](TObject *, int, int, TRect, TGridDrawState) {
        throw EConvertError("'x' is not a valid integer value");
    });
    QImage img(100, 100, QImage::Format_RGB32);
    QPainter p(&img);
    grid->PaintCells(p, img.rect());
    p.end();
    ASSERT_EQ(errors.size(), 1u) << "one report per paint, not one per cell";
    EXPECT_EQ(errors[0], "'x' is not a valid integer value");
}


// A draw-cell event that grows each row to fit its text (one 13-pixel line
// per '|' in it) and draws the lines, as a word-wrapping owner does.
class GrowingGridTest : public GridTest {
protected:
    int events = 0;
    std::vector<DrawCall> records; // what the event saw, with drawing on or off

    void SetUp() override
    {
        GridTest::SetUp();
        grid->SetRowCount(30);
        grid->SetRow(3);
        for (int r = 1; r < 30; ++r)
            for (int c = 0; c < 3; ++c)
                grid->SetCells(c, r, std::string(size_t((r * 7 + c * 3) % 5), '|') + "x" + std::to_string(r));
        grid->OnDrawCell = TDrawCellEvent::FromFunction([this](TObject *, int c, int r, TRect rect, TGridDrawState s) {
            ++events;
            records.push_back({c, r, rect, s});
            TCanvas &cv = grid->Canvas();
            const AnsiString text = grid->Cells(c, r);
            const int lines = 1 + int(std::count(text.begin(), text.end(), '|'));
            if (r > 0 && grid->RowHeights(r) < lines * 13 + 4)
                grid->SetRowHeights(r, lines * 13 + 4);
            cv.FillRect(rect);
            for (int i = 0; i < lines; ++i)
                cv.TextOut(rect.Left + 2, rect.Top + 2 + i * 13, text);
        });
    }
    QImage paintOnce()
    {
        QImage img(grid->ClientWidth(), grid->ClientHeight(), QImage::Format_RGB32);
        QPainter p(&img);
        grid->PaintCells(p, img.rect());
        return img;
    }
    std::vector<int> heights() const
    {
        std::vector<int> h;
        for (int r = 0; r < grid->RowCount(); ++r)
            h.push_back(grid->RowHeights(r));
        return h;
    }
};

// Sizing rows before drawing them gives in one paint the screen that, without
// it, takes a second paint after the rows grew; a row drawn once is not sized
// again, and changing its text sizes it again.
TEST_F(GrowingGridTest, RowsSizedBeforeDrawingPaintTheSettledScreenOnce)
{
    grid->SetSizeRowsBeforeDrawing(false);
    paintOnce();
    const QImage settled = paintOnce();
    const std::vector<int> settledHeights = heights();
    ASSERT_NE(settledHeights[1], 16);

    grid->SetDefaultRowHeight(16);
    grid->SetSizeRowsBeforeDrawing(true);
    const QImage once = paintOnce();
    EXPECT_TRUE(once == settled);
    EXPECT_EQ(heights(), settledHeights);

    records.clear();
    EXPECT_TRUE(paintOnce() == settled);
    for (const DrawCall &d : records)
        EXPECT_EQ(std::count_if(records.begin(), records.end(), [&](const DrawCall &e) { return e.row == d.row && e.col == d.col; }), 1);
    grid->SetCells(1, 4, "|||||longer");
    records.clear();
    paintOnce();
    auto eventsOfRow = [&](int row) { return std::count_if(records.begin(), records.end(), [&](const DrawCall &d) { return d.row == row; }); };
    EXPECT_EQ(eventsOfRow(4), 6) << "the changed row is sized again, then drawn";
    EXPECT_EQ(eventsOfRow(3), 3);
    EXPECT_EQ(grid->RowHeights(4), 6 * 13 + 4);
}

// Sizing the rows in view leaves heights and the event's records as a paint
// of the whole view leaves them, and draws nothing.
TEST_F(GrowingGridTest, SizingTheViewRecordsWhatAPaintWould)
{
    showGrid();
    grid->SetDefaultRowHeight(16);
    grid->SetTopRow(12);
    records.clear();
    paintOnce();
    const std::vector<int> painted = heights();
    std::vector<std::pair<int, TRect>> byPaint;
    for (const DrawCall &d : records)
        byPaint.push_back({d.row * 3 + d.col, d.rect});

    grid->SetDefaultRowHeight(16);
    grid->SetTopRow(12);
    records.clear();
    grid->SizeRowsInView();
    EXPECT_EQ(heights(), painted);
    // The last record of each cell is the one that stays.
    std::map<int, TRect> last;
    for (const DrawCall &d : records)
        last[d.row * 3 + d.col] = d.rect;
    std::map<int, TRect> lastPainted;
    for (const auto &[cell, rect] : byPaint)
        lastPainted[cell] = rect;
    ASSERT_EQ(last.size(), lastPainted.size());
    for (const auto &[cell, rect] : lastPainted)
        EXPECT_EQ(last[cell].Top, rect.Top) << cell;
}

// While painting is suspended the view's paint events draw nothing.
TEST_F(GrowingGridTest, SuspendedViewPaintsNothing)
{
    showGrid();
    grid->SetPaintingSuspended(true);
    events = 0;
    viewport()->repaint();
    EXPECT_EQ(events, 0);
    grid->SetPaintingSuspended(false);
    QApplication::processEvents();
    EXPECT_GT(events, 0) << "painted whole when resumed";
}

// Page keys turn the view with the current row, which keeps its place on the
// screen; with Ctrl they go to the first or last row wholly in view.
TEST_F(GridTest, PageKeysTurnTheViewWithTheRow)
{
    showGrid();
    grid->SetRowCount(100);
    grid->SetRow(1);
    grid->SetFocus();
    const int page = grid->VisibleRowCount();
    ASSERT_GT(page, 3);
    QTest::keyClick(grid->Widget(), Qt::Key_Down);
    QTest::keyClick(grid->Widget(), Qt::Key_Down);
    ASSERT_EQ(grid->Row(), 3);
    clicks = 0;
    QTest::keyClick(grid->Widget(), Qt::Key_PageDown);
    EXPECT_EQ(grid->Row(), 3 + page);
    EXPECT_EQ(grid->TopRow(), 1 + page) << "the row stays third in view";
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(grid->Widget(), Qt::Key_PageDown);
    EXPECT_EQ(grid->Row(), 3 + 2 * page);
    EXPECT_EQ(grid->TopRow(), 1 + 2 * page);
    QTest::keyClick(grid->Widget(), Qt::Key_PageUp);
    EXPECT_EQ(grid->Row(), 3 + page);
    EXPECT_EQ(grid->TopRow(), 1 + page);

    QTest::keyClick(grid->Widget(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), grid->TopRow() + page - 1) << "the last row wholly in view";
    EXPECT_EQ(grid->TopRow(), 1 + page);
    QTest::keyClick(grid->Widget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 1 + page);
    EXPECT_EQ(grid->TopRow(), 1 + page);

    // At the ends the view stops at the last page and the row at the last
    // row; back up, both stop at the first.
    for (int i = 0; i < 200 / page; ++i)
        QTest::keyClick(grid->Widget(), Qt::Key_PageDown);
    EXPECT_EQ(grid->Row(), 99);
    EXPECT_EQ(grid->TopRow(), 100 - page);
    QTest::keyClick(grid->Widget(), Qt::Key_PageUp);
    EXPECT_EQ(grid->Row(), 99 - page);
    EXPECT_EQ(grid->TopRow(), 100 - 2 * page);
    for (int i = 0; i < 200 / page; ++i)
        QTest::keyClick(grid->Widget(), Qt::Key_PageUp);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->TopRow(), 1);
}

// Without whole-row selection Home and End go along the row; with Ctrl they
// go to the first and the last cell, which is scrolled into view.
TEST_F(GridTest, CtrlHomeAndEndGoToTheFirstAndLastCell)
{
    grid->SetOptions(grid->Options() - TGridOptions{goRowSelect});
    grid->SetFixedCols(1);
    grid->SetColCount(4);
    grid->SetRowCount(60);
    showGrid();
    grid->SetRow(5);
    grid->SetCol(2);
    grid->SetFocus();
    QTest::keyClick(grid->Widget(), Qt::Key_End);
    EXPECT_EQ(grid->Col(), 3);
    EXPECT_EQ(grid->Row(), 5);
    QTest::keyClick(grid->Widget(), Qt::Key_Home);
    EXPECT_EQ(grid->Col(), 1) << "the first column after the fixed one";
    EXPECT_EQ(grid->Row(), 5);

    clicks = 0;
    QTest::keyClick(grid->Widget(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 59);
    EXPECT_EQ(grid->Col(), 3);
    EXPECT_EQ(clicks, 1);
    const TRect last = grid->CellRect(3, 59);
    EXPECT_FALSE(last.IsEmpty());
    EXPECT_LE(last.Bottom, grid->ClientHeight());
    QTest::keyClick(grid->Widget(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->TopRow(), 1);

    // Under whole-row selection Ctrl+End also takes the last column.
    grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
    QTest::keyClick(grid->Widget(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 59);
    EXPECT_EQ(grid->Col(), 3);
    QTest::keyClick(grid->Widget(), Qt::Key_Home);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->Col(), 3);
}

// Rows that grow as they are drawn do not push the row that the keys or the
// wheel moved to out of view: after the paints it is wholly in view.
TEST_F(GrowingGridTest, RowMovedToStaysInViewAfterItsRowsGrew)
{
    grid->SetRowCount(400);
    for (int r = 1; r < 400; ++r)
        for (int c = 0; c < 3; ++c)
            grid->SetCells(c, r, std::string(size_t((r * 7 + c * 3) % 5), '|') + "x" + std::to_string(r));
    grid->SetSizeRowsBeforeDrawing(true);
    showGrid();
    grid->SetFocus();
    auto wholly = [&](int row) {
        QTest::qWait(30); // the paints and what follows them
        const TRect r = grid->CellRect(0, row);
        return !r.IsEmpty() && r.Bottom <= grid->ClientHeight();
    };
    // The rows are sized as the key scrolls, before the paint that draws
    // them: the event is told that their drawing follows.
    const TDrawCellEvent grow = grid->OnDrawCell;
    int ahead = 0;
    int recordedAhead = 0;
    bool inKey = false;
    grid->OnDrawCell = TDrawCellEvent::FromFunction([&](TObject *sender, int c, int r, TRect rect, TGridDrawState st) {
        ahead += inKey;
        recordedAhead += inKey && !grid->SizingBeforeDrawing();
        grow(sender, c, r, rect, st);
    });
    inKey = true;
    QTest::keyClick(grid->Widget(), Qt::Key_End, Qt::ControlModifier);
    inKey = false;
    EXPECT_GT(ahead, 0);
    EXPECT_EQ(recordedAhead, 0);
    EXPECT_EQ(grid->Row(), 399);
    EXPECT_TRUE(wholly(399)) << "top row " << grid->TopRow();
    QTest::keyClick(grid->Widget(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_TRUE(wholly(1));
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(grid->Widget(), Qt::Key_PageDown);
        EXPECT_TRUE(wholly(grid->Row())) << "row " << grid->Row();
    }
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(grid->Widget(), Qt::Key_Down);
        EXPECT_TRUE(wholly(grid->Row())) << "row " << grid->Row();
    }
    QWheelEvent down(QPointF(20, 40), viewport()->mapToGlobal(QPointF(20, 40)), QPoint(), QPoint(0, -120 * 9),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport(), &down);
    EXPECT_TRUE(wholly(grid->Row())) << "row " << grid->Row();
    EXPECT_TRUE(errors.empty());
}

} // namespace
