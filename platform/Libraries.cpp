#include "platform/Libraries.h"

#include <memory>
#include <mutex>

namespace platform {

const char *const ProgramModuleName = "<program>";
// A handle no registered library gets (those count up from 16).
const HMODULE HInstance = 1;

namespace {

struct Library {
    HMODULE handle = 0;
    int loads = 0;
    std::map<AnsiString, FARPROC> functions;
    std::map<AnsiString, AnsiString> resources; // by upper-case name
};

struct Table {
    std::mutex lock;
    std::map<AnsiString, Library> libraries; // by normalised name
    HMODULE nextHandle = 16;
    uint32_t errorMode = 0;
};

Table &table()
{
    static Table t;
    return t;
}

// The file part in upper case, with ".DLL" when it has no extension.
AnsiString normalise(const AnsiString &name)
{
    size_t start = name.find_last_of("/\\");
    AnsiString file = start == AnsiString::npos ? name : name.substr(start + 1);
    file = UpperCase(file);
    if (file.find('.') == AnsiString::npos)
        file += ".DLL";
    return file;
}

Library *byHandle(Table &t, HMODULE module)
{
    if (module == 0)
        return nullptr;
    if (module == HInstance) {
        auto it = t.libraries.find(normalise(ProgramModuleName));
        return it == t.libraries.end() ? nullptr : &it->second;
    }
    for (auto &[name, lib] : t.libraries)
        if (lib.handle == module)
            return &lib;
    return nullptr;
}

Library &ensure(Table &t, const AnsiString &name)
{
    Library &lib = t.libraries[normalise(name)];
    if (lib.handle == 0)
        lib.handle = t.nextHandle++;
    return lib;
}

} // namespace

void RegisterLibrary(const AnsiString &Name, const std::map<AnsiString, FARPROC> &Functions)
{
    Table &t = table();
    std::lock_guard g(t.lock);
    ensure(t, Name).functions = Functions;
}

void RegisterLibraryResource(const AnsiString &Library, const AnsiString &ResourceName, const AnsiString &Data)
{
    Table &t = table();
    std::lock_guard g(t.lock);
    ensure(t, Library).resources[UpperCase(ResourceName)] = Data;
}

void UnregisterLibrary(const AnsiString &Name)
{
    Table &t = table();
    std::lock_guard g(t.lock);
    t.libraries.erase(normalise(Name));
}

void ClearLibraries()
{
    Table &t = table();
    std::lock_guard g(t.lock);
    t.libraries.clear();
    t.errorMode = 0;
}

AnsiString ResourceIdName(uint32_t Ident) { return "#" + std::to_string(Ident); }

HMODULE LoadLibrary(const AnsiString &FileName)
{
    Table &t = table();
    std::lock_guard g(t.lock);
    auto it = t.libraries.find(normalise(FileName));
    if (FileName.empty() || it == t.libraries.end())
        return 0;
    ++it->second.loads;
    return it->second.handle;
}

bool FreeLibrary(HMODULE Module)
{
    if (Module == HInstance)
        return true;
    Table &t = table();
    std::lock_guard g(t.lock);
    Library *lib = byHandle(t, Module);
    if (!lib || lib->loads <= 0)
        return false;
    --lib->loads;
    return true;
}

FARPROC GetProcAddress(HMODULE Module, const AnsiString &ProcName)
{
    Table &t = table();
    std::lock_guard g(t.lock);
    Library *lib = byHandle(t, Module);
    if (!lib || (Module != HInstance && lib->loads <= 0))
        return nullptr;
    auto it = lib->functions.find(ProcName);
    return it == lib->functions.end() ? nullptr : it->second;
}

const AnsiString *FindResourceData(HMODULE Module, const AnsiString &ResourceName)
{
    Table &t = table();
    std::lock_guard g(t.lock);
    Library *lib = byHandle(t, Module);
    if (!lib || (Module != HInstance && lib->loads <= 0))
        return nullptr;
    auto it = lib->resources.find(UpperCase(ResourceName));
    return it == lib->resources.end() ? nullptr : &it->second;
}

uint32_t SetErrorMode(uint32_t Mode)
{
    Table &t = table();
    std::lock_guard g(t.lock);
    const uint32_t old = t.errorMode;
    t.errorMode = Mode;
    return old;
}

uint32_t GetErrorMode()
{
    Table &t = table();
    std::lock_guard g(t.lock);
    return t.errorMode;
}

int LibraryLoadCount(const AnsiString &Name)
{
    Table &t = table();
    std::lock_guard g(t.lock);
    auto it = t.libraries.find(normalise(Name));
    return it == t.libraries.end() ? 0 : it->second.loads;
}

} // namespace platform
