#include "platform/IniFiles.h"

#include "platform/Cp1250.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace platform {

namespace {

AnsiString trimBlanks(const AnsiString &s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

bool sameName(const AnsiString &a, const AnsiString &b)
{
    return a.size() == b.size() && AnsiUpperCase(a) == AnsiUpperCase(b);
}

AnsiString unquote(const AnsiString &v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

// ------------------------------------------------------------------ TIniData

void TIniData::Parse(const AnsiString &text)
{
    Clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        AnsiString raw = text.substr(pos, nl == AnsiString::npos ? AnsiString::npos : nl - pos);
        pos = nl == AnsiString::npos ? text.size() : nl + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        const AnsiString line = trimBlanks(raw);
        if (!line.empty() && line.front() == '[') {
            size_t close = line.find(']');
            Section s;
            s.name = trimBlanks(line.substr(1, close == AnsiString::npos ? AnsiString::npos : close - 1));
            sections_.push_back(std::move(s));
            continue;
        }
        Line l;
        size_t eq = line.find('=');
        if (eq != AnsiString::npos && line.front() != ';') {
            l.isKey = true;
            l.key = trimBlanks(line.substr(0, eq));
            l.value = trimBlanks(line.substr(eq + 1));
        } else {
            l.raw = raw;
        }
        (sections_.empty() ? header_ : sections_.back().lines).push_back(std::move(l));
    }
}

AnsiString TIniData::Text() const
{
    AnsiString out;
    auto put = [&out](const std::vector<Line> &lines) {
        for (const Line &l : lines)
            out += (l.isKey ? l.key + "=" + l.value : l.raw) + "\r\n";
    };
    put(header_);
    for (const Section &s : sections_) {
        out += "[" + s.name + "]\r\n";
        put(s.lines);
    }
    return out;
}

const TIniData::Section *TIniData::find(const AnsiString &section) const
{
    const AnsiString name = trimBlanks(section);
    for (const Section &s : sections_)
        if (sameName(s.name, name))
            return &s;
    return nullptr;
}

TIniData::Section *TIniData::find(const AnsiString &section)
{
    return const_cast<Section *>(static_cast<const TIniData *>(this)->find(section));
}

bool TIniData::SectionExists(const AnsiString &section) const
{
    return find(section) != nullptr;
}

bool TIniData::ValueExists(const AnsiString &section, const AnsiString &ident) const
{
    const Section *s = find(section);
    if (!s)
        return false;
    const AnsiString key = trimBlanks(ident);
    for (const Line &l : s->lines)
        if (l.isKey && sameName(l.key, key))
            return true;
    return false;
}

AnsiString TIniData::ReadString(const AnsiString &section, const AnsiString &ident, const AnsiString &Default) const
{
    const Section *s = find(section);
    if (!s)
        return Default;
    const AnsiString key = trimBlanks(ident);
    for (const Line &l : s->lines)
        if (l.isKey && sameName(l.key, key))
            return unquote(l.value);
    return Default;
}

void TIniData::WriteString(const AnsiString &section, const AnsiString &ident, const AnsiString &value)
{
    Section *s = find(section);
    if (!s) {
        sections_.push_back(Section{trimBlanks(section), {}});
        s = &sections_.back();
    }
    const AnsiString key = trimBlanks(ident);
    // A value never spans lines: a line break would turn its rest into a new
    // line of the file.
    AnsiString v = value;
    for (char &c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    v = trimBlanks(v);
    size_t lastKey = AnsiString::npos;
    for (size_t i = 0; i < s->lines.size(); ++i) {
        Line &l = s->lines[i];
        if (!l.isKey)
            continue;
        if (sameName(l.key, key)) {
            l.value = v;
            return;
        }
        lastKey = i;
    }
    Line l;
    l.isKey = true;
    l.key = key;
    l.value = v;
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(lastKey == AnsiString::npos ? 0 : lastKey + 1), std::move(l));
}

void TIniData::DeleteKey(const AnsiString &section, const AnsiString &ident)
{
    Section *s = find(section);
    if (!s)
        return;
    const AnsiString key = trimBlanks(ident);
    for (auto it = s->lines.begin(); it != s->lines.end(); ++it)
        if (it->isKey && sameName(it->key, key)) {
            s->lines.erase(it);
            return;
        }
}

void TIniData::EraseSection(const AnsiString &section)
{
    const AnsiString name = trimBlanks(section);
    for (auto it = sections_.begin(); it != sections_.end();)
        it = sameName(it->name, name) ? sections_.erase(it) : it + 1;
}

std::vector<AnsiString> TIniData::SectionNames() const
{
    std::vector<AnsiString> out;
    for (const Section &s : sections_)
        out.push_back(s.name);
    return out;
}

std::vector<AnsiString> TIniData::KeyNames(const AnsiString &section) const
{
    std::vector<AnsiString> out;
    if (const Section *s = find(section))
        for (const Line &l : s->lines)
            if (l.isKey)
                out.push_back(l.key);
    return out;
}

// -------------------------------------------------------------- file helpers

bool ReadFileBytes(const AnsiString &path, AnsiString &out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

bool WriteFileBytesSafely(const AnsiString &path, const AnsiString &bytes)
{
    return ReplaceFileContent(path, bytes);
}

// ------------------------------------------------------------------ TIniFile

TIniData TIniFile::load() const
{
    TIniData data;
    AnsiString bytes;
    if (ReadFileBytes(fileName_, bytes))
        data.Parse(bytes);
    return data;
}

void TIniFile::save(const TIniData &data) const
{
    if (!WriteFileBytesSafely(fileName_, data.Text()))
        throw EIniFileException("Unable to write to " + PathToText(fileName_));
}

AnsiString TIniFile::ReadString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default)
{
    return load().ReadString(Section, Ident, Default);
}

void TIniFile::WriteString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value)
{
    TIniData data = load();
    data.WriteString(Section, Ident, Value);
    save(data);
}

void TIniFile::DeleteKey(const AnsiString &Section, const AnsiString &Ident)
{
    TIniData data = load();
    if (!data.ValueExists(Section, Ident))
        return;
    data.DeleteKey(Section, Ident);
    save(data);
}

void TIniFile::EraseSection(const AnsiString &Section)
{
    TIniData data = load();
    if (!data.SectionExists(Section))
        return;
    data.EraseSection(Section);
    save(data);
}

bool TIniFile::SectionExists(const AnsiString &Section)
{
    return load().SectionExists(Section);
}

bool TIniFile::ValueExists(const AnsiString &Section, const AnsiString &Ident)
{
    return load().ValueExists(Section, Ident);
}

// --------------------------------------------------------------- TMemIniFile

TMemIniFile::TMemIniFile(const AnsiString &FileName) : TCustomIniFile(FileName)
{
    AnsiString bytes;
    if (ReadFileBytes(fileName_, bytes))
        data_.Parse(bytes);
}

AnsiString TMemIniFile::ReadString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default)
{
    return data_.ReadString(Section, Ident, Default);
}

void TMemIniFile::WriteString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value)
{
    data_.WriteString(Section, Ident, Value);
}

void TMemIniFile::DeleteKey(const AnsiString &Section, const AnsiString &Ident)
{
    data_.DeleteKey(Section, Ident);
}

void TMemIniFile::EraseSection(const AnsiString &Section)
{
    data_.EraseSection(Section);
}

bool TMemIniFile::SectionExists(const AnsiString &Section)
{
    return data_.SectionExists(Section);
}

bool TMemIniFile::ValueExists(const AnsiString &Section, const AnsiString &Ident)
{
    return data_.ValueExists(Section, Ident);
}

void TMemIniFile::Rename(const AnsiString &FileName, bool Reload)
{
    fileName_ = FileName;
    if (Reload) {
        data_.Clear();
        AnsiString bytes;
        if (ReadFileBytes(fileName_, bytes))
            data_.Parse(bytes);
    }
}

void TMemIniFile::UpdateFile()
{
    if (!WriteFileBytesSafely(fileName_, data_.Text()))
        throw EIniFileException("Unable to write to " + PathToText(fileName_));
}

} // namespace platform
