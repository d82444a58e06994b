// The search dialog driven as a user would while it is modal: typing with the
// dictionary's hints, the arrow keys and clicks on hints, the choice lists,
// Esc, and the search parameters that Run writes.
#include "MainFormFixture.h"
#include "browser/TaxonarFind2Code.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QTest>
#include <functional>

namespace mainformtest {
namespace {

using platform::TCustomForm;

class SearchDialogTest : public MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        write("dictionary.global", A("cde\r\ncdx\r\nabc\r\nleśnictwo\r\nzebra\r\n"));
        write("definition.global", A("a.def;tytuł A;pkd2007;Polska Klasyfikacja A;\r\n"
                                     "m.def;matryca;MX;Matryca;\r\n"
                                     "k.def;stara;KST2010;Stara KŚT;\r\n"
                                     "x.def;mała;mx;Małe mx;\r\n"
                                     "b.def;tytuł B;kśt2016;Środki trwałe\r\n"));
        create();
        dialog = new taxonar::TTaxonarFind2Form(Application);
    }
    void TearDown() override
    {
        delete dialog;
        dialog = nullptr;
        MainFormTest::TearDown();
    }

    // Shows the dialog modally; `during` runs once the window is active and
    // its classification names have been read, and must end the loop.
    int showModal(std::function<void()> during)
    {
        Application->ModalHook = [this, during](TCustomForm *f) {
            modals.push_back(f->Name());
            EXPECT_TRUE(QTest::qWaitForWindowActive(f->Widget(), 2000));
            EXPECT_TRUE(QTest::qWaitFor([this] { return dialog->TaxonarFind2Edit3->Items().Count() > 0; }, 2000));
            during();
        };
        return dialog->ShowModal();
    }
    QWidget *focus() const
    {
        QWidget *w = QApplication::focusWidget();
        return w ? w : dialog->Widget();
    }
    // Types the text key by key; a letter beyond ASCII comes as a key with
    // that text and no key code of its own.
    void type(const char *utf8)
    {
        for (const QChar ch : QString::fromUtf8(utf8)) {
            if (ch.unicode() < 128)
                QTest::keyClick(focus(), char(ch.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, focus(), Qt::Key_unknown, QString(ch), {});
        }
    }
    void key(Qt::Key k) { QTest::keyClick(focus(), k); }
    std::string phrase() const { return dialog->TaxonarFind2Edit1->Text(); }
    std::vector<std::string> hints() const
    {
        std::vector<std::string> h;
        for (int i = 0; i < dialog->TaxonarFind2Edit2->Items().Count(); ++i)
            h.push_back(dialog->TaxonarFind2Edit2->Items().Strings(i));
        return h;
    }
    std::vector<std::string> comboItems(platform::TComboBox *c) const
    {
        std::vector<std::string> items;
        for (int i = 0; i < c->Items().Count(); ++i)
            items.push_back(c->Items().Strings(i));
        return items;
    }
    void close() { dialog->SetModalResult(platform::mrCancel); }

    taxonar::TTaxonarFind2Form *dialog = nullptr;
};

TEST_F(SearchDialogTest, OpensWithItsChoicesAndAnEmptyPhrase)
{
    SearchWordMode = 2;
    SearchResultLimit = 1;
    SearchClassIndex = 1;
    EXPECT_EQ(dialog->Caption(), A("Parametry szukania"));
    EXPECT_EQ(dialog->ClientWidth(), 812);
    EXPECT_EQ(dialog->ClientHeight(), 320);
    dialog->TaxonarFind2Edit1->SetText("stare");
    dialog->TaxonarFind2Edit2->Items().Add("stara podpowiedz");
    showModal([&] {
        EXPECT_EQ(phrase(), "");
        EXPECT_TRUE(hints().empty());
        EXPECT_TRUE(dialog->TaxonarFind2Edit1->Focused());
        EXPECT_FALSE(dialog->TaxonarFind2RunButton->Enabled());
        // Only the exact codes MX and KST2010 are left out; mx is offered.
        EXPECT_EQ(comboItems(dialog->TaxonarFind2Edit3),
                  (std::vector<std::string>{A("Polska Klasyfikacja A"), A("Małe mx"), ""}));
        // (the last line's name has no ";" after it, so it reads as empty)
        EXPECT_EQ(dialog->TaxonarFind2Edit3->ItemIndex(), 1);
        EXPECT_EQ(comboItems(dialog->TaxonarFind2Edit4),
                  (std::vector<std::string>{A("Wszystkie słowa w dowolnej kolejności"),
                                            A("Wszystkie słowa w identycznej kolejności"), A("Dowolne ze słów")}));
        EXPECT_EQ(dialog->TaxonarFind2Edit4->ItemIndex(), 2);
        EXPECT_EQ(comboItems(dialog->TaxonarFind2Edit5),
                  (std::vector<std::string>{A("Wyświetl pierwsze 10 wyników przeszukania"),
                                            A("Wyświetl pierwsze 50 wyników przeszukania"),
                                            A("Wyświetl wszystkie wyniki przeszukania")}));
        EXPECT_EQ(dialog->TaxonarFind2Edit5->ItemIndex(), 1);
        EXPECT_EQ(dialog->TaxonarFind2GroupBox1->Caption(), A(" Szukany ciąg znaków "));
        EXPECT_EQ(dialog->TaxonarFind2GroupBox2->Caption(), A(" Parametry dodatkowe przeszukiwania "));
        EXPECT_EQ(dialog->TaxonarFind2RunButton->Caption(), "Szukaj");
        EXPECT_EQ(dialog->TaxonarFind2CloseButton->Caption(), "Zamknij");
        // Blanks only keep Run disabled; a character enables it.
        type("   ");
        EXPECT_FALSE(dialog->TaxonarFind2RunButton->Enabled());
        type("a");
        EXPECT_TRUE(dialog->TaxonarFind2RunButton->Enabled());
        close();
    });
}

// The disabled Run button greys its caption, not only its picture.
TEST_F(SearchDialogTest, DisabledRunButtonShowsAGreyCaption)
{
    showModal([&] {
        ASSERT_FALSE(dialog->TaxonarFind2RunButton->Enabled());
        EXPECT_EQ(DarkPixelsInside(dialog->TaxonarFind2RunButton), 0);
        type("a");
        EXPECT_TRUE(dialog->TaxonarFind2RunButton->Enabled());
        EXPECT_GT(DarkPixelsInside(dialog->TaxonarFind2RunButton), 0);
        close();
    });
}

TEST_F(SearchDialogTest, IndexOutsideTheClassificationsSelectsNothing)
{
    SearchClassIndex = 7;
    showModal([&] {
        EXPECT_EQ(dialog->TaxonarFind2Edit3->ItemIndex(), -1);
        close();
    });
}

TEST_F(SearchDialogTest, ArrowKeysWalkTheHintsOfTheLastWord)
{
    showModal([&] {
        type("ab cd");
        EXPECT_EQ(hints(), (std::vector<std::string>{"ab cde", "ab cdx"}));
        EXPECT_EQ(dialog->TaxonarFind2Edit2->ItemIndex(), 0);
        EXPECT_TRUE(dialog->HintListFresh());
        key(Qt::Key_Down);
        EXPECT_EQ(phrase(), "ab cde");
        EXPECT_EQ(dialog->TaxonarFind2Edit1->SelStart(), 6);
        key(Qt::Key_Down);
        EXPECT_EQ(phrase(), "ab cdx");
        key(Qt::Key_Down);
        EXPECT_EQ(phrase(), "ab cdx");
        EXPECT_EQ(dialog->TaxonarFind2Edit2->ItemIndex(), 1);
        key(Qt::Key_Up);
        EXPECT_EQ(phrase(), "ab cde");
        key(Qt::Key_Up);
        EXPECT_EQ(phrase(), "ab cde");
        close();
    });
}

TEST_F(SearchDialogTest, SingleHintIsTakenByTheFirstDown)
{
    showModal([&] {
        type("zeb");
        EXPECT_EQ(hints(), (std::vector<std::string>{"zebra"}));
        key(Qt::Key_Down);
        EXPECT_EQ(phrase(), "zebra");
        EXPECT_FALSE(dialog->HintListFresh());
        close();
    });
}

TEST_F(SearchDialogTest, BlankEmptiesTheHintsAndBackspaceKeepsThem)
{
    showModal([&] {
        type("zeb");
        EXPECT_EQ(hints().size(), 1u);
        type(" ");
        EXPECT_TRUE(hints().empty());
        key(Qt::Key_Down);
        EXPECT_TRUE(hints().empty());
        EXPECT_EQ(phrase(), "zeb ");
        type("c");
        EXPECT_EQ(hints(), (std::vector<std::string>{"zeb cde", "zeb cdx"}));
        // The last word erased: nothing is rebuilt, the hints stay.
        key(Qt::Key_Backspace);
        EXPECT_EQ(phrase(), "zeb ");
        EXPECT_EQ(hints(), (std::vector<std::string>{"zeb cde", "zeb cdx"}));
        close();
    });
}

TEST_F(SearchDialogTest, HintsMatchBytesExactly)
{
    showModal([&] {
        type("Ab");
        EXPECT_TRUE(hints().empty());
        EXPECT_EQ(dialog->TaxonarFind2Edit2->ItemIndex(), -1);
        for (int i = 0; i < 2; ++i)
            key(Qt::Key_Backspace);
        type("leś");
        EXPECT_EQ(hints(), (std::vector<std::string>{A("leśnictwo")}));
        type("x");
        EXPECT_TRUE(hints().empty());
        close();
    });
}

TEST_F(SearchDialogTest, EditingKeysWorkWhileHintsShow)
{
    showModal([&] {
        type("cd");
        QTest::keyClick(focus(), Qt::Key_A, Qt::ControlModifier); // selects all: typing replaces it
        type("ab");
        EXPECT_EQ(phrase(), "ab");
        EXPECT_EQ(hints(), std::vector<std::string>{"abc"});
        key(Qt::Key_Home);
        type("X");
        EXPECT_EQ(phrase(), "Xab");
        QTest::keyClick(focus(), Qt::Key_A, Qt::ControlModifier);
        type("cde");
        key(Qt::Key_Left);
        type("X");
        EXPECT_EQ(phrase(), "cdXe");
        close();
    });
}

TEST_F(SearchDialogTest, ClickOnAHintTakesIt)
{
    showModal([&] {
        type("x c");
        QListWidget *list = qobject_cast<QListWidget *>(dialog->TaxonarFind2Edit2->Widget());
        if (list == nullptr)
            list = dialog->TaxonarFind2Edit2->Widget()->findChild<QListWidget *>();
        EXPECT_NE(list, nullptr);
        if (list) {
            const QRect r = list->visualItemRect(list->item(1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
            QApplication::processEvents();
        }
        EXPECT_EQ(phrase(), "x cdx");
        EXPECT_TRUE(dialog->TaxonarFind2Edit1->Focused());
        EXPECT_EQ(dialog->TaxonarFind2Edit1->SelStart(), 5);
        // The list was rebuilt by typing, so the next Down keeps hint 1.
        key(Qt::Key_Down);
        EXPECT_EQ(phrase(), "x cdx");
        close();
    });
}

TEST_F(SearchDialogTest, RunWritesTheSearchParameters)
{
    const int result = showModal([&] {
        dialog->TaxonarFind2Edit1->SetText(A("  Żółć  Łódź\tb  "));
        dialog->TaxonarFind2Edit3->SetItemIndex(2);
        dialog->TaxonarFind2Edit4->SetItemIndex(1);
        dialog->TaxonarFind2Edit5->SetItemIndex(2);
        dialog->TaxonarFind2RunButton->Click();
    });
    EXPECT_EQ(result, platform::mrOk);
    EXPECT_EQ(SearchText, "zolc  lodz\tb");
    ASSERT_EQ(SearchWords->Count(), 2);
    EXPECT_EQ(SearchWords->Strings(0), "zolc");
    // Only blanks separate words; other characters are trimmed at the ends.
    EXPECT_EQ(SearchWords->Strings(1), "lodz\tb");
    EXPECT_EQ(SearchClassCode, A("KŚT2016"));
    EXPECT_EQ(SearchClassIndex, 2);
    EXPECT_EQ(SearchWordMode, 1);
    EXPECT_EQ(SearchResultLimit, 2);
}

TEST_F(SearchDialogTest, EnterRunsAndTheChoicesCarryOver)
{
    const int result = showModal([&] {
        type("a  b");
        dialog->TaxonarFind2Edit3->SetItemIndex(1);
        key(Qt::Key_Return);
    });
    EXPECT_EQ(result, platform::mrOk);
    EXPECT_EQ(SearchText, "a  b");
    ASSERT_EQ(SearchWords->Count(), 2);
    EXPECT_EQ(SearchWords->Strings(1), "b");
    EXPECT_EQ(SearchClassCode, "MX");
    EXPECT_EQ(SearchClassIndex, 1);

    showModal([&] {
        EXPECT_EQ(phrase(), "");
        EXPECT_EQ(dialog->TaxonarFind2Edit3->ItemIndex(), 1);
        close();
    });
}

TEST_F(SearchDialogTest, EscOrCloseLeaveTheParameters)
{
    SearchText = "old";
    SearchClassCode = "OLD";
    SearchWordMode = 0;
    for (int control = 0; control < 3; ++control) {
        const int result = showModal([&] {
            type("nowy");
            dialog->TaxonarFind2Edit4->SetItemIndex(2);
            if (control == 0) {
                key(Qt::Key_Escape);
            } else if (control == 1) {
                dialog->TaxonarFind2Edit2->SetFocus();
                key(Qt::Key_Escape);
            } else {
                dialog->TaxonarFind2CloseButton->Click();
            }
        });
        EXPECT_EQ(result, platform::mrCancel) << control;
    }
    EXPECT_EQ(SearchText, "old");
    EXPECT_EQ(SearchClassCode, "OLD");
    EXPECT_EQ(SearchWordMode, 0);
}

TEST_F(SearchDialogTest, NoClassificationChosenLeavesTheCodeEmpty)
{
    SearchClassIndex = -1;
    SearchClassCode = "OLD";
    showModal([&] {
        type("x");
        dialog->TaxonarFind2RunButton->Click();
    });
    EXPECT_EQ(SearchClassCode, "");
    EXPECT_EQ(SearchClassIndex, -1);
}

TEST_F(SearchDialogTest, MissingDefinitionFileGoesToTheApplication)
{
    expectHandlerExceptions();
    platform::DeleteFile(prog.file("definition.global"));
    Application->ModalHook = [this](TCustomForm *) {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !errors.empty(); }, 2000));
        close();
    };
    EXPECT_EQ(dialog->ShowModal(), platform::mrCancel);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(dialog->TaxonarFind2Edit3->Items().Count(), 0);
}

} // namespace
} // namespace mainformtest
