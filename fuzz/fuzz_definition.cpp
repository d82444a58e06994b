// Reads arbitrary bytes as a definition file and, split at the first NUL, as
// definition.global naming it; every record found is then looked up.
#include "FuzzSupport.h"
#include "browser/TaxonarTypeCode.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using fuzzsupport::WriteFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string g_dir = fuzzsupport::ScratchDir("def");
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const size_t nul = bytes.find('\0');
    const std::string global = nul == std::string::npos ? "a.def;T;X;N\r\n" : bytes.substr(0, nul);
    const std::string definition = nul == std::string::npos ? bytes : bytes.substr(nul + 1);
    WriteFile(g_dir + "definition.global", global);
    WriteFile(g_dir + "a.def", definition);

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
