// The shipped sample catalogue, as the build prepares it in the program
// folder, and a synthetic catalogue written by rbkn-prep synth: each must load
// and hang together (files named by records exist, table lines decode, links
// reach an existing record and row, hidden items are reachable).
#include "browser/TaxonarTypeCode.h"
#include "platform/Cp1250.h"
#include "platform/SysUtils.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>

using platform::AnsiString;
using platform::AnsiUpperCase;
using taxonar::GetRecordValue;

namespace {

const AnsiString kProgramDir = AnsiString(RUBRIKON_PROGRAM_DIR) + "/";

std::vector<AnsiString> splitLines(const std::string &bytes)
{
    std::vector<AnsiString> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        AnsiString line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<AnsiString> split(const AnsiString &s, char sep)
{
    std::vector<AnsiString> parts;
    size_t start = 0;
    for (;;) {
        const size_t p = s.find(sep, start);
        parts.push_back(s.substr(start, p == AnsiString::npos ? AnsiString::npos : p - start));
        if (p == AnsiString::npos)
            return parts;
        start = p + 1;
    }
}

// A cell as the table loader puts it into the grid: trimmed, one leading and
// one trailing double quote removed, trimmed again.
AnsiString gridText(AnsiString cell)
{
    cell = platform::Trim(cell);
    if (!cell.empty() && cell.front() == '"')
        cell.erase(0, 1);
    if (!cell.empty() && cell.back() == '"')
        cell.pop_back();
    return platform::Trim(cell);
}

struct Link {
    AnsiString Signature, LinkValue, RowKey;
    AnsiString Following; // the text right after the target's closing '#'
};

// The links of a cell, read as the link click reads them: pairs of "#L#" tags,
// the target running from the second tag to the next '#'.
std::vector<Link> cellLinks(const AnsiString &cell, bool &wellFormed)
{
    std::vector<Link> links;
    wellFormed = true;
    size_t pos = 0;
    for (;;) {
        const size_t open = cell.find("#L#", pos);
        if (open == AnsiString::npos)
            return links;
        const size_t close = cell.find("#L#", open + 3);
        if (close == AnsiString::npos) {
            wellFormed = false;
            return links;
        }
        const size_t end = cell.find('#', close + 3);
        if (end == AnsiString::npos) {
            wellFormed = false;
            return links;
        }
        const AnsiString target = cell.substr(close + 3, end - close - 3);
        const std::vector<AnsiString> parts = split(target, '@');
        if (parts.size() != 3) {
            wellFormed = false;
            return links;
        }
        links.push_back({parts[0], parts[1], parts[2], cell.substr(end + 1, 3)});
        pos = end + 1;
    }
}

struct CatalogueFacts {
    int Records = 0;
    std::map<AnsiString, int> PerMode;
    int Hidden = 0;
    int TableRows = 0;
    int Links = 0;
    std::set<AnsiString> RtfFiles;
    std::set<AnsiString> TableFiles;
};

// Loads the catalogue of `dir` and checks it through; failures are reported
// with the file at fault.
CatalogueFacts checkCatalogue(const AnsiString &dir)
{
    CatalogueFacts facts;
    platform::TStringList records;
    taxonar::Catalogue catalogue(records);
    std::set<int> shown;
    taxonar::CatalogueSink sink;
    std::vector<std::pair<int, AnsiString>> unresolvedParents;
    sink.OnShownRecord = [&](int index, const AnsiString &, const AnsiString &parent, const AnsiString &sig) {
        shown.insert(index);
        if (parent != "nil" && catalogue.FindParentRecord(parent, sig) < 0)
            unresolvedParents.emplace_back(index, parent);
    };
    EXPECT_NO_THROW(catalogue.Load(dir, sink)) << dir;
    facts.Records = records.Count();
    EXPECT_GT(records.Count(), 0);
    for (const auto &[index, parent] : unresolvedParents)
        ADD_FAILURE() << "record " << index << " has parent " << parent << " that no record carries";

    // definition.global: four fields per line, each ended by ";" (the search
    // dialog reads a last field without one as empty), no blank line; every
    // file's records carry the code of field 3.
    const std::vector<AnsiString> globalLines = splitLines(platform::ReadFileBytes(dir + "definition.global"));
    EXPECT_FALSE(globalLines.empty());
    std::set<AnsiString> codes;
    for (const AnsiString &line : globalLines) {
        std::vector<AnsiString> fields = split(line, ';');
        if (fields.size() != 5 || !fields.back().empty()) {
            ADD_FAILURE() << "definition.global line without four ';'-ended fields: " << line;
            continue;
        }
        fields.pop_back();
        for (const AnsiString &f : fields)
            EXPECT_FALSE(f.empty()) << "definition.global line: " << line;
        codes.insert(fields[2]);
    }

    // Records: known modes, files present, table layout well formed.
    std::map<AnsiString, int> byTarget; // SIGNATURE@LINK (upper case) -> first record
    for (int i = 0; i < records.Count(); ++i) {
        const AnsiString &r = records[i];
        const AnsiString key = AnsiUpperCase(GetRecordValue(r, "SIGNATURE=")) + "@" + AnsiUpperCase(GetRecordValue(r, "LINK="));
        byTarget.emplace(key, i);
        EXPECT_TRUE(codes.count(GetRecordValue(r, "SIGNATURE="))) << "record " << i << " has a signature not in definition.global";
        const AnsiString mode = AnsiUpperCase(GetRecordValue(r, "MODE="));
        ++facts.PerMode[mode];
        const AnsiString view = AnsiUpperCase(GetRecordValue(r, "VIEW="));
        EXPECT_TRUE(view == "SHOW" || view == "HIDE") << "record " << i;
        facts.Hidden += view == "HIDE";
        EXPECT_TRUE(mode == "GROUP" || mode == "RTF" || mode == "TABLE" || mode == "PDF") << "record " << i << ": " << mode;
        const AnsiString file = GetRecordValue(r, "FILE=");
        if (mode == "RTF" || mode == "TABLE") {
            EXPECT_TRUE(platform::FileExists(dir + file)) << "record " << i << " names missing file " << file;
            (mode == "RTF" ? facts.RtfFiles : facts.TableFiles).insert(file);
        }
        if (mode == "TABLE") {
            int columns = 0;
            EXPECT_TRUE(platform::TryStrToInt(GetRecordValue(r, "COLUMNS="), columns)) << "record " << i;
            EXPECT_GT(columns, 0);
            int autoColumns = 0;
            for (int n = 1; n <= columns; ++n) {
                const AnsiString num = platform::IntToStr(n);
                EXPECT_FALSE(GetRecordValue(r, "NAME" + num + "=").empty()) << "record " << i << " column " << n;
                const AnsiString width = AnsiUpperCase(GetRecordValue(r, "WIDTH" + num + "="));
                int w = 0;
                if (width == "AUTO")
                    ++autoColumns;
                else
                    EXPECT_TRUE(platform::TryStrToInt(width, w) && w >= 0) << "record " << i << " width " << width;
                const AnsiString align = AnsiUpperCase(GetRecordValue(r, "ALIGNMENT" + num + "="));
                EXPECT_TRUE(align == "LEFT" || align == "CENTER" || align == "RIGHT") << "record " << i;
            }
            EXPECT_EQ(autoColumns, 1) << "record " << i << " should have one AUTO column";
        }
    }
    EXPECT_EQ(static_cast<int>(shown.size()), facts.Records - facts.Hidden);

    // Tables: every line decodes; collect row keys (column-0 grid texts) and
    // the links of every cell.
    std::map<AnsiString, std::set<AnsiString>> rowKeys;
    std::vector<std::pair<AnsiString, Link>> links;
    for (const AnsiString &file : facts.TableFiles) {
        const std::vector<AnsiString> lines = splitLines(platform::ReadFileBytes(dir + file));
        EXPECT_FALSE(lines.empty()) << file;
        for (size_t n = 0; n < lines.size(); ++n) {
            const AnsiString clear = taxonar::DecodeTableLine(lines[n]);
            if (clear.empty()) {
                ADD_FAILURE() << file << ":" << n + 1 << " does not decode";
                continue;
            }
            ++facts.TableRows;
            const std::vector<AnsiString> cells = split(clear, '\t');
            rowKeys[file].insert(gridText(cells[0]));
            for (const AnsiString &cell : cells) {
                bool wellFormed = true;
                for (const Link &l : cellLinks(cell, wellFormed))
                    links.emplace_back(file + ":" + platform::IntToStr(static_cast<int64_t>(n + 1)), l);
                EXPECT_TRUE(wellFormed) << file << ":" << n + 1 << " has a broken link in: " << cell;
            }
        }
    }

    // Links: the target record exists (first match, upper case), its file is
    // there, a row key names a row of the target table, and no style tag
    // follows a link's target directly (the drawing would show it as text).
    std::set<int> linked;
    for (const auto &[where, l] : links) {
        ++facts.Links;
        const auto it = byTarget.find(AnsiUpperCase(l.Signature) + "@" + AnsiUpperCase(l.LinkValue));
        if (it == byTarget.end()) {
            ADD_FAILURE() << where << ": link to " << l.Signature << "@" << l.LinkValue << " names no record";
            continue;
        }
        linked.insert(it->second);
        const AnsiString &target = records[it->second];
        const AnsiString mode = AnsiUpperCase(GetRecordValue(target, "MODE="));
        EXPECT_TRUE(mode == "TABLE" || mode == "RTF") << where << ": link to a " << mode << " item";
        if (!l.RowKey.empty()) {
            if (mode != "TABLE")
                continue;
            EXPECT_TRUE(rowKeys[GetRecordValue(target, "FILE=")].count(l.RowKey))
                << where << ": row key " << l.RowKey << " not in " << GetRecordValue(target, "FILE=");
        }
        for (const char *tag : {"#B#", "#U#", "#I#", "#L#"})
            EXPECT_NE(l.Following, tag) << where << ": tag right after a link target";
    }
    for (int i = 0; i < records.Count(); ++i) {
        const AnsiString mode = AnsiUpperCase(GetRecordValue(records[i], "MODE="));
        if (AnsiUpperCase(GetRecordValue(records[i], "VIEW=")) == "HIDE" && mode != "GROUP") {
            EXPECT_TRUE(linked.count(i)) << "hidden record " << i << " (" << GetRecordValue(records[i], "NAME=")
                                         << ") is reached by no link";
        }
    }

    // RTF documents: an RTF header and balanced braces.
    std::set<AnsiString> documents = facts.RtfFiles;
    for (const char *name : {"Rubrikon.hlp", "Rubrikon.his", "Rubrikon.ifo"})
        documents.insert(name);
    for (const AnsiString &file : documents) {
        if (!platform::FileExists(dir + file)) {
            ADD_FAILURE() << "missing document " << file;
            continue;
        }
        const std::string rtf = platform::ReadFileBytes(dir + file);
        EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u) << file;
        int depth = 0;
        bool neverBelowZero = true;
        for (size_t i = 0; i < rtf.size(); ++i) {
            if (rtf[i] == '\\') {
                ++i; // an escaped brace or backslash
                continue;
            }
            depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
            neverBelowZero = neverBelowZero && depth >= 0;
        }
        EXPECT_TRUE(neverBelowZero && depth == 0) << file << " has unbalanced braces";
    }
    const std::string pdf = platform::ReadFileBytes(dir + "matryca.pdf");
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf.find("%%EOF"), std::string::npos);

    // dictionary.global: lower-case words, no duplicates.
    const std::vector<AnsiString> words = splitLines(platform::ReadFileBytes(dir + "dictionary.global"));
    std::set<AnsiString> unique;
    for (const AnsiString &w : words) {
        EXPECT_FALSE(platform::Trim(w).empty());
        EXPECT_EQ(platform::AnsiLowerCase(w), w) << "dictionary word not in lower case: " << platform::AnsiToUtf8(w);
        EXPECT_TRUE(unique.insert(w).second) << "duplicate dictionary word " << platform::AnsiToUtf8(w);
    }
    return facts;
}

TEST(SampleCatalogueTest, ProgramFolderLoadsAndHangsTogether)
{
    CatalogueFacts facts = checkCatalogue(kProgramDir);
    // Two real classifications and the matrix; every mode is used.
    EXPECT_GT(facts.PerMode["GROUP"], 100);
    EXPECT_GE(facts.PerMode["RTF"], 21);
    EXPECT_GE(facts.PerMode["TABLE"], 21);
    EXPECT_EQ(facts.PerMode["PDF"], 1);
    EXPECT_GE(facts.Hidden, 2);
    EXPECT_GT(facts.Links, 50);
    EXPECT_GT(facts.TableRows, 200);
}

TEST(SampleCatalogueTest, ProgramFilesAreCp1250WithCrLf)
{
    // Polish letters are single CP1250 bytes, lines end in CR LF.
    const std::string global = platform::ReadFileBytes(kProgramDir + "definition.global");
    EXPECT_NE(global.find(platform::Utf8ToAnsi("Klasyfikacja Środków Trwałych (KŚT 2016)")), std::string::npos);
    EXPECT_EQ(global.find("\xC5\x9A"), std::string::npos) << "UTF-8 left in definition.global";
    for (size_t i = 0; i < global.size(); ++i) {
        if (global[i] == '\n') {
            EXPECT_TRUE(i > 0 && global[i - 1] == '\r') << "bare LF at byte " << i;
        }
    }
    ASSERT_GE(global.size(), 2u);
    EXPECT_EQ(global.substr(global.size() - 2), "\r\n");
    EXPECT_NE(global.substr(global.size() - 4), "\r\n\r\n") << "a blank last line would stop the loader";

    const std::string rtf = platform::ReadFileBytes(kProgramDir + "Rubrikon.hlp");
    EXPECT_NE(rtf.find("\\ansicpg1250"), std::string::npos);
    EXPECT_NE(rtf.find(platform::Utf8ToAnsi("Instrukcja obsługi")), std::string::npos);

    // The PKD list of sections names all 21 sections and the 88 divisions.
    const std::vector<AnsiString> lines = splitLines(platform::ReadFileBytes(kProgramDir + "tables/pkd_sekcje.txt"));
    std::set<AnsiString> sections;
    bool total = false;
    for (const AnsiString &line : lines) {
        const std::vector<AnsiString> cells = split(taxonar::DecodeTableLine(line), '\t');
        if (cells[0].size() == 1)
            sections.insert(cells[0]);
        if (cells.size() == 4 && cells[1] == "#B#Razem#B#")
            total = cells[3] == "88";
    }
    EXPECT_EQ(sections.size(), 21u);
    EXPECT_TRUE(total);
}

TEST(SampleCatalogueTest, SyntheticCatalogueLoadsAndHangsTogether)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.path() + "/synth";
    QProcess tool;
    tool.start(QString(RUBRIKON_TOOLS_DIR) + "/rbkn-prep",
               {"synth", dir, "--records", "300", "--table-rows", "120", "--rtf-kb", "20"});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();

    CatalogueFacts facts = checkCatalogue(dir.toStdString() + "/");
    EXPECT_EQ(facts.Records, 300);
    for (const char *mode : {"GROUP", "RTF", "TABLE"})
        EXPECT_GT(facts.PerMode[mode], 10) << mode;
    EXPECT_EQ(facts.PerMode["PDF"], 1);
    EXPECT_GT(facts.Hidden, 0);
    EXPECT_GT(facts.Links, 0);
    // One table file shared by the TABLE items.
    EXPECT_EQ(facts.TableFiles.size(), 1u);
    const std::vector<AnsiString> rows =
        splitLines(platform::ReadFileBytes(dir.toStdString() + "/" + *facts.TableFiles.begin()));
    EXPECT_EQ(rows.size(), 120u);
    const std::string rtf = platform::ReadFileBytes(dir.toStdString() + "/" + *facts.RtfFiles.begin());
    EXPECT_GE(rtf.size(), 20u * 1024);
    EXPECT_LT(rtf.size(), 24u * 1024);
    EXPECT_NE(rtf.find("\\trowd"), std::string::npos);
}

TEST(SampleCatalogueTest, SyntheticCatalogueIsDeterministic)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    for (const char *name : {"a", "b"}) {
        QProcess tool;
        tool.start(QString(RUBRIKON_TOOLS_DIR) + "/rbkn-prep",
                   {"synth", tmp.path() + "/" + name, "--records", "57", "--table-rows", "33", "--rtf-kb", "3"});
        ASSERT_TRUE(tool.waitForFinished(60000));
        ASSERT_EQ(tool.exitCode(), 0);
    }
    const AnsiString a = tmp.path().toStdString() + "/a/", b = tmp.path().toStdString() + "/b/";
    for (const char *file : {"definition.global", "synth1.definition", "synth2.definition", "matryca.definition",
                             "tables/synth.txt", "rtf/synth.rtf", "dictionary.global", "matryca.pdf"})
        EXPECT_EQ(platform::ReadFileBytes(a + file), platform::ReadFileBytes(b + file)) << file;
}

} // namespace
