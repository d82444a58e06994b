// Helpers shared by the test programs.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace testsupport {

// A fresh folder under $TMPDIR (or /tmp), removed with its content at the end
// of the scope. path() ends in '/'. When no folder can be made the test fails
// (the exception reaches the test runner) rather than writing into a folder
// shared with other programs.
class TempFolder {
public:
    TempFolder()
    {
        const char *base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/rbkn-test-XXXXXX";
        char *made = ::mkdtemp(tmpl.data());
        if (!made)
            throw std::runtime_error("cannot make a temporary folder " + tmpl + ": " + std::strerror(errno));
        path_ = std::string(made) + "/";
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

// Runs the given restoring step when the scope ends, also when a failed
// ASSERT leaves the test early.
class ScopeExit {
public:
    explicit ScopeExit(std::function<void()> restore) : restore_(std::move(restore)) {}
    ~ScopeExit()
    {
        if (restore_)
            restore_();
    }
    ScopeExit(const ScopeExit &) = delete;
    ScopeExit &operator=(const ScopeExit &) = delete;

private:
    std::function<void()> restore_;
};

// An environment variable that is set (or cleared) for the scope and gets its
// earlier value (or absence) back at the end.
class EnvVarScope {
public:
    explicit EnvVarScope(const char *name) : name_(name)
    {
        if (const char *v = std::getenv(name)) {
            had_ = true;
            old_ = v;
        }
    }
    EnvVarScope(const char *name, const std::string &value) : EnvVarScope(name) { set(value); }
    ~EnvVarScope()
    {
        if (had_)
            ::setenv(name_.c_str(), old_.c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    EnvVarScope(const EnvVarScope &) = delete;
    EnvVarScope &operator=(const EnvVarScope &) = delete;
    void set(const std::string &value) const { ::setenv(name_.c_str(), value.c_str(), 1); }

private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

// Exceptions raised inside event handlers (paint, click, timer) do not reach
// the test: the application object reports them. A fixture records their
// messages and calls this at its end: any message fails the test unless the
// test declared that it provokes one.
inline void CheckHandlerExceptions(const std::vector<std::string> &messages, bool expected)
{
    if (expected || messages.empty())
        return;
    std::string all;
    for (const auto &m : messages)
        all += "\n  " + m;
    ADD_FAILURE() << messages.size() << " exception(s) raised in event handlers:" << all;
}

} // namespace testsupport
