// Fuzz target for the export counter: the input is the counter file as found
// on disk (any length). Taking a number must give six or more characters (digits
// and, for a negative counter, its sign), and the file must afterwards hold the
// next number in four bytes, the bytes after them untouched.
#include "FuzzSupport.h"
#include "browser/TaxonarTypeCode.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string readAll(const std::string &path)
{
    std::string bytes;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string dir = fuzzsupport::ScratchDir("counter");
    taxonar::AppDir = dir;
    const std::string path = dir + "taxonar.counter";
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        std::abort();
    }

    const std::string number = taxonar::NextExportNumber();
    if (number.size() < 6)
        std::abort();
    for (size_t i = 0; i < number.size(); ++i)
        if (!(number[i] >= '0' && number[i] <= '9') && number[i] != '-')
            std::abort();

    uint8_t old[4] = {0, 0, 0, 0};
    std::memcpy(old, data, size < 4 ? size : 4);
    const uint32_t n = uint32_t(old[0]) | uint32_t(old[1]) << 8 | uint32_t(old[2]) << 16 | uint32_t(old[3]) << 24;
    const uint32_t next = n + 1;
    const std::string after = readAll(path);
    if (after.size() != (size < 4 ? 4 : size))
        std::abort();
    const uint8_t expect[4] = {uint8_t(next), uint8_t(next >> 8), uint8_t(next >> 16), uint8_t(next >> 24)};
    if (std::memcmp(after.data(), expect, 4) != 0 || (size > 4 && std::memcmp(after.data() + 4, data + 4, size - 4) != 0))
        std::abort();
    return 0;
}
