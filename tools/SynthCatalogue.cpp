// The synthetic catalogue: a program folder of any size for benchmarks and
// tests. Two classifications share the records (groups nested up to four
// levels, or as deep as asked, RTF and TABLE leaves, some hidden ones reachable only through
// links), a third line names the matrix with its PDF item. Every TABLE item
// shows the same table file and every RTF item the same document, so the
// folder stays small however many records it has.
#include "tools/PrepTool.h"

#include "browser/TaxonarTypeCode.h"
#include "platform/Cp1250.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace rbkn {

namespace {

// A small linear congruential generator: the same sequence on every platform
// and library, unlike the standard distributions.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed ? seed : 1) {}
    uint32_t Next()
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state_ >> 33);
    }
    int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint32_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    uint64_t state_;
};

// Words of the generated texts (UTF-8 here, CP1250 on disk); the lower-case
// ones also make up dictionary.global.
const char *const kWords[] = {
    "działalność", "produkcja", "usługi", "handel", "hurtowy", "detaliczny", "wyroby", "urządzenia",
    "maszyny", "środki", "transportu", "budowa", "obiektów", "inżynierii", "lądowej", "wodnej",
    "uprawa", "zbóż", "roślin", "chów", "hodowla", "zwierząt", "leśnictwo", "rybactwo",
    "górnictwo", "wydobywanie", "węgla", "energii", "elektrycznej", "gazu", "wody", "ścieków",
    "odpadów", "naprawa", "konserwacja", "pojazdów", "samochodowych", "magazynowanie", "zakwaterowanie",
    "gastronomia", "informacja", "komunikacja", "oprogramowanie", "doradztwo", "finansowa",
    "ubezpieczenia", "nieruchomości", "badania", "rozwojowe", "reklama", "wynajem", "dzierżawa",
    "administracja", "edukacja", "opieka", "zdrowotna", "pomoc", "społeczna", "kultura", "rozrywka",
    "rekreacja", "organizacje", "gospodarstwa", "domowe", "grunty", "budynki", "lokale", "kotły",
    "narzędzia", "przyrządy", "wyposażenie", "inwentarz", "żywy", "pozostała", "specjalistyczne",
    "ogólnego", "zastosowania", "gdzie", "indziej", "niesklasyfikowane", "włączając", "z", "wyłączeniem",
    "oraz", "i", "w", "zakresie", "związana", "źródło", "łączność", "ćwiczenia", "żegluga", "ślusarstwo",
};
constexpr int kWordCount = static_cast<int>(sizeof kWords / sizeof kWords[0]);

std::string ansi(const char *utf8)
{
    return platform::Utf8ToAnsi(utf8);
}

std::string phrase(Rng &rng, int minWords, int maxWords)
{
    const int n = minWords + rng.Below(maxWords - minWords + 1);
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i)
            s += ' ';
        s += ansi(kWords[rng.Below(kWordCount)]);
    }
    if (!s.empty())
        s[0] = static_cast<char>(platform::Cp1250Upper(static_cast<unsigned char>(s[0])));
    return s;
}

struct SynthRecord {
    std::string Signature;
    std::string Link;
    std::string Parent;   // "nil" for a top-level record
    std::string Name;
    std::string Mode;     // GROUP, RTF, TABLE, PDF
    bool Hidden = false;
    int Depth = 0;
};

const char *const kTableFile = "tables/synth.txt";
const char *const kRtfFile = "rtf/synth.rtf";

std::string recordText(const SynthRecord &r)
{
    std::string t = "{\n";
    t += "SIGNATURE=" + r.Signature + "\n";
    t += "NAME=" + r.Name + "\n";
    t += "PARENT=" + r.Parent + "\n";
    t += std::string("VIEW=") + (r.Hidden ? "HIDE" : "SHOW") + "\n";
    t += "LINK=" + r.Link + "\n";
    t += "MODE=" + r.Mode + "\n";
    if (r.Mode == "RTF")
        t += std::string("FILE=") + kRtfFile + "\n";
    else if (r.Mode == "PDF")
        t += "FILE=matryca.pdf\n";
    else if (r.Mode == "TABLE") {
        t += std::string("FILE=") + kTableFile + "\n";
        t += "COLUMNS=4\n";
        t += "NAME1=Symbol\nWIDTH1=70\nALIGNMENT1=CENTER\n";
        t += "NAME2=Nazwa\nWIDTH2=AUTO\nALIGNMENT2=LEFT\n";
        t += ansi("NAME3=Odsyłacze") + "\nWIDTH3=220\nALIGNMENT3=LEFT\n";
        t += "NAME4=Liczba\nWIDTH4=70\nALIGNMENT4=RIGHT\n";
    }
    t += "}\n";
    return t;
}

// Builds the records of one classification: a root group, then records that
// each hang below a random group of depth < 4. The first few records are
// fixed so that even a tiny catalogue has every kind.
std::vector<SynthRecord> buildClassification(Rng &rng, const std::string &signature, int count, int groupDepth)
{
    std::vector<SynthRecord> recs;
    std::vector<int> groups;
    if (count <= 0)
        return recs;
    SynthRecord root;
    root.Signature = signature;
    root.Link = signature + "-0";
    root.Parent = "nil";
    root.Name = ansi("Klasyfikacja syntetyczna ") + signature;
    root.Mode = "GROUP";
    recs.push_back(root);
    groups.push_back(0);
    static const char *const kForced[] = {"GROUP", "GROUP", "RTF", "TABLE", "TABLE", "RTF"};
    for (int i = 1; i < count; ++i) {
        SynthRecord r;
        r.Signature = signature;
        r.Link = signature + "-" + std::to_string(i);
        int parent;
        if (i <= 6) {
            r.Mode = kForced[i - 1];
            parent = groups.back(); // chain the first groups: depth grows
            r.Hidden = (i == 5 || i == 6);
        } else {
            const int roll = rng.Below(100);
            r.Mode = roll < 30 ? "GROUP" : roll < 65 ? "TABLE" : "RTF";
            // Prefer recent groups so that branches grow deep as well as wide.
            const int window = std::min<int>(static_cast<int>(groups.size()), 8);
            parent = groups[groups.size() - 1 - static_cast<size_t>(rng.Below(window))];
            r.Hidden = r.Mode != "GROUP" && rng.Chance(6);
        }
        r.Parent = recs[static_cast<size_t>(parent)].Link;
        r.Depth = recs[static_cast<size_t>(parent)].Depth + 1;
        const std::string kind = ansi(r.Mode == "GROUP" ? "Grupa" : r.Mode == "RTF" ? "Objaśnienia" : "Tablica");
        r.Name = kind + " " + std::to_string(i) + " - " + phrase(rng, 2, 6);
        const int index = static_cast<int>(recs.size());
        recs.push_back(r);
        if (r.Mode == "GROUP" && r.Depth < groupDepth)
            groups.push_back(index);
    }
    return recs;
}

std::string rowKey(int row)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%c", row / 100 % 100, row % 100, 'A' + row / 10000 % 26);
    return buf;
}

struct LinkTarget {
    std::string Signature;
    std::string Link;
    std::string RowKey; // for links to hidden items: empty, or row 1 of a table
};

// One clear row: symbol, name with mark-up, references, a number. Row r also
// links the hidden items r-1, r-1+rows, ... so that every hidden item is
// reachable; the other links go to random rows of TABLE items.
std::string tableRow(Rng &rng, int row, int rows, const std::vector<LinkTarget> &targets,
                     const std::vector<LinkTarget> &hidden)
{
    std::string name = phrase(rng, 3, 12);
    switch (rng.Below(6)) {
    case 0:
        name = "#B#" + name + "#B#";
        break;
    case 1:
        name += " #I#(" + phrase(rng, 2, 4) + ")#I#";
        break;
    case 2:
        name += "#N#" + phrase(rng, 2, 5);
        break;
    case 3:
        name = "#U#" + name.substr(0, name.find(' ')) + "#U#" +
               (name.find(' ') == std::string::npos ? std::string() : name.substr(name.find(' ')));
        break;
    default:
        break;
    }
    std::string refs;
    for (size_t h = static_cast<size_t>(row - 1); h < hidden.size(); h += static_cast<size_t>(rows)) {
        if (!refs.empty())
            refs += "#N#";
        const LinkTarget &t = hidden[h];
        refs += ansi("ukryte: #L#") + t.Link + "#L#" + t.Signature + "@" + t.Link + "@" + t.RowKey + "#";
    }
    const int links = targets.empty() ? 0 : rng.Below(3);
    for (int k = 0; k < links; ++k) {
        const LinkTarget &t = targets[static_cast<size_t>(rng.Below(static_cast<int>(targets.size())))];
        const std::string key = rowKey(1 + rng.Below(rows));
        if (!refs.empty())
            refs += "#N#";
        refs += ansi("zob. #L#") + key + "#L#" + t.Signature + "@" + t.Link + "@" + key + "#";
    }
    return rowKey(row) + "\t" + name + "\t" + refs + "\t" + std::to_string(rng.Below(100000));
}

std::string rtfDocument(Rng &rng, int kb)
{
    const std::string head =
        "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}}\n"
        "\\viewkind4\\uc1\\pard\\lang1045\\f0\\fs20\n";
    std::string body;
    const size_t target = static_cast<size_t>(std::max(kb, 1)) * 1024;
    int section = 0;
    auto full = [&] { return head.size() + body.size() + 2 >= target; };
    while (!full()) {
        ++section;
        body += "\\pard\\sb120\\sa60\\b\\fs28 " + std::to_string(section) + ". " + phrase(rng, 2, 5) +
                "\\b0\\fs20\\par\n";
        for (int p = 0; p < 4 && !full(); ++p) {
            body += "\\pard\\sa60 ";
            const int sentences = 3 + rng.Below(4);
            for (int s = 0; s < sentences; ++s) {
                std::string text = phrase(rng, 5, 14);
                if (rng.Chance(20))
                    text = "\\b " + text + "\\b0 ";
                else if (rng.Chance(15))
                    text = "\\i " + text + "\\i0 ";
                body += text + ". ";
            }
            body += "\\par\n";
        }
        if (section % 3 == 1 && !full()) {
            // A simple three-column table.
            for (int r = 0; r < 4; ++r) {
                body += "\\trowd\\trgaph70\\cellx1500\\cellx6500\\cellx8500\n";
                body += "\\pard\\intbl " + (r == 0 ? std::string("\\b Symbol\\b0") : rowKey(r)) + "\\cell ";
                body += (r == 0 ? std::string("\\b Nazwa\\b0") : phrase(rng, 2, 6)) + "\\cell ";
                body += (r == 0 ? std::string("\\b Liczba\\b0") : std::to_string(rng.Below(1000))) +
                        "\\cell\\row\n";
            }
            body += "\\pard\\par\n";
        }
        if (section % 4 == 2 && !full()) {
            for (int i = 0; i < 3; ++i)
                body += "\\pard\\fi-200\\li400 \\'95\\tab " + phrase(rng, 3, 8) + "\\par\n";
        }
    }
    return head + body + "}\n";
}

// A document that is hard to show: paragraphs of hundreds of words with
// character formats and line breaks, and a table after every few paragraphs
// (rows of different cell boundaries, so that cells span columns, and shaded
// cells).
std::string rtfDenseDocument(Rng &rng, int kb)
{
    const std::string head =
        "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}"
        "{\\f1\\froman\\fcharset238 Times New Roman;}}\n"
        "{\\colortbl ;\\red0\\green0\\blue255;\\red230\\green230\\blue230;}\n"
        "\\viewkind4\\uc1\\pard\\lang1045\\f0\\fs20\n";
    static const char *const kRuns[] = {"\\b ", "\\i ", "\\ul\\cf1 ", "\\f1\\fs24 ", "\\fs16 "};
    static const char *const kEnds[] = {"\\b0 ", "\\i0 ", "\\ulnone\\cf0 ", "\\f0\\fs20 ", "\\fs20 "};
    static const char *const kAligns[] = {"\\ql", "\\qj", "\\qc", "\\qr"};
    std::string body;
    const size_t target = static_cast<size_t>(std::max(kb, 1)) * 1024;
    for (int p = 0; head.size() + body.size() + 2 < target; ++p) {
        if (p % 4 == 3) {
            const int rows = 2 + rng.Below(5);
            for (int r = 0; r < rows; ++r) {
                // Every other row joins the middle cells: the grid has four columns.
                const bool joined = r % 2 == 1;
                body += joined ? "\\trowd\\trgaph70\\cellx1500\\clcbpat2\\cellx8500\\cellx9500\n"
                               : "\\trowd\\trgaph70\\cellx1500\\cellx5000\\clcbpat2\\cellx8500\\cellx9500\n";
                const int cells = joined ? 3 : 4;
                body += "\\pard\\intbl ";
                for (int c = 0; c < cells; ++c)
                    body += (c == 0 ? rowKey(p * 10 + r) : phrase(rng, 1, c == 1 ? 30 : 4)) + "\\cell ";
                body += "\\row\n";
            }
            body += "\\pard\\par\n";
            continue;
        }
        body += std::string("\\pard") + kAligns[rng.Below(4)] + "\\li" + std::to_string(rng.Below(3) * 360) +
                "\\sa60 ";
        const int sentences = 20 + rng.Below(40);
        for (int k = 0; k < sentences; ++k) {
            const int f = rng.Below(12);
            std::string text = phrase(rng, 4, 16);
            if (f < 5)
                text = std::string(kRuns[f]) + text + kEnds[f];
            body += text + (rng.Chance(5) ? ".\\line " : ". ");
        }
        body += "\\par\n";
    }
    return head + body + "}\n";
}

// A one-page PDF with one line of Helvetica text; offsets computed exactly.
std::string minimalPdf(const std::string &text)
{
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> "
        "/Contents 5 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
    };
    const std::string stream = "BT /F1 14 Tf 72 770 Td (" + text + ") Tj ET";
    objects.push_back("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream +
                      "\nendstream");
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%010zu 00000 n \n", off);
        pdf += buf;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string crlf(const std::string &lfText)
{
    std::string out;
    out.reserve(lfText.size() + lfText.size() / 16);
    for (char c : lfText) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

SynthStats WriteSynthCatalogue(const std::string &dstDir, const SynthOptions &options)
{
    const std::string dir = dstDir.empty() || dstDir.back() == '/' ? dstDir : dstDir + "/";
    Rng rng(options.Seed);
    SynthStats stats;

    // One record goes to the matrix; the rest are split between two
    // classifications.
    const int total = std::max(options.Records, 1);
    const int rest = total - 1;
    const int first = (rest + 1) / 2;
    const int depth = std::max(options.GroupDepth, 1);
    std::vector<std::vector<SynthRecord>> classes = {buildClassification(rng, "SYN1", first, depth),
                                                     buildClassification(rng, "SYN2", rest - first, depth)};
    SynthRecord matrix;
    matrix.Signature = "MX";
    matrix.Link = "MX-1";
    matrix.Parent = "nil";
    matrix.Name = ansi("Matryca klasyfikacji");
    matrix.Mode = "PDF";

    std::vector<LinkTarget> targets, hidden;
    for (const auto &recs : classes)
        for (const SynthRecord &r : recs) {
            if (r.Mode == "TABLE")
                targets.push_back({r.Signature, r.Link, std::string()});
            if (r.Hidden)
                hidden.push_back({r.Signature, r.Link, r.Mode == "TABLE" ? rowKey(1) : std::string()});
        }

    std::string global;
    const char *const kFiles[] = {"synth1.definition", "synth2.definition"};
    for (size_t c = 0; c < classes.size(); ++c) {
        const std::string sig = c == 0 ? "SYN1" : "SYN2";
        std::string def;
        for (const SynthRecord &r : classes[c]) {
            def += recordText(r);
            ++stats.Records;
            stats.Groups += r.Mode == "GROUP";
            stats.Rtf += r.Mode == "RTF";
            stats.Tables += r.Mode == "TABLE";
            stats.Hidden += r.Hidden;
        }
        WriteFileAtomically(dir + kFiles[c], crlf(def));
        global += std::string(kFiles[c]) + ";" + ansi("klasyfikację syntetyczną ") + sig + ";" + sig + ";" +
                  ansi("Klasyfikacja syntetyczna ") + sig + ";\n";
    }
    WriteFileAtomically(dir + "matryca.definition", crlf(recordText(matrix)));
    ++stats.Records;
    ++stats.Pdf;
    global += ansi("matryca.definition;matrycę klasyfikacji;MX;Matryca klasyfikacji;");
    WriteFileAtomically(dir + "definition.global", crlf(global + "\n"));

    std::set<std::string> words;
    for (const char *w : kWords)
        if (std::string(w).size() >= 3)
            words.insert(ansi(w));
    std::string dictionary;
    for (const std::string &w : words)
        dictionary += w + "\n";
    WriteFileAtomically(dir + "dictionary.global", crlf(dictionary));

    std::string table;
    const int rows = std::max(options.TableRows, 1);
    for (int r = 1; r <= rows; ++r)
        table += taxonar::EncodeTableLine(tableRow(rng, r, rows, targets, hidden)) + "\r\n";
    stats.TableRows = rows;
    WriteFileAtomically(dir + kTableFile, table);

    const std::string rtf = crlf(options.RtfDense ? rtfDenseDocument(rng, options.RtfKb) : rtfDocument(rng, options.RtfKb));
    stats.RtfBytes = static_cast<long>(rtf.size());
    WriteFileAtomically(dir + kRtfFile, rtf);

    const std::string small = crlf(rtfDocument(rng, 2));
    WriteFileAtomically(dir + "Rubrikon.hlp", small);
    WriteFileAtomically(dir + "Rubrikon.his", small);
    WriteFileAtomically(dir + "Rubrikon.ifo", small);
    WriteFileAtomically(dir + "matryca.pdf", minimalPdf("Matryca klasyfikacji (katalog syntetyczny)"));
    return stats;
}

// ------------------------------------------------------ long mark-up cells

namespace {

std::string markupLink(Rng &rng, const std::string &text)
{
    const char *const sig = rng.Chance(50) ? "SYN1" : "SYN2";
    return "#L#" + text + "#L#" + sig + "@" + sig + "-" + std::to_string(1 + rng.Below(40)) + "@" +
           (rng.Chance(30) ? std::string() : rowKey(1 + rng.Below(500))) + "#";
}

// A long name: words with style switches (not always closed), line breaks,
// links, words too long for a column, and now and then a tag sequence whose
// second tag is shown as text or a tag in lower case.
std::string markupName(Rng &rng, int chars)
{
    std::string s;
    while (static_cast<int>(s.size()) < chars) {
        const int roll = rng.Below(100);
        std::string piece;
        if (roll < 62) {
            piece = ansi(kWords[rng.Below(kWordCount)]);
        } else if (roll < 69) {
            piece = "#B#" + ansi(kWords[rng.Below(kWordCount)]);
        } else if (roll < 74) {
            piece = ansi(kWords[rng.Below(kWordCount)]) + "#I#";
        } else if (roll < 78) {
            piece = "#U#" + phrase(rng, 1, 3) + "#U#";
        } else if (roll < 82) {
            piece = "#N#";
        } else if (roll < 90) {
            piece = markupLink(rng, ansi("zob. ") + phrase(rng, 1, 4));
        } else if (roll < 93) {
            for (int i = 2 + rng.Below(6); i > 0; --i)
                piece += ansi(kWords[rng.Below(kWordCount)]);
        } else if (roll < 95) {
            static const char *const kOdd[] = {"#U##B#", "#B##U#", "#b#", "#N##N#", "##", "#L##L#SYN1@SYN1-1@#",
                                               "#I##L#", "(#B#", "a#"};
            piece = kOdd[rng.Below(static_cast<int>(sizeof kOdd / sizeof kOdd[0]))];
        } else {
            piece = std::to_string(rng.Below(100000)) + (rng.Chance(50) ? "#N#" : ",");
        }
        if (!s.empty() && !rng.Chance(8))
            s += rng.Chance(4) ? "  " : " ";
        s += piece;
    }
    return s;
}

} // namespace

std::string SynthMarkupRow(uint32_t seed, int row, int cellChars)
{
    Rng rng(seed ^ (static_cast<uint32_t>(row) * 2654435761u));
    std::string symbol = rowKey(row);
    if (rng.Chance(10))
        symbol = " \"" + symbol + "\" ";
    std::string refs;
    for (int k = 1 + rng.Below(4); k > 0; --k) {
        if (!refs.empty())
            refs += rng.Chance(50) ? "#N#" : ", ";
        refs += markupLink(rng, rowKey(1 + rng.Below(500)));
    }
    if (rng.Chance(5))
        refs = "\"" + refs + "\"";
    std::string number = std::to_string(rng.Below(100000));
    if (rng.Chance(10))
        number = markupLink(rng, number);
    return symbol + "\t" + markupName(rng, cellChars) + "\t" + refs + "\t" + number;
}

int WriteSynthMarkupTable(const std::string &path, int rows, int cellChars, uint32_t seed)
{
    std::string table;
    for (int r = 1; r <= rows; ++r) {
        table += taxonar::EncodeTableLine(SynthMarkupRow(seed, r, cellChars)) + "\r\n";
        if (r % 37 == 0)
            table += "@ZZZZ" + std::to_string(r) + "\r\n";
        if (r % 53 == 0)
            table += taxonar::EncodeTableLine(" \t ") + "\r\n";
    }
    WriteFileAtomically(path, table);
    return rows;
}

} // namespace rbkn

// ------------------------------------------------- search catalogue

namespace rbkn {

namespace {

// Words of the LINK columns: never "transportu", so that the benchmark's
// hits can be counted by grep over the decoded rows as well.
const char *const kLinkWords[] = {"uprawa", "handel", "budowa", "odpady"};

std::string searchTableRecord(int index, const std::string &file)
{
    const std::string n = std::to_string(index);
    std::vector<std::string> lines = {"SIGNATURE=SZT", "NAME=" + ansi("Tablica wyszukiwania ") + n, "PARENT=SZT-0",
                                      "VIEW=SHOW", "LINK=T" + n, "MODE=TABLE", "FILE=" + file};
    auto column = [&lines](int k, const std::string &name, const std::string &width, const char *align) {
        const std::string c = std::to_string(k);
        lines.push_back("NAME" + c + "=" + name);
        lines.push_back("WIDTH" + c + "=" + width);
        lines.push_back("ALIGNMENT" + c + "=" + align);
    };
    static const char *const kLinkHeads[] = {"LINK", "link", "Link"};
    switch (index % 3) {
    case 0:
        lines.push_back("COLUMNS=4");
        column(1, "Symbol", "70", "CENTER");
        column(2, "Nazwa", "AUTO", "LEFT");
        column(3, ansi("Odsyłacze"), "220", "left");
        column(4, "Liczba", "70", "RIGHT");
        break;
    case 1:
        lines.push_back("COLUMNS=3");
        column(1, kLinkHeads[index / 3 % 3], "0", "LEFT");
        column(2, "Kod", "60", "CENTER");
        column(3, "Nazwa", "auto", "LEFT");
        break;
    default:
        lines.push_back("COLUMNS=5");
        column(1, "Kod", "60", "CENTER");
        column(2, "Nazwa", "Auto", "LEFT");
        column(3, "Uwagi", "120", "LEFT");
        column(4, "Liczba", "60", "RIGHT");
        column(5, kLinkHeads[index / 3 % 3], "40", "LEFT");
        break;
    }
    std::string t = "{\n";
    for (const std::string &l : lines)
        t += l + "\n";
    return t + "}\n";
}

// A cell as the sources hold it: now and then in quotes with blanks around.
std::string searchCell(Rng &rng, std::string text)
{
    if (rng.Chance(8))
        return "  \"" + text + "\" ";
    if (rng.Chance(4))
        return " " + text + "   ";
    return text;
}

std::string searchTableFile(Rng &rng, int index, int rows)
{
    const int columns = index % 3 == 0 ? 4 : index % 3 == 1 ? 3 : 5;
    std::string out;
    if (index % 7 == 0) // a first line of empty cells: the next line fills row 1 again
        out += taxonar::EncodeTableLine(" \t \"\"\t ") + "\r\n";
    for (int r = 1; r <= rows; ++r) {
        const int roll = rng.Below(100);
        if (roll < 4) { // blank, stored or raw
            out += (rng.Chance(50) ? taxonar::EncodeTableLine("   ") : std::string()) + "\r\n";
            continue;
        }
        if (roll < 7) { // damaged: a check symbol or a character changed
            std::string line = taxonar::EncodeTableLine(phrase(rng, 2, 6));
            const size_t at = 1 + static_cast<size_t>(rng.Below(static_cast<int>(line.size()) - 1));
            line[at] = line[at] == 'K' ? '7' : 'K';
            out += line + "\r\n";
            continue;
        }
        if (roll < 8) {
            out += ansi("uszkodzony wiersz transportu bez kodowania") + "\r\n";
            continue;
        }
        std::vector<std::string> cells;
        const std::string linkWord = kLinkWords[rng.Below(4)];
        std::string name = phrase(rng, 2, rng.Chance(10) ? 60 : 12);
        if (rng.Chance(15))
            name = "#B#" + name + "#B#";
        else if (rng.Chance(10))
            name += "#N#" + phrase(rng, 2, 8);
        const std::string refs = rng.Chance(30) ? ansi("zob. #L#") + rowKey(r) + "#L#SZT@T" +
                                                      std::to_string(rng.Below(index + 1)) + "@" + rowKey(r) + "#"
                                                : std::string();
        switch (index % 3) {
        case 0:
            cells = {rowKey(r), name, refs, std::to_string(rng.Below(100000))};
            break;
        case 1:
            cells = {"SZT@T" + std::to_string(index) + "@" + linkWord, rowKey(r), name + refs};
            break;
        default:
            cells = {rowKey(r), name, phrase(rng, 0, 3) + refs, std::to_string(rng.Below(1000)),
                     "zob. " + linkWord};
            break;
        }
        for (std::string &c : cells)
            c = searchCell(rng, c);
        if (rng.Chance(8)) // missing cells
            cells.resize(static_cast<size_t>(1 + rng.Below(columns - 1)));
        else if (rng.Chance(4)) // more cells than columns
            cells.push_back(ansi("nadmiarowa komórka"));
        // Leading TABs shift the cells right (not in the tables whose last
        // column holds the name, which would then fall off the row).
        std::string line = index % 3 != 1 && rng.Chance(3) ? "\t" : "";
        for (size_t k = 0; k < cells.size(); ++k)
            line += (k ? "\t" : "") + cells[k];
        out += taxonar::EncodeTableLine(line) + "\r\n";
    }
    return out;
}

// An RTF document of about `kb` KB with long paragraphs.
std::string searchRtfDocument(Rng &rng, int kb)
{
    std::string out = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}"
                      "{\\f1\\froman\\fcharset238 Times New Roman;}}\n\\viewkind4\\uc1\\pard\\lang1045\\f0\\fs20\n";
    const size_t target = static_cast<size_t>(std::max(kb, 1)) * 1024;
    static const char *const kAlign[] = {"\\ql", "\\qj", "\\qc", "\\qr"};
    int section = 0;
    while (out.size() < target) {
        ++section;
        out += "\\pard\\sb120\\sa60\\b\\fs28 " + std::to_string(section) + ". " + phrase(rng, 2, 5) + "\\b0\\fs20\\par\n";
        const int paragraphs = 2 + rng.Below(4);
        for (int p = 0; p < paragraphs; ++p) {
            out += "\\pard";
            out += kAlign[rng.Below(4)];
            if (rng.Chance(30))
                out += "\\li" + std::to_string(180 * rng.Below(4)) + "\\ri" + std::to_string(120 * rng.Below(3));
            if (rng.Chance(20))
                out += "\\fi" + std::to_string(360 - 120 * rng.Below(5));
            out += "\\sa60 ";
            const int sentences = 2 + rng.Below(rng.Chance(20) ? 40 : 8);
            for (int s = 0; s < sentences; ++s) {
                std::string text = phrase(rng, 4, 16);
                const int style = rng.Below(100);
                if (style < 10)
                    text = "{\\b " + text + "}";
                else if (style < 16)
                    text = "{\\i\\fs24 " + text + "}";
                else if (style < 20)
                    text = "{\\f1\\fs16 " + text + "}";
                else if (style < 22)
                    text += "\\line";
                else if (style < 23)
                    text += " \\u8212? " + ansi("żółć");
                out += text + ". ";
            }
            if (rng.Chance(3))
                out += "przed\\'0d\\'0apo "; // a line end as text: the view starts a new paragraph there
            out += "\\par\n";
            if (rng.Chance(5))
                out += "\\par\n"; // an empty paragraph
        }
        if (section % 3 == 1) {
            for (int r = 0; r < 3; ++r) {
                out += "\\trowd\\trgaph70\\cellx1500\\cellx6500\\cellx8500\n";
                out += "\\pard\\intbl " + rowKey(r + 1) + "\\cell " + phrase(rng, 3, 30) + "\\cell " +
                       std::to_string(rng.Below(1000)) + "\\cell\\row\n";
            }
            out += "\\pard\\par\n";
        }
        if (section % 4 == 2)
            for (int i = 0; i < 3; ++i)
                out += "\\pard\\fi-200\\li400 \\'95\\tab " + phrase(rng, 3, 20) + "\\par\n";
    }
    return out + "}\n";
}

} // namespace

void WriteSearchCatalogue(const std::string &dstDir, const SearchCatalogueOptions &options)
{
    const std::string dir = dstDir.empty() || dstDir.back() == '/' ? dstDir : dstDir + "/";
    Rng rng(options.Seed);
    auto missing = [&options](int i) { return options.MissingEvery > 0 && i % options.MissingEvery == options.MissingEvery - 1; };

    std::string tables = "{\nSIGNATURE=SZT\nNAME=" + ansi("Tablice do wyszukiwania") +
                         "\nPARENT=nil\nVIEW=SHOW\nLINK=SZT-0\nMODE=GROUP\n}\n";
    for (int t = 0; t < options.Tables; ++t) {
        const std::string file = "tsearch/t" + std::to_string(t) + ".txt";
        tables += searchTableRecord(t, missing(t) ? "tsearch/brak" + std::to_string(t) + ".txt" : file);
        if (!missing(t))
            WriteFileAtomically(dir + file, searchTableFile(rng, t, std::max(1, options.RowsPerTable - 20 + rng.Below(41))));
    }
    std::string texts = "{\nSIGNATURE=SZR\nNAME=" + ansi("Objaśnienia do wyszukiwania") +
                        "\nPARENT=nil\nVIEW=SHOW\nLINK=SZR-0\nMODE=GROUP\n}\n";
    for (int i = 0; i < options.RtfItems; ++i) {
        const std::string file = "rsearch/r" + std::to_string(i) + ".rtf";
        texts += "{\nSIGNATURE=SZR\nNAME=" + ansi("Objaśnienia ") + std::to_string(i) +
                 "\nPARENT=SZR-0\nVIEW=SHOW\nLINK=R" + std::to_string(i) + "\nMODE=RTF\nFILE=" +
                 (missing(i) ? "rsearch/brak.rtf" : file) + "\n}\n";
        if (!missing(i))
            WriteFileAtomically(dir + file, crlf(searchRtfDocument(rng, options.RtfKb / 2 + rng.Below(options.RtfKb + 1))));
    }
    WriteFileAtomically(dir + "szt.definition", crlf(tables));
    WriteFileAtomically(dir + "szr.definition", crlf(texts));
    WriteFileAtomically(dir + "definition.global",
                        crlf("szt.definition;" + ansi("tablice") + ";SZT;" + ansi("Tablice do wyszukiwania") + ";\n" +
                             "szr.definition;" + ansi("objaśnienia") + ";SZR;" + ansi("Objaśnienia do wyszukiwania") +
                             ";\n"));
    WriteFileAtomically(dir + "dictionary.global", crlf("transportu\nhandel\n"));
}

} // namespace rbkn
