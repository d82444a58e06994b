// The main window on a program folder of the test's own: a small catalogue
// (a definition file, RTF documents, encoded table files), a per-user folder
// under XDG_DATA_HOME, and recorders for the shell, the modal windows and the
// application object's error messages.
#pragma once

#include "KCLUnitsEnvironment.h"
#include "TestSupport.h"
#include "browser/TaxonarMainCode.h"
#include "platform/Cp1250.h"
#include "platform/Forms.h"

#include <QApplication>
#include <QImage>
#include <cstdlib>
#include <gtest/gtest.h>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

namespace mainformtest {

using namespace taxonar;
using platform::AnsiString;
using platform::Application;

// One record of a definition file, each key=value line on a line of its own.
inline std::string Record(std::initializer_list<std::string> lines)
{
    std::string s = "{\r\n";
    for (const auto &l : lines)
        s += l + "\r\n";
    return s + "}\r\n";
}

// A table file: every line stored through the table-line codec.
inline std::string TableFile(std::initializer_list<std::string> clearLines)
{
    std::string s;
    for (const auto &l : clearLines)
        s += EncodeTableLine(l) + "\r\n";
    return s;
}

// CP1250 bytes of a UTF-8 literal.
inline std::string A(const char *utf8) { return platform::Utf8ToAnsi(utf8); }

inline std::string Rtf(const std::string &text) { return "{\\rtf1\\ansi " + text + "\\par}"; }

// Pixels inside a control (its frame left out) dark enough to be black
// caption text; text greyed by the style, and a greyed picture, have none.
inline int DarkPixelsInside(platform::TControl *control)
{
    const QImage img = control->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int dark = 0;
    for (int y = 4; y < img.height() - 4; ++y)
        for (int x = 4; x < img.width() - 4; ++x)
            dark += qGray(img.pixel(x, y)) < 100;
    return dark;
}

// Record indices of the standard catalogue.
enum : int {
    kRoot = 0, kP, kQ, kT, kS, kHidden, kEmptyGroup, kPdf, kMissingRtf, kMissingTable, kLinkTable, kNoMode,
    kGroup, kChild, kRecordCount
};

inline const char *kDefinitionFile =
    "{\r\nSIGNATURE=TT\r\nNAME=Root\r\nPARENT=nil\r\nVIEW=SHOW\r\nLINK=ROOT\r\nMODE=GROUP\r\n}\r\n";

inline std::string StandardDefinitions()
{
    std::string s = kDefinitionFile;
    auto rtf = [](const char *name, const char *link, const char *file, const char *view = "SHOW") {
        return Record({std::string("NAME=") + name, "PARENT=ROOT", std::string("VIEW=") + view,
                       std::string("LINK=") + link, "MODE=RTF", std::string("FILE=") + file});
    };
    s += rtf("P", "P", "p.rtf");
    s += rtf("Q", "Q", "q.rtf");
    s += Record({"NAME=Tabela", "PARENT=ROOT", "VIEW=SHOW", "LINK=T", "MODE=TABLE", "FILE=t.txt", "COLUMNS=3",
                 "NAME1=Kod", "WIDTH1=60", "ALIGNMENT1=CENTER", "NAME2=Nazwa", "WIDTH2=auto", "ALIGNMENT2=left",
                 "NAME3=Uwagi", "WIDTH3=100", "ALIGNMENT3=RIGHT"});
    s += rtf("S", "S", "s.rtf");
    s += rtf("Ukryty", "H", "h.rtf", "HIDE");
    s += Record({"NAME=Pusta grupa", "PARENT=ROOT", "VIEW=SHOW", "LINK=G", "MODE=GROUP"});
    s += Record({"NAME=Matryca", "PARENT=ROOT", "VIEW=SHOW", "LINK=M", "MODE=PDF", "FILE=inny.pdf"});
    s += rtf("Brak", "X", "brak.rtf");
    s += Record({"NAME=Brak tabeli", "PARENT=ROOT", "VIEW=SHOW", "LINK=Y", "MODE=TABLE", "FILE=brak.txt",
                 "COLUMNS=1", "NAME1=A", "WIDTH1=10", "ALIGNMENT1=LEFT"});
    s += Record({"NAME=Tabela z linkiem", "PARENT=ROOT", "VIEW=SHOW", "LINK=L", "MODE=TABLE", "FILE=l.txt",
                 "COLUMNS=2", "NAME1=Link", "WIDTH1=40", "ALIGNMENT1=LEFT", "NAME2=#B#Opis#B#", "WIDTH2=AUTO",
                 "ALIGNMENT2=LEFT"});
    s += Record({"NAME=Bez trybu", "PARENT=ROOT", "VIEW=SHOW", "LINK=N"});
    s += Record({"NAME=Grupa", "PARENT=ROOT", "VIEW=SHOW", "LINK=GR", "MODE=GROUP"});
    s += Record({"NAME=Dziecko", "PARENT=GR", "VIEW=SHOW", "LINK=C", "MODE=RTF", "FILE=q.rtf"});
    return s;
}

// Rows of t.txt as loaded: 13 data rows.
inline std::string StandardTable()
{
    return TableFile({
        "A01\t#B#Rolnictwo#B#\t1",
        A("A02\tLeśnictwo\t2"),
        "   ",
        A("A03\tRybo#N#łówstwo\t3"),
        "A04\t  spacje  \t4",
        "A05\tZobacz #L#P#L#TT@P@#\t5",
        "\"A06\"\t\"Cytat\"\t\"6\"",
        "A07\tx\t7\tnadmiar",
        "A08",
        "A09\tpierwszy\t9",
        "A09\tdrugi\t9",
        A("A10\tdziesięty\t10"),
        A("A11\tjedenasty\t11"),
        "A12\tdwunasty\t12",
    }) + "ZZZZ-not-a-table-line\r\n";
}

class MainFormTest : public ::testing::Test {
protected:
    testsupport::TempFolder prog;
    testsupport::TempFolder user;
    std::vector<AnsiString> errors;
    std::vector<ShellRequest> shell;
    std::vector<AnsiString> modals;
    // Whether every command was disabled while each modal window was up.
    std::vector<bool> disabledDuringModal;
    TTaxonarMainForm *form = nullptr;
    testsupport::EnvVarScope xdg{"XDG_DATA_HOME"};
    // Set by a test that provokes exceptions in event handlers (and looks at
    // `errors` itself); otherwise any recorded one fails the test.
    bool handlerExceptionsExpected = false;

    void expectHandlerExceptions() { handlerExceptionsExpected = true; }

    void SetUp() override
    {
        // A screen on which the window has its designed size; the tests of
        // small screens set their own.
        platform::Screen->MonitorSource = [] { return std::vector<platform::TRect>{{0, 0, 1920, 1200}}; };
        xdg.set(user.path());
        SetProgramFolderSource([this] { return prog.path(); });
        SetShellExecute([this](const ShellRequest &r) { shell.push_back(r); });
        Application->ExceptionRecorder = [this](const AnsiString &m) { errors.push_back(m); };
        Application->ModalHook = [this](platform::TCustomForm *f) {
            modals.push_back(f->Name());
            bool allOff = form != nullptr;
            if (form)
                for (const auto &c : form->Commands())
                    allOff = allOff && !c.Item->Enabled() && (!c.Button || !c.Button->Enabled());
            disabledDuringModal.push_back(allOff);
            f->SetModalResult(platform::mrCancel);
        };
        write("dictionary.global", A("rolnictwo\r\nleśnictwo\r\nrybołówstwo\r\n"));
        write("definition.global", A("t.definition;testową;TT;Klasyfikacja testowa\r\n"));
        write("t.definition", StandardDefinitions());
        write("p.rtf", Rtf("Tekst P"));
        write("q.rtf", Rtf("Tekst Q"));
        write("s.rtf", Rtf("Tekst S"));
        write("h.rtf", Rtf("Tekst ukryty"));
        write("t.txt", StandardTable());
        write("l.txt", TableFile({"1\t#B#Rolnictwo#B#", "2\tlink #L#do P#L#TT@P@#, 3#N#5"}));
    }

    void TearDown() override
    {
        delete form;
        form = nullptr;
        testsupport::CheckHandlerExceptions(errors, handlerExceptionsExpected);
        SetProgramFolderSource({});
        SetShellExecute({});
        Application->ExceptionRecorder = nullptr;
        Application->ModalHook = nullptr;
        platform::Screen->MonitorSource = nullptr;
        platform::Screen->WorkAreaSource = nullptr;
    }

    void write(const std::string &name, const std::string &bytes) { testsupport::writeFile(prog.file(name), bytes); }

    // Creates the window (its creation steps run).
    TTaxonarMainForm *create()
    {
        form = new TTaxonarMainForm(Application);
        return form;
    }

    // Creates and shows the window (the catalogue loads) and runs the one-shot
    // start-up step without the explanations window.
    TTaxonarMainForm *start()
    {
        create();
        form->Show();
        QApplication::processEvents();
        ViewInfo = false;
        FirstInfo = true;
        form->TaxonarStartTimerTimer(nullptr);
        return form;
    }

    // Names of the enabled commands; a tool button must agree with its item.
    std::set<std::string> enabledCommands()
    {
        std::set<std::string> names;
        for (const auto &c : form->Commands()) {
            if (c.Button) {
                EXPECT_EQ(c.Item->Enabled(), c.Button->Enabled()) << c.Item->Name();
            }
            if (c.Item->Enabled())
                names.insert(c.Item->Name());
        }
        return names;
    }

    std::vector<std::string> history()
    {
        std::vector<std::string> h;
        for (int i = 0; i < HistoryList->Count(); ++i)
            h.push_back(HistoryList->Strings(i));
        return h;
    }

    static std::string entry(int item) { return std::to_string(item) + "\t"; }
    static std::string entry(int item, int row) { return std::to_string(item) + "\t" + std::to_string(row) + "\t"; }

    // A click on the item's tree node as the user makes it: selection, then
    // the tree's click.
    void clickTree(int item)
    {
        platform::TTreeNode *node = form->FindNodeByItem(item);
        ASSERT_NE(node, nullptr) << item;
        form->TaxonarNaviTreeView->SetSelected(node);
        form->TaxonarNaviTreeViewClick(form->TaxonarNaviTreeView);
    }
};

} // namespace mainformtest
