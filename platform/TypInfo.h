// Run-time type information of the class library, on plain C++:
//
// - TObject and its metaclass TClassInfo (a class reference, TClass): class
//   name, parent class, InheritsFrom, and a virtual constructor (a factory that
//   takes the owner the class's constructor takes);
// - the process-wide class registry (RegisterClass, FindClass, GetClass) that
//   component streaming uses to create components by class name;
// - TMethod, the method pointer of events: an object-bound callable that can be
//   copied, compared and cleared (TNotifyEvent is TMethod<void(TObject*)>);
// - TSet, a set of up to 64 enumeration values;
// - enumeration name tables (TEnumInfo) and published-property tables
//   (TPropInfo: name, kind, default, stored predicate, getter and setter) that
//   drive component streaming;
// - TGUID and IInterface for the few interfaces the library defines.
//
// A class takes part by putting RBK_CLASS(ClassName, ParentClass) in its body.
// It may publish properties with a static function
//     static void PublishProperties(platform::TPropList &list)
//     {
//         platform::TPropertyTable<TFoo> p(list);
//         p.Integer("Width", &TFoo::Width, &TFoo::SetWidth).Default(1);
//     }
// The class's own list follows its parent's; an entry with the name of an
// inherited property replaces the inherited one in place (a descendant that
// changes a default). The virtual constructor is found from the class's
// `TCreateOwner` type (void: default constructor; TComponent: the component
// constructor taking an owner; TPersistent: settings objects taking an owner);
// abstract classes, and classes without such a public constructor, have none.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <vector>

namespace platform {

class TObject;
struct TClassInfo;
struct TPropInfo;
using TClass = const TClassInfo *;
using TPropList = std::vector<TPropInfo>;

// ------------------------------------------------------------------ classes

struct TClassInfo {
    const char *Name;
    TClass Parent;
    // Creates an instance with the given owner (may be nil); nil for classes
    // that cannot be created through their class reference.
    TObject *(*Factory)(TObject *owner);
    // The class's own published properties; nil when it publishes none.
    void (*Publish)(TPropList &list);

    AnsiString ClassName() const { return Name; }
    TClass ClassParent() const { return Parent; }
    bool InheritsFrom(TClass other) const;
    // Case-insensitive comparison with the class name.
    bool ClassNameIs(const AnsiString &name) const;
    // Every published property, the ancestors' first (see above).
    const TPropList &Properties() const;
    // Creates an instance; raises Exception when the class is abstract.
    TObject *Create(TObject *owner = nullptr) const;
};

// The root of every class that has class information.
class TObject {
public:
    using TCreateOwner = void;
    static TClass StaticClass();
    static void PublishProperties(TPropList &) {}

    TObject() = default;
    TObject(const TObject &) = delete;
    TObject &operator=(const TObject &) = delete;
    virtual ~TObject() = default;

    virtual TClass ClassType() const { return StaticClass(); }
    AnsiString ClassName() const { return ClassType()->Name; }
    TClass ClassParent() const { return ClassType()->Parent; }
    bool InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }
    bool ClassNameIs(const AnsiString &name) const { return ClassType()->ClassNameIs(name); }
};

namespace detail {

template <class Cls>
constexpr bool IsCreatable()
{
    using O = typename Cls::TCreateOwner;
    if constexpr (std::is_abstract_v<Cls>)
        return false;
    else if constexpr (std::is_void_v<O>)
        return std::is_default_constructible_v<Cls>;
    else
        return std::is_constructible_v<Cls, O *>;
}

template <class Cls>
TObject *Factory(TObject *owner)
{
    using O = typename Cls::TCreateOwner;
    if constexpr (std::is_void_v<O>) {
        (void)owner;
        return new Cls();
    } else {
        O *typedOwner = nullptr;
        if (owner != nullptr) {
            typedOwner = dynamic_cast<O *>(owner);
            if (typedOwner == nullptr)
                throw Exception("Invalid owner " + owner->ClassName() + " for " + Cls::StaticClass()->Name);
        }
        return new Cls(typedOwner);
    }
}

template <class Cls, class Base>
TClassInfo MakeClassInfo(const char *name)
{
    TClassInfo info{name, Base::StaticClass(), nullptr, nullptr};
    if constexpr (IsCreatable<Cls>())
        info.Factory = &Factory<Cls>;
    if (&Cls::PublishProperties != &Base::PublishProperties)
        info.Publish = &Cls::PublishProperties;
    return info;
}

} // namespace detail

#define RBK_CLASS(Cls, Base)                                                                       \
public:                                                                                            \
    using inherited = Base;                                                                        \
    static ::platform::TClass StaticClass()                                                        \
    {                                                                                              \
        static const ::platform::TClassInfo info = ::platform::detail::MakeClassInfo<Cls, Base>(#Cls); \
        return &info;                                                                              \
    }                                                                                              \
    ::platform::TClass ClassType() const override { return StaticClass(); }                       \
                                                                                                   \
private:

// The instance as the class, or nil when it is nil or of another class.
template <class T>
T *As(TObject *obj) { return dynamic_cast<T *>(obj); }

// Class registry. Registering a class twice does nothing; registering another
// class under a name already taken raises EFilerError-like Exception
// "A class named %s already exists". Names compare without regard to case.
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
void UnRegisterClass(TClass cls);
// nil when no class of that name is registered.
TClass GetClass(const AnsiString &name);
// Raises EClassNotFound "Class %s not found" when none is registered.
TClass FindClass(const AnsiString &name);

// -------------------------------------------------------------- method pointers

template <class Sig>
class TMethod;

// An event handler: a code pointer and the object it is called on. Two method
// pointers are equal when both parts are equal. A handler made from a plain
// function object (FromFunction) is equal only to copies of itself.
template <class R, class... A>
class TMethod<R(A...)> {
public:
    using Thunk = R (*)(void *, A...);

    TMethod() = default;
    TMethod(std::nullptr_t) {}

    // Bind<&TFoo::Changed>(foo): calls foo->Changed(args...) (virtually when
    // the method is virtual).
    template <auto Fn, class C>
    static TMethod Bind(C *object)
    {
        using Owner = typename MemberClass<decltype(Fn)>::type;
        TMethod m;
        m.data_ = static_cast<void *>(static_cast<Owner *>(object));
        m.code_ = &CallMember<Fn, Owner>;
        return m;
    }

    template <class F>
    static TMethod FromFunction(F f)
    {
        TMethod m;
        m.fn_ = std::make_shared<std::function<R(A...)>>(std::move(f));
        m.data_ = m.fn_.get();
        m.code_ = &CallFunction;
        return m;
    }

    bool Assigned() const { return code_ != nullptr; }
    explicit operator bool() const { return Assigned(); }
    void Clear() { *this = TMethod(); }
    void *Data() const { return data_; }
    Thunk Code() const { return code_; }

    // Calling an unassigned method pointer is a programming error; it raises
    // Exception rather than crashing.
    R operator()(A... args) const
    {
        if (code_ == nullptr)
            throw Exception("Call of an unassigned method pointer");
        return code_(data_, std::forward<A>(args)...);
    }

    friend bool operator==(const TMethod &a, const TMethod &b) { return a.code_ == b.code_ && a.data_ == b.data_; }
    friend bool operator==(const TMethod &a, std::nullptr_t) { return !a.Assigned(); }

private:
    template <class M>
    struct MemberClass;
    template <class C, class RR, class... AA>
    struct MemberClass<RR (C::*)(AA...)> {
        using type = C;
    };
    template <class C, class RR, class... AA>
    struct MemberClass<RR (C::*)(AA...) const> {
        using type = const C;
    };

    template <auto Fn, class Owner>
    static R CallMember(void *data, A... args)
    {
        return (static_cast<Owner *>(data)->*Fn)(std::forward<A>(args)...);
    }
    static R CallFunction(void *data, A... args)
    {
        return (*static_cast<std::function<R(A...)> *>(data))(std::forward<A>(args)...);
    }

    void *data_ = nullptr;
    Thunk code_ = nullptr;
    std::shared_ptr<std::function<R(A...)>> fn_;
};

using TNotifyEvent = TMethod<void(TObject *Sender)>;

// ------------------------------------------------------------------- sets

// A set of enumeration values 0..63, as the class library's `set of`.
template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values)
    {
        for (E v : values)
            bits_ |= bit(v);
    }
    static constexpr TSet FromBits(uint64_t bits)
    {
        TSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr uint64_t Bits() const { return bits_; }
    constexpr bool Contains(E v) const { return (bits_ & bit(v)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSet &Include(E v)
    {
        bits_ |= bit(v);
        return *this;
    }
    constexpr TSet &Exclude(E v)
    {
        bits_ &= ~bit(v);
        return *this;
    }
    constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr bool operator==(const TSet &) const = default;

private:
    static constexpr uint64_t bit(E v) { return uint64_t(1) << (static_cast<unsigned>(v) & 63u); }
    uint64_t bits_ = 0;
};

// ------------------------------------------------------------ enumerations

// The names of an enumeration's values, in order of their ordinal values.
struct TEnumInfo {
    const char *TypeName;
    std::vector<AnsiString> Names;
};

// The name of an ordinal value; empty when out of range.
AnsiString GetEnumName(const TEnumInfo &info, int64_t value);
// The ordinal value of a name (case-insensitive), or -1.
int GetEnumValue(const TEnumInfo &info, const AnsiString &name);
extern const TEnumInfo BooleanInfo; // False, True

// ---------------------------------------------------------- published properties

enum class TTypeKind {
    tkInteger,     // any integer up to 64 bits (also colours)
    tkBoolean,
    tkEnumeration, // EnumType names the values
    tkSet,         // EnumType names the elements; the value is the bit mask
    tkFloat,
    tkString,      // AnsiString
    tkClass,       // a nested TPersistent owned by the object: its own properties are streamed
    tkComponent,   // a reference to a TComponent, streamed by name
};

struct TPropInfo {
    AnsiString Name;
    TTypeKind Kind = TTypeKind::tkInteger;
    const TEnumInfo *EnumType = nullptr;
    TClass PropClass = nullptr; // tkClass / tkComponent: the declared class

    // Default: ordinal kinds (the set's bit mask, 0/1 for Boolean), floats and
    // strings. Without a default an ordinal or float property is always
    // written; a string without default is written when not empty.
    bool HasDefault = false;
    int64_t OrdDefault = 0;
    double FloatDefault = 0;
    AnsiString StrDefault;

    std::function<bool(const TObject &)> Stored; // empty: always stored

    std::function<int64_t(const TObject &)> GetOrd;
    std::function<void(TObject &, int64_t)> SetOrd;
    std::function<double(const TObject &)> GetFloat;
    std::function<void(TObject &, double)> SetFloat;
    std::function<AnsiString(const TObject &)> GetStr;
    std::function<void(TObject &, const AnsiString &)> SetStr;
    std::function<TObject *(const TObject &)> GetObj;
    std::function<void(TObject &, TObject *)> SetObj; // tkComponent (tkClass is read in place)

    bool IsStored(const TObject &obj) const { return !Stored || Stored(obj); }
    bool IsReadOnly() const { return !SetOrd && !SetFloat && !SetStr && !SetObj && Kind != TTypeKind::tkClass; }
};

// The published property of that name of an object's class (case-insensitive),
// or nil.
const TPropInfo *GetPropInfo(TClass cls, const AnsiString &name);
const TPropInfo *GetPropInfo(const TObject &obj, const AnsiString &name);

// Typed builder of a class's published-property list. Getters and setters
// are anything std::invoke accepts with (const T&) and (T&, value): member
// functions, or lambdas for properties that share an indexed getter.
template <class T>
class TPropertyTable {
public:
    explicit TPropertyTable(TPropList &list) : list_(list) {}

    class Entry {
    public:
        explicit Entry(TPropInfo &info) : info_(info) {}
        Entry &Default(int64_t value)
        {
            info_.HasDefault = true;
            info_.OrdDefault = value;
            info_.FloatDefault = static_cast<double>(value);
            return *this;
        }
        Entry &DefaultFloat(double value)
        {
            info_.HasDefault = true;
            info_.FloatDefault = value;
            return *this;
        }
        Entry &DefaultString(const AnsiString &value)
        {
            info_.HasDefault = true;
            info_.StrDefault = value;
            return *this;
        }
        Entry &Stored(bool stored)
        {
            if (stored)
                info_.Stored = nullptr;
            else
                info_.Stored = [](const TObject &) { return false; };
            return *this;
        }
        template <class P>
        Entry &Stored(P predicate)
        {
            info_.Stored = [predicate](const TObject &o) -> bool { return std::invoke(predicate, static_cast<const T &>(o)); };
            return *this;
        }

    private:
        TPropInfo &info_;
    };

    template <class G, class S = std::nullptr_t>
    Entry Integer(const AnsiString &name, G get, S set = nullptr)
    {
        return Ordinal(name, TTypeKind::tkInteger, nullptr, get, set);
    }
    template <class G, class S = std::nullptr_t>
    Entry Boolean(const AnsiString &name, G get, S set = nullptr)
    {
        return Ordinal(name, TTypeKind::tkBoolean, &BooleanInfo, get, set);
    }
    template <class G, class S = std::nullptr_t>
    Entry Enum(const AnsiString &name, const TEnumInfo &type, G get, S set = nullptr)
    {
        return Ordinal(name, TTypeKind::tkEnumeration, &type, get, set);
    }
    // Getter and setter of a set take and give TSet<E> (or the raw bit mask).
    template <class G, class S = std::nullptr_t>
    Entry Set(const AnsiString &name, const TEnumInfo &type, G get, S set = nullptr)
    {
        TPropInfo &p = add(name, TTypeKind::tkSet, &type);
        p.GetOrd = [get](const TObject &o) -> int64_t { return static_cast<int64_t>(bitsOf(std::invoke(get, static_cast<const T &>(o)))); };
        if constexpr (!std::is_null_pointer_v<S>) {
            using V = std::decay_t<decltype(std::invoke(get, std::declval<const T &>()))>;
            p.SetOrd = [set](TObject &o, int64_t v) {
                if constexpr (std::is_integral_v<V>)
                    std::invoke(set, static_cast<T &>(o), static_cast<V>(v));
                else
                    std::invoke(set, static_cast<T &>(o), V::FromBits(static_cast<uint64_t>(v)));
            };
        }
        return Entry(p);
    }
    template <class G, class S = std::nullptr_t>
    Entry Float(const AnsiString &name, G get, S set = nullptr)
    {
        TPropInfo &p = add(name, TTypeKind::tkFloat, nullptr);
        p.GetFloat = [get](const TObject &o) -> double { return static_cast<double>(std::invoke(get, static_cast<const T &>(o))); };
        if constexpr (!std::is_null_pointer_v<S>) {
            using V = std::decay_t<decltype(std::invoke(get, std::declval<const T &>()))>;
            p.SetFloat = [set](TObject &o, double v) { std::invoke(set, static_cast<T &>(o), static_cast<V>(v)); };
        }
        return Entry(p);
    }
    template <class G, class S = std::nullptr_t>
    Entry String(const AnsiString &name, G get, S set = nullptr)
    {
        TPropInfo &p = add(name, TTypeKind::tkString, nullptr);
        p.GetStr = [get](const TObject &o) -> AnsiString { return AnsiString(std::invoke(get, static_cast<const T &>(o))); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetStr = [set](TObject &o, const AnsiString &v) { std::invoke(set, static_cast<T &>(o), v); };
        return Entry(p);
    }
    // A nested persistent object owned by T (read and written in place).
    template <class G>
    Entry Object(const AnsiString &name, G get)
    {
        using P = std::remove_pointer_t<std::decay_t<decltype(std::invoke(get, std::declval<const T &>()))>>;
        TPropInfo &p = add(name, TTypeKind::tkClass, nullptr);
        p.PropClass = P::StaticClass();
        p.GetObj = [get](const TObject &o) -> TObject * { return std::invoke(get, static_cast<const T &>(o)); };
        return Entry(p);
    }
    // A reference to a component (not owned), streamed by its name.
    template <class G, class S = std::nullptr_t>
    Entry Component(const AnsiString &name, G get, S set = nullptr)
    {
        using P = std::remove_pointer_t<std::decay_t<decltype(std::invoke(get, std::declval<const T &>()))>>;
        TPropInfo &p = add(name, TTypeKind::tkComponent, nullptr);
        p.PropClass = P::StaticClass();
        p.GetObj = [get](const TObject &o) -> TObject * { return std::invoke(get, static_cast<const T &>(o)); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetObj = [set](TObject &o, TObject *v) { std::invoke(set, static_cast<T &>(o), dynamic_cast<P *>(v)); };
        return Entry(p);
    }

private:
    template <class V>
    static uint64_t bitsOf(const V &v)
    {
        if constexpr (std::is_integral_v<V>)
            return static_cast<uint64_t>(v);
        else
            return v.Bits();
    }

    template <class G, class S>
    Entry Ordinal(const AnsiString &name, TTypeKind kind, const TEnumInfo *type, G get, S set)
    {
        TPropInfo &p = add(name, kind, type);
        p.GetOrd = [get](const TObject &o) -> int64_t { return static_cast<int64_t>(std::invoke(get, static_cast<const T &>(o))); };
        if constexpr (!std::is_null_pointer_v<S>) {
            using V = std::decay_t<decltype(std::invoke(get, std::declval<const T &>()))>;
            p.SetOrd = [set](TObject &o, int64_t v) { std::invoke(set, static_cast<T &>(o), static_cast<V>(v)); };
        }
        return Entry(p);
    }

    TPropInfo &add(const AnsiString &name, TTypeKind kind, const TEnumInfo *type)
    {
        TPropInfo info;
        info.Name = name;
        info.Kind = kind;
        info.EnumType = type;
        list_.push_back(std::move(info));
        return list_.back();
    }

    TPropList &list_;
};

// ------------------------------------------------------------- interfaces

struct TGUID {
    uint32_t D1;
    uint16_t D2;
    uint16_t D3;
    uint8_t D4[8];
    bool operator==(const TGUID &) const = default;
};

// The base interface: a query by GUID and two reference-counting operations.
class IInterface {
public:
    static constexpr TGUID IID{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual int32_t QueryInterface(const TGUID &iid, void **obj) = 0;
    virtual int32_t _AddRef() = 0;
    virtual int32_t _Release() = 0;

protected:
    ~IInterface() = default;
};

constexpr int32_t S_OK = 0;
constexpr int32_t E_NOINTERFACE = static_cast<int32_t>(0x80004002u);

} // namespace platform
