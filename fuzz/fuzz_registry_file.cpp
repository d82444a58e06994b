// Reads arbitrary bytes as the registry's file; a file that reads must write
// back to the same text and read again.
#include "platform/Registry.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Never the user's own registry file.
    platform::RegistrySetFile("/nonexistent/rbkn-fuzz/registry");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    if (!platform::RegistryLoadFromText(text))
        return 0;
    const std::string written = platform::RegistrySaveToText();
    if (!platform::RegistryLoadFromText(written) || platform::RegistrySaveToText() != written)
        std::abort();
    platform::TRegistry r(platform::KEY_READ);
    if (r.OpenKey("\\Software", false))
        for (const auto &name : r.GetValueNames())
            (void)r.GetDataType(name);
    return 0;
}
