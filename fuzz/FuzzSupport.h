// Scratch files of the fuzz targets: a folder under TMPDIR when it is set,
// else on a memory file system where there is one (file traffic then costs
// next to nothing), removed when the run ends normally and left for a look
// after a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

// A new folder <base>/rbkn-fuzz-<tag>-XXXXXX, ending in "/".
inline std::string ScratchDir(const char *tag)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string base = tmp != nullptr && *tmp != '\0' && ::access(tmp, W_OK) == 0 ? tmp
                       : ::access("/dev/shm", W_OK) == 0                         ? "/dev/shm"
                                                                                   : "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    std::string tmpl = base + "/rbkn-fuzz-" + tag + "-XXXXXX";
    if (!::mkdtemp(tmpl.data()))
        std::abort();
    static std::string made;
    made = tmpl;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(made, ignored);
    });
    return tmpl + "/";
}

inline void WriteFile(const std::string &path, const std::string &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
}

} // namespace fuzzsupport
