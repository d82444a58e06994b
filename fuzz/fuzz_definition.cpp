// Reads arbitrary bytes as a definition file and, split at the first NUL, as
// definition.global naming it; every record found is then looked up.
#include "browser/TaxonarTypeCode.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
std::string g_dir;

void writeFile(const std::string &path, const std::string &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (g_dir.empty()) {
        char tmpl[] = "/tmp/rbkn-fuzz-def-XXXXXX";
        if (!mkdtemp(tmpl))
            std::abort();
        g_dir = std::string(tmpl) + "/";
    }
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const size_t nul = bytes.find('\0');
    const std::string global = nul == std::string::npos ? "a.def;T;X;N\r\n" : bytes.substr(0, nul);
    const std::string definition = nul == std::string::npos ? bytes : bytes.substr(nul + 1);
    writeFile(g_dir + "definition.global", global);
    writeFile(g_dir + "a.def", definition);

    taxonar::TStringList records;
    taxonar::Catalogue catalogue(records);
    taxonar::CatalogueSink sink;
    sink.OnShownRecord = [&](int index, const std::string &, const std::string &parent, const std::string &sig) {
        if (catalogue.FindParentRecord(parent, sig) > index)
            std::abort(); // a parent is always an earlier record
    };
    try {
        catalogue.Load(g_dir, sink);
    } catch (const platform::Exception &) {
        // Files named by definition.global may not exist: an input/output error.
    }
    for (int i = 0; i < records.Count(); ++i) {
        const std::string &r = records[i];
        if (r.empty() || r.back() != '\t')
            std::abort(); // every item record ends in a TAB
        (void)taxonar::GetRecordValue(r, "NAME=");
        (void)taxonar::GetRecordValue(r, "");
    }
    return 0;
}
