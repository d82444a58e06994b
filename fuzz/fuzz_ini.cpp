// Parses arbitrary bytes as a profile (ini) file, reads every key, edits the
// contents and writes them out and parses that again.
#include "platform/IniFiles.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    platform::TIniData ini;
    ini.Parse(text);
    for (const auto &section : ini.SectionNames()) {
        (void)ini.SectionExists(section);
        for (const auto &key : ini.KeyNames(section))
            (void)ini.ReadString(section, key, "default");
    }
    ini.WriteString("Fuzz", "Key", text.substr(0, 64));
    const auto names = ini.SectionNames();
    if (!names.empty())
        ini.EraseSection(names.front());
    ini.DeleteKey("Fuzz", "Key");
    platform::TIniData again;
    again.Parse(ini.Text());
    (void)again.SectionNames();
    return 0;
}
