#include "platform/SysUtils.h"

#include <atomic>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// ---------------------------------------------------------------- exceptions

AnsiString InOutErrorMessage(int code)
{
    switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 102: return "File variable not assigned";
    case 103: return "File not open";
    case 104: return "File not open for input";
    case 105: return "File not open for output";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
    }
}

int InOutErrorCodeFromErrno(int err)
{
    switch (err) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
    case EWOULDBLOCK: return 5;
    case ENOSPC:
    case EDQUOT: return 101;
    default: return err > 0 ? err : 5;
    }
}

void RaiseInOutError(int code) { throw EInOutError(InOutErrorMessage(code), code); }

// ------------------------------------------------------------------- strings

AnsiString UpperCase(const AnsiString &s)
{
    AnsiString r(s);
    for (char &c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return r;
}

AnsiString LowerCase(const AnsiString &s)
{
    AnsiString r(s);
    for (char &c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return r;
}

static inline bool isTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

AnsiString Trim(const AnsiString &s)
{
    size_t b = 0, e = s.size();
    while (b < e && isTrimmed(s[b]))
        ++b;
    while (e > b && isTrimmed(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

AnsiString TrimLeft(const AnsiString &s)
{
    size_t b = 0;
    while (b < s.size() && isTrimmed(s[b]))
        ++b;
    return s.substr(b);
}

AnsiString TrimRight(const AnsiString &s)
{
    size_t e = s.size();
    while (e > 0 && isTrimmed(s[e - 1]))
        --e;
    return s.substr(0, e);
}

namespace {
// Replaces every occurrence of `from` found in `haystack` (s itself, or its
// case-folded form of the same length) by `to`, left to right.
AnsiString replaceAll(const AnsiString &s, const AnsiString &haystack, const AnsiString &from,
                      const AnsiString &to)
{
    if (from.empty())
        return s;
    AnsiString r;
    r.reserve(s.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = haystack.find(from, pos);
        if (hit == AnsiString::npos)
            break;
        r.append(s, pos, hit - pos);
        r += to;
        pos = hit + from.size();
    }
    r.append(s, pos, AnsiString::npos);
    return r;
}
} // namespace

AnsiString StringReplaceAll(const AnsiString &s, const AnsiString &from, const AnsiString &to)
{
    return replaceAll(s, s, from, to);
}

AnsiString StringReplaceAllIgnoreCase(const AnsiString &s, const AnsiString &from, const AnsiString &to)
{
    return replaceAll(s, UpperCase(s), UpperCase(from), to);
}

AnsiString IntToStr(int64_t value) { return std::to_string(value); }

bool TryStrToInt(const AnsiString &s, int32_t &value)
{
    size_t i = 0;
    const size_t n = s.size();
    while (i < n && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;
    int64_t acc = 0;
    for (; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        acc = acc * (hex ? 16 : 10) + digit;
        // Hexadecimal literals may fill all 32 bits ($FFFFFFFF is -1).
        if (acc > (hex ? int64_t(0xFFFFFFFF) : int64_t(2147483648)))
            return false;
    }
    if (hex) {
        uint32_t bits = static_cast<uint32_t>(acc);
        int32_t v = static_cast<int32_t>(bits);
        value = negative ? static_cast<int32_t>(0u - bits) : v;
        return true;
    }
    if (!negative && acc > 2147483647)
        return false;
    value = static_cast<int32_t>(negative ? -acc : acc);
    return true;
}

int32_t StrToInt(const AnsiString &s)
{
    int32_t v;
    if (!TryStrToInt(s, v))
        throw EConvertError("'" + s + "' is not a valid integer value");
    return v;
}

int32_t StrToIntDef(const AnsiString &s, int32_t def)
{
    int32_t v;
    return TryStrToInt(s, v) ? v : def;
}

// --------------------------------------------------------------------- files

bool FileExists(const AnsiString &path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const AnsiString &path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const AnsiString &path)
{
    if (path.empty())
        return false;
    AnsiString p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    if (DirectoryExists(p))
        return true;
    size_t slash = p.find_last_of('/');
    if (slash != AnsiString::npos && slash > 0 && !ForceDirectories(p.substr(0, slash)))
        return false;
    return ::mkdir(p.c_str(), 0777) == 0 || DirectoryExists(p);
}

bool DeleteFile(const AnsiString &path)
{
    return !DirectoryExists(path) && ::unlink(path.c_str()) == 0;
}

bool RenameFile(const AnsiString &from, const AnsiString &to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

AnsiString ExtractFilePath(const AnsiString &path)
{
    size_t slash = path.find_last_of('/');
    return slash == AnsiString::npos ? AnsiString() : path.substr(0, slash + 1);
}

AnsiString ExtractFileName(const AnsiString &path)
{
    size_t slash = path.find_last_of('/');
    return slash == AnsiString::npos ? path : path.substr(slash + 1);
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString &path)
{
    return (!path.empty() && path.back() == '/') ? path : path + "/";
}

std::vector<AnsiString> ListDirectory(const AnsiString &folder)
{
    std::vector<AnsiString> names;
    DIR *d = ::opendir(folder.c_str());
    if (!d)
        return names;
    while (dirent *e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(d);
    return names;
}

std::string ReadFileBytes(const AnsiString &path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EFOpenError("Cannot open file \"" + PathToText(path) + "\". " + std::strerror(errno));
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw EFOpenError("Cannot open file \"" + PathToText(path) + "\". " + std::strerror(EISDIR));
    }
    std::string data;
    char buf[65536];
    for (;;) {
        ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            ::close(fd);
            throw EReadError(std::string("Stream read error: ") + std::strerror(err));
        }
        if (got == 0)
            break;
        data.append(buf, size_t(got));
    }
    ::close(fd);
    return data;
}

// ---------------------------------------------------- new and temporary files

int CreateNewFile(const AnsiString &path)
{
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    int fd;
    do
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

namespace {

// Random hex digits for a temporary name. The kernel's generator; should it
// fail, a mix of the clock, the process and a counter (the exclusive
// creation keeps the name safe even then, only guessable).
AnsiString randomHex()
{
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != ssize_t(sizeof bits)) {
        static std::atomic<uint64_t> counter{0};
        timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        bits = (uint64_t(now.tv_sec) * 1000000007u + uint64_t(now.tv_nsec)) ^ (uint64_t(::getpid()) << 40) ^
               (counter.fetch_add(1) * 0x9E3779B97F4A7C15u);
    }
    static const char digits[] = "0123456789abcdef";
    AnsiString hex(16, '0');
    for (char &c : hex) {
        c = digits[bits & 15];
        bits >>= 4;
    }
    return hex;
}

} // namespace

int CreateTempFileBeside(const AnsiString &target, AnsiString &tempName, const TNewFileCreator &create)
{
    // The target's name, cut so that the temporary name stays within the
    // file system's limit on names.
    const AnsiString stem = "." + ExtractFileName(target).substr(0, 200) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const AnsiString name = ExtractFilePath(target) + stem + randomHex() + ".tmp";
        const int fd = create ? create(name) : CreateNewFile(name);
        if (fd >= 0) {
            tempName = name;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1; // errno is EEXIST
}

bool WriteAllBytes(int fd, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool ReplaceFileContent(const AnsiString &path, const AnsiString &bytes)
{
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    AnsiString temp;
    const int fd = CreateTempFileBeside(path, temp);
    if (fd < 0)
        return false;
    bool ok = WriteAllBytes(fd, bytes.data(), bytes.size());
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && !RenameFile(temp, path)) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = err;
    }
    return ok;
}

QString PathToQString(const AnsiString &path)
{
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

AnsiString PathToText(const AnsiString &path) { return QStringToAnsi(PathToQString(path)); }

AnsiString AbsolutePath(const AnsiString &path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char *cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return AnsiString();
    AnsiString full = IncludeTrailingPathDelimiter(cwd) + path;
    std::free(cwd);
    return full;
}

} // namespace platform
