// Controls, forms and the application object on the offscreen platform.
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace platform;

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ExceptionRecorder = [this](const AnsiString &m) { errors.push_back(m); };
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
    }
    void TearDown() override
    {
        delete form;
        testsupport::CheckHandlerExceptions(errors, handlerExceptionsExpected);
        Application->ExceptionRecorder = nullptr;
        Application->ModalHook = nullptr;
    }
    // For a test that provokes exceptions in event handlers.
    void expectHandlerExceptions() { handlerExceptionsExpected = true; }
    TPanel *panel(TWinControl *parent, TAlign align, int w, int h)
    {
        auto *p = new TPanel(form);
        p->SetBounds(0, 0, w, h);
        p->SetBevelOuter(bvNone);
        p->SetParent(parent);
        p->SetAlign(align);
        return p;
    }
    TForm *form = nullptr;
    std::vector<AnsiString> errors;
    bool handlerExceptionsExpected = false;
};

TEST(HintTest, ShortAndLongParts)
{
    EXPECT_EQ(GetShortHint("Start|Zamyka okienka"), "Start");
    EXPECT_EQ(GetLongHint("Start|Zamyka okienka"), "Zamyka okienka");
    EXPECT_EQ(GetShortHint("Same"), "Same");
    EXPECT_EQ(GetLongHint("Same"), "Same");
    EXPECT_EQ(GetLongHint("a|b|c"), "b|c") << "only the first bar splits";
    EXPECT_EQ(GetShortHint("|long"), "");
}

TEST_F(ControlsTest, AlignmentLayoutInLibraryOrder)
{
    TPanel *top = panel(form, alTop, 10, 60);
    TPanel *bottom = panel(form, alBottom, 10, 20);
    TPanel *left = panel(form, alLeft, 100, 10);
    TPanel *client = panel(form, alClient, 1, 1);
    TPanel *right = panel(form, alRight, 50, 10);
    EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 400, 60));
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 280, 400, 300));
    EXPECT_EQ(left->BoundsRect(), Rect(0, 60, 100, 280));
    EXPECT_EQ(right->BoundsRect(), Rect(350, 60, 400, 280));
    EXPECT_EQ(client->BoundsRect(), Rect(100, 60, 350, 280));
    // Resizing the form lays out again; a zero height gives no room.
    form->SetBounds(0, 0, 500, 400);
    EXPECT_EQ(client->BoundsRect(), Rect(100, 60, 450, 380));
    top->SetHeight(0);
    EXPECT_EQ(left->Top(), 0);
    // A hidden control takes no room.
    bottom->Hide();
    EXPECT_EQ(client->Height(), 400);
    // Two top panels keep their order; growing the first pushes the second.
    TPanel *top2 = panel(form, alTop, 10, 30);
    top->SetHeight(20);
    EXPECT_EQ(top2->Top(), 20);
    // No alignment and width 0: no area; alignment can move to another panel.
    client->SetAlign(alNone);
    client->SetWidth(0);
    EXPECT_EQ(client->Width(), 0);
    right->SetAlign(alClient);
    EXPECT_EQ(right->BoundsRect(), Rect(100, 50, 500, 400));
}

TEST_F(ControlsTest, NestedPanelsAlignInsideBevelsAndFireResize)
{
    TPanel *outer = panel(form, alClient, 1, 1);
    outer->SetBevelOuter(bvRaised);
    outer->SetBevelWidth(2);
    int resizes = 0;
    TPanel *inner = panel(outer, alClient, 1, 1);
    inner->OnResize = TNotifyEvent::FromFunction([&](TObject *) { ++resizes; });
    EXPECT_EQ(inner->BoundsRect(), Rect(2, 2, 398, 298));
    form->SetBounds(0, 0, 300, 200);
    EXPECT_EQ(inner->BoundsRect(), Rect(2, 2, 298, 198));
    EXPECT_GE(resizes, 1);
}

TEST_F(ControlsTest, WindowProcSeesResizeAndCanBeReplaced)
{
    TPanel *p = panel(form, alNone, 50, 50);
    std::vector<uint32_t> seen;
    TWndMethod saved = p->WindowProc;
    p->WindowProc = TWndMethod::FromFunction([&](TMessage &m) {
        seen.push_back(m.Msg);
        saved(m);
    });
    p->SetBounds(0, 0, 70, 40);
    ASSERT_FALSE(seen.empty());
    EXPECT_NE(std::find(seen.begin(), seen.end(), uint32_t(WM_SIZE)), seen.end());
    EXPECT_EQ(p->Perform(WM_SIZE, 0, MakeLParam(70, 40)), 0);
    p->WindowProc = saved;
    seen.clear();
    p->SetBounds(0, 0, 80, 40);
    EXPECT_TRUE(seen.empty());
}

TEST_F(ControlsTest, SizeLimitsComeFromGetMinMaxInfo)
{
    TWndMethod saved = form->WindowProc;
    form->WindowProc = TWndMethod::FromFunction([&](TMessage &m) {
        if (m.Msg == WM_GETMINMAXINFO) {
            auto *mmi = reinterpret_cast<MINMAXINFO *>(m.LParam);
            mmi->ptMinTrackSize = {600, 500};
        }
        saved(m);
    });
    form->Show();
    EXPECT_GE(form->Width(), 600) << "the window is grown to the minimum when shown";
    EXPECT_GE(form->Height(), 500);
    form->SetBounds(0, 0, 100, 100);
    EXPECT_GE(form->Width(), 600);
    form->WindowProc = saved;
}

TEST_F(ControlsTest, ModalResultFromButtonsEscAndEnter)
{
    form->SetKeyPreview(true);
    form->OnKeyUp = TKeyEvent::FromFunction([this](TObject *, uint16_t &key, TShiftState) {
        if (key == VK_ESCAPE)
            form->SetModalResult(mrCancel);
    });
    auto *close = new TBitBtn(form);
    close->SetParent(form);
    close->SetCaption("Zamknij");
    close->SetModalResult(mrCancel);
    close->SetDefault(true);
    auto *ok = new TBitBtn(form);
    ok->SetParent(form);
    ok->SetCaption("Akceptuj");
    ok->SetModalResult(mrOk);
    ok->SetLeft(100);
    int okClicks = 0;
    ok->OnClick = TNotifyEvent::FromFunction([&](TObject *) { ++okClicks; });

    // Esc released on the focused button reaches the form first.
    Application->ModalHook = [&](TCustomForm *f) {
        close->SetFocus();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : f->Widget(), Qt::Key_Escape);
    };
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_FALSE(form->Visible());

    // Enter on the focused close button closes with its result.
    Application->ModalHook = [&](TCustomForm *) {
        close->SetFocus();
        QTest::keyClick(close->Widget(), Qt::Key_Return);
    };
    EXPECT_EQ(form->ShowModal(), mrCancel);

    // Only the accept button gives mrOk; its OnClick runs too.
    Application->ModalHook = [&](TCustomForm *) { QTest::mouseClick(ok->Widget(), Qt::LeftButton); };
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(okClicks, 1);

    // The close box gives mrCancel.
    Application->ModalHook = [&](TCustomForm *f) { f->Widget()->close(); };
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ControlsTest, EnterClicksDefaultButtonWhenFocusIsElsewhere)
{
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    auto *run = new TButton(form);
    run->SetParent(form);
    run->SetTop(100);
    run->SetModalResult(mrOk);
    run->SetDefault(true);
    Application->ModalHook = [&](TCustomForm *) {
        edit->SetFocus();
        QTest::keyClick(edit->Widget(), Qt::Key_Return);
    };
    EXPECT_EQ(form->ShowModal(), mrOk);
}

TEST_F(ControlsTest, ShowModalOfVisibleFormRaises)
{
    form->Show();
    EXPECT_THROW(form->ShowModal(), EInvalidOperation);
}

TEST_F(ControlsTest, PositionCentresOnScreenOrMainForm)
{
    form->SetBounds(0, 0, 200, 100);
    form->SetPosition(poScreenCenter);
    form->Show();
    EXPECT_EQ(form->Left(), (ScreenWidth() - 200) / 2);
    EXPECT_EQ(form->Top(), (ScreenHeight() - 100) / 2);
    form->Hide();
    auto *main = new TForm(nullptr);
    main->SetBounds(10, 20, 600, 400);
    main->Show();
    Application->SetMainForm(main);
    form->SetPosition(poMainFormCenter);
    form->Show();
    const QRect mg = main->Widget()->frameGeometry();
    EXPECT_EQ(form->Left(), mg.x() + (mg.width() - 200) / 2);
    EXPECT_EQ(form->Top(), mg.y() + (mg.height() - 100) / 2);
    Application->SetMainForm(nullptr);
    delete main;
}

// Inside a running event loop, as in the program: the message box is a child
// of the form that is up, and its closing does not end the loop (which would
// close the form too).
TEST_F(ControlsTest, MessageBoxIsAChildOfTheShownFormAndClosesAlone)
{
    form->Show();
    QWidget *boxParent = nullptr;
    int answer = 0;
    bool formUp = false;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(20, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(w); box != nullptr && box->isVisible()) {
                    boxParent = box->parentWidget();
                    box->button(QMessageBox::No)->click();
                }
        });
        answer = Application->MessageBox("Pytanie", "Rubrikon", MB_YESNO);
        QTest::qWait(50);
        formUp = form->Visible() && form->Widget()->isVisible();
        QCoreApplication::exit(0);
    });
    QApplication::exec();
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(boxParent, form->Widget()->window());
    EXPECT_TRUE(formUp);
}

TEST_F(ControlsTest, FixedBorderKeepsSize)
{
    form->SetBorderStyle(TFormBorderStyle::bsSingle);
    form->SetClientWidth(392);
    form->SetClientHeight(124);
    form->Show();
    form->Widget()->resize(800, 800);
    EXPECT_EQ(form->ClientWidth(), 392);
    EXPECT_EQ(form->ClientHeight(), 124);
}

TEST_F(ControlsTest, TimerFiresWhileEnabled)
{
    auto *timer = new TTimer(form);
    timer->SetEnabled(false);
    timer->SetInterval(10);
    int ticks = 0;
    timer->SetOnTimer(TNotifyEvent::FromFunction([&](TObject *sender) {
        EXPECT_EQ(sender, timer);
        ++ticks;
        timer->SetEnabled(false); // one-shot, as the start-up timers are
    }));
    QTest::qWait(40);
    EXPECT_EQ(ticks, 0);
    timer->SetEnabled(true);
    QElapsedTimer t;
    t.start();
    while (ticks == 0 && t.elapsed() < 2000)
        QTest::qWait(5);
    EXPECT_EQ(ticks, 1);
    QTest::qWait(40);
    EXPECT_EQ(ticks, 1);
}

TEST_F(ControlsTest, ExceptionInHandlerGoesToApplication)
{
    expectHandlerExceptions();
    auto *timer = new TTimer(form);
    timer->SetInterval(1);
    timer->SetOnTimer(TNotifyEvent::FromFunction([&](TObject *) {
        timer->SetEnabled(false);
        throw EInOutError("File not found", 2);
    }));
    QElapsedTimer t;
    t.start();
    while (errors.empty() && t.elapsed() < 2000)
        QTest::qWait(5);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "File not found");
    // Without the recorder OnException gets it.
    Application->ExceptionRecorder = nullptr;
    AnsiString seen;
    Application->OnException = TExceptionEvent::FromFunction([&](TObject *, const std::exception &e) { seen = e.what(); });
    Exception e("boom");
    Application->HandleException(&e);
    EXPECT_EQ(seen, "boom");
    Application->OnException = nullptr;
}

TEST_F(ControlsTest, TreeViewOrderAbsoluteScanAndCollapse)
{
    auto *tree = new TTreeView(form);
    tree->SetParent(form);
    tree->SetAlign(alClient);
    TTreeNodes &items = tree->Items();
    TTreeNode *a = items.AddChildObject(nullptr, "A", 0);
    TTreeNode *b = items.AddChildObject(nullptr, "B", 1);
    TTreeNode *a1 = items.AddChildObject(a, "A1", 2);
    TTreeNode *b1 = items.AddChildObject(b, "B1", 3);
    TTreeNode *a2 = items.AddChildObject(a, "A2", 4); // appended after A1, before B
    TTreeNode *a11 = items.AddChildObject(a1, "A11", 5);
    ASSERT_EQ(items.Count(), 6);
    const std::vector<TTreeNode *> expected{a, a1, a11, a2, b, b1};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(items.Item(i), expected[size_t(i)]) << i;
    EXPECT_EQ(a2->AbsoluteIndex(), 3);
    EXPECT_EQ(a->Count(), 2);
    EXPECT_EQ(a->Item(1), a2);
    EXPECT_EQ(a11->Level(), 2);
    EXPECT_EQ(a11->GetNext(), a2);
    EXPECT_EQ(b1->GetNext(), nullptr);
    EXPECT_EQ(items.Item(6), nullptr);
    // The data slot is the integer given.
    EXPECT_EQ(b1->Data(), 3);
    // Collapse everything; the scan still sees collapsed branches.
    tree->FullExpand();
    EXPECT_TRUE(a->Expanded());
    tree->FullCollapse();
    EXPECT_FALSE(a->Expanded());
    EXPECT_FALSE(a1->Expanded());
    EXPECT_EQ(items.Item(2), a11);
    // Selection and OnChange.
    TTreeNode *changed = nullptr;
    tree->OnChange = TTVChangedEvent::FromFunction([&](TObject *, TTreeNode *n) { changed = n; });
    tree->SetSelected(b1);
    EXPECT_EQ(tree->Selected(), b1);
    EXPECT_EQ(changed, b1);
    tree->SetSelected(nullptr);
    EXPECT_EQ(tree->Selected(), nullptr);
    items.Delete(a);
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Item(0), b);
    items.Clear();
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.GetFirstNode(), nullptr);
}

TEST_F(ControlsTest, TreeViewClickOnNode)
{
    auto *tree = new TTreeView(form);
    tree->SetParent(form);
    tree->SetAlign(alClient);
    tree->SetHideSelection(false);
    tree->Items().AddChildObject(nullptr, "first", 10);
    TTreeNode *second = tree->Items().AddChildObject(nullptr, "second", 20);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    intptr_t clicked = -1;
    tree->OnClick = TNotifyEvent::FromFunction([&](TObject *) {
        if (tree->Selected())
            clicked = tree->Selected()->Data();
    });
    const QRect r = tree->Tree()->visualItemRect(tree->Tree()->topLevelItem(1));
    QTest::mouseClick(tree->Tree()->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(tree->Selected(), second);
    EXPECT_EQ(clicked, 20);
}

TEST_F(ControlsTest, MenuItemAndToolButtonShareEnabledAndClick)
{
    auto *menu = new TMainMenu(form);
    auto *sub = new TMenuItem(form);
    sub->SetCaption("Nawigacja");
    menu->Items()->Add(sub);
    auto *item = new TMenuItem(form);
    item->SetCaption("Znajdź");
    sub->Add(item);
    form->SetMenu(menu);
    int runs = 0;
    item->OnClick = TNotifyEvent::FromFunction([&](TObject *) { ++runs; });

    auto *images = new TImageList(form);
    images->SetWidth(44);
    images->SetHeight(44);
    QImage pic(44, 44, QImage::Format_RGB32);
    pic.fill(Qt::blue);
    images->Add(pic);
    auto *bar = new TToolBar(form);
    bar->SetParent(form);
    bar->SetImages(images);
    bar->SetButtonWidth(51);
    bar->SetButtonHeight(50);
    bar->SetShowHint(true);
    auto *button = new TToolButton(form);
    button->SetParent(bar);
    button->SetImageIndex(0);
    button->SetHint(Utf8ToAnsi("Znajdź|Rozpoczyna przeszukiwanie"));
    button->SetMenuItem(item);
    auto *sep = new TToolButton(form);
    sep->SetParent(bar);
    sep->SetStyle(TToolButtonStyle::tbsSeparator);
    auto *second = new TToolButton(form);
    second->SetParent(bar);
    EXPECT_EQ(button->BoundsRect(), Rect(0, 0, 51, 50));
    EXPECT_EQ(sep->BoundsRect(), Rect(51, 0, 59, 50));
    EXPECT_EQ(second->Left(), 59);
    EXPECT_EQ(button->Widget()->toolTip(), QString::fromUtf8("Znajdź"));

    item->SetEnabled(false);
    EXPECT_FALSE(button->Enabled());
    button->SetEnabled(true);
    EXPECT_TRUE(item->Enabled());
    button->Click();
    EXPECT_EQ(runs, 1);
    item->Action()->trigger();
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(static_cast<QToolButton *>(button->Widget())->icon().isNull());
}

// A solid 44 x 44 picture.
QImage solid(QColor color)
{
    QImage pic(44, 44, QImage::Format_RGB32);
    pic.fill(color);
    return pic;
}

TEST_F(ControlsTest, MenuItemsDrawTheirPicturesFromTheMenuImages)
{
    auto *menu = new TMainMenu(form);
    auto *sub = new TMenuItem(form);
    sub->SetCaption("Pomoc");
    menu->Items()->Add(sub);
    auto *item = new TMenuItem(form);
    item->SetCaption("Historia zmian");
    item->SetImageIndex(1);
    sub->Add(item);
    auto *plain = new TMenuItem(form);
    plain->SetCaption("Bez obrazka");
    sub->Add(plain);
    auto *line = new TMenuItem(form);
    line->SetCaption("-");
    line->SetImageIndex(0);
    sub->Add(line);
    form->SetMenu(menu);
    // No pictures before the menu has images.
    EXPECT_TRUE(item->Action()->icon().isNull());

    auto *images = new TImageList(form);
    auto *disabled = new TImageList(form);
    for (TImageList *list : {images, disabled}) {
        list->SetWidth(44);
        list->SetHeight(44);
    }
    images->Add(solid(Qt::red));
    images->Add(solid(Qt::blue));
    disabled->Add(solid(Qt::darkGray));
    disabled->Add(solid(Qt::lightGray));
    menu->SetImages(images);
    menu->SetDisabledImages(disabled);
    EXPECT_FALSE(item->Action()->icon().isNull());
    EXPECT_TRUE(plain->Action()->icon().isNull());
    EXPECT_TRUE(line->Action()->icon().isNull());
    // A separator is a plain line, without the "-" as its title.
    EXPECT_TRUE(line->Action()->isSeparator());
    EXPECT_TRUE(line->Action()->text().isEmpty());
    EXPECT_EQ(line->Caption(), "-");

    // The menu draws the picture at the list's size beside the caption, the
    // disabled picture while the item is disabled.
    QMenu *popup = sub->Action()->menu();
    ASSERT_NE(popup, nullptr);
    popup->adjustSize();
    const QRect row = popup->actionGeometry(item->Action());
    EXPECT_GE(row.height(), 44);
    EXPECT_LT(popup->actionGeometry(plain->Action()).height(), 44);
    auto colourAtPicture = [&] {
        const QImage shot = popup->grab().toImage();
        // The picture sits at the row's left, before the caption.
        for (int x = row.left(); x < row.left() + 60; ++x) {
            const QColor c = shot.pixelColor(x, row.center().y());
            if (c == QColor(Qt::blue) || c == QColor(Qt::lightGray))
                return c;
        }
        return QColor();
    };
    EXPECT_EQ(colourAtPicture(), QColor(Qt::blue));
    item->SetEnabled(false);
    EXPECT_EQ(colourAtPicture(), QColor(Qt::lightGray));
    item->SetEnabled(true);

    // A changed list, an item that leaves the menu.
    images->Delete(0);
    EXPECT_TRUE(item->Action()->icon().isNull());
    item->SetImageIndex(0);
    EXPECT_EQ(item->Action()->icon().pixmap(44, 44).toImage().pixelColor(20, 20), QColor(Qt::blue));
    sub->Remove(item);
    EXPECT_TRUE(item->Action()->icon().isNull());
    sub->Add(item);
    EXPECT_FALSE(item->Action()->icon().isNull());
    // The images going takes the pictures with them.
    delete images;
    EXPECT_EQ(menu->Images(), nullptr);
    EXPECT_TRUE(item->Action()->icon().isNull());

    // The disabled list was made after the menu (and after this tool bar), so
    // the form destroys it first: neither may reach for it afterwards.
    auto *bar = new TToolBar(form);
    bar->SetParent(form);
    bar->SetDisabledImages(disabled);
    auto *late = new TImageList(form);
    bar->SetImages(late);
    menu->SetImages(late);
}

TEST_F(ControlsTest, StatusBarShowsLongHintOfControlUnderMouse)
{
    auto *status = new TStatusBar(form);
    status->SetParent(form);
    status->SetSimplePanel(true);
    status->SetAutoHint(true);
    auto *p = panel(form, alClient, 1, 1);
    p->SetHint("Krótka|Długa część");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(p->Widget(), &enter);
    EXPECT_EQ(status->SimpleText(), GetLongHint(p->Hint()));
    EXPECT_EQ(Application->Hint(), GetLongHint(p->Hint()));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(p->Widget(), &leave);
    EXPECT_EQ(status->SimpleText(), "");
    EXPECT_EQ(status->Align(), alBottom);
}

TEST_F(ControlsTest, CheckBoxClickAlsoInCodeAndEditChange)
{
    auto *box = new TCheckBox(form);
    box->SetParent(form);
    int clicks = 0;
    box->OnClick = TNotifyEvent::FromFunction([&](TObject *) { ++clicks; });
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1) << "no change, no click";
    QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 2);

    auto *edit = new TEdit(form);
    edit->SetParent(form);
    int changes = 0;
    edit->OnChange = TNotifyEvent::FromFunction([&](TObject *) { ++changes; });
    edit->SetText("abc");
    EXPECT_EQ(changes, 1);
    form->Show();
    edit->SetFocus();
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("ż"));
    QApplication::sendEvent(edit->Widget(), &press);
    EXPECT_EQ(edit->Text(), "abc\xBF") << "CP1250 text";
    EXPECT_EQ(changes, 2);
}

TEST_F(ControlsTest, ListBoxClickOnSelectionNotInCode)
{
    auto *list = new TListBox(form);
    list->SetParent(form);
    list->SetBounds(0, 0, 200, 200);
    list->Items().AddObject("one", 0);
    list->Items().AddObject("two", 1);
    int clicks = 0;
    list->OnClick = TNotifyEvent::FromFunction([&](TObject *) { ++clicks; });
    list->SetItemIndex(0);
    EXPECT_EQ(clicks, 0);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    auto *w = static_cast<QListWidget *>(list->Widget());
    const QRect r = w->visualItemRect(w->item(1));
    QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(clicks, 2) << "clicking the selected line again";
    list->SetFocus();
    QTest::keyClick(w, Qt::Key_Up);
    EXPECT_EQ(list->ItemIndex(), 0);
    EXPECT_EQ(clicks, 3);
}

TEST_F(ControlsTest, ChangingTheLinesFiresNoClick)
{
    auto *list = new TListBox(form);
    auto *combo = new TComboBox(form);
    int events = 0;
    const TNotifyEvent count = TNotifyEvent::FromFunction([&](TObject *) { ++events; });
    list->OnClick = count;
    combo->OnClick = count;
    combo->OnChange = count;
    for (TControlStrings *lines : {&list->Items(), &combo->Items()})
        for (const char *s : {"a", "b", "c"})
            lines->Add(s); // a combo box makes its first line the current one
    list->SetItemIndex(0);
    for (TControlStrings *lines : {&list->Items(), &combo->Items()}) {
        lines->Delete(0); // the current line
        lines->Clear();
    }
    EXPECT_EQ(events, 0);
}

TEST_F(ControlsTest, SplitterResizesTheControlBefore)
{
    TPanel *navi = panel(form, alTop, 10, 100);
    auto *split = new TSplitter(form);
    split->SetParent(form);
    split->SetAlign(alTop);
    split->SetHeight(3);
    split->SetTop(100);
    TPanel *rest = panel(form, alClient, 1, 1);
    ASSERT_EQ(split->Top(), 100);
    EXPECT_EQ(split->FindControl(), navi);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    QTest::mousePress(split->Widget(), Qt::LeftButton, {}, QPoint(5, 1));
    QTest::mouseMove(split->Widget(), QPoint(5, 41));
    QTest::mouseRelease(split->Widget(), Qt::LeftButton, {}, QPoint(5, 41));
    EXPECT_EQ(navi->Height(), 140);
    EXPECT_EQ(rest->Top(), 143);
    split->SetEnabled(false);
    QTest::mousePress(split->Widget(), Qt::LeftButton, {}, QPoint(5, 1));
    QTest::mouseMove(split->Widget(), QPoint(5, 30));
    QTest::mouseRelease(split->Widget(), Qt::LeftButton, {}, QPoint(5, 30));
    EXPECT_EQ(navi->Height(), 140);
}

TEST_F(ControlsTest, ChildrenGoWithTheirParentAndOwner)
{
    TPanel *p = panel(form, alClient, 1, 1);
    auto *label = new TLabel(form);
    label->SetParent(p);
    label->SetCaption("Nawigacja");
    EXPECT_GT(label->Width(), 0) << "auto size";
    const int before = form->ComponentCount();
    delete p; // frees the label too, and both leave the form's list
    EXPECT_EQ(form->ComponentCount(), before - 2);
    EXPECT_EQ(form->ControlCount(), 0);
}

} // namespace

namespace {

// Pixels of a grabbed widget that are clearly red (the font colour below).
int redPixels(QWidget *w)
{
    const QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            n += c.red() > 150 && c.green() < 90 && c.blue() < 90;
        }
    return n;
}

} // namespace

TEST_F(ControlsTest, DisabledControlsDrawTheirTextGreyWhateverTheFontColour)
{
    auto place = [&](TControl *c, TWinControl *parent, int top) {
        c->SetParent(parent);
        c->SetBounds(8, top, 140, 25);
        c->Font().SetColor(clRed);
        c->SetCaption("Znajdź następny");
        return c;
    };
    auto *button = place(new TButton(form), form, 8);
    auto *bit = static_cast<TBitBtn *>(place(new TBitBtn(form), form, 40));
    QImage glyph(32, 16, QImage::Format_RGB32);
    glyph.fill(Qt::white);
    glyph.setPixelColor(4, 4, Qt::blue);
    glyph.setPixelColor(20, 4, Qt::gray);
    bit->SetNumGlyphs(2);
    bit->SetGlyph(glyph);
    auto *label = place(new TLabel(form), form, 72);
    auto *box = place(new TCheckBox(form), form, 104);
    auto *edit = place(new TEdit(form), form, 136);
    edit->SetText("Znajdź");
    auto *captioned = place(new TPanel(form), form, 168);
    // A control disabled through its parent as well.
    TPanel *holder = panel(form, alNone, 200, 40);
    holder->SetTop(200);
    auto *inner = place(new TButton(form), holder, 8);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));

    const std::vector<TControl *> all{button, bit, label, box, edit, captioned, inner};
    for (TControl *c : all)
        EXPECT_GT(redPixels(c->Widget()), 0) << c->ClassName() << ": enabled text in the font colour";

    for (TControl *c : all)
        if (c != inner)
            c->SetEnabled(false);
    holder->SetEnabled(false);
    const QPalette style = QApplication::palette();
    for (TControl *c : all) {
        EXPECT_EQ(redPixels(c->Widget()), 0) << c->ClassName() << ": disabled text is not in the font colour";
        const QPalette pal = c->Widget()->palette();
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            EXPECT_EQ(pal.color(QPalette::Disabled, role), style.color(QPalette::Disabled, role)) << c->ClassName();
    }

    // Enabled again, the font colour is back; a colour set while disabled
    // shows once the control is enabled.
    button->SetEnabled(true);
    EXPECT_GT(redPixels(button->Widget()), 0);
    label->Font().SetColor(clBlack);
    label->SetEnabled(true);
    EXPECT_EQ(redPixels(label->Widget()), 0);
    label->Font().SetColor(clRed);
    EXPECT_GT(redPixels(label->Widget()), 0);
}
