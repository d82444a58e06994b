// Profile (ini) files with the semantics of the system's profile functions:
// - a file holds sections "[Name]" with lines "Key=Value"; section and key
//   names compare case-insensitively (code page 1250 upper-casing), the first
//   match counts;
// - names and values are trimmed of blanks and tabs; a value enclosed in a
//   matching pair of single or double quotes is read without them;
// - writing a key of a missing section appends the section at the end of the
//   file; a new key goes after the last key of its section; an existing key
//   keeps its place and its spelling and gets the new value;
// - lines that are neither section headers nor "Key=Value" (comments, blank
//   lines) are kept as they are.
// Files are read as bytes (CP1250 text) with "\n" or "\r\n" line ends and
// written with "\r\n". Every change of a file on disk is written to a
// temporary file beside it and renamed over it, so a failed write never
// leaves a half-written file.
//
// TIniFile reads the file for each read and reads, changes and rewrites it
// for each change; a missing file reads as empty. TMemIniFile loads the file
// once when created and keeps every change in memory until UpdateFile.
#pragma once

#include "platform/SysUtils.h"

#include <memory>
#include <vector>

namespace platform {

// Raised when a profile file cannot be written.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// The parsed contents of a profile file.
class TIniData {
public:
    void Parse(const AnsiString &text);
    AnsiString Text() const;
    void Clear() { sections_.clear(); header_.clear(); }

    bool SectionExists(const AnsiString &section) const;
    bool ValueExists(const AnsiString &section, const AnsiString &ident) const;
    // The value, or Default when the section or the key is missing.
    AnsiString ReadString(const AnsiString &section, const AnsiString &ident, const AnsiString &Default) const;
    void WriteString(const AnsiString &section, const AnsiString &ident, const AnsiString &value);
    void DeleteKey(const AnsiString &section, const AnsiString &ident);
    void EraseSection(const AnsiString &section);
    std::vector<AnsiString> SectionNames() const;
    std::vector<AnsiString> KeyNames(const AnsiString &section) const;

private:
    struct Line {
        bool isKey = false;
        AnsiString key;   // trimmed (isKey)
        AnsiString value; // raw text after '=', trimmed (isKey)
        AnsiString raw;   // the line itself (not isKey)
    };
    struct Section {
        AnsiString name;
        std::vector<Line> lines;
    };
    Section *find(const AnsiString &section);
    const Section *find(const AnsiString &section) const;
    std::vector<Line> header_; // lines before the first section
    std::vector<Section> sections_;
};

// The common operations of the profile-file classes.
class TCustomIniFile {
public:
    explicit TCustomIniFile(AnsiString fileName) : fileName_(std::move(fileName)) {}
    virtual ~TCustomIniFile() = default;
    TCustomIniFile(const TCustomIniFile &) = delete;
    TCustomIniFile &operator=(const TCustomIniFile &) = delete;

    const AnsiString &FileName() const { return fileName_; }

    virtual AnsiString ReadString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default) = 0;
    virtual void WriteString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value) = 0;
    virtual void DeleteKey(const AnsiString &Section, const AnsiString &Ident) = 0;
    virtual void EraseSection(const AnsiString &Section) = 0;
    virtual bool SectionExists(const AnsiString &Section) = 0;
    virtual bool ValueExists(const AnsiString &Section, const AnsiString &Ident) = 0;

protected:
    AnsiString fileName_;
};

class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const AnsiString &FileName) : TCustomIniFile(FileName) {}

    AnsiString ReadString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default) override;
    // Raise EIniFileException "Unable to write to <file>" when the file cannot
    // be written.
    void WriteString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value) override;
    void DeleteKey(const AnsiString &Section, const AnsiString &Ident) override;
    void EraseSection(const AnsiString &Section) override;
    bool SectionExists(const AnsiString &Section) override;
    bool ValueExists(const AnsiString &Section, const AnsiString &Ident) override;

private:
    TIniData load() const;
    void save(const TIniData &data) const;
};

class TMemIniFile : public TCustomIniFile {
public:
    // Loads the file at once (a missing or unreadable file gives no entries).
    explicit TMemIniFile(const AnsiString &FileName);

    AnsiString ReadString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default) override;
    void WriteString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value) override;
    void DeleteKey(const AnsiString &Section, const AnsiString &Ident) override;
    void EraseSection(const AnsiString &Section) override;
    bool SectionExists(const AnsiString &Section) override;
    bool ValueExists(const AnsiString &Section, const AnsiString &Ident) override;
    std::vector<AnsiString> SectionNames() const { return data_.SectionNames(); }

    // Removes every section (nothing is written).
    void Clear() { data_.Clear(); }
    // Changes the file name; with Reload the contents are loaded from the new
    // file, otherwise they stay.
    void Rename(const AnsiString &FileName, bool Reload);
    // Writes the contents to the file (EIniFileException on failure).
    void UpdateFile();

private:
    TIniData data_;
};

// Reads a whole file as bytes; false when it cannot be read.
bool ReadFileBytes(const AnsiString &path, AnsiString &out);
// Writes bytes to a new temporary file beside path and renames it over path
// (ReplaceFileContent); false on failure (path unchanged).
bool WriteFileBytesSafely(const AnsiString &path, const AnsiString &bytes);

} // namespace platform
