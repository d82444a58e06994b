// The keys that reach a form's menu bar: F10 and a lone Alt both put it in
// its keyboard mode (the first menu highlighted, none open), F10 again leaves
// it, and a form without a menu takes F10 as any other key.
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

class FormMenuKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 400, 300);
        menu = new TMainMenu(form.get());
        for (const char *caption : {"Plik", "Pomoc"}) {
            auto *top = new TMenuItem(form.get());
            top->SetCaption(caption);
            auto *sub = new TMenuItem(form.get());
            sub->SetCaption("Zamknij");
            top->Add(sub);
            menu->Items()->Add(top);
        }
        edit = new TEdit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(10, 10, 100, 21);
        form->SetMenu(menu);
        form->SetKeyPreview(true);
        form->OnKeyDown = TKeyEvent::FromFunction([this](TObject *, uint16_t &key, TShiftState) { keysDown.push_back(key); });
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget(), 2000));
        edit->SetFocus();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        form.reset();
    }
    QMenuBar *bar() const { return menu->MenuBar(); }
    QAction *firstMenu() const { return bar()->actions().value(0); }
    static void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, k, mods);
        QApplication::processEvents();
    }

    std::unique_ptr<TForm> form;
    TMainMenu *menu = nullptr;
    TEdit *edit = nullptr;
    std::vector<uint16_t> keysDown;
};

} // namespace

TEST_F(FormMenuKeysTest, F10AndAltActivateTheMenuBarAndF10LeavesIt)
{
    ASSERT_EQ(bar()->activeAction(), nullptr);
    key(Qt::Key_F10);
    EXPECT_EQ(bar()->activeAction(), firstMenu()) << "F10 highlights the first menu";
    EXPECT_TRUE(bar()->hasFocus());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no menu opens yet";
    // The keyboard now walks the bar: Down opens the highlighted menu.
    key(Qt::Key_Right);
    EXPECT_EQ(bar()->activeAction(), bar()->actions().value(1));
    key(Qt::Key_Down);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QApplication::activePopupWidget()->close();
    QApplication::processEvents();

    // F10 while the bar is active leaves it, and the focus goes back.
    edit->SetFocus();
    QApplication::processEvents();
    key(Qt::Key_F10);
    ASSERT_EQ(bar()->activeAction(), firstMenu());
    key(Qt::Key_F10);
    EXPECT_EQ(bar()->activeAction(), nullptr);
    EXPECT_FALSE(bar()->hasFocus());

    // A lone Alt does the same.
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Alt, Qt::NoModifier);
    QApplication::processEvents();
    EXPECT_EQ(bar()->activeAction(), firstMenu()) << "Alt highlights the first menu";
    key(Qt::Key_Escape);
    EXPECT_EQ(bar()->activeAction(), nullptr);
}

TEST_F(FormMenuKeysTest, FormWithoutAMenuSeesF10AsAKey)
{
    form->SetMenu(nullptr);
    edit->SetFocus();
    QApplication::processEvents();
    keysDown.clear();
    key(Qt::Key_F10);
    EXPECT_EQ(keysDown, std::vector<uint16_t>{uint16_t(VK_F1 + 9)});
    EXPECT_EQ(bar()->activeAction(), nullptr);

    // An inactive form's menu does not take another window's F10.
    form->SetMenu(menu);
    TForm other(nullptr);
    other.SetBounds(500, 0, 200, 100);
    auto *otherEdit = new TEdit(&other);
    otherEdit->SetParent(&other);
    other.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other.Widget(), 2000));
    otherEdit->SetFocus();
    QApplication::processEvents();
    key(Qt::Key_F10);
    EXPECT_EQ(bar()->activeAction(), nullptr);
}
