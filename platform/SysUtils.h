// The class library's string, number and file helpers and its exception
// classes, on the C++ standard library and POSIX.
//
// Strings are byte strings (AnsiString, CP1250). Positions in this API are
// 0-based C++ positions; code that follows an algorithm counting from 1 adds
// the offset itself.
#pragma once

#include "platform/Cp1250.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

// ---------------------------------------------------------------- exceptions

// Root of the class library's exceptions: a message and nothing else.
class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : Message(std::move(message)) {}
    const char *what() const noexcept override { return Message.c_str(); }
    AnsiString Message;
};

// A failed conversion of text to a number ("'%s' is not a valid integer value").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// The run-time library's input/output error of text files (Reset, ReadLn ...),
// with the run-time error code (2 file not found, 3 invalid file name, 5 access
// denied, 100 read beyond end of file, 101 disk full ...).
class EInOutError : public Exception {
public:
    EInOutError(AnsiString message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

// Stream errors of the class library.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A list index out of range ("List index out of bounds (%d)").
class EListError : public Exception {
public:
    using Exception::Exception;
};

// The run-time library's message for an input/output error code
// ("File not found", "File access denied", ... "I/O error %d").
AnsiString InOutErrorMessage(int errorCode);
// The run-time error code for a POSIX errno value.
int InOutErrorCodeFromErrno(int err);
// Raises EInOutError for the code.
[[noreturn]] void RaiseInOutError(int errorCode);

// ------------------------------------------------------------------- strings

// ASCII-only case changes of the class library: only 'a'..'z' / 'A'..'Z' move.
AnsiString UpperCase(const AnsiString &s);
AnsiString LowerCase(const AnsiString &s);

// Trimming removes characters of code 32 and below (blanks and controls).
AnsiString Trim(const AnsiString &s);
AnsiString TrimLeft(const AnsiString &s);
AnsiString TrimRight(const AnsiString &s);

// Replace every occurrence of `from` by `to` (case-sensitive), left to right.
AnsiString StringReplaceAll(const AnsiString &s, const AnsiString &from, const AnsiString &to);
// The same, matching `from` without regard to ASCII case.
AnsiString StringReplaceAllIgnoreCase(const AnsiString &s, const AnsiString &from, const AnsiString &to);

AnsiString IntToStr(int64_t value);
// The class library's integer conversion: optional leading blanks, a sign,
// decimal digits or hexadecimal after "$" or "0x"; nothing may follow; the
// value must fit a 32-bit signed integer. Raises EConvertError
// "'<text>' is not a valid integer value".
int32_t StrToInt(const AnsiString &s);
int32_t StrToIntDef(const AnsiString &s, int32_t def);
// The conversion without raising: false on any error.
bool TryStrToInt(const AnsiString &s, int32_t &value);

// --------------------------------------------------------------------- files

// True for an existing file that is not a folder.
bool FileExists(const AnsiString &path);
bool DirectoryExists(const AnsiString &path);
// Creates the folder and every missing parent; true when it exists afterwards.
bool ForceDirectories(const AnsiString &path);
// Deletes a file (not a folder); true on success.
bool DeleteFile(const AnsiString &path);
// Renames, replacing an existing target atomically.
bool RenameFile(const AnsiString &from, const AnsiString &to);
// The folder part of a path, up to and including its last '/'.
AnsiString ExtractFilePath(const AnsiString &path);
// The name part of a path, after its last '/'.
AnsiString ExtractFileName(const AnsiString &path);
AnsiString IncludeTrailingPathDelimiter(const AnsiString &path);
// Names of the entries of a folder ("." and ".." left out), in no set order.
std::vector<AnsiString> ListDirectory(const AnsiString &folder);
// The whole content of a file; raises EFOpenError / EReadError.
std::string ReadFileBytes(const AnsiString &path);

// ------------------------------------------------- new and temporary files
//
// A file written beside its target and renamed over it is made new, never
// opened through a name that someone else prepared: in a folder others may
// write to (the shared temporary folder), a link planted at a foreseeable
// name would otherwise make the write land in the file the link leads to.

// Creates the file only when nothing (no file, folder or link, not even a
// dangling one) has its name: O_CREAT | O_EXCL | O_NOFOLLOW, permissions 0666
// less the umask. Returns the descriptor, open for writing, or -1 with errno
// set (EEXIST when the name is taken).
int CreateNewFile(const AnsiString &path);

// Makes a new file in the folder of `target` (so that a rename can put it in
// the target's place) under a name nobody can foresee: "." + the target's
// name + "." + random hex digits + ".tmp". A name that is taken is passed over
// for another. `create` makes the file at a chosen name (CreateNewFile when
// empty; tests stand in for a folder that refuses new files). Returns the
// descriptor and sets tempName, or -1 with errno set.
using TNewFileCreator = std::function<int(const AnsiString &path)>;
int CreateTempFileBeside(const AnsiString &target, AnsiString &tempName, const TNewFileCreator &create = {});

// Writes all the bytes at the descriptor's position; false with errno set
// when a write fails (a full disk, a size limit).
bool WriteAllBytes(int fd, const void *data, size_t size);

// Replaces the file `path` by one holding `bytes`: they go to a temporary
// file beside it (CreateTempFileBeside), which is then renamed over `path`
// (a link at `path` is replaced, as a rename does). On failure the temporary
// file is removed, `path` stays as it was, and false is returned with errno
// set.
bool ReplaceFileContent(const AnsiString &path, const AnsiString &bytes);

// A path holds the names as the file system stores them (UTF-8 bytes), not
// CP1250 text. It leaves the program as text only through these: for Qt and
// other programs as the file system decodes its names, and for a message in
// the program's code page (a character the code page lacks becomes '?').
QString PathToQString(const AnsiString &path);
AnsiString PathToText(const AnsiString &path);
// The path itself when it is absolute, else the current folder + '/' + path;
// empty when the current folder cannot be read.
AnsiString AbsolutePath(const AnsiString &path);

} // namespace platform
