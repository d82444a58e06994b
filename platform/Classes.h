// The class library's string list and streams.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <vector>

namespace platform {

// An unsorted list of strings that accepts duplicates, each string with an
// object slot (an integer-sized value that the list never interprets).
class TStringList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    // Appends and returns the new index.
    int Add(const AnsiString &s, intptr_t object = 0);
    void Insert(int index, const AnsiString &s, intptr_t object = 0);
    void Delete(int index);
    void Clear() { items_.clear(); }
    // Raise EListError for an index outside 0..Count-1.
    const AnsiString &Strings(int index) const;
    const AnsiString &operator[](int index) const { return Strings(index); }
    void Put(int index, const AnsiString &s);
    intptr_t Objects(int index) const;
    void PutObject(int index, intptr_t object);
    // The first index of the string (case-sensitive), or -1.
    int IndexOf(const AnsiString &s) const;

    // Every line followed by CR LF.
    AnsiString Text() const;
    // Replaces the list by the lines of the text; a line ends at CR LF, LF or
    // CR, and a line break at the very end adds no empty line.
    void SetText(const AnsiString &text);
    // Raise EFOpenError when the file cannot be opened, EReadError/EWriteError
    // on a failing read or write.
    void LoadFromFile(const AnsiString &path);
    void SaveToFile(const AnsiString &path) const;

private:
    struct Item {
        AnsiString text;
        intptr_t object;
    };
    void check(int index) const;
    std::vector<Item> items_;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream. Read and Write move as much as they can and return the count;
// ReadBuffer and WriteBuffer move all or raise EReadError / EWriteError.
class TStream {
public:
    virtual ~TStream() = default;
    virtual int32_t Read(void *buffer, int32_t count) = 0;
    virtual int32_t Write(const void *buffer, int32_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t newSize) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    int64_t Size();
    void ReadBuffer(void *buffer, int32_t count);
    void WriteBuffer(const void *buffer, int32_t count);
    // Copies count bytes from the source's position; count 0 copies the whole
    // source from its start. Returns the number of bytes copied.
    int64_t CopyFrom(TStream &source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    int32_t Read(void *buffer, int32_t count) override;
    int32_t Write(const void *buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;

    void Clear();
    uint8_t *Memory() { return data_.data(); }
    const uint8_t *Memory() const { return data_.data(); }
    const std::vector<uint8_t> &Bytes() const { return data_; }
    void LoadFromStream(TStream &source);
    void SaveToStream(TStream &target) const;
    void LoadFromFile(const AnsiString &path);
    void SaveToFile(const AnsiString &path) const;

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

// File open modes of the class library: an access mode or'ed with a share mode,
// or fmCreate. Sharing is enforced between every file stream and text file of
// any process on the machine through advisory locks: an exclusive open holds
// the only lock; every other open holds a shared one.
enum : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFFFF,
};

class TFileStream : public TStream {
public:
    // Raises EFOpenError (EFCreateError for fmCreate) when the file cannot be
    // opened or another open holds it against this one.
    TFileStream(const AnsiString &path, uint16_t mode);
    ~TFileStream() override;
    TFileStream(const TFileStream &) = delete;
    TFileStream &operator=(const TFileStream &) = delete;

    int32_t Read(void *buffer, int32_t count) override;
    int32_t Write(const void *buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    const AnsiString &FileName() const { return path_; }
    int Handle() const { return fd_; }

private:
    AnsiString path_;
    int fd_ = -1;
};

// Opens a file descriptor under the sharing rule above. Returns -1 and sets
// errno (EWOULDBLOCK for a sharing conflict) on failure. `truncate` empties the
// file only once the lock is held, so a refused open never destroys content.
int OpenShared(const AnsiString &path, int openFlags, bool exclusive, bool truncate = false);

} // namespace platform
