// Parses arbitrary bytes as a profile (ini) file, reads every key, edits the
// contents and writes them out and parses that again.
// - The written text, parsed again, holds the same sections, keys and values
//   and writes out to the same text (after a value with a line end was
//   written, only the write and a parse are checked).
// - A value written reads back the same when a profile file can hold it (no
//   line ends, no surrounding blanks, not enclosed in quotes); an erased
//   section is gone, and deleting a key that exists removes a key.
#include "platform/IniFiles.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Every section with every key and the value it reads as, in file order.
std::vector<std::string> contents(const platform::TIniData &ini)
{
    std::vector<std::string> out;
    for (const auto &section : ini.SectionNames()) {
        check(ini.SectionExists(section));
        out.push_back("[" + section);
        for (const auto &key : ini.KeyNames(section)) {
            check(ini.ValueExists(section, key));
            out.push_back(key + "=" + ini.ReadString(section, key, "default"));
        }
    }
    return out;
}

void compareAfterRereading(const platform::TIniData &ini)
{
    const std::string text = ini.Text();
    platform::TIniData again;
    again.Parse(text);
    check(again.Text() == text);
    check(contents(again) == contents(ini));
}

bool profileSafe(const std::string &v)
{
    if (v.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return false;
    if (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t'))
        return false;
    return !(v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    platform::TIniData ini;
    ini.Parse(text);
    (void)contents(ini);
    compareAfterRereading(ini);

    const std::string value = text.substr(0, 64);
    ini.WriteString("Fuzz", "Key", value);
    if (profileSafe(value))
        check(ini.ReadString("Fuzz", "Key", "default") == value);
    // A line end in a value starts a new line of the file, as the system's
    // profile functions write it too.
    if (value.find_first_of("\r\n") == std::string::npos)
        compareAfterRereading(ini);

    const auto names = ini.SectionNames();
    if (!names.empty()) {
        ini.EraseSection(names.front()); // with every later section of that name
        check(!ini.SectionExists(names.front()) && ini.SectionNames().size() < names.size());
    }
    const size_t keys = ini.KeyNames("Fuzz").size();
    const bool had = ini.ValueExists("Fuzz", "Key");
    ini.DeleteKey("Fuzz", "Key");
    check(had ? ini.KeyNames("Fuzz").size() < keys : ini.KeyNames("Fuzz").size() == keys);
    compareAfterRereading(ini);
    return 0;
}
