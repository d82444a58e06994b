// LZRW1 blocks from outside: decompressing any bytes must end in a result or
// EKCLCompressError, never outside the block or the destination. The input is
// also compressed and must come back unchanged.
#include "kcl/KCLUtils.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0xFFFF)
        return 0;
    // Exact-size heap copies so that any overrun is caught by the sanitizer.
    std::vector<uint8_t> block(data, data + size);
    {
        std::vector<uint8_t> out(size % 2 ? 0xFFFF : 4096);
        try {
            KCLLZRW1Decompress(block.data(), out.data(), uint16_t(size), out.size());
        } catch (const EKCLCompressError &) {
        }
    }
    if (size < 0xFFFF) {
        std::vector<uint8_t> packed(KCLLZRW1MaxBlock(size));
        const uint16_t n = KCLLZRW1Compress(block.data(), packed.data(), uint16_t(size));
        if (n > size + 1)
            std::abort();
        packed.resize(n);
        std::vector<uint8_t> plain(size);
        const uint16_t m = KCLLZRW1Decompress(packed.data(), plain.data(), n, plain.size());
        if (m != size || (size && std::memcmp(plain.data(), data, size) != 0))
            std::abort();
    }
    return 0;
}
