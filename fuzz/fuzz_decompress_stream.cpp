// Compressed streams from outside, both methods: the first byte picks the
// method (odd: zlib, even: LZRW1), the rest is read as a compressed stream.
// Reading must end in data or a stream/compression error, never in a crash.
#include "kcl/KCLUtils.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t method = (data[0] & 1) ? KCLCompressZLib : KCLCompressLZRW1;
    platform::TMemoryStream in, out;
    if (size > 1)
        in.WriteBuffer(data + 1, int32_t(size - 1));
    in.SetPosition(0);
    try {
        KCLDecompressStream(in, out, method);
    } catch (const platform::Exception &) {
    }
    // What the writer makes of the same bytes reads back unchanged.
    platform::TMemoryStream plain, packed, back;
    if (size > 1)
        plain.WriteBuffer(data + 1, int32_t(size - 1));
    plain.SetPosition(0);
    KCLCompressStream(plain, packed, int64_t(size - 1), method);
    packed.SetPosition(0);
    KCLDecompressStream(packed, back, method);
    if (back.Bytes() != plain.Bytes())
        std::abort();
    return 0;
}
