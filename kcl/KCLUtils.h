// The library's utility unit: system and program folders with the folder
// prefix of the ini control, the log file and the bitmap list; a string to
// nil-or-characters conversion for system calls; an aspect-preserving
// rectangle fit; and the chunked stream compression of the resource lists,
// with the library's own LZRW1 compressor or zlib.
//
// Folders: on this system the path delimiter is '/', so "a trailing backslash"
// of a folder is a trailing '/'. The Windows folder is the XDG config home and
// the system folder /usr/lib (platform/System.h); both come without their
// trailing delimiter, as the system call gives them, except for the root "/".
//
// Compressed stream layout (all integers 32-bit little-endian, signed):
//   total            4 bytes: sum over the chunks of (4 + compressed size)
//   per chunk: size  4 bytes: compressed size of the chunk
//              data  size bytes: an LZRW1 block or a zlib stream
// A chunk holds at most 32781 source bytes with LZRW1 and 32767 with zlib.
//
// LZRW1 block: flag byte 0x40 (compressed) or 0x80 (stored: the source bytes
// follow unchanged). A compressed block continues with a 16-bit control word
// (high byte first) and its items; after every 16 items comes the next control
// word. A control bit (most significant first) of 0 marks a literal byte, of 1
// a copy (big-endian word: distance 1..4095 in the high 12 bits, length-3 in
// the low 4) or a run (0, run length-16 as a big-endian 16-bit number, the
// byte; told from a copy by its zero distance). The last control word is
// shifted left so that its unused bits are 0.
//
// Faults the layout leaves open are closed here: a corrupt LZRW1 block (an
// item that would read past the block, copy from before the start of the
// output or write past the destination) raises EKCLCompressError("LZRW Error!"),
// and a chunk size read from a stream that is negative or larger than a chunk
// can be (65535 bytes) raises EKCLCompressError too. zlib's "need a
// dictionary" answer is treated as the error it is ("Compression error 2")
// instead of being asked again forever.
#pragma once

#include "platform/Classes.h"
#include "platform/Graphics.h"
#include "platform/SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using platform::AnsiString;

// Errors of the compressors: "LZRW Error!" and "Compression error <code>".
class EKCLCompressError : public platform::Exception {
public:
    using platform::Exception::Exception;
};

enum TKCLPathPrefix { ppWindows, ppSystem, ppProgram, ppFixed };

// Compression methods of the stream routines.
enum : uint8_t { KCLCompressLZRW1 = 0, KCLCompressZLib = 1 };

// Source bytes per chunk of each method.
constexpr int32_t KCLLZRW1ChunkSize = 32781;
constexpr int32_t KCLZLibChunkSize = 32767;
// The largest compressed chunk the stream reader accepts.
constexpr int32_t KCLMaxCompressedChunk = 65535;

// The folders, without a trailing '/' (the root keeps its '/').
AnsiString KCLGetWindowsDir();
AnsiString KCLGetSystemDir();
// The folder of the running program, with its trailing '/'.
AnsiString KCLGetProgramDir();
// ppWindows/ppSystem/ppProgram: that folder with a trailing '/' when
// addBackslash is true, without it otherwise; ppFixed: "".
AnsiString KCLGetPrefixPath(TKCLPathPrefix prefix, bool addBackslash);

// nullptr for an empty string, else its zero-terminated characters (valid as
// long as the string is neither changed nor destroyed).
const char *KCLStrToPChar(const AnsiString &s);

// The largest rectangle with the source's proportions that fits in the
// target, placed at the target's top-left corner; the scaled sizes are rounded
// half to even. A source without width or height gives an empty rectangle at
// the target's corner.
platform::TRect KCLFitRect(const platform::TRect &source, const platform::TRect &target);

// Destination room that KCLLZRW1Compress needs for a source of `sourceSize`
// bytes: the compressor may run a control word and one item past the source
// size before it falls back to the stored form.
constexpr size_t KCLLZRW1MaxBlock(size_t sourceSize) { return sourceSize + 6; }

// Compresses `sourceSize` bytes into an LZRW1 block at `dest`, which must hold
// KCLLZRW1MaxBlock(sourceSize) bytes. Returns the block size (at most
// sourceSize + 1).
uint16_t KCLLZRW1Compress(const uint8_t *source, uint8_t *dest, uint16_t sourceSize);
// Decompresses a block of `blockSize` bytes into `dest`, which holds
// `destCapacity` bytes. Returns the decompressed size. Raises EKCLCompressError
// for a corrupt block or one that decompresses to more than destCapacity
// (or 65535) bytes.
uint16_t KCLLZRW1Decompress(const uint8_t *block, uint8_t *dest, uint16_t blockSize,
                            size_t destCapacity);

// zlib deflate at level 9 of `sourceSize` bytes. An empty `dest` is allocated
// here; a given one is first sized to hold sourceSize bytes. Either way it is
// grown as deflate needs and ends sized to the compressed size, which is
// returned. On a zlib error a buffer allocated here is released again and
// EKCLCompressError("Compression error <code>") is raised.
int32_t KCLZCompressBuffer(const void *source, int32_t sourceSize, std::vector<uint8_t> &dest);
// The same with inflate: returns the decompressed size.
int32_t KCLZDecompressBuffer(const void *source, int32_t sourceSize, std::vector<uint8_t> &dest);

// Writes `count` bytes of `source` (from its position) in the compressed
// stream layout at the destination's position, with method 1 zlib and any
// other LZRW1; then the destination is left at its end.
void KCLCompressStream(platform::TStream &source, platform::TStream &dest, int64_t count,
                       uint8_t method);
// Reads one compressed stream layout from `source` and writes the decompressed
// bytes to `dest`. Method 1 is zlib, any other LZRW1. A stream that ends inside
// a chunk raises EReadError.
void KCLDecompressStream(platform::TStream &source, platform::TStream &dest, uint8_t method);
