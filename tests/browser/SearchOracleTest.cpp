// The classification search against the search that shows every item in its
// view and tests the view's display lines or grid rows (kept here as the
// oracle): on the shipped sample catalogue, on generated catalogues and on
// small catalogues made for the edges, each run starts in a new window in
// the same state, and everything the search leaves behind must be the same:
// the hits in order, the hit list, the selection of the first hit, the view,
// item and row shown, CurrentItem, the history, the messages and errors.
// Every test runs on the bare test screen and on screens of three common
// sizes: the RTF view's size, and so its lines, follow the screen.
#include "SearchFixture.h"
#include "platform/Cp1250.h"
#include "tools/PrepTool.h"

#include <QBuffer>
#include <QImage>

#include <sstream>

namespace mainformtest {
namespace {

// The search as first written: every candidate item opened in its view.
void literalSearch(TTaxonarMainForm *form)
{
    FindReturnItem = -1;
    FindReturnRow = -1;
    FoundList->Clear();
    form->TaxonarFindListBox->Clear();
    if (CurrentItem >= 0) {
        FindReturnItem = CurrentItem;
        const AnsiString mode = platform::AnsiUpperCase(GetRecordValue(ItemRecords->Strings(CurrentItem), "MODE="));
        FindReturnRow = mode == "TABLE" ? form->TaxonarTable3StringGrid->Row() : -1;
    }
    for (int i = 0; i < ItemRecords->Count(); ++i) {
        const AnsiString record = ItemRecords->Strings(i);
        const AnsiString signature = platform::AnsiUpperCase(GetRecordValue(record, "SIGNATURE="));
        const AnsiString mode = platform::AnsiUpperCase(GetRecordValue(record, "MODE="));
        const AnsiString view = platform::AnsiUpperCase(GetRecordValue(record, "VIEW="));
        if (signature != SearchClassCode || (mode != "RTF" && mode != "TABLE") || view == "HIDE")
            continue;
        if (!form->OpenItem(i, false, -1, AnsiString()))
            continue;
        const AnsiString name = GetRecordValue(record, "NAME=");
        const AnsiString prefix = mode + "\t" + name + "\t" + std::to_string(i) + "\t";
        auto addHit = [&](int number) {
            const int entry = FoundList->Add(prefix + std::to_string(number) + "\t");
            form->TaxonarFindListBox->Items().AddObject(name, entry);
        };
        if (mode == "RTF") {
            int n = 1;
            for (const auto &line : form->TaxonarRtf2RichEdit->RichEdit()->DisplayLines())
                if (form->LineMatchesSearch(platform::QStringToAnsi(line.Text)))
                    addHit(n++);
        } else {
            for (int r = 1; r < form->TaxonarTable3StringGrid->RowCount(); ++r)
                if (form->LineMatchesSearch(form->GetRowSearchText(r)))
                    addHit(r);
        }
        if ((SearchResultLimit == 0 && FoundList->Count() >= 10) || (SearchResultLimit == 1 && FoundList->Count() >= 50))
            break;
    }
    if (FindReturnItem < 0) {
        if (ItemRecords->Count() > 0) {
            form->TaxonarNaviTreeView->SetSelected(form->FindNodeByItem(0));
            form->OpenItem(0, false, -1, AnsiString());
        }
        form->TaxonarNaviTreeView->SetFocus();
    } else {
        form->TaxonarNaviTreeView->SetSelected(form->FindNodeByItem(FindReturnItem));
        form->OpenItem(FindReturnItem, false, FindReturnRow, AnsiString());
    }
    if (FoundList->Count() == 0)
        form->ShowSearchMessage(Pl("Poszukiwany ciąg znaków nie został odnaleziony."));
    if (form->TaxonarFindListBox->Items().Count() > 0) {
        form->TaxonarFindListBox->SetItemIndex(0);
        form->TaxonarFindListBox->SetFocus();
        form->OpenSearchHit();
    } else {
        form->TaxonarFindListBox->SetItemIndex(-1);
    }
}

// Where the search starts: no item open, or an item with a grid row selected.
struct Start {
    int Item = -1;
    int Row = -1;
};

struct Query {
    const char *Phrase; // UTF-8
    const char *Class;
    int WordMode;
    int Limit;
};

struct ScreenSize {
    const char *Name;
    int Width, Height; // 0: the bare test screen
};

void PrintTo(const ScreenSize &screen, std::ostream *os)
{
    *os << screen.Name;
}

const ScreenSize kScreens[] = {{"Bare", 0, 0}, {"S1024x768", 1024, 768}, {"S1366x768", 1366, 768},
                               {"S1920x1200", 1920, 1200}};

class SearchOracleTest : public SearchTest, public ::testing::WithParamInterface<ScreenSize> {
protected:
    std::string folder; // the program folder searched

    void SetUp() override
    {
        SearchTest::SetUp();
        const ScreenSize screen = GetParam();
        if (screen.Width == 0)
            platform::Screen->MonitorSource = nullptr;
        else
            platform::Screen->MonitorSource = [screen] {
                return std::vector<platform::TRect>{{0, 0, screen.Width, screen.Height}};
            };
    }

    void useFolder(const std::string &dir)
    {
        folder = dir;
        SetProgramFolderSource([this] { return folder; });
    }

    // Writes a generated catalogue into the program folder and starts on it.
    void startOnCatalogue(const rbkn::SearchCatalogueOptions &options)
    {
        rbkn::WriteSearchCatalogue(prog.path(), options);
        useFolder(prog.path());
        start();
    }

    static void setParameters(const Query &q)
    {
        const AnsiString phrase = A(q.Phrase);
        SearchText = ComparableText(phrase);
        SearchWords->Clear();
        std::istringstream words(phrase);
        for (std::string w; words >> w;)
            SearchWords->Add(ComparableText(w));
        SearchClassCode = q.Class;
        SearchWordMode = q.WordMode;
        SearchResultLimit = q.Limit;
    }

    // One run in a new window: the outcome as lines "what=value".
    std::vector<std::string> run(bool literal, const Start &start, const Query &q, int openAfter = -1)
    {
        delete form;
        form = nullptr;
        messages.clear();
        errors.clear();
        startActive();
        if (start.Item >= 0) {
            clickTree(start.Item);
            if (start.Row >= 0)
                form->TaxonarTable3StringGrid->SetRow(start.Row);
        }
        setParameters(q);
        try {
            if (literal)
                literalSearch(form);
            else
                form->RunClassificationSearch();
        } catch (const platform::Exception &e) {
            errors.push_back(e.Message);
        }
        std::vector<std::string> o = outcome();
        if (openAfter >= 0) {
            // What an item opened after the search shows.
            clickTree(openAfter);
            o.push_back("then " + std::to_string(CurrentItem));
            for (int r = 0; r < form->TaxonarTable3StringGrid->RowCount(); ++r)
                o.push_back("row " + form->GetRowSearchText(r));
        }
        return o;
    }

    std::vector<std::string> outcome()
    {
        std::vector<std::string> o;
        auto add = [&o](const std::string &what, const std::string &value) { o.push_back(what + "=" + value); };
        for (const std::string &f : found())
            add("found", f);
        auto &items = form->TaxonarFindListBox->Items();
        for (int i = 0; i < items.Count(); ++i)
            add("line", items.Strings(i) + " -> " + std::to_string(items.Objects(i)));
        add("selected hit", std::to_string(form->TaxonarFindListBox->ItemIndex()));
        add("CurrentItem", std::to_string(CurrentItem));
        add("CurrentEntry", CurrentEntry);
        add("HistoryIndex", std::to_string(HistoryIndex));
        for (const std::string &h : history())
            add("history", h);
        add("ViewMode", std::to_string(ViewMode));
        add("page search", std::to_string(CanFindNext) + "/" + std::to_string(FindNextStart));
        add("return", std::to_string(FindReturnItem) + "/" + std::to_string(FindReturnRow));
        if (ViewMode == 2) {
            auto *view = form->TaxonarRtf2RichEdit->RichEdit();
            add("title", form->TaxonarRtf2TitlePanel->Caption());
            add("selection", std::to_string(view->SelStart()) + "+" + std::to_string(view->SelLength()));
            add("selected text", selectedText());
        } else if (ViewMode == 3) {
            auto *grid = form->TaxonarTable3StringGrid;
            add("title", form->TaxonarTable3TitlePanel->Caption());
            add("rows", std::to_string(grid->RowCount()) + " row " + std::to_string(grid->Row()) + " top " +
                            std::to_string(grid->TopRow()));
        }
        platform::TTreeNode *node = form->TaxonarNaviTreeView->Selected();
        add("tree", node ? std::to_string(node->Data()) : "none");
        add("focus", holdsFocus(form->TaxonarFindListBox)        ? "hits"
                     : holdsFocus(form->TaxonarNaviTreeView)      ? "tree"
                     : holdsFocus(form->TaxonarRtf2RichEdit)      ? "rtf"
                     : holdsFocus(form->TaxonarTable3StringGrid)  ? "grid"
                                                                  : "other");
        for (const AnsiString &m : messages)
            add("message", m);
        for (const AnsiString &e : errors)
            add("error", e);
        return o;
    }

    // Runs the query both ways from the start and compares; returns the hits.
    int compare(const Start &start, const Query &q, int openAfter = -1)
    {
        const std::vector<std::string> expected = run(true, start, q, openAfter);
        const std::vector<std::string> actual = run(false, start, q, openAfter);
        EXPECT_EQ(actual, expected) << q.Phrase << " in " << q.Class << ", mode " << q.WordMode << ", limit "
                                    << q.Limit << ", from item " << start.Item << " row " << start.Row;
        return FoundList->Count();
    }

    // The first record of the classification with that mode, shown in the tree.
    static int firstItem(const char *signature, const char *mode, int skip = 0)
    {
        for (int i = 0; i < ItemRecords->Count(); ++i) {
            const AnsiString r = ItemRecords->Strings(i);
            if (GetRecordValue(r, "SIGNATURE=") == signature && GetRecordValue(r, "MODE=") == mode &&
                GetRecordValue(r, "VIEW=") == "SHOW" && skip-- == 0)
                return i;
        }
        return -1;
    }
};

TEST_P(SearchOracleTest, SampleCatalogue)
{
    useFolder(RUBRIKON_PROGRAM_DIR "/");
    start();
    const Start rtf{firstItem("PKD2007", "RTF"), -1};
    const Start table{firstItem("PKD2007", "TABLE"), 3};
    ASSERT_GE(rtf.Item, 0);
    ASSERT_GE(table.Item, 0);
    int hits = 0;
    for (const Start &s : {Start{}, rtf, table}) {
        hits += compare(s, {"uprawa", "PKD2007", 0, 2});
        hits += compare(s, {"produkcja wyrobów", "PKD2007", 1, 1});
        hits += compare(s, {"zbóż roślin", "PKD2007", 0, 2});
        hits += compare(s, {"handel naprawa", "PKD2007", 2, 0});
    }
    hits += compare({}, {"a", "PKD2007", 0, 2});
    hits += compare({}, {"budynki", "KST2016", 0, 2});
    hits += compare({}, {"nic takiego xyz", "KST2016", 1, 2});
    EXPECT_GT(hits, 0);
}

class GeneratedCatalogueTest : public SearchOracleTest {
protected:
    void SetUp() override
    {
        SearchOracleTest::SetUp();
        rbkn::SearchCatalogueOptions options;
        options.Tables = 16;
        options.RowsPerTable = 40;
        options.RtfItems = 8;
        options.RtfKb = 20;
        options.MissingEvery = 6;
        startOnCatalogue(options);
    }
};

TEST_P(GeneratedCatalogueTest, Tables)
{
    const Start table{firstItem("SZT", "TABLE", 2), 5};
    int hits = 0;
    for (const Start &s : {Start{}, table}) {
        hits += compare(s, {"transportu", "SZT", 1, 2});
        hits += compare(s, {"handel budowa", "SZT", 0, 2}); // words of the LINK columns
        hits += compare(s, {"zolc uprawa", "SZT", 2, 1});
        hits += compare(s, {"#b#", "SZT", 1, 2});
        hits += compare(s, {"transportu", "SZT", 1, 0});
    }
    EXPECT_GT(hits, 50);
}

TEST_P(GeneratedCatalogueTest, RtfItems)
{
    const Start rtf{firstItem("SZR", "RTF", 1), -1};
    int hits = 0;
    for (const Start &s : {Start{}, rtf}) {
        hits += compare(s, {"gospodarstwa domowe", "SZR", 1, 2});
        hits += compare(s, {"handel budowa", "SZR", 0, 2});
        hits += compare(s, {"zolc przed", "SZR", 2, 1});
        hits += compare(s, {"transportu", "SZR", 0, 0});
    }
    hits += compare({}, {"po", "SZR", 1, 2}); // almost every line
    EXPECT_GT(hits, 50);
}

// More RTF items than worker threads, with a word that most paragraphs hold,
// so that many documents are laid out at once and taken in item order.
class ManyRtfItemsTest : public SearchOracleTest {
protected:
    void SetUp() override
    {
        SearchOracleTest::SetUp();
        rbkn::SearchCatalogueOptions options;
        options.Tables = 6;
        options.RowsPerTable = 20;
        options.RtfItems = 44;
        options.RtfKb = 6;
        options.MissingEvery = 7;
        options.Seed = 7;
        startOnCatalogue(options);
    }

    // Puts a record among those of the RTF items, before the n-th of them.
    void insertRecord(int n, const std::string &record)
    {
        std::string def = testsupport::readFile(prog.file("szr.definition"));
        size_t at = 0;
        for (int i = 0; i <= n; ++i)
            at = def.find("{\r\n", at + 1);
        ASSERT_NE(at, std::string::npos);
        def.insert(at, record);
        write("szr.definition", def);
    }
};

TEST_P(ManyRtfItemsTest, CommonWordEveryResultAndTheLimits)
{
    const Start rtf{firstItem("SZR", "RTF", 5), -1};
    int hits = 0;
    for (const Start &s : {Start{}, rtf}) {
        hits += compare(s, {"handel", "SZR", 0, 2});
        hits += compare(s, {"handel", "SZR", 0, 0});
        hits += compare(s, {"handel", "SZR", 0, 1});
    }
    hits += compare({}, {"gospodarstwa domowe", "SZR", 1, 2});
    hits += compare({}, {"po przed", "SZR", 2, 2});
    EXPECT_GT(hits, 1000);
}

TEST_P(ManyRtfItemsTest, ItemsThatAreNotSettledAmongMany)
{
    expectHandlerExceptions();
    // A file that is not RTF, an item whose table record raises, and later
    // documents already laid out by then.
    write("rsearch/tekst.rtf", A("handel w tekście\r\nbez formatu\r\n"));
    insertRecord(9, Record({"SIGNATURE=SZR", "NAME=Tekst", "PARENT=SZR-0", "VIEW=SHOW", "LINK=TX", "MODE=RTF",
                            "FILE=rsearch/tekst.rtf"}));
    compare({}, {"handel", "SZR", 0, 2});
    EXPECT_TRUE(errors.empty());
    insertRecord(20, Record({"SIGNATURE=SZR", "NAME=Zla", "PARENT=SZR-0", "VIEW=SHOW", "LINK=ZL", "MODE=TABLE",
                             "FILE=tsearch/t0.txt", "COLUMNS=dwie"}));
    compare({}, {"handel", "SZR", 0, 2});
    EXPECT_EQ(errors.size(), 1u);
    compare({firstItem("SZR", "RTF", 30), -1}, {"handel", "SZR", 0, 1});
}

// A small PNG picture in RTF.
std::string rtfPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "{\\pict\\pngblip\\picw" + std::to_string(w) + "\\pich" + std::to_string(h) + " " +
           png.toHex().toStdString() + "}";
}

std::string longParagraph(int words, int seed)
{
    static const char *const kWords[] = {"rolnictwo", "uprawa", "zbóż", "handel", "hurtowy", "transportu",
                                         "i", "w", "oraz", "Żółć", "lądowej", "budowa"};
    uint32_t state = uint32_t(seed) * 2654435761u + 1;
    std::string s;
    for (int i = 0; i < words; ++i) {
        state = state * 1103515245u + 12345u;
        s += std::string(i ? " " : "") + kWords[(state >> 16) % 12];
    }
    return A(s.c_str());
}

class EdgeCatalogueTest : public SearchOracleTest {
protected:
    static std::string plaski(const std::string &word)
    {
        return "{\\rtf1\\ansi\\ansicpg1250 " + rtfPicture(3000, 8) + "\\par " + longParagraph(100, 5) + "\\par " +
               word + "\\par}";
    }

    void SetUp() override
    {
        SearchOracleTest::SetUp();
        auto rtf = [](const std::string &name, const std::string &file) {
            return Record({"SIGNATURE=TT", "NAME=" + name, "PARENT=ROOT", "VIEW=SHOW", "LINK=" + name, "MODE=RTF",
                           "FILE=" + file});
        };
        auto table = [](const std::string &name, const std::string &file, std::vector<std::string> keys) {
            std::string s = "{\r\nSIGNATURE=TT\r\nNAME=" + name + "\r\nPARENT=ROOT\r\nVIEW=SHOW\r\nLINK=" + name +
                            "\r\nMODE=TABLE\r\nFILE=" + file + "\r\n";
            for (const std::string &k : keys)
                s += k + "\r\n";
            return s + "}\r\n";
        };
        const std::vector<std::string> twoColumns = {"COLUMNS=2", "NAME1=Link", "WIDTH1=40", "ALIGNMENT1=LEFT",
                                                     "NAME2=Nazwa", "WIDTH2=AUTO", "ALIGNMENT2=LEFT"};
        // A table of the other classification declaring no column, opened
        // after the search.
        write("z.definition", "{\r\nSIGNATURE=ZZ\r\nNAME=Obcy korzen\r\nPARENT=nil\r\nVIEW=SHOW\r\nLINK=ROOT\r\n"
                              "MODE=GROUP\r\n}\r\n" +
                                  Record({"SIGNATURE=ZZ", "NAME=Obca", "PARENT=ROOT", "VIEW=SHOW", "LINK=O",
                                          "MODE=TABLE", "FILE=linki.txt", "COLUMNS=0"}));
        // Record 0 is a PDF item: returning to it leaves the view as it is.
        write("t.definition",
              Record({"SIGNATURE=TT", "NAME=Matryca", "PARENT=nil", "VIEW=SHOW", "LINK=M", "MODE=PDF", "FILE=m.pdf"}) +
                  std::string(kDefinitionFile) + rtf("Krotki", "krotki.rtf") + rtf("Szeroki", "szeroki.rtf") +
                  rtf("Obrazek", "obrazek.rtf") + rtf("Dlugi", "dlugi.rtf") + rtf("Tekst", "tekst.txt") +
                  table("Linki", "linki.txt", twoColumns) + table("Bezkolumn", "linki.txt", {"COLUMNS=0"}) +
                  table("Brak", "brak.txt", twoColumns) + rtf("BrakRtf", "brak.rtf") +
                  table("Pusta", "pusta.txt", twoColumns) + table("Pierwszy", "pierwszy.txt", {"COLUMNS=2", "NAME1=Kod", "WIDTH1=40", "NAME2=Nazwa", "WIDTH2=AUTO"}) +
                  rtf("Plaski", "plaski.rtf") + rtf("Prawie", "prawie.rtf") + rtf("Akapit", "akapit.rtf") +
                  rtf("Sredni", "sredni.rtf"));
        // Characters beyond the code page: a surrogate pair, a lone surrogate.
        write("krotki.rtf", RtfLines({"uprawa zbóż", "", "handel \\line uprawa", longParagraph(30, 1),
                                      "para \\u-10179?\\u-8704? ?uprawa", "sam \\u-10179? ?? uprawa"}));
        write("szeroki.rtf", "{\\rtf1\\ansi\\ansicpg1250 przed\\par\\trowd\\cellx2000\\cellx40000 "
                             "\\pard\\intbl uprawa\\cell " + longParagraph(60, 2) + "\\cell\\row\\pard po uprawa\\par}");
        write("obrazek.rtf", "{\\rtf1\\ansi\\ansicpg1250 upr" + rtfPicture(40, 30) + "awa i " + rtfPicture(2000, 20) +
                                 " uprawa\\par " + longParagraph(80, 3) + "\\par}");
        // Paragraphs of varied sizes, indents and line breaks.
        auto varied = [](int paragraphs) {
            std::string doc;
            for (int p = 0; p < paragraphs; ++p) {
                doc += "\\pard" + std::string(p % 3 ? "\\li720" : "\\qj\\fi-300\\li300") +
                       (p % 4 == 0 ? "\\fs32 " : "\\fs20 ") + longParagraph(20 + p * 7 % 90, p);
                if (p % 5 == 0)
                    doc += "\\line " + longParagraph(9, p + 1);
                if (p % 7 == 0)
                    doc += "\\'0d\\'0a" + longParagraph(12, p + 2);
                doc += "\\par\n";
            }
            return "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}}" + doc;
        };
        write("dlugi.rtf", varied(60) + "}");
        write("tekst.txt", A("uprawa w tekście\r\nbez formatu\r\n") + longParagraph(100, 4) + "\r\n");
        write("linki.txt", TableFile({"uprawa\tnic", "x\t\"uprawa\"", "\tuprawa  ", "  \"\"  ", A("y\tŻółć"),
                                      "z", "a\tb\tuprawa nadmiar"}) +
                               "@ZZ-uszkodzony\r\n");
        write("pusta.txt", "\r\n@K7\r\n" + EncodeTableLine("   ") + "\r\n");
        write("pierwszy.txt", TableFile({" \t \"\" ", "\t", "uprawa\tpierwszy", "b\tdrugi uprawa"}));
        // Wider than the view and lower than it, opened right after a table;
        // its words stack up while the view is parked behind the grid.
        write("plaski.rtf", plaski(std::string(400, 'q')));
        // About as high as the view: settled by opening the item.
        std::string almost = "{\\rtf1\\ansi\\ansicpg1250 ";
        for (int p = 0; p < 50; ++p)
            almost += "uprawa " + std::to_string(p) + "\\par ";
        write("prawie.rtf", almost + "}");
        // Documents whose hits for "a" are about their lines, whose number
        // depends on the width they wrap at: one long enough to be seen as
        // such from its paragraphs alone, one that fits the view.
        std::string many;
        for (int p = 0; p < 80; ++p)
            many += std::to_string(p) + "\\par ";
        write("akapit.rtf", varied(60) + many + "}");
        write("sredni.rtf", "{\\rtf1\\ansi\\ansicpg1250\\fs10 " + longParagraph(3400, 7) + "\\par}");
        start();
    }
};

TEST_P(EdgeCatalogueTest, EveryKindOfItem)
{
    int hits = 0;
    for (const Start &s : {Start{}, Start{firstItem("TT", "RTF"), -1}, Start{firstItem("TT", "TABLE"), 2}}) {
        hits += compare(s, {"uprawa", "TT", 0, 2});
        hits += compare(s, {"zolc handel", "TT", 2, 2});
        hits += compare(s, {"lądowej budowa", "TT", 1, 2});
        hits += compare(s, {"#", "TT", 1, 2});
        hits += compare(s, {"a ? ?", "TT", 1, 2});
    }
    hits += compare({}, {"a", "TT", 0, 2});
    hits += compare({}, {"uprawa", "TT", 0, 0});
    hits += compare({}, {"nieznane", "TT", 0, 2}); // the message, and the view of the last item kept
    const int other = firstItem("ZZ", "TABLE");
    ASSERT_GE(other, 0);
    hits += compare({firstItem("TT", "RTF"), -1}, {"uprawa", "TT", 0, 2}, other);
    hits += compare({}, {"nieznane", "TT", 0, 2}, other);
    EXPECT_GT(hits, 20);
}

// The wide, low item is one that the search opens; it must wrap at the same
// width after the table before it as after an RTF item. A word that just
// fills the view (it is broken anywhere) shows it: one line at the view's
// full width, two beside a vertical scroll bar.
TEST_P(EdgeCatalogueTest, WideLowItemAfterATable)
{
    const int item = firstItem("TT", "RTF", 6);
    ASSERT_EQ(GetRecordValue(ItemRecords->Strings(item), "NAME="), "Plaski");
    clickTree(firstItem("TT", "RTF"));
    clickTree(item);
    int letters = 0;
    for (const auto &line : form->TaxonarRtf2RichEdit->RichEdit()->DisplayLines())
        if (line.Text.startsWith("qq")) {
            letters = int(line.Text.size());
            break;
        }
    ASSERT_GT(letters, 0);
    write("plaski.rtf", plaski(std::string(size_t(letters), 'q')));
    EXPECT_EQ(compare({}, {"q", "TT", 1, 2}), 1);
}

TEST_P(EdgeCatalogueTest, AnItemThatRaisesEndsTheSearchAlike)
{
    expectHandlerExceptions();
    write("t.definition", std::string(kDefinitionFile) +
                              Record({"SIGNATURE=TT", "NAME=Krotki", "PARENT=ROOT", "VIEW=SHOW", "LINK=K",
                                      "MODE=RTF", "FILE=krotki.rtf"}) +
                              Record({"SIGNATURE=TT", "NAME=Zla", "PARENT=ROOT", "VIEW=SHOW", "LINK=Z",
                                      "MODE=TABLE", "FILE=linki.txt", "COLUMNS=dwie"}) +
                              Record({"SIGNATURE=TT", "NAME=Dalej", "PARENT=ROOT", "VIEW=SHOW", "LINK=D",
                                      "MODE=RTF", "FILE=dlugi.rtf"}));
    compare({}, {"uprawa", "TT", 0, 2});
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(found().empty());

    // Widths and column counts beyond the table view's bounds raise as well.
    for (const char *bad : {"COLUMNS=300", "WIDTH1=20000"}) {
        write("t.definition", std::string(kDefinitionFile) +
                                  Record({"SIGNATURE=TT", "NAME=Krotki", "PARENT=ROOT", "VIEW=SHOW", "LINK=K",
                                          "MODE=RTF", "FILE=krotki.rtf"}) +
                                  Record({"SIGNATURE=TT", "NAME=Zla", "PARENT=ROOT", "VIEW=SHOW", "LINK=Z",
                                          "MODE=TABLE", "FILE=linki.txt", bad, "COLUMNS=2", "WIDTH1=10", "WIDTH2=10"}));
        compare({}, {"uprawa", "TT", 0, 2});
        EXPECT_EQ(errors.size(), 1u) << bad;
    }
}

auto screenName = [](const ::testing::TestParamInfo<ScreenSize> &info) { return std::string(info.param.Name); };
INSTANTIATE_TEST_SUITE_P(, SearchOracleTest, ::testing::ValuesIn(kScreens), screenName);
INSTANTIATE_TEST_SUITE_P(, GeneratedCatalogueTest, ::testing::ValuesIn(kScreens), screenName);
INSTANTIATE_TEST_SUITE_P(, ManyRtfItemsTest, ::testing::ValuesIn(kScreens), screenName);
INSTANTIATE_TEST_SUITE_P(, EdgeCatalogueTest, ::testing::ValuesIn(kScreens), screenName);

} // namespace
} // namespace mainformtest
