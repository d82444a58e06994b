#include "browser/TaxonarTypeCode.h"
#include "platform/TextFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace taxonar;
using platform::EInOutError;
using testsupport::TempFolder;
using testsupport::writeFile;

namespace {

struct Shown {
    int index;
    std::string name, parent, signature;
    bool operator==(const Shown &) const = default;
};

// Loads a catalogue from a temporary program folder and records what the
// loader reports.
struct LoadedCatalogue {
    TempFolder folder;
    TStringList records;
    Catalogue catalogue{records};
    std::vector<Shown> shown;
    std::vector<std::string> titles;
    int messagePumps = 0;

    CatalogueSink sink()
    {
        CatalogueSink s;
        s.OnClassification = [this](const std::string &t) { titles.push_back(t); };
        s.OnShownRecord = [this](int i, const std::string &n, const std::string &p, const std::string &sig) {
            shown.push_back({i, n, p, sig});
        };
        s.ProcessMessages = [this] { ++messagePumps; };
        return s;
    }
    void file(const std::string &name, const std::string &content) { writeFile(folder.file(name), content); }
    void load() { catalogue.Load(folder.path(), sink()); }
    void loadOne(const std::string &content)
    {
        file("global", "a.def;Tytu\xB3;X;Nazwa\r\n");
        file("a.def", content);
        file("definition.global", "a.def;T;X;N\r\n");
        load();
    }
};

} // namespace

TEST(CatalogueRecords, RecordsAreTrimmedTabbedAndCarryTheSignature)
{
    LoadedCatalogue c;
    c.loadOne("  {  \r\n"
              "\tSIGNATURE=PKD ;\r\n"
              "NAME=Sekcja A;\r\n"
              "\r\n"
              "PARENT=nil\r\n"
              "VIEW=SHOW\r\n"
              "LINK=A\r\n"
              "MODE=GROUP;;\r\n"
              "}\r\n"
              "outside=ignored\r\n"
              "{\r\nNAME=Dzia\xB3 01\r\nPARENT=A\r\nVIEW=show\r\nLINK=01\r\n}\r\n");
    ASSERT_EQ(c.records.Count(), 2);
    EXPECT_EQ(c.records[0], "SIGNATURE=PKD \tNAME=Sekcja A\tPARENT=nil\tVIEW=SHOW\tLINK=A\tMODE=GROUP;\t");
    // The signature of the first record carries to the next one, appended last.
    EXPECT_EQ(c.records[1], "NAME=Dzia\xB3 01\tPARENT=A\tVIEW=show\tLINK=01\tsignature=PKD \t");
    EXPECT_EQ(c.shown, (std::vector<Shown>{{0, "Sekcja A", "nil", "PKD "}, {1, "Dzia\xB3 01", "A", "PKD "}}));
    EXPECT_EQ(c.titles, std::vector<std::string>{"T"});
    EXPECT_GE(c.messagePumps, 2);
}

TEST(CatalogueRecords, FirstRecordWithoutSignatureGetsAnEmptyOne)
{
    LoadedCatalogue c;
    c.loadOne("{\nNAME=a\nPARENT=nil\n}\n{\nNAME=b\nPARENT=nil\nSIGNATURE=S1\n}\n{\nNAME=c\nPARENT=nil\n}\n");
    ASSERT_EQ(c.records.Count(), 3);
    EXPECT_EQ(c.records[0], "NAME=a\tPARENT=nil\tsignature=\t");
    EXPECT_EQ(c.records[1], "NAME=b\tPARENT=nil\tSIGNATURE=S1\t"); // has its own: nothing appended
    EXPECT_EQ(c.records[2], "NAME=c\tPARENT=nil\tsignature=S1\t");
    EXPECT_TRUE(c.shown.empty()); // no VIEW=SHOW
}

TEST(CatalogueRecords, SignatureMentionedAnywhereSuppressesTheAppendedOne)
{
    LoadedCatalogue c;
    c.loadOne("SIGNATURE=ignored outside\n{\nNAME=Opis pola Signature w tek\x9C\x63ie\nPARENT=nil\n}\n");
    ASSERT_EQ(c.records.Count(), 1);
    EXPECT_EQ(c.records[0], "NAME=Opis pola Signature w tek\x9C\x63ie\tPARENT=nil\t");
}

TEST(CatalogueRecords, RecordsWithoutNameOrParentAreDropped)
{
    LoadedCatalogue c;
    c.loadOne("{\nNAME=only name\n}\n{\nPARENT=nil\n}\n{\nNAME=\nPARENT=nil\n}\n{\nNAME=ok\nPARENT=nil\n}\n");
    ASSERT_EQ(c.records.Count(), 1);
    EXPECT_EQ(GetRecordValue(c.records[0], "NAME="), "ok");
}

TEST(CatalogueRecords, ARepeatedClosingBraceAddsTheRecordAgain)
{
    LoadedCatalogue c;
    c.loadOne("{\nNAME=x\nPARENT=nil\nVIEW=SHOW\n}\n}\n");
    ASSERT_EQ(c.records.Count(), 2);
    EXPECT_EQ(c.records[0], c.records[1]);
    EXPECT_EQ(c.shown.size(), 2u);
    EXPECT_EQ(c.shown[1].index, 1);
}

TEST(CatalogueRecords, KeyTestsUseContainmentInTheirOrder)
{
    LoadedCatalogue c;
    // NAME1= is a column heading, not the name; FILENAME= would be a name line.
    // A line without "=" is kept as an item.
    c.loadOne("{\nNAME=Tabela\nNAME1=Kolumna\nPARENT=nil\nno equals sign\nVIEW=HIDE\n}\n"
              "{\nNAME=Pierwsza\nFILENAME=druga\nPARENT=nil\n}\n");
    ASSERT_EQ(c.records.Count(), 2);
    EXPECT_EQ(c.records[0], "NAME=Tabela\tNAME1=Kolumna\tPARENT=nil\tno equals sign\tVIEW=HIDE\tsignature=\t");
    EXPECT_EQ(GetRecordValue(c.records[0], "NAME1="), "Kolumna");
    EXPECT_TRUE(c.shown.empty()); // HIDE gives no node
    // The loader took "druga" as the name (not visible in the record text,
    // but the record was kept because a name was set).
    EXPECT_EQ(GetRecordValue(c.records[1], "FILENAME="), "druga");
}

TEST(CatalogueRecords, DefinitionGlobalFieldsAndErrors)
{
    LoadedCatalogue c;
    c.file("one.def", "{\nNAME=a\nPARENT=nil\n}\n");
    c.file("two.def", "");
    c.file("definition.global", "one.def;Pierwsza;P;Nazwa\r\ntwo.def;Druga\r\n");
    c.load();
    EXPECT_EQ(c.titles, (std::vector<std::string>{"Pierwsza", ""})); // no second ';': empty title
    EXPECT_EQ(c.records.Count(), 1);

    // A blank line names the program folder itself: the load stops with an
    // input/output error and keeps what was read.
    LoadedCatalogue d;
    d.file("one.def", "{\nNAME=a\nPARENT=nil\n}\n");
    d.file("two.def", "{\nNAME=b\nPARENT=nil\n}\n");
    d.file("definition.global", "one.def;1\r\n\r\ntwo.def;2\r\n");
    EXPECT_THROW(d.load(), EInOutError);
    EXPECT_EQ(d.records.Count(), 1);

    LoadedCatalogue e;
    e.file("definition.global", "one.def;1\r\nmissing.def;2\r\n");
    e.file("one.def", "{\nNAME=a\nPARENT=nil\n}\n");
    try {
        e.load();
        FAIL();
    } catch (const EInOutError &err) {
        EXPECT_EQ(err.ErrorCode, 2);
        EXPECT_EQ(err.Message, "File not found: " + e.folder.file("missing.def")); // the message names the file
    }
    EXPECT_EQ(e.records.Count(), 1);

    LoadedCatalogue f;
    EXPECT_THROW(f.load(), EInOutError); // no definition.global at all
}

TEST(CatalogueRecords, GetRecordValueMatchesKeysWithoutRegardToCase)
{
    const std::string rec = "SIGNATURE=PKD\tname=Rolnictwo\tMODE=table\tFILE=t/a.txt\tx\xB9=1\t";
    EXPECT_EQ(GetRecordValue(rec, "NAME="), "Rolnictwo");
    EXPECT_EQ(GetRecordValue(rec, "mode="), "table");
    EXPECT_EQ(GetRecordValue(rec, "X\xA5="), "1"); // Polish letters fold too
    EXPECT_EQ(GetRecordValue(rec, "LINK="), "");
    // The key found inside an item: the value is the item less the key's length.
    EXPECT_EQ(GetRecordValue("ab NAME=x\t", "NAME="), "ME=x");
    // First matching item wins; text after the last TAB still counts and ends.
    EXPECT_EQ(GetRecordValue("K=1\tK=2\t", "K="), "1");
    EXPECT_EQ(GetRecordValue("A=1\tK=tail", "K="), "tail");
    EXPECT_EQ(GetRecordValue("", "K="), "");
}

TEST(CatalogueRecords, ParentLookupReturnsTheFirstMatchIgnoringCase)
{
    TStringList records;
    Catalogue cat(records);
    cat.AddRecord("NAME=x\tLINK=01\tsignature=PKD\t");
    cat.AddRecord("NAME=y\tLINK=01\tSIGNATURE=pkd\t"); // same signature and link: never found
    cat.AddRecord("NAME=z\tLINK=02\t");                 // no signature: never found
    cat.AddRecord("NAME=w\tSIGNATURE=K\xA6T\tlink=a\xB9\t");
    EXPECT_EQ(cat.FindParentRecord("01", "PKD"), 0);
    EXPECT_EQ(cat.FindParentRecord("01", "pkd"), 0);
    EXPECT_EQ(cat.FindParentRecord("02", ""), -1);
    EXPECT_EQ(cat.FindParentRecord("A\xA5", "k\xA6t"), 3);
    EXPECT_EQ(cat.FindParentRecord("nil", "PKD"), -1);
}

TEST(CatalogueRecords, ParentsResolveWhileLoadingAndNilIsCaseSensitive)
{
    LoadedCatalogue c;
    c.loadOne("{\nSIGNATURE=S\nNAME=root\nPARENT=nil\nLINK=R\nVIEW=SHOW\n}\n"
              "{\nNAME=child\nPARENT=r\nLINK=C\nVIEW=SHOW\n}\n"
              "{\nNAME=odd\nPARENT=Nil\nLINK=D\nVIEW=SHOW\n}\n");
    ASSERT_EQ(c.shown.size(), 3u);
    EXPECT_EQ(c.catalogue.FindParentRecord(c.shown[1].parent, c.shown[1].signature), 0);
    EXPECT_EQ(c.shown[2].parent, "Nil"); // not the top-level marker: looked up, not found
    EXPECT_EQ(c.catalogue.FindParentRecord("Nil", "S"), -1);
}

TEST(CatalogueRecords, BadInputNeverCrashes)
{
    LoadedCatalogue c;
    std::string huge(1 << 20, 'x');
    c.loadOne("{\n{\n}\n}\n}}\n{ \n=\n;\n\x01\x02\xFF\xFE=\xB9\n" + huge + "=" + huge +
              "\nNAME=\xA5\xAF=\nPARENT=nil\n}\n{\nNAME=unterminated\nPARENT=nil\n");
    // The record with bytes above 127 in its keys is kept; the unterminated one is not.
    ASSERT_EQ(c.records.Count(), 1);
    EXPECT_EQ(GetRecordValue(c.records[0], "NAME="), "\xA5\xAF=");
}

TEST(CatalogueRecords, ItemAvailabilityDependsOnTheFileOfRtfAndTableItems)
{
    TempFolder tmp;
    writeFile(tmp.file("doc.rtf"), "{\\rtf1}");
    TStringList records;
    records.Add("MODE=RTF\tFILE=doc.rtf\t");
    records.Add("MODE=rtf\tFILE=missing.rtf\t");
    records.Add("MODE=TABLE\tFILE=\t"); // empty name: the folder, which is no file
    records.Add("MODE=PDF\tFILE=missing.pdf\t");
    records.Add("MODE=GROUP\t");
    records.Add("NAME=x\t");
    records.Add("MODE=OTHER\tFILE=missing\t");
    TStringList *saved = ItemRecords;
    const std::string savedDir = AppDir;
    const testsupport::ScopeExit restore([&] {
        ItemRecords = saved;
        AppDir = savedDir;
    });
    ItemRecords = &records;
    AppDir = tmp.path();
    EXPECT_TRUE(IsItemAvailable(0));
    EXPECT_FALSE(IsItemAvailable(1));
    EXPECT_FALSE(IsItemAvailable(2));
    EXPECT_TRUE(IsItemAvailable(3));
    EXPECT_TRUE(IsItemAvailable(4));
    EXPECT_TRUE(IsItemAvailable(5));
    EXPECT_TRUE(IsItemAvailable(6));
}
