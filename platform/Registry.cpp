#include "platform/Registry.h"

#include "platform/Cp1250.h"

#include <map>
#include <memory>
#include <mutex>

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
};

Store &store()
{
    static Store s;
    return s;
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
    std::lock_guard g(store().lock);
    store().roots.clear();
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
    std::lock_guard g(store().lock);
    Node *n = walk(root_, path, false);
    if (!n && CanCreate && (access_ & KEY_CREATE_SUB_KEY) != 0)
        n = walk(root_, path, true);
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
    std::lock_guard g(store().lock);
    return walk(root_, path, false) != nullptr;
}

bool TRegistry::CreateKey(const AnsiString &Key)
{
    if ((access_ & KEY_CREATE_SUB_KEY) == 0)
        return false;
    const std::vector<AnsiString> path = resolve(Key);
    std::lock_guard g(store().lock);
    return walk(root_, path, true) != nullptr;
}

bool TRegistry::DeleteKey(const AnsiString &Key)
{
    std::vector<AnsiString> path = resolve(Key);
    if (path.empty() || !canWrite())
        return false;
    std::lock_guard g(store().lock);
    const AnsiString last = path.back();
    path.pop_back();
    Node *parent = walk(root_, path, false);
    return parent && parent->children.erase(AnsiUpperCase(last)) > 0;
}

std::vector<AnsiString> TRegistry::GetKeyNames() const
{
    std::vector<AnsiString> out;
    if (!open_)
        return out;
    std::lock_guard g(store().lock);
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
    std::lock_guard g(store().lock);
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
    std::lock_guard g(store().lock);
    const Value *v = findValue(walk(root_, path_, false), Name);
    return v ? v->type : rdUnknown;
}

bool TRegistry::DeleteValue(const AnsiString &Name)
{
    if (!open_ || !canWrite())
        return false;
    std::lock_guard g(store().lock);
    Node *n = walk(root_, path_, false);
    return n && n->values.erase(AnsiUpperCase(Name)) > 0;
}

AnsiString TRegistry::ReadString(const AnsiString &Name) const
{
    if (!open_)
        return AnsiString();
    std::lock_guard g(store().lock);
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
    std::lock_guard g(store().lock);
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
    std::lock_guard g(store().lock);
    Node *n = walk(root_, path_, false);
    if (!n)
        throw ERegistryException("Failed to set data for '" + Name + "'");
    Value &v = n->values[AnsiUpperCase(Name)];
    if (v.name.empty())
        v.name = Name;
    v.type = type;
    v.data = data;
    v.number = number;
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
