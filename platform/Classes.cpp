#include "platform/Classes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// --------------------------------------------------------------- TStringList

void TStringList::check(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

int TStringList::Add(const AnsiString &s, intptr_t object)
{
    items_.push_back({s, object});
    return Count() - 1;
}

void TStringList::Insert(int index, const AnsiString &s, intptr_t object)
{
    if (index < 0 || index > Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, Item{s, object});
}

void TStringList::Delete(int index)
{
    check(index);
    items_.erase(items_.begin() + index);
}

const AnsiString &TStringList::Strings(int index) const
{
    check(index);
    return items_[size_t(index)].text;
}

void TStringList::Put(int index, const AnsiString &s)
{
    check(index);
    items_[size_t(index)].text = s;
}

intptr_t TStringList::Objects(int index) const
{
    check(index);
    return items_[size_t(index)].object;
}

void TStringList::PutObject(int index, intptr_t object)
{
    check(index);
    items_[size_t(index)].object = object;
}

int TStringList::IndexOf(const AnsiString &s) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].text == s)
            return int(i);
    return -1;
}

AnsiString TStringList::Text() const
{
    AnsiString r;
    for (const auto &it : items_) {
        r += it.text;
        r += "\r\n";
    }
    return r;
}

void TStringList::SetText(const AnsiString &text)
{
    items_.clear();
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        size_t start = i;
        while (i < n && text[i] != '\r' && text[i] != '\n')
            ++i;
        items_.push_back({text.substr(start, i - start), 0});
        if (i < n && text[i] == '\r')
            ++i;
        if (i < n && text[i] == '\n')
            ++i;
    }
}

void TStringList::LoadFromFile(const AnsiString &path)
{
    TFileStream f(path, fmOpenRead | fmShareDenyWrite);
    std::string data;
    char buf[65536];
    for (;;) {
        int32_t got = f.Read(buf, sizeof buf);
        if (got <= 0)
            break;
        data.append(buf, size_t(got));
    }
    SetText(data);
}

void TStringList::SaveToFile(const AnsiString &path) const
{
    TFileStream f(path, fmCreate);
    AnsiString t = Text();
    f.WriteBuffer(t.data(), int32_t(t.size()));
}

// ------------------------------------------------------------------- TStream

int64_t TStream::Size()
{
    int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    int64_t end = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return end;
}

void TStream::ReadBuffer(void *buffer, int32_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void *buffer, int32_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream &source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    const int64_t total = count;
    std::vector<char> buf(size_t(std::min<int64_t>(count, 1 << 16)) + 1);
    while (count > 0) {
        int32_t chunk = int32_t(std::min<int64_t>(count, int64_t(buf.size())));
        source.ReadBuffer(buf.data(), chunk);
        WriteBuffer(buf.data(), chunk);
        count -= chunk;
    }
    return total;
}

// ------------------------------------------------------------- TMemoryStream

int32_t TMemoryStream::Read(void *buffer, int32_t count)
{
    if (count <= 0 || pos_ >= int64_t(data_.size()))
        return 0;
    int64_t n = std::min<int64_t>(count, int64_t(data_.size()) - pos_);
    std::memcpy(buffer, data_.data() + pos_, size_t(n));
    pos_ += n;
    return int32_t(n);
}

int32_t TMemoryStream::Write(const void *buffer, int32_t count)
{
    if (count <= 0 || pos_ < 0)
        return 0;
    if (pos_ + count > int64_t(data_.size()))
        data_.resize(size_t(pos_ + count));
    std::memcpy(data_.data() + pos_, buffer, size_t(count));
    pos_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    switch (origin) {
    case TSeekOrigin::soBeginning: pos_ = offset; break;
    case TSeekOrigin::soCurrent: pos_ += offset; break;
    case TSeekOrigin::soEnd: pos_ = int64_t(data_.size()) + offset; break;
    }
    if (pos_ < 0)
        pos_ = 0;
    return pos_;
}

void TMemoryStream::SetSize(int64_t newSize)
{
    if (newSize < 0)
        newSize = 0;
    data_.resize(size_t(newSize));
    if (pos_ > newSize)
        pos_ = newSize;
}

void TMemoryStream::Clear()
{
    data_.clear();
    pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream &source)
{
    source.SetPosition(0);
    int64_t n = source.Size();
    data_.resize(size_t(n));
    if (n > 0)
        source.ReadBuffer(data_.data(), int32_t(n));
    pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream &target) const
{
    if (!data_.empty())
        target.WriteBuffer(data_.data(), int32_t(data_.size()));
}

void TMemoryStream::LoadFromFile(const AnsiString &path)
{
    TFileStream f(path, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const AnsiString &path) const
{
    TFileStream f(path, fmCreate);
    SaveToStream(f);
}

// --------------------------------------------------------------- TFileStream

int OpenShared(const AnsiString &path, int openFlags, bool exclusive, bool truncate)
{
    int fd = ::open(path.c_str(), openFlags | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return -1;
    }
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        errno = err == EINTR ? EWOULDBLOCK : err;
        return -1;
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

static AnsiString sysMessage(int err)
{
    if (err == EWOULDBLOCK)
        return "The process cannot access the file because it is being used by another process";
    return std::strerror(err);
}

TFileStream::TFileStream(const AnsiString &path, uint16_t mode) : path_(path)
{
    if (mode == fmCreate) {
        fd_ = OpenShared(path, O_RDWR | O_CREAT, true, true);
        if (fd_ < 0)
            throw EFCreateError("Cannot create file \"" + PathToText(path) + "\". " + sysMessage(errno));
        return;
    }
    int access = mode & 0x3;
    int flags = access == fmOpenWrite ? O_WRONLY : access == fmOpenReadWrite ? O_RDWR : O_RDONLY;
    bool exclusive = (mode & 0xF0) == fmShareExclusive;
    fd_ = OpenShared(path, flags, exclusive);
    if (fd_ < 0)
        throw EFOpenError("Cannot open file \"" + PathToText(path) + "\". " + sysMessage(errno));
}

TFileStream::~TFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int32_t TFileStream::Read(void *buffer, int32_t count)
{
    if (count <= 0)
        return 0;
    int32_t done = 0;
    while (done < count) {
        ssize_t got = ::read(fd_, static_cast<char *>(buffer) + done, size_t(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += int32_t(got);
    }
    return done;
}

int32_t TFileStream::Write(const void *buffer, int32_t count)
{
    if (count <= 0)
        return 0;
    int32_t done = 0;
    while (done < count) {
        ssize_t put = ::write(fd_, static_cast<const char *>(buffer) + done, size_t(count - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += int32_t(put);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd_, off_t(offset), whence);
    return r < 0 ? -1 : int64_t(r);
}

void TFileStream::SetSize(int64_t newSize)
{
    if (::ftruncate(fd_, off_t(newSize)) != 0)
        throw EWriteError("Stream write error");
    if (Position() > newSize)
        Seek(newSize, TSeekOrigin::soBeginning);
}

} // namespace platform
