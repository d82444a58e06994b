#include "tools/PrepTool.h"

#include "browser/TaxonarTypeCode.h"
#include "platform/Cp1250.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace rbkn {

namespace {

// Describes the first fault of a UTF-8 line: a malformed sequence (overlong
// forms and surrogates included) or a character outside CP1250, with its
// 1-based column in characters; "" for a good line.
std::string utf8Fault(const std::string &line)
{
    size_t i = 0;
    int column = 0;
    while (i < line.size()) {
        ++column;
        const unsigned char b = static_cast<unsigned char>(line[i]);
        char32_t cp;
        int len;
        char32_t min;
        if (b < 0x80) {
            cp = b;
            len = 1;
            min = 0;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            len = 4;
            min = 0x10000;
        } else {
            return "malformed UTF-8 at column " + std::to_string(column);
        }
        if (i + len > line.size())
            return "malformed UTF-8 at column " + std::to_string(column) + " (truncated sequence)";
        for (int k = 1; k < len; ++k) {
            const unsigned char c = static_cast<unsigned char>(line[i + k]);
            if ((c & 0xC0) != 0x80)
                return "malformed UTF-8 at column " + std::to_string(column);
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return "malformed UTF-8 at column " + std::to_string(column);
        if (platform::UnicodeToCp1250(cp) < 0) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "character U+%04X at column %d is not in code page 1250",
                          static_cast<unsigned>(cp), column);
            return buf;
        }
        i += static_cast<size_t>(len);
    }
    return std::string();
}

bool endsWith(const std::string &s, const std::string &suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string lowerAscii(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool isBinaryName(const std::string &name)
{
    static const char *const kBinary[] = {".pdf", ".png", ".jpg", ".jpeg", ".gif", ".bmp", ".ico"};
    const std::string lower = lowerAscii(name);
    return std::any_of(std::begin(kBinary), std::end(kBinary),
                       [&](const char *ext) { return endsWith(lower, ext); });
}

bool isBlank(const std::string &s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= 32; });
}

} // namespace

std::vector<std::string> Utf8TextToAnsiLines(const std::string &utf8, const std::string &name)
{
    std::vector<std::string> lines;
    size_t start = 0;
    // A byte-order mark says nothing the code page needs.
    if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0)
        start = 3;
    int lineNo = 0;
    while (start < utf8.size()) {
        size_t end = utf8.find('\n', start);
        const size_t next = end == std::string::npos ? utf8.size() : end + 1;
        if (end == std::string::npos)
            end = utf8.size();
        std::string line = utf8.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        ++lineNo;
        bool ok = true;
        std::string ansi = platform::Utf8ToAnsi(line, &ok);
        std::string fault = utf8Fault(line);
        if (fault.empty() && !ok)
            fault = "text cannot be converted to code page 1250";
        if (!fault.empty())
            throw PrepError(name + ":" + std::to_string(lineNo) + ": " + fault);
        lines.push_back(std::move(ansi));
        start = next;
    }
    return lines;
}

std::string JoinCrLf(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string ReadWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw PrepError(path + ": cannot open for reading: " + std::strerror(errno));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw PrepError(path + ": read error");
    return bytes;
}

void WriteFileAtomically(const std::string &path, const std::string &bytes)
{
    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            throw PrepError(target.parent_path().string() + ": cannot create folder: " + ec.message());
    }
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            throw PrepError(temp + ": cannot create: " + std::strerror(errno));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            fs::remove(temp, ec);
            throw PrepError(temp + ": write error");
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw PrepError(path + ": cannot replace: " + ec.message());
    }
}

void ConvertTextFile(const std::string &in, const std::string &out)
{
    WriteFileAtomically(out, JoinCrLf(Utf8TextToAnsiLines(ReadWholeFile(in), in)));
}

int EncodeTableFile(const std::string &in, const std::string &out)
{
    const std::vector<std::string> rows = Utf8TextToAnsiLines(ReadWholeFile(in), in);
    std::vector<std::string> stored;
    stored.reserve(rows.size());
    for (const std::string &row : rows) {
        // The reader skips blank rows anyway; leaving them out keeps the file
        // free of lines that would decode to nothing.
        if (isBlank(row))
            continue;
        stored.push_back(taxonar::EncodeTableLine(row));
    }
    WriteFileAtomically(out, JoinCrLf(stored));
    return static_cast<int>(stored.size());
}

void DecodeTableFile(const std::string &in, const std::string &out, int &decoded, int &skipped)
{
    const std::string bytes = ReadWholeFile(in);
    decoded = 0;
    skipped = 0;
    std::string text;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        const size_t next = end == std::string::npos ? bytes.size() : end + 1;
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        start = next;
        const std::string clear = taxonar::DecodeTableLine(line);
        if (isBlank(clear)) {
            ++skipped;
            continue;
        }
        ++decoded;
        text += platform::AnsiToUtf8(clear);
        text += '\n';
    }
    WriteFileAtomically(out, text);
}

CatalogueStats PrepareCatalogue(const std::string &srcDir, const std::string &dstDir)
{
    std::error_code ec;
    if (!fs::is_directory(srcDir, ec))
        throw PrepError(srcDir + ": not a folder");
    std::vector<fs::path> files;
    fs::recursive_directory_iterator it(srcDir, ec), end;
    if (ec)
        throw PrepError(srcDir + ": cannot read: " + ec.message());
    for (; it != end; it.increment(ec)) {
        if (ec)
            throw PrepError(srcDir + ": cannot read: " + ec.message());
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] == '.') {
            if (it->is_directory())
                it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file())
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());

    CatalogueStats stats;
    const fs::path dst(dstDir);
    for (const fs::path &file : files) {
        const fs::path rel = fs::relative(file, srcDir);
        const std::string name = file.filename().string();
        if (endsWith(lowerAscii(name), ".md"))
            continue;
        if (endsWith(name, ".tsv")) {
            fs::path out = dst / rel;
            out.replace_extension();
            stats.TableRows += EncodeTableFile(file.string(), out.string());
            ++stats.Tables;
        } else if (isBinaryName(name)) {
            WriteFileAtomically((dst / rel).string(), ReadWholeFile(file.string()));
            ++stats.Copies;
        } else {
            ConvertTextFile(file.string(), (dst / rel).string());
            ++stats.Texts;
        }
    }
    return stats;
}

} // namespace rbkn
