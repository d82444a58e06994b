#include "browser/TaxonarTypeCode.h"

#include "platform/TextFile.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace taxonar {

using platform::AnsiUpperCase;

AnsiString AppDir;
AnsiString UserDataDir;
TStringList *ItemRecords = nullptr;
bool ViewHelp = false;
bool View2010 = false;
bool ViewInfo = false;
bool FirstInfo = false;
bool UiReady = false;
bool FormReady = false;
int ViewMode = 0;
TStringList *LinkRecords = nullptr;
TStringList *HistoryList = nullptr;
AnsiString SearchText;
TStringList *SearchWords = nullptr;
TStringList *DictionaryWords = nullptr;
TStringList *FoundList = nullptr;
int HistoryIndex = -1;
int CurrentItem = -1;
AnsiString CurrentEntry;
int LastHoverCol = -1;
int LastHoverRow = -1;
AnsiString SearchClassCode;
int SearchClassIndex = 0;
int SearchWordMode = 0;
int SearchResultLimit = 0;
int FindReturnItem = -1;
int FindReturnRow = -1;
int FindNextStart = 0;
bool CanFindNext = false;
AnsiString LeftColumns;
AnsiString CenterColumns;
AnsiString RightColumns;

// ====================================================== table-line codec

namespace {

const std::array<uint8_t, 256> &symbolIndexTable()
{
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        // Characters outside the alphabet count as its first symbol (0). The
        // scan runs backwards so that the first position wins, as a search from
        // position 0 would give (the alphabet has no repeated symbol anyway).
        for (int i = 35; i >= 0; --i)
            t[static_cast<unsigned char>(CodeAlphabet[i])] = static_cast<uint8_t>(i);
        return t;
    }();
    return table;
}

} // namespace

int CodeSymbolIndex(unsigned char ch) { return symbolIndexTable()[ch]; }

AnsiString DecodeTableLine(const AnsiString &line)
{
    const auto &idx = symbolIndexTable();
    const size_t n = line.size();
    if (n < 7 || line[0] != '@')
        return AnsiString();
    const auto *p = reinterpret_cast<const unsigned char *>(line.data());
    const unsigned char *const end = p + n;

    // Values may go below zero when a low position holds a high symbol; the
    // character and the sum then wrap as 8- and 16-bit two's complement.
    const uint16_t check = static_cast<uint16_t>(idx[p[1]] * 4096 + (idx[p[2]] - 16) * 256 + idx[p[3]] * 16 +
                                                 (idx[p[4]] - 16));
    uint16_t sum = 0;
    AnsiString text((n - 5) / 2, '\0'); // the longest possible result: two-symbol groups only
    char *out = text.data();
    p += 5;
    while (p < end) {
        int value;
        const unsigned char first = *p;
        if (first == '@') {
            if (end - p < 5)
                return AnsiString();
            value = idx[p[1]] * 4096 + (idx[p[2]] - 16) * 256 + idx[p[3]] * 16 + (idx[p[4]] - 16);
            p += 5;
        } else if (first == '#') {
            if (end - p < 4)
                return AnsiString();
            value = idx[p[1]] * 256 + (idx[p[2]] - 16) * 16 + idx[p[3]];
            p += 4;
        } else {
            if (end - p < 2)
                return AnsiString();
            value = idx[first] * 16 + (idx[p[1]] - 16);
            p += 2;
        }
        *out++ = static_cast<char>(static_cast<uint8_t>(value));
        sum = static_cast<uint16_t>(sum + static_cast<uint16_t>(value));
    }
    if (sum != check)
        return AnsiString();
    text.resize(size_t(out - text.data()));
    return text;
}

AnsiString EncodeTableLine(const AnsiString &text)
{
    if (text.empty())
        return AnsiString();
    uint16_t sum = 0;
    AnsiString out;
    out.resize(5 + 2 * text.size());
    size_t pos = 5;
    for (char ch : text) {
        const uint8_t v = static_cast<uint8_t>(ch);
        sum = static_cast<uint16_t>(sum + v);
        out[pos++] = CodeAlphabet[v / 16];
        out[pos++] = CodeAlphabet[16 + v % 16];
    }
    out[0] = '@';
    out[1] = CodeAlphabet[sum / 4096];
    out[2] = CodeAlphabet[16 + (sum / 256) % 16];
    out[3] = CodeAlphabet[(sum / 16) % 16];
    out[4] = CodeAlphabet[16 + sum % 16];
    return out;
}

// ============================================================ table files

namespace {

std::string_view trimmedCell(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return s.substr(b, e - b);
}

} // namespace

void ReadTableFile(const AnsiString &path, int columns, bool firstRowUsed,
                   const std::function<void(int row, const std::vector<TableCell> &cells)> &onRow)
{
    std::vector<TableCell> cells(size_t(std::max(columns, 0)));
    int row = 1;
    platform::TextFile file(path);
    ResetTextFile(file, path);
    while (!file.Eof()) {
        const AnsiString line = DecodeTableLine(file.ReadLn());
        const std::string_view text(line);
        if (trimmedCell(text).empty())
            continue;
        if (firstRowUsed)
            ++row;
        size_t pos = 0;
        bool restEmpty = false;
        for (TableCell &cell : cells) {
            std::string_view raw;
            if (!restEmpty) {
                const size_t tab = text.find('\t', pos);
                if (tab != std::string_view::npos) {
                    raw = trimmedCell(text.substr(pos, tab - pos));
                    pos = tab + 1;
                } else {
                    raw = trimmedCell(text.substr(pos));
                    restEmpty = true;
                }
            }
            std::string_view shown = raw;
            if (!shown.empty() && shown.front() == '"')
                shown.remove_prefix(1);
            if (!shown.empty() && shown.back() == '"')
                shown.remove_suffix(1);
            cell.Raw = raw;
            cell.Text = trimmedCell(shown);
            if (row == 1 && !cell.Text.empty())
                firstRowUsed = true;
        }
        onRow(row, cells);
    }
    file.CloseFile();
}

// =================================================== search-text folding

namespace {

// The 18 Polish letters with a diacritic (CP1250) and their base letters.
constexpr char kFoldFrom[] = "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF";
constexpr char kFoldTo[] = "ACELNOSZZacelnoszz";

struct FoldTables {
    std::array<char, 256> normalized{};
    std::array<char, 256> comparable{};
    FoldTables()
    {
        for (int b = 0; b < 256; ++b) {
            unsigned char u = platform::Cp1250Upper(static_cast<unsigned char>(b));
            for (int k = 0; k < 18; ++k) {
                if (u == static_cast<unsigned char>(kFoldFrom[k])) {
                    u = static_cast<unsigned char>(kFoldTo[k]);
                    break;
                }
            }
            normalized[size_t(b)] = static_cast<char>(u);
            comparable[size_t(b)] = static_cast<char>((u >= 'A' && u <= 'Z') ? u + 32 : u);
        }
    }
};

const FoldTables &foldTables()
{
    static const FoldTables tables;
    return tables;
}

} // namespace

AnsiString NormalizeSearchText(const AnsiString &s)
{
    const auto &t = foldTables().normalized;
    AnsiString r(s.size(), '\0');
    for (size_t i = 0; i < s.size(); ++i)
        r[i] = t[static_cast<unsigned char>(s[i])];
    return r;
}

AnsiString ComparableText(const AnsiString &s)
{
    const auto &t = foldTables().comparable;
    AnsiString r(s.size(), '\0');
    for (size_t i = 0; i < s.size(); ++i)
        r[i] = t[static_cast<unsigned char>(s[i])];
    return r;
}

bool ContainsTerm(std::string_view text, std::string_view term)
{
    if (term.empty() || term.size() > text.size())
        return false;
    return ::memmem(text.data(), text.size(), term.data(), term.size()) != nullptr;
}

bool ComparableContains(const AnsiString &text, const AnsiString &term)
{
    if (term.empty() || term.size() > text.size())
        return false;
    return ContainsTerm(ComparableText(text), term);
}

// ========================================================== item records

AnsiString GetRecordValue(const AnsiString &record, const AnsiString &key)
{
    const AnsiString upperKey = AnsiUpperCase(key);
    size_t start = 0;
    const size_t n = record.size();
    while (start < n) {
        size_t tab = record.find('\t', start);
        if (tab == AnsiString::npos)
            tab = n; // text after the last TAB counts as one more item
        const AnsiString item = record.substr(start, tab - start);
        if (AnsiUpperCase(item).find(upperKey) != AnsiString::npos)
            return item.size() > key.size() ? item.substr(key.size()) : AnsiString();
        start = tab + 1;
    }
    return AnsiString();
}

namespace {

// The value after the first occurrence of `tag` in an upper-cased record, up to
// the next TAB; false when the tag does not occur.
bool upperValueAfter(const AnsiString &upper, const char *tag, AnsiString &value)
{
    size_t p = upper.find(tag);
    if (p == AnsiString::npos)
        return false;
    p += std::strlen(tag);
    size_t tab = upper.find('\t', p);
    value = upper.substr(p, tab == AnsiString::npos ? AnsiString::npos : tab - p);
    return true;
}

// Signature and link values never hold a TAB, so a TAB joins them unambiguously.
std::string lookupKey(const AnsiString &upperSignature, const AnsiString &upperLink)
{
    return upperSignature + '\t' + upperLink;
}

} // namespace

int Catalogue::AddRecord(const AnsiString &record) { return addRecord(record, AnsiUpperCase(record)); }

int Catalogue::addRecord(const AnsiString &record, const AnsiString &upper)
{
    const int index = records_.Add(record);
    AnsiString signature, link;
    if (upperValueAfter(upper, "SIGNATURE=", signature) && upperValueAfter(upper, "LINK=", link))
        firstBySignatureAndLink_.emplace(lookupKey(signature, link), index); // keeps the first
    return index;
}

int Catalogue::FindParentRecord(const AnsiString &parent, const AnsiString &signature) const
{
    auto it = firstBySignatureAndLink_.find(lookupKey(AnsiUpperCase(signature), AnsiUpperCase(parent)));
    return it == firstBySignatureAndLink_.end() ? -1 : it->second;
}

void ResetTextFile(platform::TextFile &file, const AnsiString &path)
{
    try {
        file.Reset();
    } catch (const platform::EInOutError &e) {
        // The run-time message alone ("File not found") does not say which
        // of the catalogue's files is at fault.
        throw platform::EInOutError(e.Message + ": " + platform::PathToText(path), e.ErrorCode);
    }
}

void Catalogue::LoadDefinitionFile(const AnsiString &path, const CatalogueSink &sink)
{
    platform::TextFile file(path);
    ResetTextFile(file, path);
    AnsiString signature, text, name, parent, view;
    bool inRecord = false;
    // At least one read, also for an empty file.
    do {
        const AnsiString line = platform::Trim(file.ReadLn());
        if (line.empty())
            continue;
        if (line == "{") {
            inRecord = true;
            text.clear();
            name.clear();
            parent.clear();
            view.clear();
        } else if (line == "}") {
            // A closing brace does not clear the record: a second one adds the
            // same record again.
            if (!name.empty() && !parent.empty()) {
                AnsiString upper = AnsiUpperCase(text);
                if (upper.find("SIGNATURE") == AnsiString::npos) {
                    const AnsiString appended = "signature=" + signature + "\t";
                    text += appended;
                    upper += AnsiUpperCase(appended);
                }
                const int index = addRecord(text, upper);
                if (AnsiUpperCase(view) == "SHOW" && sink.OnShownRecord)
                    sink.OnShownRecord(index, name, parent, signature);
            }
            inRecord = false;
        } else if (inRecord) {
            AnsiString item = line;
            if (item.back() == ';')
                item.pop_back();
            text += item;
            text += '\t';
            const AnsiString upper = AnsiUpperCase(item);
            const size_t eq = item.find('=');
            const AnsiString value = eq == AnsiString::npos ? AnsiString() : item.substr(eq + 1);
            if (upper.find("NAME=") != AnsiString::npos)
                name = value;
            else if (upper.find("PARENT=") != AnsiString::npos)
                parent = value;
            else if (upper.find("VIEW=") != AnsiString::npos)
                view = value;
            else if (upper.find("SIGNATURE=") != AnsiString::npos)
                signature = value;
        }
    } while (!file.Eof());
    file.CloseFile();
}

void Catalogue::Load(const AnsiString &appDir, const CatalogueSink &sink)
{
    auto processMessages = [&sink] {
        if (sink.ProcessMessages)
            sink.ProcessMessages();
    };
    const AnsiString globalPath = appDir + "definition.global";
    platform::TextFile global(globalPath);
    ResetTextFile(global, globalPath);
    while (!global.Eof()) {
        processMessages();
        const AnsiString line = global.ReadLn();
        // Field 1 is the text before the first ";" (none: an empty name),
        // field 2 the text between the first and the second ";".
        const size_t first = line.find(';');
        const AnsiString fileName = first == AnsiString::npos ? AnsiString() : line.substr(0, first);
        const size_t second = first == AnsiString::npos ? AnsiString::npos : line.find(';', first + 1);
        const AnsiString title =
            second == AnsiString::npos ? AnsiString() : line.substr(first + 1, second - first - 1);
        if (sink.OnClassification)
            sink.OnClassification(title);
        processMessages();
        LoadDefinitionFile(appDir + fileName, sink);
    }
    global.CloseFile();
    processMessages();
}

// ========================================================= export counter

namespace {

AnsiString padExportNumber(int32_t n)
{
    AnsiString result = platform::IntToStr(n);
    if (result.size() < 6)
        result.insert(0, 6 - result.size(), '0');
    return result;
}

// Makes a missing counter holding 1. The number is written to a new file
// beside it that is then linked to the counter's name, so that the counter
// never exists empty: not while another copy may open it, not after a failed
// write (a full disk). False when the counter could not be made (another
// copy making it at the same moment is no failure).
bool createCounter(const AnsiString &name)
{
    AnsiString temp;
    const int fd = platform::CreateTempFileBeside(name, temp);
    if (fd < 0)
        return false;
    const uint8_t one[4] = {1, 0, 0, 0};
    bool ok = platform::WriteAllBytes(fd, one, 4);
    ok = ::close(fd) == 0 && ok;
    ok = ok && (::link(temp.c_str(), name.c_str()) == 0 || errno == EEXIST);
    ::unlink(temp.c_str());
    return ok;
}

// Takes the number from one counter file; false when the file cannot be
// created, opened, read or written (the number is then not used).
bool takeExportNumber(const AnsiString &name, AnsiString &result)
{
    using namespace platform;
    if (!FileExists(name) && !createCounter(name))
        return false;
    try {
        TFileStream file(name, fmOpenReadWrite | fmShareExclusive);
        // A short file fills the number from its low end.
        uint8_t bytes[4] = {0, 0, 0, 0};
        file.Read(bytes, 4);
        const uint32_t n = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                           uint32_t(bytes[3]) << 24;
        const uint32_t next = n + 1; // wraps at 32 bits
        const uint8_t out[4] = {uint8_t(next), uint8_t(next >> 8), uint8_t(next >> 16), uint8_t(next >> 24)};
        file.SetPosition(0);
        file.WriteBuffer(out, 4);
        result = padExportNumber(static_cast<int32_t>(n));
        return true;
    } catch (const EStreamError &) {
        return false;
    }
}

// Creates the file only when no file of that name exists: true when made,
// false when the name is taken; other failures raise EFCreateError.
bool createNewFile(const AnsiString &name)
{
    const int fd = platform::CreateNewFile(name);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno == EEXIST)
        return false;
    throw platform::EFCreateError("Cannot create file \"" + platform::PathToText(name) + "\". " + std::strerror(errno));
}

} // namespace

AnsiString NextExportNumber()
{
    AnsiString result;
    if (takeExportNumber(AppDir + "taxonar.counter", result) || UserDataDir.empty())
        return result;
    platform::ForceDirectories(UserDataDir);
    takeExportNumber(UserDataDir + "taxonar.counter", result);
    return result;
}

AnsiString CreateExportFile(const AnsiString &folder, const AnsiString &prefix, const AnsiString &extension)
{
    // Names already taken use up their numbers; after this many the counter
    // is left alone and the folder is searched instead.
    constexpr int MaxTakenNumbers = 1000;
    for (int attempt = 0; attempt < MaxTakenNumbers; ++attempt) {
        const AnsiString number = NextExportNumber();
        if (number.empty())
            break;
        const AnsiString name = folder + prefix + "." + number + extension;
        if (createNewFile(name))
            return name;
    }
    for (int32_t n = 1;; ++n) {
        const AnsiString name = folder + prefix + "." + padExportNumber(n) + extension;
        if (createNewFile(name))
            return name;
        if (n == INT32_MAX)
            throw platform::EFCreateError("Cannot create file \"" + platform::PathToText(name) + "\". " + std::strerror(EEXIST));
    }
}

bool IsItemAvailable(int index)
{
    const AnsiString &record = ItemRecords->Strings(index);
    const AnsiString mode = AnsiUpperCase(GetRecordValue(record, "MODE="));
    if (mode == "RTF" || mode == "TABLE")
        return platform::FileExists(AppDir + GetRecordValue(record, "FILE="));
    return true;
}

} // namespace taxonar
