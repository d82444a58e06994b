#include "platform/Streaming.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform {

namespace {

constexpr uint8_t Signature[5] = {'R', 'B', 'K', 'C', 1};
constexpr int MaxDepth = 64;

bool sameText(const AnsiString &a, const AnsiString &b)
{
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

bool isOwnedBy(const TComponent *c, const TComponent *owner)
{
    for (; c != nullptr; c = c->Owner())
        if (c == owner)
            return true;
    return false;
}

} // namespace

// ------------------------------------------------------------------ TWriter

void TWriter::writeBytes(const void *data, size_t count)
{
    if (count > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EWriteError("Stream write error");
    stream_.WriteBuffer(data, static_cast<int32_t>(count));
}

void TWriter::writeName8(const AnsiString &s)
{
    if (s.size() > 255)
        throw EWriteError("Name too long for the stream: " + s.substr(0, 40) + "...");
    const uint8_t len = static_cast<uint8_t>(s.size());
    writeBytes(&len, 1);
    writeBytes(s.data(), s.size());
}

void TWriter::writePropName(const AnsiString &name)
{
    const AnsiString path = propPath_ + name;
    if (path.empty())
        throw EWriteError("Empty property name");
    writeName8(path);
}

void TWriter::WriteValue(TValueType Value)
{
    const uint8_t b = static_cast<uint8_t>(Value);
    writeBytes(&b, 1);
}

void TWriter::WriteSignature() { writeBytes(Signature, sizeof Signature); }

void TWriter::WriteInteger(int64_t Value)
{
    uint8_t buf[9];
    size_t n;
    if (Value >= INT8_MIN && Value <= INT8_MAX) {
        buf[0] = static_cast<uint8_t>(TValueType::vaInt8);
        n = 1;
    } else if (Value >= INT16_MIN && Value <= INT16_MAX) {
        buf[0] = static_cast<uint8_t>(TValueType::vaInt16);
        n = 2;
    } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
        buf[0] = static_cast<uint8_t>(TValueType::vaInt32);
        n = 4;
    } else {
        buf[0] = static_cast<uint8_t>(TValueType::vaInt64);
        n = 8;
    }
    const uint64_t u = static_cast<uint64_t>(Value);
    for (size_t i = 0; i < n; ++i)
        buf[1 + i] = static_cast<uint8_t>(u >> (8 * i));
    writeBytes(buf, 1 + n);
}

void TWriter::WriteBoolean(bool Value) { WriteValue(Value ? TValueType::vaTrue : TValueType::vaFalse); }

void TWriter::WriteFloat(double Value)
{
    uint64_t u;
    std::memcpy(&u, &Value, sizeof u);
    uint8_t buf[9];
    buf[0] = static_cast<uint8_t>(TValueType::vaDouble);
    for (int i = 0; i < 8; ++i)
        buf[1 + i] = static_cast<uint8_t>(u >> (8 * i));
    writeBytes(buf, sizeof buf);
}

static void writeLength(TStream &s, size_t count)
{
    if (count > 0x7FFFFFFFu)
        throw EWriteError("Stream write error");
    const uint32_t n = static_cast<uint32_t>(count);
    const uint8_t buf[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    s.WriteBuffer(buf, 4);
}

void TWriter::WriteString(const AnsiString &Value)
{
    WriteValue(TValueType::vaString);
    writeLength(stream_, Value.size());
    writeBytes(Value.data(), Value.size());
}

void TWriter::WriteIdent(const AnsiString &Ident)
{
    WriteValue(TValueType::vaIdent);
    writeName8(Ident);
}

void TWriter::WriteSet(const TEnumInfo &Info, uint64_t Bits)
{
    WriteValue(TValueType::vaSet);
    for (unsigned i = 0; i < 64; ++i) {
        if ((Bits & (uint64_t(1) << i)) == 0)
            continue;
        if (i >= Info.Names.size())
            throw EWriteError("Set element out of range");
        writeName8(Info.Names[i]);
    }
    const uint8_t end = 0;
    writeBytes(&end, 1);
}

void TWriter::WriteBinary(const void *Data, uint32_t Count)
{
    WriteValue(TValueType::vaBinary);
    writeLength(stream_, Count);
    writeBytes(Data, Count);
}

void TWriter::DefineProperty(const AnsiString &Name, TReaderProc, TWriterProc WriteData, bool HasData)
{
    if (HasData && WriteData) {
        writePropName(Name);
        WriteData(*this);
    }
}

void TWriter::DefineBinaryProperty(const AnsiString &Name, TStreamProc, TStreamProc WriteData, bool HasData)
{
    if (HasData && WriteData) {
        writePropName(Name);
        TMemoryStream data;
        WriteData(data);
        WriteBinary(data.Memory(), static_cast<uint32_t>(data.Bytes().size()));
    }
}

AnsiString TWriter::componentRefName(TComponent *c) const { return c->Name(); }

void TWriter::writeProperty(TObject &instance, const TPropInfo &p)
{
    if (!p.IsStored(instance))
        return;
    TObject *anc = ancestor_;
    switch (p.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkBoolean:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet: {
        if (!p.SetOrd)
            return;
        const int64_t v = p.GetOrd(instance);
        if (anc != nullptr ? v == p.GetOrd(*anc) : (p.HasDefault && v == p.OrdDefault))
            return;
        writePropName(p.Name);
        if (p.Kind == TTypeKind::tkInteger)
            WriteInteger(v);
        else if (p.Kind == TTypeKind::tkBoolean)
            WriteBoolean(v != 0);
        else if (p.Kind == TTypeKind::tkSet)
            WriteSet(*p.EnumType, static_cast<uint64_t>(v));
        else if (v >= 0 && v < static_cast<int64_t>(p.EnumType->Names.size()))
            WriteIdent(p.EnumType->Names[static_cast<size_t>(v)]);
        else
            throw EWriteError("Enumeration value out of range: " + p.Name);
        break;
    }
    case TTypeKind::tkFloat: {
        if (!p.SetFloat)
            return;
        const double v = p.GetFloat(instance);
        if (anc != nullptr ? v == p.GetFloat(*anc) : (p.HasDefault && v == p.FloatDefault))
            return;
        writePropName(p.Name);
        WriteFloat(v);
        break;
    }
    case TTypeKind::tkString: {
        if (!p.SetStr)
            return;
        const AnsiString v = p.GetStr(instance);
        if (anc != nullptr ? v == p.GetStr(*anc) : v == p.StrDefault)
            return;
        writePropName(p.Name);
        WriteString(v);
        break;
    }
    case TTypeKind::tkClass: {
        auto *sub = dynamic_cast<TPersistent *>(p.GetObj(instance));
        if (sub == nullptr)
            return;
        const AnsiString savedPath = propPath_;
        TPersistent *savedAncestor = ancestor_;
        ancestor_ = anc != nullptr ? dynamic_cast<TPersistent *>(p.GetObj(*anc)) : nullptr;
        if (ancestor_ != nullptr && ancestor_->ClassType() != sub->ClassType())
            ancestor_ = nullptr;
        propPath_ += p.Name + ".";
        try {
            WriteProperties(sub);
        } catch (...) {
            propPath_ = savedPath;
            ancestor_ = savedAncestor;
            throw;
        }
        propPath_ = savedPath;
        ancestor_ = savedAncestor;
        break;
    }
    case TTypeKind::tkComponent: {
        if (!p.SetObj)
            return;
        auto *v = dynamic_cast<TComponent *>(p.GetObj(instance));
        if (anc != nullptr) {
            auto *a = dynamic_cast<TComponent *>(p.GetObj(*anc));
            const AnsiString vn = v != nullptr ? v->Name() : AnsiString();
            const AnsiString an = a != nullptr ? a->Name() : AnsiString();
            if ((v == nullptr) == (a == nullptr) && sameText(vn, an))
                return;
        } else if (v == nullptr) {
            return;
        }
        writePropName(p.Name);
        if (v == nullptr || v->Name().empty())
            WriteValue(TValueType::vaNil);
        else
            WriteIdent(componentRefName(v));
        break;
    }
    }
}

void TWriter::WriteProperties(TPersistent *Instance)
{
    for (const TPropInfo &p : Instance->ClassType()->Properties())
        writeProperty(*Instance, p);
    Instance->DefineProperties(*this);
}

void TWriter::WriteData(TComponent *Instance)
{
    writeName8(Instance->ClassName());
    writeName8(Instance->Name());
    WriteProperties(Instance);
    WriteListEnd();
    TPersistent *savedAncestor = ancestor_;
    Instance->GetChildren(
        [this](TComponent *child) {
            TPersistent *saved = ancestor_;
            ancestor_ = nullptr;
            if (rootAncestor_ != nullptr) {
                TComponent *a = rootAncestor_->FindComponent(child->Name());
                if (a != nullptr && a->ClassType() == child->ClassType())
                    ancestor_ = a;
            }
            WriteComponent(child);
            ancestor_ = saved;
        },
        root_);
    ancestor_ = savedAncestor;
    WriteListEnd();
}

void TWriter::WriteComponent(TComponent *Component)
{
    const bool wasWriting = Component->ComponentState().Contains(csWriting);
    Component->SetComponentStateFlag(csWriting, true);
    try {
        Component->WriteState(*this);
    } catch (...) {
        Component->SetComponentStateFlag(csWriting, wasWriting);
        throw;
    }
    Component->SetComponentStateFlag(csWriting, wasWriting);
}

void TWriter::WriteDescendent(TComponent *Root, TComponent *Ancestor)
{
    root_ = Root;
    rootAncestor_ = (Ancestor != nullptr && Ancestor->ClassType() == Root->ClassType()) ? Ancestor : nullptr;
    ancestor_ = rootAncestor_;
    WriteSignature();
    WriteComponent(Root);
    ancestor_ = nullptr;
    rootAncestor_ = nullptr;
}

// ------------------------------------------------------------------ TReader

void TReader::invalidValue(const AnsiString &name) { throw EReadError("Invalid property value: " + name); }

void TReader::readBytes(void *data, size_t count)
{
    if (count == 0)
        return;
    if (static_cast<int64_t>(count) > remaining() || stream_.Read(data, static_cast<int32_t>(count)) != static_cast<int32_t>(count))
        throw EReadError("Stream read error");
}

uint8_t TReader::readByte()
{
    uint8_t b;
    readBytes(&b, 1);
    return b;
}

int64_t TReader::remaining() { return stream_.Size() - stream_.Position(); }

AnsiString TReader::readName8()
{
    const uint8_t len = readByte();
    AnsiString s(len, '\0');
    readBytes(s.data(), len);
    return s;
}

void TReader::ReadSignature()
{
    uint8_t buf[sizeof Signature];
    if (remaining() < static_cast<int64_t>(sizeof buf))
        throw EReadError("Invalid stream format");
    readBytes(buf, sizeof buf);
    if (std::memcmp(buf, Signature, sizeof buf) != 0)
        throw EReadError("Invalid stream format");
}

TValueType TReader::NextValue()
{
    const uint8_t b = readByte();
    stream_.Seek(-1, TSeekOrigin::soCurrent);
    return static_cast<TValueType>(b);
}

TValueType TReader::ReadValue()
{
    const uint8_t b = readByte();
    if (b > static_cast<uint8_t>(TValueType::vaNil))
        throw EReadError("Invalid value type in stream");
    return static_cast<TValueType>(b);
}

void TReader::ReadListBegin()
{
    if (ReadValue() != TValueType::vaList)
        throw EReadError("Invalid stream format: list expected");
}

void TReader::ReadListEnd()
{
    if (ReadValue() != TValueType::vaNull)
        throw EReadError("Invalid stream format: end of list expected");
}

int64_t TReader::readIntValue(TValueType t)
{
    size_t n;
    switch (t) {
    case TValueType::vaInt8: n = 1; break;
    case TValueType::vaInt16: n = 2; break;
    case TValueType::vaInt32: n = 4; break;
    case TValueType::vaInt64: n = 8; break;
    default: throw EReadError("Invalid stream format: integer expected");
    }
    uint8_t buf[8];
    readBytes(buf, n);
    uint64_t u = 0;
    for (size_t i = 0; i < n; ++i)
        u |= uint64_t(buf[i]) << (8 * i);
    // Sign-extend from n bytes.
    if (n < 8 && (buf[n - 1] & 0x80) != 0)
        u |= ~uint64_t(0) << (8 * n);
    return static_cast<int64_t>(u);
}

int64_t TReader::ReadInt64() { return readIntValue(ReadValue()); }

int32_t TReader::ReadInteger()
{
    const int64_t v = ReadInt64();
    if (v < INT32_MIN || v > INT32_MAX)
        throw EReadError("Integer out of range in stream");
    return static_cast<int32_t>(v);
}

bool TReader::ReadBoolean()
{
    const TValueType t = ReadValue();
    if (t == TValueType::vaTrue)
        return true;
    if (t == TValueType::vaFalse)
        return false;
    throw EReadError("Invalid stream format: Boolean expected");
}

double TReader::ReadFloat()
{
    const TValueType t = ReadValue();
    if (t != TValueType::vaDouble)
        return static_cast<double>(readIntValue(t));
    uint8_t buf[8];
    readBytes(buf, 8);
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i)
        u |= uint64_t(buf[i]) << (8 * i);
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

static uint32_t readLength(TReader &, const uint8_t *buf)
{
    return uint32_t(buf[0]) | (uint32_t(buf[1]) << 8) | (uint32_t(buf[2]) << 16) | (uint32_t(buf[3]) << 24);
}

AnsiString TReader::ReadString()
{
    if (ReadValue() != TValueType::vaString)
        throw EReadError("Invalid stream format: string expected");
    uint8_t buf[4];
    readBytes(buf, 4);
    const uint32_t len = readLength(*this, buf);
    if (static_cast<int64_t>(len) > remaining())
        throw EReadError("Stream read error");
    AnsiString s(len, '\0');
    readBytes(s.data(), len);
    return s;
}

AnsiString TReader::ReadIdent()
{
    if (ReadValue() != TValueType::vaIdent)
        throw EReadError("Invalid stream format: identifier expected");
    return readName8();
}

uint64_t TReader::ReadSet(const TEnumInfo &Info)
{
    if (ReadValue() != TValueType::vaSet)
        throw EReadError("Invalid stream format: set expected");
    uint64_t bits = 0;
    for (;;) {
        const AnsiString name = readName8();
        if (name.empty())
            return bits;
        const int v = GetEnumValue(Info, name);
        if (v < 0 || v > 63)
            invalidValue(name);
        bits |= uint64_t(1) << v;
    }
}

void TReader::skipValue(int depth)
{
    if (depth > MaxDepth)
        throw EReadError("Invalid stream format: nesting too deep");
    const TValueType t = ReadValue();
    switch (t) {
    case TValueType::vaNull:
        throw EReadError("Invalid stream format: value expected");
    case TValueType::vaList:
        while (!EndOfList())
            skipValue(depth + 1);
        ReadListEnd();
        break;
    case TValueType::vaInt8:
    case TValueType::vaInt16:
    case TValueType::vaInt32:
    case TValueType::vaInt64:
        readIntValue(t);
        break;
    case TValueType::vaDouble: {
        uint8_t buf[8];
        readBytes(buf, 8);
        break;
    }
    case TValueType::vaString:
    case TValueType::vaBinary: {
        uint8_t buf[4];
        readBytes(buf, 4);
        const uint32_t len = readLength(*this, buf);
        if (static_cast<int64_t>(len) > remaining())
            throw EReadError("Stream read error");
        stream_.Seek(len, TSeekOrigin::soCurrent);
        break;
    }
    case TValueType::vaIdent:
        readName8();
        break;
    case TValueType::vaSet:
        while (!readName8().empty()) {
        }
        break;
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
        break;
    }
}

void TReader::SkipValue() { skipValue(0); }

void TReader::DefineProperty(const AnsiString &Name, TReaderProc ReadData, TWriterProc, bool)
{
    if (handled_ || !sameText(Name, propName_))
        return;
    handled_ = true;
    if (ReadData)
        ReadData(*this);
    else
        SkipValue();
}

void TReader::DefineBinaryProperty(const AnsiString &Name, TStreamProc ReadData, TStreamProc, bool)
{
    if (handled_ || !sameText(Name, propName_))
        return;
    handled_ = true;
    if (ReadValue() != TValueType::vaBinary)
        throw EReadError("Invalid stream format: binary data expected");
    uint8_t buf[4];
    readBytes(buf, 4);
    const uint32_t len = readLength(*this, buf);
    if (static_cast<int64_t>(len) > remaining())
        throw EReadError("Stream read error");
    TMemoryStream data;
    data.SetSize(len);
    readBytes(data.Memory(), len);
    data.SetPosition(0);
    if (ReadData)
        ReadData(data);
}

void TReader::readPropValue(TObject &instance, const TPropInfo &p)
{
    switch (p.Kind) {
    case TTypeKind::tkInteger:
        if (!p.SetOrd)
            invalidValue(p.Name);
        p.SetOrd(instance, ReadInt64());
        break;
    case TTypeKind::tkBoolean:
        if (!p.SetOrd)
            invalidValue(p.Name);
        p.SetOrd(instance, ReadBoolean() ? 1 : 0);
        break;
    case TTypeKind::tkEnumeration: {
        if (!p.SetOrd)
            invalidValue(p.Name);
        const int v = GetEnumValue(*p.EnumType, ReadIdent());
        if (v < 0)
            invalidValue(p.Name);
        p.SetOrd(instance, v);
        break;
    }
    case TTypeKind::tkSet:
        if (!p.SetOrd)
            invalidValue(p.Name);
        p.SetOrd(instance, static_cast<int64_t>(ReadSet(*p.EnumType)));
        break;
    case TTypeKind::tkFloat:
        if (!p.SetFloat)
            invalidValue(p.Name);
        p.SetFloat(instance, ReadFloat());
        break;
    case TTypeKind::tkString:
        if (!p.SetStr)
            invalidValue(p.Name);
        p.SetStr(instance, ReadString());
        break;
    case TTypeKind::tkClass:
        invalidValue(p.Name);
    case TTypeKind::tkComponent: {
        if (!p.SetObj)
            invalidValue(p.Name);
        const TValueType t = ReadValue();
        if (t == TValueType::vaNil)
            p.SetObj(instance, nullptr);
        else if (t == TValueType::vaIdent)
            fixups_.push_back({current_, &instance, &p, readName8()});
        else
            invalidValue(p.Name);
        break;
    }
    }
}

void TReader::ReadProperty(TPersistent *Instance)
{
    const AnsiString path = readName8();
    if (path.empty())
        throw EReadError("Invalid stream format: property name expected");
    TPersistent *obj = Instance;
    size_t start = 0;
    for (;;) {
        const size_t dot = path.find('.', start);
        if (dot == AnsiString::npos)
            break;
        const AnsiString segment = path.substr(start, dot - start);
        const TPropInfo *p = GetPropInfo(*obj, segment);
        TPersistent *sub = nullptr;
        if (p != nullptr && p->Kind == TTypeKind::tkClass)
            sub = dynamic_cast<TPersistent *>(p->GetObj(*obj));
        if (sub == nullptr)
            throw EReadError("Property " + path + " does not exist");
        obj = sub;
        start = dot + 1;
    }
    const AnsiString last = path.substr(start);
    if (const TPropInfo *p = GetPropInfo(*obj, last)) {
        readPropValue(*obj, *p);
        return;
    }
    const AnsiString savedName = propName_;
    const bool savedHandled = handled_;
    propName_ = last;
    handled_ = false;
    try {
        if (!last.empty())
            obj->DefineProperties(*this);
    } catch (...) {
        propName_ = savedName;
        handled_ = savedHandled;
        throw;
    }
    const bool found = handled_;
    propName_ = savedName;
    handled_ = savedHandled;
    if (!found)
        throw EReadError("Property " + path + " does not exist");
}

void TReader::ReadProperties(TPersistent *Instance)
{
    while (!EndOfList())
        ReadProperty(Instance);
    ReadListEnd();
}

void TReader::ReadData(TComponent *Instance)
{
    TComponent *savedCurrent = current_;
    current_ = Instance;
    ReadProperties(Instance);
    current_ = savedCurrent;
    TComponent *savedParent = parent_;
    TComponent *savedOwner = owner_;
    parent_ = Instance->GetChildParent();
    owner_ = Instance->GetChildOwner();
    if (owner_ == nullptr)
        owner_ = root_;
    try {
        while (!EndOfList())
            ReadComponent(nullptr);
        ReadListEnd();
    } catch (...) {
        parent_ = savedParent;
        owner_ = savedOwner;
        throw;
    }
    parent_ = savedParent;
    owner_ = savedOwner;
}

void TReader::forget(TComponent *c)
{
    std::erase_if(loaded_, [c](TComponent *x) { return isOwnedBy(x, c); });
    std::erase_if(fixups_, [c](const Fixup &f) { return f.holder == nullptr || isOwnedBy(f.holder, c); });
}

TComponent *TReader::ReadComponent(TComponent *Component)
{
    if (depth_ >= MaxDepth)
        throw EReadError("Invalid stream format: nesting too deep");
    const AnsiString className = readName8();
    if (className.empty())
        throw EReadError("Invalid stream format: class name expected");
    const AnsiString name = readName8();
    if (!name.empty() && !IsValidIdent(name))
        throw EReadError("Invalid stream format: '" + name + "' is not a valid component name");

    TComponent *result = Component;
    bool created = false;
    if (result == nullptr) {
        TClass cls = FindClass(className);
        if (!cls->InheritsFrom(TComponent::StaticClass()) || cls->Factory == nullptr)
            throw EReadError("Invalid stream format: " + className + " is not a component class");
        if (owner_ != nullptr && owner_->FindComponent(name) != nullptr)
            throw EReadError("A component named " + name + " already exists");
        result = CreateComponent(cls, owner_);
        created = true;
    }
    ++depth_;
    try {
        result->SetComponentStateFlag(csLoading, true);
        result->SetComponentStateFlag(csReading, true);
        if (!name.empty() || created)
            result->SetName(name);
        if (std::find(loaded_.begin(), loaded_.end(), result) == loaded_.end())
            loaded_.push_back(result);
        result->ReadState(*this);
        result->SetComponentStateFlag(csReading, false);
    } catch (...) {
        --depth_;
        if (created) {
            forget(result);
            result->Free();
        } else {
            result->SetComponentStateFlag(csReading, false);
        }
        throw;
    }
    --depth_;
    return result;
}

void TReader::resolveFixups()
{
    for (const Fixup &f : fixups_) {
        TComponent *target = nullptr;
        if (root_ != nullptr && sameText(root_->Name(), f.name))
            target = root_;
        if (target == nullptr && root_ != nullptr)
            target = root_->FindComponent(f.name);
        if (target == nullptr)
            for (TComponent *c : loaded_)
                if (sameText(c->Name(), f.name)) {
                    target = c;
                    break;
                }
        if (target != nullptr && (f.prop->PropClass == nullptr || target->InheritsFrom(f.prop->PropClass)))
            f.prop->SetObj(*f.instance, target);
    }
    fixups_.clear();
}

TComponent *TReader::ReadRootComponent(TComponent *Root)
{
    ReadSignature();
    bool created = false;
    if (Root == nullptr) {
        // Peek the class name to create the root, then read the record.
        const int64_t start = stream_.Position();
        const AnsiString className = readName8();
        if (className.empty())
            throw EReadError("Invalid stream format: class name expected");
        TClass cls = FindClass(className);
        if (!cls->InheritsFrom(TComponent::StaticClass()) || cls->Factory == nullptr)
            throw EReadError("Invalid stream format: " + className + " is not a component class");
        stream_.SetPosition(start);
        Root = CreateComponent(cls, nullptr);
        created = true;
    }
    root_ = Root;
    owner_ = Root;
    parent_ = nullptr;
    loaded_.clear();
    fixups_.clear();
    try {
        ReadComponent(Root);
        resolveFixups();
    } catch (...) {
        for (TComponent *c : loaded_) {
            c->SetComponentStateFlag(csLoading, false);
            c->SetComponentStateFlag(csReading, false);
        }
        loaded_.clear();
        fixups_.clear();
        root_ = nullptr;
        if (created)
            Root->Free();
        throw;
    }
    std::vector<TComponent *> loaded;
    loaded.swap(loaded_);
    for (TComponent *c : loaded)
        TComponent::CallLoaded(c);
    return Root;
}

// ------------------------------------------------------- TComponent streaming

void TComponent::DefineProperties(TFiler &Filer)
{
    int32_t ancestorInfo = 0;
    if (auto *a = dynamic_cast<TComponent *>(Filer.Ancestor()))
        ancestorInfo = a->designInfo_;
    const uint32_t info = static_cast<uint32_t>(designInfo_);
    const uint32_t anc = static_cast<uint32_t>(ancestorInfo);
    Filer.DefineProperty(
        "Left",
        [this](TReader &r) {
            const uint32_t v = static_cast<uint32_t>(r.ReadInteger()) & 0xFFFFu;
            designInfo_ = static_cast<int32_t>((static_cast<uint32_t>(designInfo_) & 0xFFFF0000u) | v);
        },
        [this](TWriter &w) { w.WriteInteger(static_cast<uint32_t>(designInfo_) & 0xFFFFu); },
        (info & 0xFFFFu) != (anc & 0xFFFFu));
    Filer.DefineProperty(
        "Top",
        [this](TReader &r) {
            const uint32_t v = static_cast<uint32_t>(r.ReadInteger()) & 0xFFFFu;
            designInfo_ = static_cast<int32_t>((static_cast<uint32_t>(designInfo_) & 0xFFFFu) | (v << 16));
        },
        [this](TWriter &w) { w.WriteInteger(static_cast<uint32_t>(designInfo_) >> 16); },
        (info >> 16) != (anc >> 16));
}

void TComponent::ReadState(TReader &Reader) { Reader.ReadData(this); }

void TComponent::WriteState(TWriter &Writer) { Writer.WriteData(this); }

// ------------------------------------------------------------ stream methods

void WriteComponent(TStream &Stream, TComponent *Instance)
{
    TWriter writer(Stream);
    writer.WriteRootComponent(Instance);
}

TComponent *ReadComponent(TStream &Stream, TComponent *Instance)
{
    TReader reader(Stream);
    return reader.ReadRootComponent(Instance);
}

void WritePersistent(TStream &Stream, TPersistent *Instance)
{
    TWriter writer(Stream);
    writer.WriteSignature();
    writer.WriteIdent(Instance->ClassName());
    writer.WriteProperties(Instance);
    writer.WriteListEnd();
}

void ReadPersistent(TStream &Stream, TPersistent *Instance)
{
    TReader reader(Stream);
    reader.ReadSignature();
    const AnsiString className = reader.ReadIdent();
    if (!Instance->ClassNameIs(className))
        throw EReadError("Invalid stream format: " + className + " is not " + Instance->ClassName());
    reader.ReadProperties(Instance);
}

} // namespace platform
