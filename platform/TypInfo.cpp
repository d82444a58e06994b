#include "platform/TypInfo.h"

#include <map>

namespace platform {

namespace {

bool sameText(const AnsiString &a, const AnsiString &b)
{
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

// Registered classes by upper-cased name.
std::map<AnsiString, TClass> &registry()
{
    static std::map<AnsiString, TClass> classes;
    return classes;
}

} // namespace

TClass TObject::StaticClass()
{
    static const TClassInfo info{"TObject", nullptr, nullptr, nullptr};
    return &info;
}

bool TClassInfo::InheritsFrom(TClass other) const
{
    for (TClass c = this; c != nullptr; c = c->Parent)
        if (c == other)
            return true;
    return false;
}

bool TClassInfo::ClassNameIs(const AnsiString &name) const { return sameText(Name, name); }

const TPropList &TClassInfo::Properties() const
{
    // Built on first use; the class information lives for the whole process.
    static std::map<const TClassInfo *, TPropList> cache;
    auto it = cache.find(this);
    if (it != cache.end())
        return it->second;
    TPropList list;
    if (Parent != nullptr)
        list = Parent->Properties();
    if (Publish != nullptr) {
        TPropList own;
        Publish(own);
        for (TPropInfo &p : own) {
            bool replaced = false;
            for (TPropInfo &q : list)
                if (sameText(q.Name, p.Name)) {
                    q = p;
                    replaced = true;
                    break;
                }
            if (!replaced)
                list.push_back(std::move(p));
        }
    }
    return cache.emplace(this, std::move(list)).first->second;
}

TObject *TClassInfo::Create(TObject *owner) const
{
    if (Factory == nullptr)
        throw Exception(AnsiString("Cannot create an instance of abstract class ") + Name);
    return Factory(owner);
}

void RegisterClass(TClass cls)
{
    if (cls == nullptr)
        return;
    auto &reg = registry();
    const AnsiString key = UpperCase(cls->Name);
    auto it = reg.find(key);
    if (it != reg.end()) {
        if (it->second == cls)
            return;
        throw Exception(AnsiString("A class named ") + cls->Name + " already exists");
    }
    reg.emplace(key, cls);
}

void RegisterClasses(std::initializer_list<TClass> classes)
{
    for (TClass c : classes)
        RegisterClass(c);
}

void UnRegisterClass(TClass cls)
{
    if (cls == nullptr)
        return;
    auto &reg = registry();
    auto it = reg.find(UpperCase(cls->Name));
    if (it != reg.end() && it->second == cls)
        reg.erase(it);
}

TClass GetClass(const AnsiString &name)
{
    auto &reg = registry();
    auto it = reg.find(UpperCase(name));
    return it == reg.end() ? nullptr : it->second;
}

const TEnumInfo BooleanInfo{"Boolean", {"False", "True"}};

AnsiString GetEnumName(const TEnumInfo &info, int64_t value)
{
    if (value < 0 || value >= static_cast<int64_t>(info.Names.size()))
        return AnsiString();
    return info.Names[static_cast<size_t>(value)];
}

int GetEnumValue(const TEnumInfo &info, const AnsiString &name)
{
    for (size_t i = 0; i < info.Names.size(); ++i)
        if (sameText(info.Names[i], name))
            return static_cast<int>(i);
    return -1;
}

const TPropInfo *GetPropInfo(TClass cls, const AnsiString &name)
{
    if (cls == nullptr)
        return nullptr;
    for (const TPropInfo &p : cls->Properties())
        if (sameText(p.Name, name))
            return &p;
    return nullptr;
}

const TPropInfo *GetPropInfo(const TObject &obj, const AnsiString &name) { return GetPropInfo(obj.ClassType(), name); }

} // namespace platform
