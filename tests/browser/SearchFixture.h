// The main window on a catalogue of its own for the searches, with the
// search dialog and the message window answered by the test.
#pragma once

#include "MainFormFixture.h"
#include "browser/TaxonarFind2Code.h"
#include "browser/TaxonarInfoCode.h"

#include <QTest>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mainformtest {

// An RTF document of one paragraph per line.
inline std::string RtfLines(const std::vector<std::string> &lines)
{
    std::string body;
    for (size_t i = 0; i < lines.size(); ++i)
        body += (i ? "\\par " : "") + lines[i];
    return "{\\rtf1\\ansi\\ansicpg1250 " + body + "\\par}";
}

inline std::string RtfItem(const std::string &name, const std::string &file, const char *view = "SHOW")
{
    return Record({"NAME=" + name, "PARENT=ROOT", std::string("VIEW=") + view, "LINK=" + name, "MODE=RTF",
                   "FILE=" + file});
}

// Records Qt's warnings printed by threads other than the test's (the
// search's workers) while it is installed, and passes every message on.
class ThreadWarnings {
public:
    ThreadWarnings()
    {
        home_ = std::this_thread::get_id();
        previous_ = qInstallMessageHandler(record);
    }
    ~ThreadWarnings() { qInstallMessageHandler(previous_); }
    std::vector<std::string> take()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::move(seen_);
    }

private:
    static inline std::mutex mutex_;
    static inline std::vector<std::string> seen_;
    static inline std::thread::id home_;
    static inline QtMessageHandler previous_ = nullptr;

    static void record(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type != QtDebugMsg && type != QtInfoMsg && std::this_thread::get_id() != home_) {
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back(text.toStdString());
        }
        if (previous_)
            previous_(type, context, text);
    }
};

class SearchTest : public MainFormTest {
protected:
    // The messages the message window showed, in order.
    std::vector<AnsiString> messages;
    // Set by a test that provokes Qt warnings on the search's threads;
    // otherwise any fails the test.
    bool threadWarningsExpected = false;
    ThreadWarnings threadWarnings;

    void SetUp() override
    {
        MainFormTest::SetUp();
        write("definition.global", A("t.definition;testowa;TT;Klasyfikacja testowa;\r\n"
                                     "z.definition;inna;ZZ;Inna klasyfikacja;\r\n"));
        write("z.definition", "{\r\nSIGNATURE=ZZ\r\nNAME=Obcy korzen\r\nPARENT=nil\r\nVIEW=SHOW\r\nLINK=ROOT\r\n"
                              "MODE=GROUP\r\n}\r\n" +
                                  RtfItem("Obca", "o.rtf"));
        write("o.rtf", RtfLines({"rolnictwo obce"}));
        answerMessages();
    }

    void TearDown() override
    {
        MainFormTest::TearDown();
        const std::vector<std::string> warnings = threadWarnings.take();
        if (!threadWarningsExpected)
            for (const std::string &w : warnings)
                ADD_FAILURE() << "Qt warning on a search thread: " << w;
    }

    // Starts the window and makes it the active one, so that focus shows.
    void startActive()
    {
        start();
        form->Widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form->Widget(), 2000));
    }

    // The records after the root of classification TT.
    void catalogue(const std::vector<std::string> &records)
    {
        std::string s = kDefinitionFile;
        for (const auto &r : records)
            s += r;
        write("t.definition", s);
    }

    // The message window records its text and closes; other windows cancel.
    void answerMessages()
    {
        Application->ModalHook = [this](platform::TCustomForm *f) {
            modals.push_back(f->Name());
            if (auto *info = dynamic_cast<TTaxonarInfoForm *>(f))
                messages.push_back(info->TaxonarInfoText->Caption());
            f->SetModalResult(platform::mrCancel);
        };
    }

    // Runs the classification search through the menu item: the dialog gets
    // the phrase (UTF-8), the classification, word mode and result limit,
    // and Run (or Close when `run` is false).
    void search(const char *phrase, int wordMode = 0, int limit = 2, bool run = true, int classIndex = 0)
    {
        Application->ModalHook = [=, this](platform::TCustomForm *f) {
            modals.push_back(f->Name());
            bool allOff = true;
            for (const auto &c : form->Commands())
                allOff = allOff && !c.Item->Enabled() && (!c.Button || !c.Button->Enabled());
            disabledDuringModal.push_back(allOff);
            if (auto *d = dynamic_cast<TTaxonarFind2Form *>(f)) {
                EXPECT_TRUE(QTest::qWaitFor([d] { return d->TaxonarFind2Edit3->Items().Count() > 0; }, 2000));
                if (!run) {
                    d->TaxonarFind2CloseButton->Click();
                    return;
                }
                d->TaxonarFind2Edit1->SetText(A(phrase));
                d->TaxonarFind2Edit3->SetItemIndex(classIndex);
                d->TaxonarFind2Edit4->SetItemIndex(wordMode);
                d->TaxonarFind2Edit5->SetItemIndex(limit);
                d->TaxonarFind2RunButton->Click();
            } else {
                if (auto *info = dynamic_cast<TTaxonarInfoForm *>(f))
                    messages.push_back(info->TaxonarInfoText->Caption());
                f->SetModalResult(platform::mrCancel);
            }
        };
        form->TaxonarNaviFindMenuItem->Click();
        answerMessages();
    }

    std::vector<std::string> found() const
    {
        std::vector<std::string> v;
        for (int i = 0; i < FoundList->Count(); ++i)
            v.push_back(FoundList->Strings(i));
        return v;
    }
    std::vector<std::string> hitLines() const
    {
        std::vector<std::string> v;
        auto &items = form->TaxonarFindListBox->Items();
        for (int i = 0; i < items.Count(); ++i)
            v.push_back(items.Strings(i));
        return v;
    }
    static std::string hit(const char *kind, const std::string &name, int item, int n)
    {
        return std::string(kind) + "\t" + name + "\t" + std::to_string(item) + "\t" + std::to_string(n) + "\t";
    }
    // Whether the control holds the main window's focus (the window
    // remembers it also while another window is active).
    bool holdsFocus(platform::TWinControl *control) const
    {
        QWidget *f = form->Widget()->window()->focusWidget();
        return f != nullptr && (f == control->Widget() || control->Widget()->isAncestorOf(f));
    }
    std::string selectedText() const
    {
        return platform::QStringToAnsi(form->TaxonarRtf2RichEdit->RichEdit()->SelText());
    }
};

} // namespace mainformtest
