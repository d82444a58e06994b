#include "platform/Registry.h"

#include "platform/Cp1250.h"

#include "platform/System.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace platform {

namespace {

struct Value {
    AnsiString name;
    TRegDataType type = rdUnknown;
    AnsiString data;
    int32_t number = 0;
};

struct Node {
    AnsiString name;
    std::map<AnsiString, std::unique_ptr<Node>> children; // by upper-case name
    std::map<AnsiString, Value> values;                   // by upper-case name
};

struct Store {
    std::mutex lock;
    std::map<HKEY, Node> roots;
    AnsiString fixedFile;  // RegistrySetFile; empty: the default file
    AnsiString loadedFile; // the file the roots were read from
    bool loaded = false;
    bool damaged = false; // the loaded file could not be read
};

Store &store()
{
    static Store s;
    return s;
}

AnsiString backingFile(const Store &s)
{
    return s.fixedFile.empty() ? WindowsDir() + "velmora/rbkn/registry" : s.fixedFile;
}

// ------------------------------------------------------------- file form

const char *const Signature = "RBKN-REGISTRY 1";

AnsiString escapeField(const AnsiString &text)
{
    static const char digits[] = "0123456789ABCDEF";
    AnsiString out = ":";
    for (char ch : text) {
        const uint8_t b = static_cast<uint8_t>(ch);
        if (b <= 0x20 || b == 0x7F || b == '%') {
            out += '%';
            out += digits[b >> 4];
            out += digits[b & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool unescapeField(const AnsiString &field, AnsiString &out)
{
    if (field.empty() || field[0] != ':')
        return false;
    out.clear();
    for (size_t i = 1; i < field.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(field[i]);
        if (b <= 0x20 || b == 0x7F)
            return false; // written escaped, never raw
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size())
            return false;
        const int hi = hexValue(field[i + 1]), lo = hexValue(field[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

void writeNode(AnsiString &out, HKEY root, const AnsiString &path, const Node &n)
{
    out += "K " + std::to_string(root - HKEY_CLASSES_ROOT) + " " + escapeField(path) + "\n";
    for (const auto &[up, v] : n.values) {
        static const char types[] = "?SEIB";
        out += types[v.type];
        out += " " + escapeField(v.name) + " " +
               (v.type == rdInteger ? escapeField(std::to_string(v.number)) : escapeField(v.data)) + "\n";
    }
    for (const auto &[up, child] : n.children)
        writeNode(out, root, path.empty() ? child->name : path + "\\" + child->name, *child);
}

AnsiString storeText(const Store &s)
{
    AnsiString out = AnsiString(Signature) + "\n";
    for (const auto &[root, node] : s.roots)
        writeNode(out, root, AnsiString(), node);
    return out;
}

std::vector<AnsiString> splitKey(const AnsiString &key);

// Fills roots from the text; false (roots left empty) when the text is not
// a whole, well-formed registry file.
bool parseText(const AnsiString &text, std::map<HKEY, Node> &roots)
{
    roots.clear();
    size_t pos = 0;
    bool first = true;
    Node *current = nullptr;
    bool bad = false;
    // Each damaged line sets bad and leaves the loop.
    auto fail = [&bad] { bad = true; };
    while (!bad && pos < text.size()) {
        const size_t nl = text.find('\n', pos);
        if (nl == AnsiString::npos) {
            fail(); // every line ends with a line feed
            break;
        }
        const AnsiString line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (first) {
            if (line != Signature) {
                fail();
                break;
            }
            first = false;
            continue;
        }
        const size_t sp1 = line.find(' ');
        const size_t sp2 = sp1 == AnsiString::npos ? sp1 : line.find(' ', sp1 + 1);
        if (sp1 != 1 || sp2 == AnsiString::npos || line.find(' ', sp2 + 1) != AnsiString::npos) {
            fail();
            break;
        }
        const char kind = line[0];
        const AnsiString a = line.substr(2, sp2 - 2), b = line.substr(sp2 + 1);
        AnsiString field;
        if (!unescapeField(b, field)) {
            fail();
            break;
        }
        if (kind == 'K') {
            if (a.size() != 1 || a[0] < '0' || a[0] > '6') {
                fail();
                break;
            }
            Node *n = &roots[HKEY_CLASSES_ROOT + HKEY(a[0] - '0')];
            for (const AnsiString &name : splitKey(field)) {
                auto &slot = n->children[AnsiUpperCase(name)];
                if (!slot) {
                    slot = std::make_unique<Node>();
                    slot->name = name;
                }
                n = slot.get();
            }
            current = n;
            continue;
        }
        const char *types = "?SEIB";
        const char *t = kind != '?' && kind != '\0' ? std::strchr(types, kind) : nullptr;
        AnsiString name;
        if (t == nullptr || current == nullptr || !unescapeField(a, name)) {
            fail();
            break;
        }
        Value v;
        v.name = name;
        v.type = static_cast<TRegDataType>(t - types);
        if (v.type == rdInteger) {
            if (!TryStrToInt(field, v.number)) {
                fail();
                break;
            }
        } else {
            v.data = field;
        }
        current->values[AnsiUpperCase(name)] = v;
    }
    if (bad || first) {
        roots.clear();
        return false;
    }
    return true;
}

// Reads the backing file when it has not been read yet (or the file changed,
// as when tests point XDG_CONFIG_HOME elsewhere).
void ensureLoaded(Store &s)
{
    const AnsiString file = backingFile(s);
    if (s.loaded && file == s.loadedFile)
        return;
    s.loaded = true;
    s.loadedFile = file;
    s.damaged = false;
    s.roots.clear();
    if (!FileExists(file))
        return;
    AnsiString text;
    try {
        text = ReadFileBytes(file);
    } catch (const std::exception &) {
        s.damaged = true;
        return;
    }
    if (!parseText(text, s.roots)) {
        s.damaged = true;
        std::fprintf(stderr, "registry file %s is damaged; starting empty (kept as %s.damaged)\n", file.c_str(),
                     file.c_str());
    }
}

// Writes the store to its file through a temporary file and a rename. A
// damaged file is first kept aside. A failed write leaves the change in
// memory for this run and says so on stderr.
void persist(Store &s)
{
    const AnsiString file = s.loadedFile;
    if (s.damaged) {
        RenameFile(file, file + ".damaged");
        s.damaged = false;
    }
    ForceDirectories(ExtractFilePath(file));
    if (!ReplaceFileContent(file, storeText(s)))
        std::fprintf(stderr, "registry file %s could not be written\n", file.c_str());
}

std::unique_lock<std::mutex> lockStore()
{
    std::unique_lock<std::mutex> g(store().lock);
    ensureLoaded(store());
    return g;
}

bool validRoot(HKEY root)
{
    return root >= HKEY_CLASSES_ROOT && root <= HKEY_DYN_DATA;
}

// The node at path, or nil; with create, missing nodes are made.
Node *walk(HKEY root, const std::vector<AnsiString> &path, bool create)
{
    if (!validRoot(root))
        return nullptr;
    Node *n = &store().roots[root];
    for (const AnsiString &name : path) {
        const AnsiString up = AnsiUpperCase(name);
        auto it = n->children.find(up);
        if (it == n->children.end()) {
            if (!create)
                return nullptr;
            auto child = std::make_unique<Node>();
            child->name = name;
            it = n->children.emplace(up, std::move(child)).first;
        }
        n = it->second.get();
    }
    return n;
}

std::vector<AnsiString> splitKey(const AnsiString &key)
{
    std::vector<AnsiString> out;
    size_t pos = 0;
    while (pos <= key.size()) {
        size_t bs = key.find('\\', pos);
        AnsiString part = key.substr(pos, bs == AnsiString::npos ? AnsiString::npos : bs - pos);
        if (!part.empty())
            out.push_back(part);
        if (bs == AnsiString::npos)
            break;
        pos = bs + 1;
    }
    return out;
}

const Value *findValue(const Node *n, const AnsiString &name)
{
    if (!n)
        return nullptr;
    auto it = n->values.find(AnsiUpperCase(name));
    return it == n->values.end() ? nullptr : &it->second;
}

} // namespace

void RegistryClear()
{
    auto g = lockStore();
    store().roots.clear();
    persist(store());
}

void RegistrySetFile(const AnsiString &FileName)
{
    std::lock_guard g(store().lock);
    store().fixedFile = FileName;
    store().loaded = false;
}

AnsiString RegistryFile()
{
    std::lock_guard g(store().lock);
    return backingFile(store());
}

bool RegistryLoadFromText(const AnsiString &Text)
{
    auto g = lockStore();
    return parseText(Text, store().roots);
}

AnsiString RegistrySaveToText()
{
    auto g = lockStore();
    return storeText(store());
}

// ----------------------------------------------------------------- TRegistry

std::vector<AnsiString> TRegistry::resolve(const AnsiString &Key) const
{
    std::vector<AnsiString> path;
    if (Key.empty() || Key.front() != '\\')
        if (open_)
            path = path_;
    for (AnsiString &name : splitKey(Key))
        path.push_back(std::move(name));
    return path;
}

void TRegistry::SetRootKey(HKEY Value)
{
    CloseKey();
    root_ = Value;
}

bool TRegistry::OpenKey(const AnsiString &Key, bool CanCreate)
{
    const std::vector<AnsiString> path = resolve(Key);
    auto g = lockStore();
    Node *n = walk(root_, path, false);
    if (!n && CanCreate && (access_ & KEY_CREATE_SUB_KEY) != 0) {
        n = walk(root_, path, true);
        if (n)
            persist(store());
    }
    if (!n)
        return false;
    // Keep the names as they were created.
    path_.clear();
    const Node *c = &store().roots[root_];
    for (const AnsiString &name : path) {
        c = c->children.find(AnsiUpperCase(name))->second.get();
        path_.push_back(c->name);
    }
    open_ = true;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString &Key)
{
    access_ = KEY_READ;
    return OpenKey(Key, false);
}

void TRegistry::CloseKey()
{
    open_ = false;
    path_.clear();
}

AnsiString TRegistry::CurrentPath() const
{
    AnsiString out;
    for (const AnsiString &name : path_)
        out += (out.empty() ? "" : "\\") + name;
    return out;
}

bool TRegistry::KeyExists(const AnsiString &Key) const
{
    const std::vector<AnsiString> path = resolve(Key);
    auto g = lockStore();
    return walk(root_, path, false) != nullptr;
}

bool TRegistry::CreateKey(const AnsiString &Key)
{
    if ((access_ & KEY_CREATE_SUB_KEY) == 0)
        return false;
    const std::vector<AnsiString> path = resolve(Key);
    auto g = lockStore();
    if (walk(root_, path, false) != nullptr)
        return true;
    if (walk(root_, path, true) == nullptr)
        return false;
    persist(store());
    return true;
}

bool TRegistry::DeleteKey(const AnsiString &Key)
{
    std::vector<AnsiString> path = resolve(Key);
    if (path.empty() || !canWrite())
        return false;
    auto g = lockStore();
    const AnsiString last = path.back();
    path.pop_back();
    Node *parent = walk(root_, path, false);
    if (!parent || parent->children.erase(AnsiUpperCase(last)) == 0)
        return false;
    persist(store());
    return true;
}

std::vector<AnsiString> TRegistry::GetKeyNames() const
{
    std::vector<AnsiString> out;
    if (!open_)
        return out;
    auto g = lockStore();
    if (const Node *n = walk(root_, path_, false))
        for (const auto &[up, child] : n->children)
            out.push_back(child->name);
    return out;
}

std::vector<AnsiString> TRegistry::GetValueNames() const
{
    std::vector<AnsiString> out;
    if (!open_)
        return out;
    auto g = lockStore();
    if (const Node *n = walk(root_, path_, false))
        for (const auto &[up, v] : n->values)
            out.push_back(v.name);
    return out;
}

bool TRegistry::ValueExists(const AnsiString &Name) const
{
    return GetDataType(Name) != rdUnknown;
}

TRegDataType TRegistry::GetDataType(const AnsiString &Name) const
{
    if (!open_)
        return rdUnknown;
    auto g = lockStore();
    const Value *v = findValue(walk(root_, path_, false), Name);
    return v ? v->type : rdUnknown;
}

bool TRegistry::DeleteValue(const AnsiString &Name)
{
    if (!open_ || !canWrite())
        return false;
    auto g = lockStore();
    Node *n = walk(root_, path_, false);
    if (!n || n->values.erase(AnsiUpperCase(Name)) == 0)
        return false;
    persist(store());
    return true;
}

AnsiString TRegistry::ReadString(const AnsiString &Name) const
{
    if (!open_)
        return AnsiString();
    auto g = lockStore();
    const Value *v = findValue(walk(root_, path_, false), Name);
    if (!v)
        return AnsiString();
    if (v->type != rdString && v->type != rdExpandString)
        throw ERegistryException("Invalid data type for '" + Name + "'");
    return v->data;
}

int32_t TRegistry::ReadInteger(const AnsiString &Name) const
{
    if (!open_)
        return 0;
    auto g = lockStore();
    const Value *v = findValue(walk(root_, path_, false), Name);
    if (!v)
        return 0;
    if (v->type != rdInteger)
        throw ERegistryException("Invalid data type for '" + Name + "'");
    return v->number;
}

void TRegistry::writeValue(const AnsiString &Name, TRegDataType type, const AnsiString &data, int32_t number)
{
    if (!open_ || !canWrite())
        throw ERegistryException("Failed to set data for '" + Name + "'");
    auto g = lockStore();
    Node *n = walk(root_, path_, false);
    if (!n)
        throw ERegistryException("Failed to set data for '" + Name + "'");
    Value &v = n->values[AnsiUpperCase(Name)];
    if (v.name.empty())
        v.name = Name;
    v.type = type;
    v.data = data;
    v.number = number;
    persist(store());
}

void TRegistry::WriteString(const AnsiString &Name, const AnsiString &Value)
{
    writeValue(Name, rdString, Value, 0);
}

void TRegistry::WriteExpandString(const AnsiString &Name, const AnsiString &Value)
{
    writeValue(Name, rdExpandString, Value, 0);
}

void TRegistry::WriteInteger(const AnsiString &Name, int32_t Value)
{
    writeValue(Name, rdInteger, AnsiString(), Value);
}

void TRegistry::WriteBinaryData(const AnsiString &Name, const AnsiString &Bytes)
{
    writeValue(Name, rdBinary, Bytes, 0);
}

// --------------------------------------------------------------- TRegIniFile

TRegIniFile::TRegIniFile(const AnsiString &FileName) : TRegIniFile(FileName, KEY_ALL_ACCESS) {}

TRegIniFile::TRegIniFile(const AnsiString &FileName, uint32_t AAccess) : TRegistry(AAccess), fileName_(FileName)
{
    OpenKey(FileName, true);
}

AnsiString TRegIniFile::ReadString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default)
{
    if (!open_)
        return Default;
    const std::vector<AnsiString> saved = path_;
    if (!Section.empty() && !OpenKey(Section, false))
        return Default;
    AnsiString result = Default;
    try {
        if (ValueExists(Ident))
            result = TRegistry::ReadString(Ident);
    } catch (...) {
        path_ = saved;
        throw;
    }
    path_ = saved;
    return result;
}

void TRegIniFile::WriteString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value)
{
    if (!open_ || !canWrite())
        throw ERegistryException("Failed to set data for '" + Ident + "'");
    const std::vector<AnsiString> saved = path_;
    if (!Section.empty() && !OpenKey(Section, true))
        throw ERegistryException("Failed to set data for '" + Ident + "'");
    try {
        TRegistry::WriteString(Ident, Value);
    } catch (...) {
        path_ = saved;
        throw;
    }
    path_ = saved;
}

void TRegIniFile::DeleteKey(const AnsiString &Section, const AnsiString &Ident)
{
    if (!open_)
        return;
    const std::vector<AnsiString> saved = path_;
    if (!Section.empty() && !OpenKey(Section, false))
        return;
    DeleteValue(Ident);
    path_ = saved;
}

void TRegIniFile::EraseSection(const AnsiString &Section)
{
    if (open_ && !Section.empty())
        TRegistry::DeleteKey(Section);
}

} // namespace platform
