// The reader's small windows driven as a user would: keys and clicks on real
// widgets while the window is modal, the documents they load, the
// explanations window's settings flags as written to config.xml, printing
// through a replaced printer, and the splash window.
#include "browser/TaxonarAboutCode.h"
#include "browser/TaxonarFind2Code.h"
#include "browser/TaxonarHelpCode.h"
#include "browser/TaxonarHistoryCode.h"
#include "browser/TaxonarInfo2Code.h"
#include "browser/TaxonarInfoCode.h"
#include "browser/TaxonarQueryCode.h"
#include "browser/TaxonarResources.h"
#include "browser/TaxonarStartCode.h"
#include "browser/TaxonarTypeCode.h"
#include "browser/TaxonarWindowSupport.h"
#include "platform/Cp1250.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <unistd.h>

using namespace platform;
using namespace taxonar;

namespace {

const char *const Crlf = "\r\n";

// config.xml as the program writes it (indent width 2, CR LF).
std::string indentedConfig(bool viewInfo, bool firstInfo)
{
    std::string s = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + Crlf + "<body>" + Crlf + "  <config>" +
                    Crlf + "    <viewhelp>1</viewhelp>" + Crlf + "    <view2010>1</view2010>" + Crlf +
                    "    <viewinfo>" + (viewInfo ? "1" : "0") + "</viewinfo>" + Crlf + "    <firstinfo>" +
                    (firstInfo ? "1" : "0") + "</firstinfo>" + Crlf + "  </config>" + Crlf + "</body>" + Crlf;
    return s;
}

// The same content without indentation, so that a rewrite shows.
std::string flatConfig(bool viewInfo, bool firstInfo)
{
    std::string s = indentedConfig(viewInfo, firstInfo);
    std::string out;
    bool lineStart = true;
    for (char c : s) {
        if (lineStart && c == ' ')
            continue;
        lineStart = c == '\n';
        out += c;
    }
    return out;
}

const char *const SampleRtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0 Arial;}}"
                              "\\f0\\fs20 Instrukcja programu\\par Drugi akapit\\par}";

// The application object records errors and answers nothing by itself; the
// program and user folders are fresh; printing is replaced.
class SecondaryWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedAppDir_ = AppDir;
        savedUserDir_ = UserDataDir;
        savedFlags_ = {ViewHelp, View2010, ViewInfo, FirstInfo};
        AppDir = program_.path();
        UserDataDir = user_.path();
        SetXmlRetryWait([](uint32_t) {});
        Application->ExceptionRecorder = [this](const AnsiString &m) { errors.push_back(m); };
        TPrintDialog::ExecuteHook = [this](TPrintDialog *) {
            ++dialogRuns;
            return confirmPrint;
        };
        SetDocumentPrinter([this](TRichEdit &view, QPrinter &printer, const QString &title) {
            printed.push_back(title);
            printedText.push_back(view.Text());
            printers.push_back(&printer);
        });
    }
    void TearDown() override
    {
        testsupport::CheckHandlerExceptions(errors, handlerExceptionsExpected);
        Application->ModalHook = nullptr;
        Application->ExceptionRecorder = nullptr;
        TPrintDialog::ExecuteHook = nullptr;
        SetDocumentPrinter({});
        SetXmlRetryWait({});
        AppDir = savedAppDir_;
        UserDataDir = savedUserDir_;
        ViewHelp = savedFlags_[0];
        View2010 = savedFlags_[1];
        ViewInfo = savedFlags_[2];
        FirstInfo = savedFlags_[3];
    }

    // Shows the form modally; `during` runs once the modal loop is running
    // and the window has become active (as it does for the user), and must
    // end the loop (through keys, clicks or the modal result).
    template <class F>
    static int showModal(TForm *form, F during)
    {
        Application->ModalHook = [during](TCustomForm *f) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(f->Widget(), 2000));
            during(f);
        };
        const int result = form->ShowModal();
        Application->ModalHook = nullptr;
        return result;
    }
    static QWidget *focusOr(TCustomForm *form)
    {
        QWidget *w = QApplication::focusWidget();
        return w ? w : form->Widget();
    }
    static void pressEsc(TCustomForm *form) { QTest::keyClick(focusOr(form), Qt::Key_Escape); }
    static void pressEnter(TCustomForm *form) { QTest::keyClick(focusOr(form), Qt::Key_Return); }

    void writeConfig(const std::string &text) { testsupport::writeFile(ConfigFileName(), text); }
    std::string config() const { return testsupport::readFile(ConfigFileName()); }
    void setFlags(bool viewInfo, bool firstInfo)
    {
        ViewHelp = View2010 = true;
        ViewInfo = viewInfo;
        FirstInfo = firstInfo;
    }

    testsupport::TempFolder program_;
    testsupport::TempFolder user_;
    std::vector<AnsiString> errors;
    std::vector<QString> printed;
    std::vector<QString> printedText;
    std::vector<QPrinter *> printers;
    int dialogRuns = 0;
    bool confirmPrint = true;
    // Set by a test that provokes exceptions in event handlers; otherwise any
    // recorded one fails the test.
    bool handlerExceptionsExpected = false;
    void expectHandlerExceptions() { handlerExceptionsExpected = true; }

private:
    AnsiString savedAppDir_;
    AnsiString savedUserDir_;
    std::array<bool, 4> savedFlags_{};
};

// Each dialog window with its Close (default) button.
struct DialogCase {
    const char *name;
    std::function<TForm *()> make;
    std::function<TBitBtn *(TForm *)> closeButton;
};

std::vector<DialogCase> dialogCases()
{
    return {
        {"About", [] { return new TTaxonarAboutForm(Application); },
         [](TForm *f) { return static_cast<TTaxonarAboutForm *>(f)->TaxonarAboutCloseButton; }},
        {"Info", [] { return new TTaxonarInfoForm(Application); },
         [](TForm *f) { return static_cast<TTaxonarInfoForm *>(f)->TaxonarInfoCloseButton; }},
        {"Query", [] { return new TTaxonarQueryForm(Application); },
         [](TForm *f) { return static_cast<TTaxonarQueryForm *>(f)->TaxonarQueryCloseButton; }},
        {"Help", [] { return new TTaxonarHelpForm(Application); },
         [](TForm *f) { return static_cast<TTaxonarHelpForm *>(f)->TaxonarHelpExitButton; }},
        {"History", [] { return new TTaxonarHistoryForm(Application); },
         [](TForm *f) { return static_cast<TTaxonarHistoryForm *>(f)->TaxonarHistoryExitButton; }},
        {"Info2", [] { return new TTaxonarInfo2Form(Application); },
         [](TForm *f) { return static_cast<TTaxonarInfo2Form *>(f)->TaxonarInfo2ExitButton; }},
    };
}

// --------------------------------------------------------------- keys

TEST_F(SecondaryWindowsTest, EscClosesEveryDialogWithCancel)
{
    ASSERT_TRUE(ConfigCreateDefault());
    for (const auto &c : dialogCases()) {
        SCOPED_TRACE(c.name);
        TForm *form = c.make();
        EXPECT_EQ(showModal(form, [](TCustomForm *f) { pressEsc(f); }), mrCancel);
        EXPECT_FALSE(form->Visible());
        // Other keys leave the window open.
        EXPECT_EQ(showModal(form,
                            [](TCustomForm *f) {
                                QTest::keyClick(focusOr(f), Qt::Key_A);
                                QTest::keyClick(focusOr(f), Qt::Key_F1);
                                EXPECT_EQ(static_cast<TForm *>(f)->ModalResult(), mrNone);
                                pressEsc(f);
                            }),
                  mrCancel);
        delete form;
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(SecondaryWindowsTest, EnterOnTheFocusedCloseButtonClosesEveryDialog)
{
    ASSERT_TRUE(ConfigCreateDefault());
    for (const auto &c : dialogCases()) {
        SCOPED_TRACE(c.name);
        TForm *form = c.make();
        TBitBtn *close = c.closeButton(form);
        EXPECT_TRUE(close->Default());
        EXPECT_EQ(close->ModalResult(), mrCancel);
        EXPECT_EQ(close->Caption(), "Zamknij");
        bool focusedAtOpen = false;
        EXPECT_EQ(showModal(form,
                            [&](TCustomForm *f) {
                                focusedAtOpen = close->Focused();
                                pressEnter(f);
                            }),
                  mrCancel);
        EXPECT_TRUE(focusedAtOpen) << "the Close button has the focus when the window opens";
        delete form;
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(SecondaryWindowsTest, QuestionWindowConsentsOnlyThroughAccept)
{
    auto run = [](std::function<void(TTaxonarQueryForm *)> act) {
        TaxonarQueryForm = new TTaxonarQueryForm(Application);
        TaxonarQueryForm->TaxonarQueryText->SetCaption("Czy chcesz ją zainstalować ?");
        const int r = showModal(TaxonarQueryForm, [act](TCustomForm *f) { act(static_cast<TTaxonarQueryForm *>(f)); });
        delete TaxonarQueryForm;
        TaxonarQueryForm = nullptr;
        return r;
    };
    EXPECT_EQ(run([](TTaxonarQueryForm *f) { QTest::mouseClick(f->TaxonarQueryOkButton->Widget(), Qt::LeftButton); }),
              mrOk);
    EXPECT_EQ(run([](TTaxonarQueryForm *f) { QTest::mouseClick(f->TaxonarQueryCloseButton->Widget(), Qt::LeftButton); }),
              mrCancel);
    EXPECT_EQ(run([](TTaxonarQueryForm *f) { pressEnter(f); }), mrCancel);
    EXPECT_EQ(run([](TTaxonarQueryForm *f) { pressEsc(f); }), mrCancel);
    EXPECT_EQ(run([](TTaxonarQueryForm *f) { f->Widget()->close(); }), mrCancel) << "the close box";
    // Tabbing to Akceptuj and pressing Enter there accepts.
    EXPECT_EQ(run([](TTaxonarQueryForm *f) {
                  f->TaxonarQueryOkButton->SetFocus();
                  QTest::keyClick(f->TaxonarQueryOkButton->Widget(), Qt::Key_Return);
              }),
              mrOk);
    TTaxonarQueryForm form(nullptr);
    EXPECT_FALSE(form.TaxonarQueryOkButton->Default());
    EXPECT_EQ(form.TaxonarQueryOkButton->Caption(), Utf8ToAnsi("Akceptuj"));
}

// ------------------------------------------------------------ About, message

TEST_F(SecondaryWindowsTest, AboutShowsNameAndVersionWhenShown)
{
    EXPECT_EQ(ProgramVersionText(), "1.3 (1), listopad 2019");
    TaxonarAboutForm = new TTaxonarAboutForm(Application);
    EXPECT_EQ(TaxonarAboutForm->TaxonarAboutVersionLabel->Caption(), "") << "set only when shown";
    AnsiString shown;
    showModal(TaxonarAboutForm, [&](TCustomForm *f) {
        shown = TaxonarAboutForm->TaxonarAboutVersionLabel->Caption();
        QTest::mouseClick(TaxonarAboutForm->TaxonarAboutCloseButton->Widget(), Qt::LeftButton);
        EXPECT_EQ(static_cast<TForm *>(f)->ModalResult(), mrCancel);
    });
    EXPECT_EQ(shown, "1.3 (1), listopad 2019");
    EXPECT_EQ(TaxonarAboutForm->TaxonarAboutNameLabel->Caption(), "Rubrikon");
    EXPECT_TRUE(TaxonarAboutForm->TaxonarAboutNameLabel->Font().Style().Contains(fsBold));
    EXPECT_FALSE(TaxonarAboutForm->TaxonarAboutProgramIcon->Picture().isNull());
    EXPECT_EQ(TaxonarAboutForm->TaxonarAboutProgramIcon->Cursor(), crHandPoint);
    delete TaxonarAboutForm;
    TaxonarAboutForm = nullptr;
}

TEST_F(SecondaryWindowsTest, MessageLabelWrapsAndKeepsItsFourLineSize)
{
    TaxonarInfoForm = new TTaxonarInfoForm(Application);
    TLabel *text = TaxonarInfoForm->TaxonarInfoText;
    text->SetCaption(Utf8ToAnsi("Nie znaleziono wybranej strony."));
    EXPECT_EQ(text->Width(), 321);
    EXPECT_EQ(text->Height(), 58);
    std::string longText;
    for (int i = 0; i < 40; ++i)
        longText += Utf8ToAnsi("bardzo długi komunikat ");
    text->SetCaption(longText);
    EXPECT_EQ(text->Width(), 321);
    EXPECT_EQ(text->Height(), 58) << "a longer message is cut, the label does not grow";
    auto *label = qobject_cast<QLabel *>(text->Widget());
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->wordWrap());
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
    EXPECT_GT(label->heightForWidth(321), 58);
    delete TaxonarInfoForm;
    TaxonarInfoForm = nullptr;
}

// The frame and parts every dialog shares, and the sizes of each.
TEST_F(SecondaryWindowsTest, DialogFramesCaptionsAndClientSizes)
{
    struct Frame {
        const char *name;
        const char *caption;
        int w, h;
        int closeLeft, closeTop;
    };
    const Frame frames[] = {{"About", "O programie", 392, 258, 308, 224},
                            {"Info", "Informacja", 392, 124, 310, 92},
                            {"Query", "Decyzja", 392, 124, 310, 92},
                            {"Help", "Pomoc", 592, 446, 510, 412},
                            {"History", "Historia zmian", 592, 446, 510, 412},
                            {"Info2", "Wyjaśnienia do klasyfikacji", 592, 446, 510, 412}};
    auto cases = dialogCases();
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        std::unique_ptr<TForm> form(cases[i].make());
        EXPECT_EQ(form->Caption(), Utf8ToAnsi(frames[i].caption));
        EXPECT_EQ(form->ClientWidth(), frames[i].w);
        EXPECT_EQ(form->ClientHeight(), frames[i].h);
        EXPECT_EQ(form->BorderStyle(), TFormBorderStyle::bsSingle);
        EXPECT_EQ(form->BorderIcons(), TBorderIcons{biSystemMenu});
        EXPECT_TRUE(form->KeyPreview());
        EXPECT_EQ(form->Position(), poMainFormCenter);
        EXPECT_EQ(form->Font().Name(), "MS Sans Serif");
        EXPECT_EQ(form->Font().Height(), -11);
        EXPECT_FALSE(form->Widget()->windowIcon().isNull());
        TBitBtn *close = cases[i].closeButton(form.get());
        EXPECT_EQ(close->Width(), 75);
        EXPECT_EQ(close->Height(), 25);
        EXPECT_EQ(close->Left(), frames[i].closeLeft);
        EXPECT_EQ(close->Top(), frames[i].closeTop);
        EXPECT_FALSE(close->Glyph().isNull());
    }
}

// ------------------------------------------------------------ documents

struct DocumentCase {
    const char *name;
    const char *file;
    const char *initial;
    const char *title;
    std::function<TForm *()> make;
    std::function<TTaxonarRichEdit *(TForm *)> view;
    std::function<TBitBtn *(TForm *)> print;
    std::function<TBitBtn *(TForm *)> exit;
};

std::vector<DocumentCase> documentCases()
{
    return {
        {"Help", "Rubrikon.hlp", "Tu bedzie tekst pomocy ...", "Wydruk pomocy do programu \"Rubrikon\" ...",
         [] { return new TTaxonarHelpForm(Application); },
         [](TForm *f) { return static_cast<TTaxonarHelpForm *>(f)->TaxonarHelpRichEdit; },
         [](TForm *f) { return static_cast<TTaxonarHelpForm *>(f)->TaxonarHelpPrintButton; },
         [](TForm *f) { return static_cast<TTaxonarHelpForm *>(f)->TaxonarHelpExitButton; }},
        {"History", "Rubrikon.his", "Tu bedzie tekst pomocy ...",
         "Wydruk historii zmian do programu \"Rubrikon\" ...", [] { return new TTaxonarHistoryForm(Application); },
         [](TForm *f) { return static_cast<TTaxonarHistoryForm *>(f)->TaxonarHistoryRichEdit; },
         [](TForm *f) { return static_cast<TTaxonarHistoryForm *>(f)->TaxonarHistoryPrintButton; },
         [](TForm *f) { return static_cast<TTaxonarHistoryForm *>(f)->TaxonarHistoryExitButton; }},
        {"Info2", "Rubrikon.ifo", "Tu bedzie tekst wyjaśnień ...",
         "Wydruk wyjaśnień do klasyfikacji do programu \"Rubrikon\" ...",
         [] { return new TTaxonarInfo2Form(Application); },
         [](TForm *f) { return static_cast<TTaxonarInfo2Form *>(f)->TaxonarInfo2RichEdit; },
         [](TForm *f) { return static_cast<TTaxonarInfo2Form *>(f)->TaxonarInfo2PrintButton; },
         [](TForm *f) { return static_cast<TTaxonarInfo2Form *>(f)->TaxonarInfo2ExitButton; }},
    };
}

TEST_F(SecondaryWindowsTest, DocumentWindowsShowTheirFileOrTheInitialText)
{
    ASSERT_TRUE(ConfigCreateDefault());
    for (const auto &c : documentCases()) {
        SCOPED_TRACE(c.name);
        // Missing: the initial text, nothing reported.
        {
            std::unique_ptr<TForm> form(c.make());
            QString shown;
            showModal(form.get(), [&](TCustomForm *f) {
                shown = c.view(form.get())->PlainText();
                pressEsc(f);
            });
            EXPECT_EQ(shown, QString::fromUtf8(c.initial));
            EXPECT_TRUE(errors.empty());
        }
        // Present: the document replaces the initial text.
        testsupport::writeFile(program_.file(c.file), SampleRtf);
        {
            std::unique_ptr<TForm> form(c.make());
            QString shown;
            showModal(form.get(), [&](TCustomForm *f) {
                shown = c.view(form.get())->PlainText();
                pressEsc(f);
            });
            EXPECT_TRUE(shown.startsWith(QStringLiteral("Instrukcja programu\nDrugi akapit"))) << shown.toStdString();
            EXPECT_TRUE(errors.empty());
        }
        ::unlink(program_.file(c.file).c_str());
    }
}

TEST_F(SecondaryWindowsTest, UnreadableDocumentIsReportedByHelpAndHistoryOnly)
{
    expectHandlerExceptions();
    ASSERT_TRUE(ConfigCreateDefault());
    for (const auto &c : documentCases()) {
        SCOPED_TRACE(c.name);
        // A file that exists but fails when read, also for root: the process's
        // own memory read from address 0.
        ASSERT_EQ(::symlink("/proc/self/mem", program_.file(c.file).c_str()), 0);
        errors.clear();
        std::unique_ptr<TForm> form(c.make());
        QString shown;
        bool exitFocused = false;
        const int result = showModal(form.get(), [&](TCustomForm *f) {
            shown = c.view(form.get())->PlainText();
            exitFocused = c.exit(form.get())->Focused();
            pressEsc(f);
        });
        EXPECT_EQ(result, mrCancel) << "the window opens and closes as usual";
        EXPECT_EQ(shown, QString::fromUtf8(c.initial));
        if (std::string(c.name) == "Info2") {
            EXPECT_TRUE(errors.empty()) << "the explanations window swallows the error";
            EXPECT_TRUE(exitFocused);
        } else {
            ASSERT_EQ(errors.size(), 1u);
            EXPECT_NE(errors[0].find("read error"), std::string::npos) << errors[0];
        }
        ::unlink(program_.file(c.file).c_str());
    }
}

TEST_F(SecondaryWindowsTest, PrintingRunsTheDialogAndPrintsUnderTheWindowsTitle)
{
    ASSERT_TRUE(ConfigCreateDefault());
    for (const auto &c : documentCases()) {
        SCOPED_TRACE(c.name);
        printed.clear();
        printers.clear();
        dialogRuns = 0;
        testsupport::writeFile(program_.file(c.file), SampleRtf);
        std::unique_ptr<TForm> form(c.make());
        EXPECT_EQ(c.print(form.get())->Caption(), "Drukuj");
        EXPECT_EQ(c.print(form.get())->ModalResult(), mrNone);
        showModal(form.get(), [&](TCustomForm *f) {
            confirmPrint = false;
            QTest::mouseClick(c.print(form.get())->Widget(), Qt::LeftButton);
            EXPECT_EQ(dialogRuns, 1);
            EXPECT_TRUE(printed.empty()) << "a cancelled dialog prints nothing";
            confirmPrint = true;
            QTest::mouseClick(c.print(form.get())->Widget(), Qt::LeftButton);
            EXPECT_TRUE(f->Visible()) << "printing does not close the window";
            pressEsc(f);
        });
        EXPECT_EQ(dialogRuns, 2);
        ASSERT_EQ(printed.size(), 1u);
        EXPECT_EQ(printed[0], QString::fromUtf8(c.title));
        EXPECT_TRUE(printedText.back().startsWith(QStringLiteral("Instrukcja programu\nDrugi akapit")))
            << "the whole document";
        EXPECT_NE(printers[0], nullptr);
        ::unlink(program_.file(c.file).c_str());
    }
}

// The system print dialog itself, answered by a timer, inside a running
// application event loop as in the program: closing it either way leaves its
// document window up and waiting for the user.
TEST_F(SecondaryWindowsTest, ClosingTheRealPrintDialogKeepsItsWindowOpen)
{
    ASSERT_TRUE(ConfigCreateDefault());
    TPrintDialog::ExecuteHook = nullptr;
    for (const auto &c : documentCases()) {
        for (const bool confirm : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (confirm ? " confirmed" : " cancelled"));
            printed.clear();
            std::unique_ptr<TForm> form(c.make());
            for (int i = 0; i < form->ComponentCount(); ++i)
                if (auto *d = dynamic_cast<TPrintDialog *>(form->Components(i)))
                    d->Printer()->setOutputFileName(QString::fromStdString(program_.file("out.pdf")));

            QWidget *dialogParent = nullptr;
            int answered = 0;
            QTimer answer;
            QObject::connect(&answer, &QTimer::timeout, [&] {
                for (QWidget *w : QApplication::topLevelWidgets()) {
                    auto *d = qobject_cast<QPrintDialog *>(w);
                    if (d == nullptr || !d->isVisible())
                        continue;
                    dialogParent = d->parentWidget();
                    ++answered;
                    if (confirm)
                        d->accept();
                    else
                        d->reject();
                }
            });
            int result = -1;
            bool upAfterDialog = false;
            QTimer::singleShot(0, [&] {
                Application->ModalHook = [&](TCustomForm *f) {
                    answer.start(20);
                    c.print(form.get())->Click();
                    answer.stop();
                    // Whatever the dialog's closing set going comes before the
                    // test's own answer.
                    QTest::qWait(100);
                    upAfterDialog = f->Visible() && f->ModalResult() == mrNone;
                    f->SetModalResult(mrOk);
                };
                result = form->ShowModal();
                Application->ModalHook = nullptr;
                QCoreApplication::exit(0);
            });
            QApplication::exec();
            EXPECT_EQ(answered, 1);
            EXPECT_EQ(dialogParent, form->Widget()->window());
            EXPECT_TRUE(upAfterDialog);
            EXPECT_EQ(result, mrOk);
            EXPECT_EQ(printed.size(), confirm ? 1u : 0u);
        }
    }
}

// Escape that closes the print dialog lets go over the document window: that
// key-up is not the window's own Escape, so the window stays; its own Escape
// still closes it.
TEST_F(SecondaryWindowsTest, EscapeLetGoAfterThePrintDialogKeepsTheWindow)
{
    ASSERT_TRUE(ConfigCreateDefault());
    for (const auto &c : documentCases()) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TForm> form(c.make());
        bool upAfterDialog = false;
        const int result = showModal(form.get(), [&](TCustomForm *f) {
            // The dialog takes Escape's key-down and closes; its key-up comes
            // to the window below.
            TPrintDialog::ExecuteHook = [&](TPrintDialog *) {
                ++dialogRuns;
                return false;
            };
            QTest::mouseClick(c.print(form.get())->Widget(), Qt::LeftButton);
            QTest::keyRelease(focusOr(f), Qt::Key_Escape);
            QApplication::processEvents();
            upAfterDialog = f->Visible() && static_cast<TForm *>(f)->ModalResult() == mrNone;
            pressEsc(f);
        });
        EXPECT_EQ(dialogRuns, 1);
        EXPECT_TRUE(upAfterDialog);
        EXPECT_EQ(result, mrCancel);
        dialogRuns = 0;

        // Closed while Escape is held down, then shown again: the key-up left
        // over from before is not taken either.
        showModal(form.get(), [&](TCustomForm *f) {
            QTest::keyPress(focusOr(f), Qt::Key_Escape);
            f->SetModalResult(mrOk);
        });
        const int again = showModal(form.get(), [&](TCustomForm *f) {
            QTest::keyRelease(focusOr(f), Qt::Key_Escape);
            upAfterDialog = static_cast<TForm *>(f)->ModalResult() == mrNone;
            f->SetModalResult(mrOk);
        });
        EXPECT_TRUE(upAfterDialog);
        EXPECT_EQ(again, mrOk);
    }
    EXPECT_TRUE(errors.empty());
}

// Escape that closes the open list of a combo box in the search dialog leaves
// the dialog and the typed phrase; the next Escape closes the dialog.
TEST_F(SecondaryWindowsTest, EscapeClosingAnOpenListKeepsTheSearchDialog)
{
    testsupport::writeFile(program_.file("definition.global"),
                           "a.def;tytul A;pkd2007;Klasyfikacja A;\r\nb.def;tytul B;kst2016;Klasyfikacja B;\r\n");
    auto *dialog = new TTaxonarFind2Form(Application);
    for (TComboBox *combo : {dialog->TaxonarFind2Edit3, dialog->TaxonarFind2Edit4, dialog->TaxonarFind2Edit5}) {
        SCOPED_TRACE(combo->Name());
        bool listWasOpen = false, keptAfterList = false;
        AnsiString phraseAfterList;
        const int result = showModal(dialog, [&](TCustomForm *f) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->TaxonarFind2Edit3->Items().Count() > 0; }, 2000));
            QTest::keyClicks(dialog->TaxonarFind2Edit1->Widget(), "las");
            combo->SetFocus();
            auto *box = qobject_cast<QComboBox *>(combo->Widget());
            if (box == nullptr) {
                ADD_FAILURE() << "no combo box widget";
                f->SetModalResult(mrAbort);
                return;
            }
            box->showPopup();
            QApplication::processEvents();
            listWasOpen = box->view()->isVisible();
            // The list takes the key-down and closes; the key-up goes to the
            // box that has the focus again.
            QWidget *list = QApplication::activePopupWidget();
            if (list != nullptr)
                QTest::keyPress(list, Qt::Key_Escape);
            QApplication::processEvents();
            QTest::keyRelease(box, Qt::Key_Escape);
            QApplication::processEvents();
            keptAfterList = f->Visible() && dialog->ModalResult() == mrNone && !box->view()->isVisible();
            phraseAfterList = dialog->TaxonarFind2Edit1->Text();
            if (QWidget *still = QApplication::activePopupWidget())
                still->close();
            QTest::keyClick(box, Qt::Key_Escape);
            if (dialog->ModalResult() == mrNone)
                dialog->SetModalResult(mrAbort);
        });
        EXPECT_TRUE(listWasOpen);
        EXPECT_TRUE(keptAfterList);
        EXPECT_EQ(phraseAfterList, "las");
        EXPECT_EQ(result, mrCancel);
    }
    delete dialog;
    EXPECT_TRUE(errors.empty());
}

// The real print path puts the job title on the printer (to a PDF file here).
TEST_F(SecondaryWindowsTest, DefaultDocumentPrinterNamesTheJob)
{
    SetDocumentPrinter({});
    TTaxonarHelpForm form(nullptr);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(program_.file("out.pdf")));
    PrintDocument(*form.TaxonarHelpRichEdit->RichEdit(), printer, QStringLiteral("Wydruk pomocy"));
    EXPECT_EQ(printer.docName(), QStringLiteral("Wydruk pomocy"));
    EXPECT_GT(testsupport::readFile(program_.file("out.pdf")).size(), 100u);
}

// ------------------------------------------------- explanations window flags

TEST_F(SecondaryWindowsTest, ExplanationsBoxCheckedAtShowSavesEveryTime)
{
    // viewinfo 1, firstinfo 1: the box changes to checked, which counts as a
    // click, so the file is written (same values, re-indented) at each show.
    writeConfig(flatConfig(true, true));
    setFlags(true, true);
    for (int round = 0; round < 2; ++round) {
        writeConfig(flatConfig(true, true));
        TTaxonarInfo2Form form(Application);
        EXPECT_FALSE(form.TaxonarInfo2CheckBox->Checked());
        bool checked = false;
        showModal(&form, [&](TCustomForm *f) {
            checked = form.TaxonarInfo2CheckBox->Checked();
            pressEsc(f);
        });
        EXPECT_TRUE(checked);
        EXPECT_EQ(config(), indentedConfig(true, true));
    }
    EXPECT_TRUE(ViewInfo);
    EXPECT_TRUE(FirstInfo);
}

TEST_F(SecondaryWindowsTest, ExplanationsBoxUncheckedWritesNothingUntilClicked)
{
    writeConfig(flatConfig(false, true));
    setFlags(false, true);
    TTaxonarInfo2Form form(Application);
    showModal(&form, [&](TCustomForm *f) {
        EXPECT_FALSE(form.TaxonarInfo2CheckBox->Checked());
        EXPECT_EQ(config(), flatConfig(false, true)) << "nothing written at show";
        QTest::mouseClick(form.TaxonarInfo2CheckBox->Widget(), Qt::LeftButton);
        EXPECT_TRUE(form.TaxonarInfo2CheckBox->Checked());
        EXPECT_TRUE(ViewInfo);
        EXPECT_EQ(config(), indentedConfig(true, true)) << "checking writes at once";
        QTest::mouseClick(form.TaxonarInfo2CheckBox->Widget(), Qt::LeftButton);
        EXPECT_FALSE(ViewInfo);
        EXPECT_EQ(config(), indentedConfig(false, true));
        pressEsc(f);
    });
    EXPECT_TRUE(errors.empty());
}

TEST_F(SecondaryWindowsTest, ExplanationsFirstShowingSetsBothFlags)
{
    for (bool viewInfo : {false, true}) {
        SCOPED_TRACE(viewInfo);
        writeConfig(flatConfig(viewInfo, false));
        setFlags(viewInfo, false);
        TTaxonarInfo2Form form(Application);
        showModal(&form, [&](TCustomForm *f) {
            EXPECT_TRUE(form.TaxonarInfo2CheckBox->Checked());
            EXPECT_TRUE(form.TaxonarInfo2ExitButton->Focused());
            pressEsc(f);
        });
        EXPECT_TRUE(ViewInfo);
        EXPECT_TRUE(FirstInfo);
        EXPECT_EQ(config(), indentedConfig(true, true));
        // ConfigLoad reads back what was written.
        ViewInfo = FirstInfo = false;
        ASSERT_TRUE(ConfigLoad());
        EXPECT_TRUE(ViewInfo);
        EXPECT_TRUE(FirstInfo);
    }
}

TEST_F(SecondaryWindowsTest, ExplanationsWithoutDocumentStillSavesTheBox)
{
    ASSERT_TRUE(ConfigCreateDefault());
    setFlags(true, true);
    TTaxonarInfo2Form form(Application);
    showModal(&form, [&](TCustomForm *f) {
        EXPECT_EQ(form.TaxonarInfo2RichEdit->PlainText(), QString::fromUtf8("Tu bedzie tekst wyjaśnień ..."));
        QTest::mouseClick(form.TaxonarInfo2CheckBox->Widget(), Qt::LeftButton);
        pressEsc(f);
    });
    EXPECT_FALSE(ViewInfo);
    EXPECT_EQ(config(), indentedConfig(false, true));
    EXPECT_EQ(form.TaxonarInfo2CheckBox->Caption(),
              Utf8ToAnsi("Czy pokazać okienko przy ponownymn uruchomieniu programu ?"));
}

TEST_F(SecondaryWindowsTest, ExplanationsKeepFlagsInMemoryWhenSavingFails)
{
    // No settings file: ConfigSave fails and re-creates nothing; the window
    // shows no error and the flags keep their new values.
    setFlags(false, false);
    TTaxonarInfo2Form form(Application);
    showModal(&form, [&](TCustomForm *f) {
        QTest::mouseClick(form.TaxonarInfo2CheckBox->Widget(), Qt::LeftButton);
        pressEsc(f);
    });
    EXPECT_FALSE(ViewInfo) << "checked at show, then cleared by the click";
    EXPECT_TRUE(FirstInfo);
    EXPECT_FALSE(FileExists(ConfigFileName()));
    EXPECT_TRUE(errors.empty());
}

// ------------------------------------------------------------ splash window

TEST_F(SecondaryWindowsTest, SplashWindowShowsPictureAndStatus)
{
    TaxonarStartForm = new TTaxonarStartForm(Application);
    EXPECT_EQ(TaxonarStartForm->BorderStyle(), TFormBorderStyle::bsNone);
    EXPECT_EQ(TaxonarStartForm->BorderIcons(), TBorderIcons{});
    EXPECT_EQ(TaxonarStartForm->ClientWidth(), 500);
    EXPECT_EQ(TaxonarStartForm->ClientHeight(), 350);
    TLabel *status = TaxonarStartForm->TaxonarStartStatus;
    EXPECT_EQ(status->Caption(), Utf8ToAnsi("Proszę czekać trwa wczytywanie danych ..."));
    EXPECT_EQ(status->Left(), 8);
    EXPECT_EQ(status->Top(), 312);
    EXPECT_TRUE(status->Transparent());
    EXPECT_TRUE(status->Font().Style().Contains(fsBold));
    EXPECT_EQ(status->Font().Color(), clYellow);
    const QImage &picture = TaxonarStartForm->TaxonarStartImage->Picture();
    EXPECT_EQ(picture.size(), QSize(500, 350));

    TaxonarStartForm->Show();
    EXPECT_EQ(TaxonarStartForm->Left(), (ScreenWidth() - 500) / 2);
    EXPECT_EQ(TaxonarStartForm->Top(), (ScreenHeight() - 350) / 2);
    EXPECT_EQ(TaxonarStartForm->TaxonarStartImage->Width(), 500);
    EXPECT_EQ(TaxonarStartForm->TaxonarStartImage->Height(), 350);
    // The loader writes its progress there while the window is up.
    status->SetCaption(Utf8ToAnsi("Wczytywanie: PKD 2007"));
    Application->ProcessMessages();
    EXPECT_EQ(qobject_cast<QLabel *>(status->Widget())->text(), QString::fromUtf8("Wczytywanie: PKD 2007"));
    TaxonarStartForm->Close();
    delete TaxonarStartForm;
    TaxonarStartForm = nullptr;
}

// --------------------------------------------------------------- pictures

TEST(TaxonarResourcesTest, PicturesAreThereAtTheirSizes)
{
    InitTaxonarResources();
    InitTaxonarResources();
    for (int i = 0; i < 13; ++i) {
        for (const char *set : {"toolbar", "toolbar-disabled"}) {
            const QString path = QStringLiteral(":/images/%1/%2.png").arg(QLatin1String(set)).arg(i, 2, 10, QLatin1Char('0'));
            EXPECT_EQ(QImage(path).size(), QSize(44, 44)) << path.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral(":/images/toolbar/13.png")));
    for (const char *name : {"CANCELGRAY", "CANCELCOLOR", "glyph-ok", "glyph-print", "rubrikon-16"})
        EXPECT_EQ(QImage(QStringLiteral(":/images/%1.png").arg(QLatin1String(name))).size(), QSize(16, 16)) << name;
    EXPECT_EQ(QImage(QStringLiteral(":/images/rubrikon-32.png")).size(), QSize(32, 32));
    EXPECT_EQ(QImage(QStringLiteral(":/images/rubrikon.png")).size(), QSize(44, 44));
    EXPECT_EQ(QImage(QStringLiteral(":/images/splash.jpg")).size(), QSize(500, 350));
    // The disabled set is grey.
    const QImage disabled(QStringLiteral(":/images/toolbar-disabled/00.png"));
    for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 44; ++x) {
            const QRgb c = disabled.pixel(x, y);
            if (qAlpha(c) == 0)
                continue;
            ASSERT_LE(std::abs(qRed(c) - qGreen(c)), 2);
            ASSERT_LE(std::abs(qGreen(c) - qBlue(c)), 2);
        }
}

} // namespace
