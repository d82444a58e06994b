// Every caption of every window fits the room its control has at the place
// and size the window gives it: labels, check boxes, buttons, group boxes and
// captioned panels are measured with the font they show (the Windows family
// names resolve to families with the same metrics), on the main window, the
// search dialog and each secondary window as it is shown.
#include "MainFormFixture.h"
#include "browser/TaxonarAboutCode.h"
#include "browser/TaxonarFind2Code.h"
#include "browser/TaxonarHelpCode.h"
#include "browser/TaxonarHistoryCode.h"
#include "browser/TaxonarInfo2Code.h"
#include "browser/TaxonarInfoCode.h"
#include "browser/TaxonarQueryCode.h"
#include "browser/TaxonarStartCode.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <climits>

namespace {

using namespace mainformtest;
using namespace platform;

QString text(const TControl *c) { return AnsiToQString(c->Caption()); }

// Room of a label that takes its text's size: up to the nearest control to
// its right on the same line, else to its parent's right edge.
int roomRightOf(const TControl *c)
{
    const TWinControl *parent = c->Parent();
    int right = parent ? parent->ClientWidth() : INT_MAX;
    if (parent)
        for (int i = 0; i < parent->ControlCount(); ++i) {
            const TControl *o = parent->Controls(i);
            const bool sameLine = o->Top() < c->Top() + c->Height() && c->Top() < o->Top() + o->Height();
            if (o != c && o->Visible() && sameLine && o->Left() > c->Left())
                right = std::min(right, o->Left());
        }
    return right - c->Left();
}

// What a check box's or push button's style leaves for the text.
int buttonTextRoom(QWidget *w, QStyle::SubElement contents, const QIcon &icon, QSize iconSize)
{
    QStyleOptionButton opt;
    opt.initFrom(w);
    opt.rect = w->rect();
    opt.icon = icon;
    opt.iconSize = iconSize;
    int room = w->style()->subElementRect(contents, &opt, w).width();
    if (!icon.isNull())
        room -= iconSize.width() + 4;
    return room;
}

// One line per caption that does not fit: name, text, width needed, room.
std::vector<std::string> captionsCutOff(const TComponent *form)
{
    std::vector<std::string> cut;
    auto check = [&cut](const TControl *c, int needed, int room) {
        if (needed > room)
            cut.push_back(c->Name() + " \"" + text(c).toStdString() + "\" needs " + std::to_string(needed) +
                          ", has " + std::to_string(room));
    };
    for (int i = 0; i < form->ComponentCount(); ++i) {
        const auto *c = dynamic_cast<const TControl *>(form->Components(i));
        if (!c || text(c).isEmpty() || !c->Widget())
            continue;
        QWidget *w = c->Widget();
        const QFontMetrics fm(w->font());
        const int advance = fm.horizontalAdvance(text(c));
        if (auto *label = dynamic_cast<const TLabel *>(c)) {
            if (label->Align() != alNone)
                continue;
            if (label->WordWrap()) {
                for (const QString &word : text(c).split(' ', Qt::SkipEmptyParts))
                    check(c, fm.horizontalAdvance(word), c->Width());
            } else {
                check(c, advance, label->AutoSize() ? roomRightOf(c) : c->Width());
                check(c, fm.height(), c->Height());
            }
        } else if (auto *box = qobject_cast<QCheckBox *>(w)) {
            check(c, advance, buttonTextRoom(box, QStyle::SE_CheckBoxContents, {}, {}));
            check(c, fm.height(), c->Height());
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            check(c, advance,
                  buttonTextRoom(button, QStyle::SE_PushButtonContents, button->icon(), button->iconSize()));
        } else if (dynamic_cast<const TGroupBox *>(c) || dynamic_cast<const TPanel *>(c)) {
            // The title is drawn inside the frame, a few pixels in from each side.
            check(c, advance, c->Width() - 16);
        }
    }
    return cut;
}

class CaptionFitTest : public MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        create();
        TPrintDialog::ExecuteHook = [](TPrintDialog *) { return false; };
    }
    void TearDown() override
    {
        TPrintDialog::ExecuteHook = nullptr;
        MainFormTest::TearDown();
    }

    // Shows the window modally and measures it while it is up.
    std::vector<std::string> measureShown(TForm *window)
    {
        std::vector<std::string> cut;
        Application->ModalHook = [&cut](TCustomForm *f) {
            cut = captionsCutOff(f);
            f->SetModalResult(mrCancel);
        };
        window->ShowModal();
        delete window;
        return cut;
    }
};

TEST_F(CaptionFitTest, FormsAskForTheMetricFamilies)
{
    // The dialog font of every window and the start page's Arial resolve to
    // the families with the Windows metrics, not to a wider stand-in.
    EXPECT_EQ(QFontInfo(form->TaxonarSearchLabel->Widget()->font()).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(form->TaxonarStartLabel->Widget()->font()).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(form->TaxonarSearchLabel->Widget()->font().pixelSize(), 11);
}

TEST_F(CaptionFitTest, MainWindow)
{
    EXPECT_EQ(captionsCutOff(form), std::vector<std::string>{});
    // The page-search label ends before the edit that follows it at 144.
    const QFontMetrics fm(form->TaxonarSearchLabel->Widget()->font());
    EXPECT_LE(8 + fm.horizontalAdvance(text(form->TaxonarSearchLabel)), form->TaxonarSearchEdit->Left());
}

TEST_F(CaptionFitTest, SearchDialog)
{
    EXPECT_EQ(measureShown(new TTaxonarFind2Form(Application)), std::vector<std::string>{});
}

TEST_F(CaptionFitTest, MessageAndQuestionWindows)
{
    auto *info = new TTaxonarInfoForm(Application);
    info->TaxonarInfoText->SetCaption(A("Nie znaleziono szukanego ciągu znaków na aktualnej stronie."));
    EXPECT_EQ(measureShown(info), std::vector<std::string>{});
    auto *query = new TTaxonarQueryForm(Application);
    query->TaxonarQueryText->SetCaption(A("Czy pobrać i zainstalować nową wersję programu?"));
    EXPECT_EQ(measureShown(query), std::vector<std::string>{});
}

TEST_F(CaptionFitTest, AboutAndDocumentWindows)
{
    EXPECT_EQ(measureShown(new TTaxonarAboutForm(Application)), std::vector<std::string>{});
    EXPECT_EQ(measureShown(new TTaxonarHelpForm(Application)), std::vector<std::string>{});
    EXPECT_EQ(measureShown(new TTaxonarHistoryForm(Application)), std::vector<std::string>{});
    auto *info2 = new TTaxonarInfo2Form(Application);
    // The show-at-start box keeps the size the window gives it.
    EXPECT_EQ(info2->TaxonarInfo2CheckBox->Width(), 337);
    EXPECT_EQ(info2->TaxonarInfo2CheckBox->Height(), 17);
    EXPECT_EQ(measureShown(info2), std::vector<std::string>{});
}

TEST_F(CaptionFitTest, SplashWindow)
{
    auto *splash = new TTaxonarStartForm(Application);
    EXPECT_EQ(captionsCutOff(splash), std::vector<std::string>{});
    // Its status text stays on the picture.
    const QFontMetrics fm(splash->TaxonarStartStatus->Widget()->font());
    EXPECT_LE(8 + fm.horizontalAdvance(text(splash->TaxonarStartStatus)), 500);
    delete splash;
}

} // namespace
