// Text files with the run-time library's rules: Reset/Rewrite/Append raise the
// run-time input/output error (EInOutError) on failure, ReadLn reads one line
// without its line end (CR LF, LF or a lone CR), a last line without a line end
// is a line, and reading an empty file gives one empty line before Eof.
//
// A file opened for reading holds a shared lock and one opened for writing an
// exclusive lock (see OpenShared), so a file held exclusively by another
// process fails to open, as a sharing violation does on the original system.
#pragma once

#include "platform/SysUtils.h"

#include <cstdio>

namespace platform {

class TextFile {
public:
    TextFile() = default;
    explicit TextFile(const AnsiString &path) : path_(path) {}
    ~TextFile();
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    void AssignFile(const AnsiString &path) { path_ = path; }
    // Opens for reading; raises EInOutError (2 missing, 5 a folder or held).
    void Reset();
    // Creates or truncates for writing; raises EInOutError.
    void Rewrite();
    bool IsOpen() const { return fd_ >= 0; }
    // True when no byte is left to read.
    bool Eof();
    // The next line; at the end of the file the empty string.
    AnsiString ReadLn();
    // Writes the text (Write) or the text and CR LF (WriteLn); EInOutError on failure.
    void Write(const AnsiString &text);
    void WriteLn(const AnsiString &text);
    // Flushes and closes; EInOutError when the pending write fails.
    void CloseFile();

private:
    bool fill();
    void flush();
    AnsiString path_;
    int fd_ = -1;
    bool writing_ = false;
    std::string buf_;
    size_t pos_ = 0;
    bool eofSeen_ = false;
};

} // namespace platform
