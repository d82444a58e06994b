#include "kcl/KCLUtils.h"

#include "kcl/KCLStrUtils.h"

#include "platform/System.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstring>
#include <memory>
#include <new>

namespace {

// A folder as the system call gives it: no trailing delimiter except the root.
AnsiString systemFolder(const AnsiString &dir)
{
    if (dir.size() > 1 && dir.back() == '/')
        return dir.substr(0, dir.size() - 1);
    return dir;
}

[[noreturn]] void lzrwError() { throw EKCLCompressError("LZRW Error!"); }

[[noreturn]] void zlibError(int code)
{
    throw EKCLCompressError("Compression error " + platform::IntToStr(code));
}

void put32(uint8_t *p, int32_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    p[0] = uint8_t(u);
    p[1] = uint8_t(u >> 8);
    p[2] = uint8_t(u >> 16);
    p[3] = uint8_t(u >> 24);
}

int32_t get32(const uint8_t *p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

void writeInt32(platform::TStream &s, int32_t v)
{
    uint8_t b[4];
    put32(b, v);
    s.WriteBuffer(b, 4);
}

int32_t readInt32(platform::TStream &s)
{
    uint8_t b[4];
    s.ReadBuffer(b, 4);
    return get32(b);
}

// Grows a zlib output buffer: at least `step` bytes, and by half its size so
// that large outputs need few reallocations.
void grow(std::vector<uint8_t> &buf, size_t step)
{
    buf.resize(buf.size() + std::max(step, buf.size() / 2));
}

} // namespace

// ------------------------------------------------------------------ folders

AnsiString KCLGetWindowsDir() { return systemFolder(platform::WindowsDir()); }

AnsiString KCLGetSystemDir() { return systemFolder(platform::SystemDir()); }

AnsiString KCLGetProgramDir() { return KCLAddBackslash(platform::ExecutableDir()); }

AnsiString KCLGetPrefixPath(TKCLPathPrefix prefix, bool addBackslash)
{
    AnsiString dir;
    switch (prefix) {
    case ppWindows:
        dir = KCLGetWindowsDir();
        break;
    case ppSystem:
        dir = KCLGetSystemDir();
        break;
    case ppProgram:
        dir = KCLGetProgramDir();
        break;
    case ppFixed:
        return AnsiString();
    }
    return addBackslash ? KCLAddBackslash(dir) : KCLRemoveBackslash(dir);
}

const char *KCLStrToPChar(const AnsiString &s) { return s.empty() ? nullptr : s.c_str(); }

namespace {
int roundHalfEven(long double v)
{
    if (!(v == v))
        return 0;
    const long double r = std::nearbyintl(v); // the default mode rounds halves to even
    if (r >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (r <= std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(r);
}
} // namespace

platform::TRect KCLFitRect(const platform::TRect &source, const platform::TRect &target)
{
    const long double sw = source.Right - source.Left;
    const long double sh = source.Bottom - source.Top;
    const long double tw = target.Right - target.Left;
    const long double th = target.Bottom - target.Top;
    if (sw == 0 || sh == 0)
        return {target.Left, target.Top, target.Left, target.Top};
    const long double factor = std::min(tw / sw, th / sh);
    const int w = roundHalfEven(sw * factor);
    const int h = roundHalfEven(sh * factor);
    return {target.Left, target.Top, int(int64_t(target.Left) + w), int(int64_t(target.Top) + h)};
}

// -------------------------------------------------------------------- LZRW1

uint16_t KCLLZRW1Compress(const uint8_t *source, uint8_t *dest, uint16_t sourceSize)
{
    constexpr uint16_t kEmpty = 0xFFFF;
    std::unique_ptr<uint16_t[]> table(new (std::nothrow) uint16_t[4096]);
    if (!table)
        lzrwError();
    std::fill_n(table.get(), 4096, kEmpty);

    const uint32_t n = sourceSize;
    uint32_t out = 3;        // flag and first control word come first
    uint32_t controlAt = 1;  // where the current control word goes
    uint32_t control = 0;
    int items = 0;
    uint32_t pos = 0;
    dest[0] = 0x40;

    while (pos < n && out <= n) {
        if (items == 16) {
            dest[controlAt] = uint8_t(control >> 8);
            dest[controlAt + 1] = uint8_t(control);
            controlAt = out;
            out += 2;
            control = 0;
            items = 0;
        }
        const uint8_t b0 = source[pos];
        uint32_t run = 1;
        while (pos + run < n && source[pos + run] == b0 && run < 4095)
            ++run;
        if (run >= 16) {
            const uint32_t code = run - 16;
            dest[out] = 0;
            dest[out + 1] = uint8_t(code >> 8);
            dest[out + 2] = uint8_t(code);
            dest[out + 3] = b0;
            out += 4;
            control = (control << 1) | 1;
            pos += run;
        } else {
            // Bytes past the end of the source cannot make a match (its length
            // is bounded by the source), so they only need some fixed value.
            const uint32_t b1 = pos + 1 < n ? source[pos + 1] : 0;
            const uint32_t b2 = pos + 2 < n ? source[pos + 2] : 0;
            const uint32_t hash =
                ((40543u * ((((uint32_t(b0) << 4) ^ b1) << 4) ^ b2)) >> 4) & 0xFFF;
            const uint32_t candidate = table[hash];
            table[hash] = uint16_t(pos);
            uint32_t len = 0;
            if (candidate != kEmpty && pos - candidate < 4096) {
                while (len < 18 && pos + len < n && source[candidate + len] == source[pos + len])
                    ++len;
            }
            if (len >= 3) {
                const uint32_t word = ((pos - candidate) << 4) | (len - 3);
                dest[out] = uint8_t(word >> 8);
                dest[out + 1] = uint8_t(word);
                out += 2;
                control = (control << 1) | 1;
                pos += len;
            } else {
                dest[out++] = b0;
                control <<= 1;
                ++pos;
            }
        }
        ++items;
    }
    control <<= (16 - items);
    dest[controlAt] = uint8_t(control >> 8);
    dest[controlAt + 1] = uint8_t(control);

    if (out > n) {
        // The stored form of 65535 bytes would not fit the 16-bit block size.
        if (n == 0xFFFF)
            lzrwError();
        dest[0] = 0x80;
        if (n)
            std::memcpy(dest + 1, source, n);
        return uint16_t(n + 1);
    }
    return uint16_t(out);
}

uint16_t KCLLZRW1Decompress(const uint8_t *block, uint8_t *dest, uint16_t blockSize,
                            size_t destCapacity)
{
    const uint32_t n = blockSize;
    const size_t cap = std::min<size_t>(destCapacity, 0xFFFF);
    if (n == 0)
        return 0;
    if (block[0] == 0x80) {
        if (n - 1 > cap)
            lzrwError();
        if (n > 1)
            std::memcpy(dest, block + 1, n - 1);
        return uint16_t(n - 1);
    }
    if (n < 3)
        lzrwError();
    uint32_t control = uint32_t(block[1]) << 8 | block[2];
    int bits = 16;
    uint32_t x = 3;
    size_t y = 0;
    while (x < n) {
        if (bits == 0) {
            if (x + 2 > n)
                lzrwError();
            control = uint32_t(block[x]) << 8 | block[x + 1];
            x += 2;
            bits = 16;
            if (x >= n)
                lzrwError(); // a control word with no item after it
        }
        const bool isCopy = (control & 0x8000) != 0;
        control = (control << 1) & 0xFFFF;
        --bits;
        if (!isCopy) {
            if (y >= cap)
                lzrwError();
            dest[y++] = block[x++];
            continue;
        }
        if (x + 2 > n)
            lzrwError();
        const uint32_t word = uint32_t(block[x]) << 8 | block[x + 1];
        const uint32_t distance = word >> 4;
        if (distance == 0) {
            if (x + 4 > n)
                lzrwError();
            const size_t count = (size_t(block[x + 1]) << 8 | block[x + 2]) + 16;
            if (count > cap - y)
                lzrwError();
            std::memset(dest + y, block[x + 3], count);
            y += count;
            x += 4;
        } else {
            const size_t len = (word & 0xF) + 3;
            if (distance > y || len > cap - y)
                lzrwError();
            // Byte by byte: an overlapping copy repeats the pattern.
            for (size_t i = 0; i < len; ++i, ++y)
                dest[y] = dest[y - distance];
            x += 2;
        }
    }
    return uint16_t(y);
}

// --------------------------------------------------------------------- zlib

int32_t KCLZCompressBuffer(const void *source, int32_t sourceSize, std::vector<uint8_t> &dest)
{
    if (sourceSize < 0)
        zlibError(Z_BUF_ERROR);
    const bool allocatedHere = dest.empty();
    if (allocatedHere) {
        size_t size = size_t(sourceSize) + size_t(sourceSize) / 10 + 12;
        dest.resize((size + 255) / 256 * 256);
    } else {
        dest.resize(size_t(sourceSize));
    }
    z_stream zs{};
    int rc = deflateInit(&zs, 9);
    if (rc < 0) {
        if (allocatedHere)
            dest.clear();
        zlibError(rc);
    }
    zs.next_in = static_cast<Bytef *>(const_cast<void *>(source));
    zs.avail_in = uInt(sourceSize);
    for (;;) {
        // A buffer with no room left (a given one for an empty source) grows
        // first: zlib would only answer that it cannot make progress.
        if (dest.size() == zs.total_out)
            grow(dest, 256);
        zs.next_out = dest.data() + zs.total_out;
        zs.avail_out = uInt(dest.size() - zs.total_out);
        rc = deflate(&zs, Z_FINISH);
        if (rc == Z_STREAM_END)
            break;
        if (rc < 0) {
            deflateEnd(&zs);
            if (allocatedHere)
                dest.clear();
            zlibError(rc);
        }
        grow(dest, 256);
    }
    const size_t total = zs.total_out;
    deflateEnd(&zs);
    dest.resize(total);
    return int32_t(total);
}

int32_t KCLZDecompressBuffer(const void *source, int32_t sourceSize, std::vector<uint8_t> &dest)
{
    if (sourceSize < 0)
        zlibError(Z_BUF_ERROR);
    const size_t step = (size_t(sourceSize) + 255) / 256 * 256;
    const bool allocatedHere = dest.empty();
    dest.resize(allocatedHere ? std::max<size_t>(step, 256) : size_t(sourceSize));
    z_stream zs{};
    int rc = inflateInit(&zs);
    if (rc < 0) {
        if (allocatedHere)
            dest.clear();
        zlibError(rc);
    }
    zs.next_in = static_cast<Bytef *>(const_cast<void *>(source));
    zs.avail_in = uInt(sourceSize);
    for (;;) {
        if (dest.size() == zs.total_out)
            grow(dest, std::max<size_t>(step, 256));
        zs.next_out = dest.data() + zs.total_out;
        zs.avail_out = uInt(dest.size() - zs.total_out);
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc == Z_STREAM_END)
            break;
        // Z_NEED_DICT is positive but no further call can make progress.
        if (rc < 0 || rc == Z_NEED_DICT) {
            inflateEnd(&zs);
            if (allocatedHere)
                dest.clear();
            zlibError(rc);
        }
        grow(dest, std::max<size_t>(step, 256));
    }
    const size_t total = zs.total_out;
    inflateEnd(&zs);
    dest.resize(total);
    return int32_t(total);
}

// ----------------------------------------------------------------- streams

void KCLCompressStream(platform::TStream &source, platform::TStream &dest, int64_t count,
                       uint8_t method)
{
    const bool zlib = method == KCLCompressZLib;
    const int32_t chunkSize = zlib ? KCLZLibChunkSize : KCLLZRW1ChunkSize;
    const int64_t start = dest.Position();
    writeInt32(dest, 0);
    int32_t total = 0;
    std::vector<uint8_t> chunk(static_cast<size_t>(chunkSize));
    std::vector<uint8_t> packed;
    if (!zlib)
        packed.resize(KCLLZRW1MaxBlock(size_t(chunkSize)));
    while (count > 0) {
        const int32_t want = int32_t(std::min<int64_t>(count, chunkSize));
        const int32_t got = source.Read(chunk.data(), want);
        if (got <= 0)
            break;
        int32_t size;
        if (zlib) {
            packed.clear();
            size = KCLZCompressBuffer(chunk.data(), got, packed);
        } else {
            size = KCLLZRW1Compress(chunk.data(), packed.data(), uint16_t(got));
        }
        writeInt32(dest, size);
        dest.WriteBuffer(packed.data(), size);
        total += 4 + size;
        count -= got;
    }
    dest.SetPosition(start);
    writeInt32(dest, total);
    dest.Seek(0, platform::TSeekOrigin::soEnd);
}

void KCLDecompressStream(platform::TStream &source, platform::TStream &dest, uint8_t method)
{
    const bool zlib = method == KCLCompressZLib;
    int64_t total = readInt32(source);
    std::vector<uint8_t> packed;
    std::vector<uint8_t> plain;
    if (!zlib)
        plain.resize(0xFFFF);
    while (total > 0) {
        const int32_t size = readInt32(source);
        if (size < 0 || size > KCLMaxCompressedChunk)
            throw EKCLCompressError("Invalid compressed chunk size " + platform::IntToStr(size));
        packed.resize(size_t(size));
        source.ReadBuffer(packed.data(), size);
        int32_t outSize;
        if (zlib) {
            plain.clear();
            outSize = KCLZDecompressBuffer(packed.data(), size, plain);
        } else {
            outSize = KCLLZRW1Decompress(packed.data(), plain.data(), uint16_t(size), plain.size());
        }
        dest.WriteBuffer(plain.data(), outSize);
        total -= 4 + int64_t(size);
    }
}
