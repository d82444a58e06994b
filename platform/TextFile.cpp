#include "platform/TextFile.h"
#include "platform/Classes.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

TextFile::~TextFile()
{
    if (fd_ >= 0) {
        try {
            CloseFile();
        } catch (...) {
        }
    }
}

static int ioCodeFromErrno(int err) { return err == EWOULDBLOCK ? 32 : InOutErrorCodeFromErrno(err); }

void TextFile::Reset()
{
    if (fd_ >= 0)
        CloseFile();
    if (path_.empty())
        RaiseInOutError(2);
    fd_ = OpenShared(path_, O_RDONLY, false);
    if (fd_ < 0)
        RaiseInOutError(ioCodeFromErrno(errno));
    writing_ = false;
    buf_.clear();
    pos_ = 0;
    eofSeen_ = false;
}

void TextFile::Rewrite()
{
    if (fd_ >= 0)
        CloseFile();
    if (path_.empty())
        RaiseInOutError(2);
    fd_ = OpenShared(path_, O_WRONLY | O_CREAT, true, true);
    if (fd_ < 0)
        RaiseInOutError(ioCodeFromErrno(errno));
    writing_ = true;
    buf_.clear();
    pos_ = 0;
}

bool TextFile::fill()
{
    if (eofSeen_)
        return false;
    if (pos_ > 0) {
        buf_.erase(0, pos_);
        pos_ = 0;
    }
    char chunk[65536];
    for (;;) {
        ssize_t got = ::read(fd_, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            RaiseInOutError(ioCodeFromErrno(errno));
        if (got == 0) {
            eofSeen_ = true;
            return false;
        }
        buf_.append(chunk, size_t(got));
        return true;
    }
}

bool TextFile::Eof()
{
    if (fd_ < 0 || writing_)
        RaiseInOutError(104);
    while (pos_ >= buf_.size()) {
        if (!fill())
            return true;
    }
    return false;
}

AnsiString TextFile::ReadLn()
{
    if (fd_ < 0 || writing_)
        RaiseInOutError(104);
    AnsiString line;
    for (;;) {
        size_t i = pos_;
        while (i < buf_.size() && buf_[i] != '\r' && buf_[i] != '\n')
            ++i;
        line.append(buf_, pos_, i - pos_);
        pos_ = i;
        if (i < buf_.size())
            break;
        if (!fill())
            return line;
    }
    // Consume the line end: CR LF, LF, or a lone CR.
    if (buf_[pos_] == '\r') {
        ++pos_;
        if (pos_ >= buf_.size())
            fill();
        if (pos_ < buf_.size() && buf_[pos_] == '\n')
            ++pos_;
    } else {
        ++pos_;
    }
    return line;
}

void TextFile::flush()
{
    size_t done = 0;
    while (done < buf_.size()) {
        ssize_t put = ::write(fd_, buf_.data() + done, buf_.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            buf_.clear();
            RaiseInOutError(put < 0 ? ioCodeFromErrno(errno) : 101);
        }
        done += size_t(put);
    }
    buf_.clear();
}

void TextFile::Write(const AnsiString &text)
{
    if (fd_ < 0 || !writing_)
        RaiseInOutError(105);
    buf_ += text;
    if (buf_.size() >= 65536)
        flush();
}

void TextFile::WriteLn(const AnsiString &text)
{
    Write(text);
    Write("\r\n");
}

void TextFile::CloseFile()
{
    if (fd_ < 0)
        RaiseInOutError(103);
    int fd = fd_;
    try {
        if (writing_)
            flush();
    } catch (...) {
        fd_ = -1;
        ::close(fd);
        throw;
    }
    fd_ = -1;
    if (::close(fd) != 0 && writing_)
        RaiseInOutError(ioCodeFromErrno(errno));
}

} // namespace platform
