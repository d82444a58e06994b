// Helpers shared by the test programs.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace testsupport {

// A fresh folder under $TMPDIR (or /tmp), removed with its content at the end
// of the scope. path() ends in '/'.
class TempFolder {
public:
    TempFolder()
    {
        const char *base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/rbkn-test-XXXXXX";
        char *made = ::mkdtemp(tmpl.data());
        path_ = made ? std::string(made) + "/" : std::string("/tmp/");
    }
    ~TempFolder()
    {
        if (path_.size() > 5)
            std::system(("rm -rf '" + path_ + "'").c_str());
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + name; }

private:
    std::string path_;
};

inline void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace testsupport
