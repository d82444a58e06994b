#include "platform/System.h"
#include "platform/SysUtils.h"

#include <QCoreApplication>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <unistd.h>

namespace platform {
namespace {
std::mutex g_tickMutex;
std::function<uint32_t()> g_tickSource;

AnsiString envOr(const char *name, const AnsiString &fallback)
{
    const char *v = std::getenv(name);
    return (v && *v) ? AnsiString(v) : fallback;
}

AnsiString homeDir() { return envOr("HOME", "/root"); }
} // namespace

uint32_t GetTickCount()
{
    {
        std::lock_guard<std::mutex> lock(g_tickMutex);
        if (g_tickSource)
            return g_tickSource();
    }
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void SetTickSource(std::function<uint32_t()> source)
{
    std::lock_guard<std::mutex> lock(g_tickMutex);
    g_tickSource = std::move(source);
}

void ProcessMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

AnsiString ExecutableDir()
{
    char buf[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) {
        const AnsiString here = AbsolutePath("");
        return here.empty() ? AnsiString("/") : here;
    }
    return ExtractFilePath(AnsiString(buf, size_t(n)));
}

AnsiString UserAppDataDir()
{
    return IncludeTrailingPathDelimiter(envOr("XDG_DATA_HOME", homeDir() + "/.local/share"));
}

// A relative $TMPDIR is taken from the current folder, so that the paths of
// files made there are whole on their own; when the current folder cannot be
// read it counts as missing.
AnsiString TempDir()
{
    const AnsiString dir = AbsolutePath(envOr("TMPDIR", "/tmp"));
    return IncludeTrailingPathDelimiter(dir.empty() ? AnsiString("/tmp") : dir);
}

AnsiString WindowsDir()
{
    return IncludeTrailingPathDelimiter(envOr("XDG_CONFIG_HOME", homeDir() + "/.config"));
}

AnsiString SystemDir() { return "/usr/lib/"; }

} // namespace platform
