// The XML line store and the settings file of the shared unit.
//
// The store reads and writes XML documents that hold one element per line: it
// recognises a few line shapes, addresses elements by slash paths and edits a
// document as a list of lines. It keeps no state between calls, except the
// replaceable pause between attempts of the file routines (for tests).
//
// File routines retry: an attempt that raises is repeated up to ten times,
// 100 ms apart, so that a file another process holds for a moment does not make
// the operation fail. Nothing is ever raised to the caller.
//
// Writes that replace a file (XmlCreateFile, XmlSaveFile and so XmlFormatFile)
// do not truncate the target in place: the lines go to a new temporary file in
// the same folder (made exclusively under a name nobody can foresee, never
// through a link), which is flushed to disk and renamed over the target. While that
// happens the target (when it exists) is held open with an exclusive lock, so a
// file that another process holds still fails the attempt and is retried. On
// failure the temporary file is removed and the old file stays as it was.
// Two exceptions: a target that is a symbolic link is written where the link
// leads (the link stays); and when the folder refuses the temporary file but
// the target exists and is writable, the target is rewritten in place, since
// a settings file that can never be saved is worse than one written without
// the safety of the rename.
//
// WaitMs sleeps for a millisecond between its rounds of message processing
// instead of spinning; the time it waits is the same.
#include "browser/TaxonarTypeCode.h"

#include "platform/System.h"
#include "platform/TextFile.h"

#include <iterator>
#include <vector>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace taxonar {

using platform::Trim;

namespace {

std::function<void(uint32_t)> &retryWait()
{
    static std::function<void(uint32_t)> wait;
    return wait;
}

void pauseBeforeRetry()
{
    if (retryWait())
        retryWait()(100);
    else
        WaitMs(100);
}

// Runs the attempt until it completes without raising, at most 11 times with
// a pause of 100 ms after each failure. True when one attempt completed.
template <typename Attempt>
bool withRetry(Attempt attempt)
{
    int retries = 10;
    for (;;) {
        try {
            attempt();
            return true;
        } catch (...) {
            if (retries <= 0)
                return false;
            --retries;
        }
        pauseBeforeRetry();
    }
}

// Raised inside an attempt when a nested store routine fails.
struct AttemptFailed {};

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool startsWith(const AnsiString &s, std::string_view prefix)
{
    return s.size() >= prefix.size() && std::string_view(s).substr(0, prefix.size()) == prefix;
}

bool endsWith(const AnsiString &s, std::string_view suffix)
{
    return s.size() >= suffix.size() && std::string_view(s).substr(s.size() - suffix.size()) == suffix;
}

// Closes a descriptor on scope exit.
class FdHolder {
public:
    explicit FdHolder(int fd = -1) : fd_(fd) {}
    ~FdHolder() { reset(); }
    FdHolder(const FdHolder &) = delete;
    FdHolder &operator=(const FdHolder &) = delete;
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

void syncFolderOf(const AnsiString &path)
{
    AnsiString folder = platform::ExtractFilePath(path);
    if (folder.empty())
        folder = ".";
    FdHolder fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get()); // best effort: the rename itself has succeeded
}

// The path a write of `fileName` should go to: when the name is a symbolic
// link, the file it leads to (followed through further links), so that the
// link stays a link; otherwise the name itself. Raises for a loop of links.
AnsiString resolveLinks(const AnsiString &fileName)
{
    AnsiString path = fileName;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::vector<char> target(size_t(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || size_t(n) >= target.size())
            return path;
        const AnsiString link(target.data(), size_t(n));
        path = !link.empty() && link[0] == '/' ? link : platform::ExtractFilePath(path) + link;
    }
    platform::RaiseInOutError(platform::InOutErrorCodeFromErrno(ELOOP));
    return path;
}

XmlTempFileCreator &tempFileCreator()
{
    static XmlTempFileCreator creator;
    return creator;
}

// Writes all the bytes at the offset; raises the run-time error on failure.
void writeAllAt(int fd, const AnsiString &bytes, off_t offset)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            platform::RaiseInOutError(n < 0 ? platform::InOutErrorCodeFromErrno(errno) : 101);
        done += size_t(n);
    }
}

// One attempt of replacing the file by the lines, each followed by CR LF.
// Raises on any failure. The lines normally go to a temporary file that is
// renamed over the target, leaving the old file untouched on failure. When
// the folder does not let the temporary file be made but the target itself
// is writable (a settings file in a folder the user may not write), the
// target is rewritten in place instead: the new bytes over the old from the
// start, then cut to their length.
template <typename EachLine>
void replaceFileWithLines(const AnsiString &name, EachLine eachLine)
{
    if (name.empty())
        platform::RaiseInOutError(2);
    const AnsiString fileName = resolveLinks(name);
    AnsiString content;
    eachLine([&](const AnsiString &line) {
        content += line;
        content += "\r\n";
    });

    // Hold the existing target exclusively for the whole write, so that a file
    // in use elsewhere fails here, as truncating it would.
    FdHolder target(platform::OpenShared(fileName, O_RDWR, true, false));
    struct stat targetStat {};
    bool targetExists = false;
    if (target.get() < 0) {
        if (errno != ENOENT)
            platform::RaiseInOutError(errno == EWOULDBLOCK ? 32 : platform::InOutErrorCodeFromErrno(errno));
    } else {
        targetExists = ::fstat(target.get(), &targetStat) == 0;
    }

    AnsiString temp;
    FdHolder tempFd(platform::CreateTempFileBeside(fileName, temp, tempFileCreator()));
    if (tempFd.get() < 0) {
        const int err = errno;
        if (!targetExists || (err != EACCES && err != EPERM))
            platform::RaiseInOutError(platform::InOutErrorCodeFromErrno(err));
        writeAllAt(target.get(), content, 0);
        if (::ftruncate(target.get(), off_t(content.size())) != 0 || ::fsync(target.get()) != 0)
            platform::RaiseInOutError(platform::InOutErrorCodeFromErrno(errno));
        return;
    }
    try {
        writeAllAt(tempFd.get(), content, 0);
        if (targetExists)
            ::fchmod(tempFd.get(), targetStat.st_mode & 07777);
        if (::fsync(tempFd.get()) != 0)
            platform::RaiseInOutError(platform::InOutErrorCodeFromErrno(errno));
        tempFd.reset();
        if (!platform::RenameFile(temp, fileName))
            platform::RaiseInOutError(platform::InOutErrorCodeFromErrno(errno));
    } catch (...) {
        tempFd.reset();
        ::unlink(temp.c_str());
        throw;
    }
    syncFolderOf(fileName);
}

// Walks the lines along the containers of the path; calls test(index, t, name)
// with the trimmed line for every line after the containers were found, until
// test returns true. `name` is the path's remaining (last) component.
template <typename Test>
void descend(const TStringList &list, AnsiString path, Test test)
{
    for (int i = 0; i < list.Count(); ++i) {
        const AnsiString t = Trim(list[i]);
        const size_t slash = path.find('/');
        if (slash != AnsiString::npos) {
            AnsiString name;
            if (XmlIsOpenTag(t, name) && name == path.substr(0, slash))
                path.erase(0, slash + 1);
            continue;
        }
        if (test(i, t, path))
            return;
    }
}

} // namespace

// ------------------------------------------------------------------ waiting

void WaitMs(uint32_t ms)
{
    const uint32_t start = platform::GetTickCount();
    for (;;) {
        const uint32_t now = platform::GetTickCount();
        if (static_cast<uint32_t>(now - start) >= ms)
            return;
        platform::ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void SetXmlRetryWait(std::function<void(uint32_t ms)> wait) { retryWait() = std::move(wait); }

void SetXmlTempFileCreator(XmlTempFileCreator creator) { tempFileCreator() = std::move(creator); }

// -------------------------------------------------------------- recognisers

bool XmlIsName(const AnsiString &text)
{
    if (text.empty() || !isAsciiLetter(text[0]))
        return false;
    for (size_t i = 1; i < text.size(); ++i) {
        if (!isAsciiLetter(text[i]) && !isAsciiDigit(text[i]))
            return false;
    }
    return true;
}

bool XmlIsText(const AnsiString &text) { return text.find_first_of("<>&'\"") == AnsiString::npos; }

bool XmlIsAttribute(const AnsiString &token)
{
    const size_t eq = token.find('=');
    if (token.size() < 5 || eq == AnsiString::npos)
        return false;
    if (!XmlIsName(token.substr(0, eq)))
        return false;
    const AnsiString rest = token.substr(eq + 1);
    if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"')
        return false;
    return XmlIsText(rest.substr(1, rest.size() - 2));
}

bool XmlIsOpenTag(const AnsiString &line, AnsiString &name)
{
    const AnsiString t = Trim(line);
    if (t.size() < 3 || t.front() != '<' || t.back() != '>')
        return false;
    const AnsiString inner = t.substr(1, t.size() - 2);
    const size_t blank = inner.find(' ');
    if (blank == AnsiString::npos) {
        if (!XmlIsName(inner))
            return false;
        name = inner;
        return true;
    }
    const AnsiString head = inner.substr(0, blank);
    if (!XmlIsName(head))
        return false;
    AnsiString rest = inner.substr(blank + 1);
    while (!rest.empty()) {
        const size_t next = rest.find(' ');
        if (next != AnsiString::npos) {
            if (!XmlIsAttribute(rest.substr(0, next)))
                return false;
            rest.erase(0, next + 1);
        } else {
            if (!XmlIsAttribute(rest))
                return false;
            rest.clear();
        }
    }
    name = head;
    return true;
}

bool XmlIsCloseTag(const AnsiString &line, AnsiString &name)
{
    const AnsiString t = Trim(line);
    if (t.size() < 4 || !startsWith(t, "</") || t.back() != '>')
        return false;
    const AnsiString inner = t.substr(2, t.size() - 3);
    if (!XmlIsName(inner))
        return false;
    name = inner;
    return true;
}

bool XmlIsValueLine(const AnsiString &line, AnsiString &name)
{
    const AnsiString t = Trim(line);
    const size_t headEnd = t.find('>');
    if (headEnd == AnsiString::npos)
        return false;
    AnsiString openName;
    if (!XmlIsOpenTag(t.substr(0, headEnd + 1), openName))
        return false;
    const AnsiString rest = t.substr(headEnd + 1);
    const size_t lt = rest.find('<');
    if (lt == AnsiString::npos || rest.find('>') == AnsiString::npos)
        return false;
    AnsiString closeName;
    if (!XmlIsCloseTag(rest.substr(lt), closeName) || closeName != openName)
        return false;
    name = openName;
    return true;
}

bool XmlIsComment(const AnsiString &line)
{
    const AnsiString t = Trim(line);
    return t.size() >= 10 && startsWith(t, "<!-- ") && endsWith(t, " -->");
}

bool XmlIsDeclaration(const AnsiString &line)
{
    const AnsiString t = platform::LowerCase(Trim(line));
    return t.find("<?xml") != AnsiString::npos && t.find(" version=\"1.0\" ") != AnsiString::npos &&
           t.find(" encoding=\"utf-8\"") != AnsiString::npos && t.find("?>") != AnsiString::npos;
}

// ------------------------------------------------------------ file routines

bool XmlCreateFile(const AnsiString &fileName, const AnsiString &rootName)
{
    return withRetry([&] {
        replaceFileWithLines(fileName, [&](auto writeLn) {
            writeLn("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
            writeLn("<" + rootName + ">");
            writeLn("</" + rootName + ">");
        });
    });
}

bool XmlLoadFile(const AnsiString &fileName, TStringList &list)
{
    if (!platform::FileExists(fileName))
        return false;
    return withRetry([&] {
        list.Clear();
        platform::TextFile file(fileName);
        file.Reset();
        do
            list.Add(file.ReadLn());
        while (!file.Eof());
        file.CloseFile();
    });
}

bool XmlSaveFile(const AnsiString &fileName, const TStringList &list)
{
    return withRetry([&] {
        replaceFileWithLines(fileName, [&](auto writeLn) {
            for (int i = 0; i < list.Count(); ++i)
                writeLn(list[i]);
        });
    });
}

bool XmlValidateFile(const AnsiString &fileName, int &code, int &lineNumber)
{
    code = 1;
    lineNumber = 0;
    if (!platform::FileExists(fileName))
        return false;
    const bool read = withRetry([&] {
        code = 0;
        int depth = -1;
        bool declSeen = false, expectValue = true, closeSeen = false;
        std::vector<AnsiString> open;
        platform::TextFile file(fileName);
        file.Reset();
        do {
            const AnsiString t = Trim(file.ReadLn());
            ++lineNumber;
            AnsiString name;
            if (t.empty())
                continue;
            if (XmlIsDeclaration(t)) {
                if (declSeen) {
                    declSeen = false;
                    break;
                }
                declSeen = true;
                continue;
            }
            if (XmlIsComment(t))
                continue;
            if (XmlIsOpenTag(t, name)) {
                open.push_back(name);
                if (!closeSeen)
                    ++depth;
                continue;
            }
            if (XmlIsValueLine(t, name)) {
                if (expectValue) {
                    ++depth;
                    expectValue = false;
                }
                continue;
            }
            if (XmlIsCloseTag(t, name) && !open.empty() && open.back() == name) {
                open.pop_back();
                --depth;
                expectValue = true;
                closeSeen = true;
                continue;
            }
            code = 3;
            break;
        } while (!file.Eof());
        file.CloseFile();
        if (!declSeen)
            code = 2;
        else if (code == 0 && depth != 0)
            code = 3;
    });
    return read && code == 0;
}

bool XmlFormatFile(const AnsiString &fileName, int indentWidth)
{
    if (!platform::FileExists(fileName))
        return false;
    return withRetry([&] {
        TStringList source, output;
        if (!XmlLoadFile(fileName, source))
            throw AttemptFailed{};
        int depth = -1;
        bool expectValue = true, lastWasClose = false, valueOpen = false, closeRun = false;
        for (int i = 0; i < source.Count(); ++i) {
            const AnsiString t = Trim(source[i]);
            if (t.empty())
                continue;
            AnsiString name;
            if (XmlIsOpenTag(t, name)) {
                if (!lastWasClose)
                    ++depth;
                lastWasClose = false;
                closeRun = false;
            }
            if (expectValue && XmlIsValueLine(t, name)) {
                ++depth;
                expectValue = false;
                valueOpen = true;
                closeRun = false;
            }
            const bool declaration = XmlIsDeclaration(t);
            const bool comment = XmlIsComment(t);
            if (XmlIsCloseTag(t, name)) {
                lastWasClose = true;
                if (valueOpen || closeRun)
                    --depth;
                expectValue = true;
                valueOpen = false;
                closeRun = true;
            }
            if (comment) {
                output.Add("");
                output.Add(t);
                output.Add("");
            } else if (declaration) {
                output.Add(t);
            } else {
                const long long blanks = static_cast<long long>(depth) * indentWidth;
                output.Add(blanks > 0 ? AnsiString(static_cast<size_t>(blanks), ' ') + t : t);
            }
        }
        if (output.Count() > 0 && !XmlSaveFile(fileName, output))
            throw AttemptFailed{};
    });
}

// ----------------------------------------------------------------- escaping

AnsiString XmlEscape(const AnsiString &text)
{
    AnsiString s = platform::StringReplaceAllIgnoreCase(text, "&", "&amp;");
    s = platform::StringReplaceAllIgnoreCase(s, "<", "&lt;");
    s = platform::StringReplaceAllIgnoreCase(s, ">", "&gt;");
    s = platform::StringReplaceAllIgnoreCase(s, "'", "&apos;");
    return platform::StringReplaceAllIgnoreCase(s, "\"", "&quot;");
}

AnsiString XmlUnescape(const AnsiString &text)
{
    AnsiString s = platform::StringReplaceAllIgnoreCase(text, "&lt;", "<");
    s = platform::StringReplaceAllIgnoreCase(s, "&gt;", ">");
    s = platform::StringReplaceAllIgnoreCase(s, "&apos;", "'");
    s = platform::StringReplaceAllIgnoreCase(s, "&quot;", "\"");
    return platform::StringReplaceAllIgnoreCase(s, "&amp;", "&");
}

// ------------------------------------------------------------ list routines

bool XmlAddNode(TStringList &list, const AnsiString &parentPath, const AnsiString &childName)
{
    if (parentPath.empty() || list.Count() == 0)
        return false;
    descend(list, parentPath, [&](int i, const AnsiString &t, const AnsiString &parent) {
        AnsiString name;
        if (!XmlIsCloseTag(t, name) || name != parent)
            return false;
        list.Insert(i, "</" + childName + ">");
        list.Insert(i, "<" + childName + ">");
        return true;
    });
    return true;
}

bool XmlSetValue(TStringList &list, const AnsiString &path, const AnsiString &value)
{
    if (path.empty() || list.Count() == 0)
        return false;
    bool done = false;
    descend(list, path, [&](int i, const AnsiString &t, const AnsiString &key) {
        AnsiString name;
        if (XmlIsValueLine(t, name) && name == key) {
            const size_t headEnd = t.find('>');
            const size_t tail = t.find('<', headEnd + 1);
            list.Put(i, t.substr(0, headEnd + 1) + XmlEscape(value) + t.substr(tail));
            done = true;
        } else if (XmlIsCloseTag(t, name) || XmlIsOpenTag(t, name)) {
            list.Insert(i, "<" + key + ">" + XmlEscape(value) + "</" + key + ">");
            done = true;
        }
        return done;
    });
    return done;
}

void XmlGetValue(const TStringList &list, const AnsiString &path, AnsiString &value)
{
    value.clear();
    if (path.empty() || list.Count() == 0)
        return;
    descend(list, path, [&](int, const AnsiString &t, const AnsiString &key) {
        AnsiString name;
        if (!XmlIsValueLine(t, name) || name != key)
            return false;
        const size_t headEnd = t.find('>');
        const size_t tail = t.find('<', headEnd + 1);
        value = XmlUnescape(t.substr(headEnd + 1, tail - headEnd - 1));
        return true;
    });
}

// ----------------------------------------------------------------- settings

namespace {

const char *const ConfigKeys[] = {"body/config/viewhelp", "body/config/view2010", "body/config/viewinfo",
                                  "body/config/firstinfo"};
bool *const ConfigFlags[] = {&ViewHelp, &View2010, &ViewInfo, &FirstInfo};

} // namespace

AnsiString ConfigFileName() { return UserDataDir + "config.xml"; }

bool ConfigExists()
{
    int code = 0, lineNumber = 0;
    return XmlValidateFile(ConfigFileName(), code, lineNumber);
}

bool ConfigCreateDefault()
{
    const AnsiString fileName = ConfigFileName();
    TStringList list;
    if (!XmlCreateFile(fileName, "body") || !XmlLoadFile(fileName, list) || !XmlAddNode(list, "body", "config"))
        return false;
    for (const char *key : ConfigKeys) {
        if (!XmlSetValue(list, key, "1"))
            return false;
    }
    return XmlSaveFile(fileName, list) && XmlFormatFile(fileName, 2);
}

bool ConfigLoad()
{
    const AnsiString fileName = ConfigFileName();
    TStringList list;
    int code = 0, lineNumber = 0;
    if (!XmlValidateFile(fileName, code, lineNumber) || !XmlLoadFile(fileName, list))
        return false;
    for (size_t k = 0; k < std::size(ConfigKeys); ++k) {
        AnsiString value;
        XmlGetValue(list, ConfigKeys[k], value);
        *ConfigFlags[k] = StrToByteDef(value) != 0;
    }
    return true;
}

bool ConfigSave()
{
    const AnsiString fileName = ConfigFileName();
    TStringList list;
    int code = 0, lineNumber = 0;
    if (!XmlValidateFile(fileName, code, lineNumber) || !XmlLoadFile(fileName, list))
        return false;
    for (size_t k = 0; k < std::size(ConfigKeys); ++k) {
        if (!XmlSetValue(list, ConfigKeys[k], *ConfigFlags[k] ? "1" : "0"))
            return false;
    }
    return XmlSaveFile(fileName, list) && XmlFormatFile(fileName, 2);
}

uint8_t StrToByteDef(const AnsiString &text)
{
    if (text.empty())
        return 0;
    try {
        return static_cast<uint8_t>(platform::StrToInt(text) & 0xFF);
    } catch (...) {
        return 0;
    }
}

} // namespace taxonar
