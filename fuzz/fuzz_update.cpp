// Fuzz target for the update check's readers of downloaded bytes: the input is
// the version file's text and, as a file, the converted installer.
// - The version text gives three numbers or all zeros; the numbers printed
//   back with their ';' read as the same numbers, and the newer-version test
//   agrees with the 64-bit sum of minor and build.
// - The conversion gives a file of the input less its 256-byte key, each byte
//   XOR-ed with the key byte after it; an input starting with 0xAB is padded
//   past 64 KiB so the key keeps counting across the conversion's chunks. An
//   input starting with 0xCD is converted into a missing folder, which must
//   fail and leave nothing behind. These two skip the version text.
#include "FuzzSupport.h"
#include "browser/TaxonarMainCode.h"

#include "platform/SysUtils.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace taxonar;
using platform::AnsiString;

namespace {

bool readFile(const std::string &path, std::string &bytes)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bytes.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    std::fclose(f);
    return true;
}

void checkVersion(const AnsiString &text)
{
    int major = -1, minor = -1, build = -1;
    TTaxonarMainForm::ParseUpdateVersion(text, major, minor, build);

    // The three fields before the first three ';', each read on its own.
    int expect[3] = {0, 0, 0};
    bool valid = true;
    size_t start = 0;
    for (int &value : expect) {
        const size_t semi = text.find(';', start);
        if (semi == AnsiString::npos || !platform::TryStrToInt(text.substr(start, semi - start), value)) {
            valid = false;
            break;
        }
        start = semi + 1;
    }
    if (!valid)
        expect[0] = expect[1] = expect[2] = 0;
    if (major != expect[0] || minor != expect[1] || build != expect[2])
        std::abort();

    const bool newer = major > 1 || (major == 1 && int64_t(minor) * 1000 + build > 3001);
    if (TTaxonarMainForm::IsNewerVersion(major, minor, build) != newer)
        std::abort();
}

// Whether out[j] = source[256 + j] XOR source[(j + 1) mod 256] for every j.
// The check is kept out of the coverage feedback: it is the target's own
// loop, and tracing its comparisons would cost more than the conversion.
__attribute__((no_sanitize("coverage"))) bool convertedAsExpected(const uint8_t *source, const uint8_t *out,
                                                                   size_t n)
{
    uint8_t diff = 0;
    for (size_t j = 0; j < n; ++j)
        diff |= uint8_t(out[j] ^ source[256 + j] ^ source[(j + 1) & 255]);
    return diff == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string dir = fuzzsupport::ScratchDir("update");
    const AnsiString input(reinterpret_cast<const char *>(data), size);

    // Inputs that pick a special conversion skip the version text, so that
    // the corpus does not fill with long conversions that differ only there.
    const bool special = size > 0 && (data[0] == 0xAB || data[0] == 0xCD);
    if (!special)
        checkVersion(input);
    // Numbers taken from the input, printed as a server would, read back.
    if (!special && size >= 12) {
        int32_t v[3];
        for (int i = 0; i < 3; ++i)
            v[i] = int32_t(uint32_t(data[4 * i]) | uint32_t(data[4 * i + 1]) << 8 | uint32_t(data[4 * i + 2]) << 16 |
                           uint32_t(data[4 * i + 3]) << 24);
        const AnsiString text = platform::IntToStr(v[0]) + ";" + platform::IntToStr(v[1]) + ";" +
                                platform::IntToStr(v[2]) + ";" + input.substr(12);
        int major = 0, minor = 0, build = 0;
        TTaxonarMainForm::ParseUpdateVersion(text, major, minor, build);
        if (major != v[0] || minor != v[1] || build != v[2])
            std::abort();
        checkVersion(text);
    }

    std::string source = input;
    if (size > 0 && data[0] == 0xAB)
        source.resize(65536 + 256 + size, '\x5a');
    const std::string sourcePath = dir + "instaluj.qx4817.new";
    const std::string destination = dir + "instaluj.qx4817.exe";
    fuzzsupport::WriteFile(sourcePath, source);
    ::unlink(destination.c_str());

    if (size > 0 && data[0] == 0xCD) {
        // The destination's folder does not exist: an error, and no file.
        const std::string missing = dir + "missing/instaluj.qx4817.exe";
        const bool ok = TTaxonarMainForm::UnscrambleUpdateFile(sourcePath, missing);
        if (ok != source.empty() || ::access(missing.c_str(), F_OK) == 0)
            std::abort();
        return 0;
    }

    if (!TTaxonarMainForm::UnscrambleUpdateFile(sourcePath, destination))
        std::abort();
    std::string out;
    const bool made = readFile(destination, out);
    if (source.empty()) {
        if (made)
            std::abort();
        return 0;
    }
    if (!made)
        std::abort();
    const size_t keyLength = source.size() < 256 ? source.size() : 256;
    if (out.size() != source.size() - keyLength)
        std::abort();
    if (!convertedAsExpected(reinterpret_cast<const uint8_t *>(source.data()),
                             reinterpret_cast<const uint8_t *>(out.data()), out.size()))
        std::abort();
    // Nothing is left beside the installer.
    if (::access((destination + ".part").c_str(), F_OK) == 0)
        std::abort();
    return 0;
}
