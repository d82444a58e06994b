// Forms on a screen smaller than they are: shown, a form larger than the work
// area of its monitor shrinks to it with its frame on it, its minimum track
// size never exceeds it, and on a screen large enough nothing changes.
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

// A 1366 x 768 laptop screen with a 30-pixel panel at the bottom, or a large
// one, as the forms see them.
class FormWorkAreaTest : public ::testing::Test {
protected:
    void SetUp() override { smallScreen(); }
    void TearDown() override
    {
        Screen->MonitorSource = nullptr;
        Screen->WorkAreaSource = nullptr;
    }
    static void smallScreen()
    {
        Screen->MonitorSource = [] { return std::vector<TRect>{{0, 0, 1366, 768}}; };
        Screen->WorkAreaSource = [] { return std::vector<TRect>{{0, 0, 1366, 738}}; };
    }
    static void largeScreen()
    {
        Screen->MonitorSource = [] { return std::vector<TRect>{{0, 0, 1920, 1200}}; };
        Screen->WorkAreaSource = [] { return std::vector<TRect>{{0, 0, 1920, 1170}}; };
    }
    // A form that asks for a minimum track size, as the main window does.
    static std::unique_ptr<TForm> formWithMinimum(int minWidth, int minHeight)
    {
        auto form = std::make_unique<TForm>(nullptr);
        TWndMethod inner = form->WindowProc;
        form->WindowProc = TWndMethod::FromFunction([inner, minWidth, minHeight](TMessage &m) {
            if (m.Msg == WM_GETMINMAXINFO)
                reinterpret_cast<MINMAXINFO *>(m.LParam)->ptMinTrackSize = {minWidth, minHeight};
            inner(m);
        });
        return form;
    }
    static TRect frame(const TForm &form) { return TRect::FromQRect(form.Widget()->frameGeometry()); }
    static int frameSlack(const TForm &form) { return form.Widget()->frameGeometry().width() - form.Width(); }
    static bool inside(const TRect &r, const TRect &area)
    {
        return r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom;
    }
};

const TRect SmallArea{0, 0, 1366, 738};

} // namespace

TEST(KeepRectOnWorkArea, FittingStaysShrunkGoesWhollyOnAndCornersComeBack)
{
    const TRect area{100, 30, 1100, 830}; // 1000 x 800, offset like a second monitor under a top panel
    // Fits: unchanged, wherever it is on the area.
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(150, 40, 1000 - 50, 790), area), Bounds(150, 40, 950, 790));
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(100, 30, 1000, 800), area), Bounds(100, 30, 1000, 800));
    // Taller than the area: the height shrinks and the whole rectangle goes on.
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(300, -108, 400, 984), area), Bounds(300, 30, 400, 800));
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(300, 500, 400, 984), area), Bounds(300, 30, 400, 800));
    // Wider: likewise across.
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(900, 50, 1260, 200), area), Bounds(100, 50, 1000, 200));
    // Fits but its corner is off the area: it comes back wholly.
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(-50, -20, 300, 200), area), Bounds(100, 30, 300, 200));
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(1200, 900, 300, 200), area), Bounds(800, 630, 300, 200));
    // A part beyond the right or bottom edge with the corner on the area stays.
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(900, 700, 300, 200), area), Bounds(900, 700, 300, 200));
    // The frame counts: the inner size leaves room for it.
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(100, 30, 1000, 800), area, {10, 40}), Bounds(100, 30, 990, 760));
    // No work area known: nothing to keep to.
    EXPECT_EQ(KeepRectOnWorkArea(Bounds(-5, -5, 5000, 5000), TRect{}), Bounds(-5, -5, 5000, 5000));
}

// Two monitors side by side, the right-hand one with a top panel, and one
// left of the primary.
TEST(KeepRectOnWorkAreas, OnlyWhatNoMonitorShowsComesBack)
{
    const std::vector<TRect> pair{{0, 0, 1920, 1080}, {1920, 24, 3840, 1080}};
    EXPECT_EQ(KeepRectOnWorkAreas(Bounds(200, 100, 3200, 800), pair), Bounds(200, 100, 3200, 800));
    EXPECT_EQ(KeepRectOnWorkAreas(Bounds(200, -50, 3200, 800), pair), Bounds(200, 24, 3200, 800));
    // Off every monitor: wholly onto the nearest.
    const std::vector<TRect> left{{0, 0, 1920, 1050}, {-1920, 0, 0, 1080}};
    EXPECT_EQ(KeepRectOnWorkAreas(Bounds(-2600, 100, 400, 300), left), Bounds(-1920, 100, 400, 300));
    EXPECT_EQ(KeepRectOnWorkAreas(Bounds(2500, 900, 400, 300), left), Bounds(1520, 750, 400, 300));
}

TEST_F(FormWorkAreaTest, CentredFormLargerThanTheWorkAreaFitsItWithItsMinimum)
{
    auto form = formWithMinimum(1260, 984);
    form->SetPosition(poScreenCenter);
    form->SetBounds(0, 0, 1260, 984);
    auto *button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(10, 10, 75, 25);
    form->Show();
    QApplication::processEvents();
    const TRect f = frame(*form);
    EXPECT_TRUE(inside(f, SmallArea)) << f.Left << "," << f.Top << " " << f.Width() << "x" << f.Height();
    EXPECT_EQ(f.Top, 0) << "the title bar is on the screen";
    EXPECT_EQ(f.Height(), 738) << "as tall as the work area";
    EXPECT_EQ(form->Width(), 1260) << "the width fits and is kept";
    // Still centred across (a window not yet framed when it is placed may
    // end up off by its frame).
    EXPECT_NEAR(form->Left(), (1366 - 1260) / 2, frameSlack(*form));
    // The user can make it smaller again, down to what the screen allows.
    EXPECT_LE(form->Widget()->minimumHeight(), 738);
    EXPECT_EQ(form->Widget()->minimumWidth(), 1260);
    // Sizing it never brings back the full minimum.
    form->SetBounds(form->Left(), 0, 1300, 600);
    QApplication::processEvents();
    EXPECT_LE(frame(*form).Height(), 738);
    EXPECT_GE(form->Height(), 600);
    EXPECT_LE(form->Height(), 738);
    // The controls are in the shrunk window.
    EXPECT_EQ(button->Left(), 10);
}

TEST_F(FormWorkAreaTest, LargeScreenChangesNothing)
{
    largeScreen();
    auto form = formWithMinimum(1260, 984);
    form->SetPosition(poScreenCenter);
    form->SetBounds(0, 0, 1260, 984);
    form->Show();
    QApplication::processEvents();
    EXPECT_EQ(form->BoundsRect(), Bounds((1920 - 1260) / 2, (1200 - 984) / 2, 1260, 984));
    EXPECT_EQ(form->Widget()->minimumSize(), QSize(1260, 984));

    // A designed position that fits stays as it is, even beyond an edge.
    auto other = std::make_unique<TForm>(nullptr);
    other->SetBounds(1800, 1100, 300, 200);
    other->Show();
    QApplication::processEvents();
    EXPECT_EQ(other->BoundsRect(), Bounds(1800, 1100, 300, 200));
}

// OnShow places the window (as a saved placement does): what it leaves is
// kept on the work area too.
TEST_F(FormWorkAreaTest, PlacementMadeWhileShowingIsKeptOnTheWorkArea)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->OnShow = TNotifyEvent::FromFunction([&](TObject *) { form->SetBounds(53, -108, 1260, 984); });
    form->Show();
    QApplication::processEvents();
    const TRect f = frame(*form);
    EXPECT_TRUE(inside(f, SmallArea)) << f.Left << "," << f.Top << " " << f.Width() << "x" << f.Height();
    EXPECT_EQ(f.Height(), 738);
    EXPECT_EQ(form->Left(), 53);
    EXPECT_EQ(form->Width(), 1260);

    // A form whose corner is off the screen but that fits comes back.
    form->Hide();
    form->OnShow = TNotifyEvent::FromFunction([&](TObject *) { form->SetBounds(-200, -50, 400, 300); });
    form->Show();
    QApplication::processEvents();
    EXPECT_EQ(form->Left(), 0);
    EXPECT_EQ(form->Top(), 0);
    EXPECT_EQ(form->Width(), 400);
    EXPECT_EQ(form->Height(), 300);
}

// A fixed dialog larger than the screen becomes fixed at the size that fits.
TEST_F(FormWorkAreaTest, FixedDialogShrinksAndStaysFixed)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    form->SetPosition(poScreenCenter);
    form->SetBounds(0, 0, 812, 900);
    form->Show();
    QApplication::processEvents();
    const TRect f = frame(*form);
    EXPECT_TRUE(inside(f, SmallArea));
    EXPECT_EQ(f.Height(), 738);
    EXPECT_EQ(form->Width(), 812);
    EXPECT_EQ(form->Widget()->minimumSize(), form->Widget()->maximumSize());
    EXPECT_NEAR(form->Left(), (1366 - 812) / 2, frameSlack(*form));
}

// The work area comes from the monitor the window is on.
TEST_F(FormWorkAreaTest, SecondMonitorKeepsToItsOwnWorkArea)
{
    Screen->MonitorSource = [] { return std::vector<TRect>{{0, 0, 1920, 1200}, {1920, 0, 3286, 768}}; };
    Screen->WorkAreaSource = [] { return std::vector<TRect>{{0, 0, 1920, 1170}, {1920, 24, 3286, 768}}; };
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(2000, 100, 1000, 900);
    EXPECT_EQ(form->Monitor().MonitorNum, 1);
    EXPECT_EQ(form->Monitor().WorkareaRect, (TRect{1920, 24, 3286, 768}));
    EXPECT_EQ(Screen->Monitors(0).WorkareaRect, (TRect{0, 0, 1920, 1170}));
    form->Show();
    QApplication::processEvents();
    const TRect f = frame(*form);
    EXPECT_TRUE(inside(f, (TRect{1920, 24, 3286, 768}))) << f.Left << "," << f.Top << " " << f.Width() << "x" << f.Height();
    EXPECT_EQ(f.Height(), 768 - 24);
    EXPECT_NEAR(form->Left(), 2000, frameSlack(*form));
}
