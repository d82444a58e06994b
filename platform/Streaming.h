// Component streaming: TFiler, TWriter and TReader over a TStream, and the one
// binary format they share.
//
// FORMAT (all integers little-endian)
//
//   ComponentStream := Signature Component
//   PersistentStream := Signature vaIdent-Value(class name) PropertyList
//   Signature  := 'R' 'B' 'K' 'C' Version      Version = 1 (one byte)
//   Component  := Name8(class name, 1..255 bytes) Name8(component name, may be empty)
//                 PropertyList ChildList
//   PropertyList := { Name8(property path, 1..255 bytes) Value } 0x00
//   ChildList  := { Component } 0x00
//   Name8      := length byte, then that many bytes
//
// A property path is the property's name, preceded by the names of the nested
// objects it lies in, each followed by "." ("Font.Size"). Properties follow
// the class's published order; the names defined by DefineProperties come
// after the published properties of the same object.
//
//   Value := tag byte, then
//     0x00 vaNull     nothing; ends a list
//     0x01 vaList     values until vaNull
//     0x02 vaInt8     1 byte signed        0x03 vaInt16   2 bytes signed
//     0x04 vaInt32    4 bytes signed       0x05 vaInt64   8 bytes signed
//     0x06 vaDouble   8 bytes IEEE 754 binary64
//     0x07 vaString   uint32 length, then the bytes (AnsiString)
//     0x08 vaIdent    Name8 (enumeration values, component references)
//     0x09 vaFalse    0x0A vaTrue
//     0x0B vaBinary   uint32 length, then the bytes (DefineBinaryProperty)
//     0x0C vaSet      Name8 per element, then a 0x00 length byte
//     0x0D vaNil      no component
//
// Integers are written in the smallest form that holds them. A property is
// written when its stored predicate allows it, it has a setter (nested
// objects need none), and its value differs from its default, or from the
// ancestor's value when an ancestor is being written against (WriteDescendent).
// Component references are written as the referenced component's name and
// resolved, once the whole stream is read, among the root and the components
// read with it.
//
// Reading rejects any stream that does not follow this grammar, that ends
// early, whose lengths exceed the bytes left, whose nesting is deeper than 64,
// that names an unknown property, class or enumeration value, or that gives a
// property a value of the wrong kind: EReadError (EClassNotFound for a class
// that is not registered). Nothing is read beyond what the stream holds.
//
// LIFE CYCLE OF READING: every component read gets csLoading and csReading;
// csReading ends with its ReadState; once the root and everything under it are
// read and the references resolved, Loaded is called for each (the root first,
// then in reading order), which ends csLoading. A component created by the
// reader is freed again when reading it fails; a root created by the reader is
// freed when any part fails.
#pragma once

#include "platform/Components.h"

#include <functional>
#include <vector>

namespace platform {

enum class TValueType : uint8_t {
    vaNull = 0x00,
    vaList = 0x01,
    vaInt8 = 0x02,
    vaInt16 = 0x03,
    vaInt32 = 0x04,
    vaInt64 = 0x05,
    vaDouble = 0x06,
    vaString = 0x07,
    vaIdent = 0x08,
    vaFalse = 0x09,
    vaTrue = 0x0A,
    vaBinary = 0x0B,
    vaSet = 0x0C,
    vaNil = 0x0D,
};

using TReaderProc = std::function<void(TReader &Reader)>;
using TWriterProc = std::function<void(TWriter &Writer)>;
using TStreamProc = std::function<void(TStream &Stream)>;

class TFiler {
public:
    explicit TFiler(TStream &Stream) : stream_(Stream) {}
    virtual ~TFiler() = default;
    TFiler(const TFiler &) = delete;
    TFiler &operator=(const TFiler &) = delete;

    TStream &Stream() { return stream_; }
    TComponent *Root() const { return root_; }
    // The object whose values the one being written is compared with; nil
    // when reading and when writing without an ancestor.
    TPersistent *Ancestor() const { return ancestor_; }

    // Defines stream data of the object whose DefineProperties runs: the
    // writer calls WriteData when HasData is true; the reader calls ReadData
    // when the stream holds a property of that name.
    virtual void DefineProperty(const AnsiString &Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) = 0;
    // The same for raw bytes: the writer passes a stream to WriteData; the
    // reader passes a stream holding exactly the stored bytes to ReadData.
    virtual void DefineBinaryProperty(const AnsiString &Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) = 0;

protected:
    TStream &stream_;
    TComponent *root_ = nullptr;
    TPersistent *ancestor_ = nullptr;
};

class TWriter : public TFiler {
public:
    explicit TWriter(TStream &Stream) : TFiler(Stream) {}

    void WriteSignature();
    // Signature and the root with everything it writes as children.
    void WriteRootComponent(TComponent *Root) { WriteDescendent(Root, nullptr); }
    // The same, leaving out values equal to those of Ancestor (an instance of
    // Root's class) and of the ancestor's children of the same names.
    void WriteDescendent(TComponent *Root, TComponent *Ancestor);
    // One component record (the root must be set).
    void WriteComponent(TComponent *Component);
    // The record body of TComponent::WriteState: class, name, properties,
    // children.
    void WriteData(TComponent *Instance);
    // Published properties, then DefineProperties, of one object.
    void WriteProperties(TPersistent *Instance);

    void WriteListBegin() { WriteValue(TValueType::vaList); }
    void WriteListEnd() { WriteValue(TValueType::vaNull); }
    void WriteInteger(int64_t Value);
    void WriteBoolean(bool Value);
    void WriteFloat(double Value);
    void WriteString(const AnsiString &Value);
    void WriteIdent(const AnsiString &Ident);
    // The elements of the set by their names in Info.
    void WriteSet(const TEnumInfo &Info, uint64_t Bits);
    void WriteBinary(const void *Data, uint32_t Count);
    void WriteValue(TValueType Value);

    void DefineProperty(const AnsiString &Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
    void DefineBinaryProperty(const AnsiString &Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;

private:
    void writeBytes(const void *data, size_t count);
    void writeName8(const AnsiString &s);
    void writePropName(const AnsiString &name);
    void writeProperty(TObject &instance, const TPropInfo &p);
    AnsiString componentRefName(TComponent *c) const;

    AnsiString propPath_;
    TComponent *rootAncestor_ = nullptr;
};

class TReader : public TFiler {
public:
    explicit TReader(TStream &Stream) : TFiler(Stream) {}

    // Raises EReadError "Invalid stream format" unless the signature follows.
    void ReadSignature();
    // Signature and root; Root nil: the root is created from the stream's
    // class name (which must be registered).
    TComponent *ReadRootComponent(TComponent *Root);
    // One component record; Component nil: created with Owner as its owner.
    TComponent *ReadComponent(TComponent *Component);
    // The record body of TComponent::ReadState: properties and children.
    void ReadData(TComponent *Instance);
    // One property of Instance (path and value).
    void ReadProperty(TPersistent *Instance);
    // Properties up to the end marker.
    void ReadProperties(TPersistent *Instance);

    // The owner of components being created, and the component whose
    // children are being read.
    TComponent *Owner() const { return owner_; }
    void SetOwner(TComponent *Owner) { owner_ = Owner; }
    TComponent *Parent() const { return parent_; }
    void SetParent(TComponent *Parent) { parent_ = Parent; }
    // The name of the property being read (its last path segment).
    const AnsiString &PropName() const { return propName_; }

    TValueType NextValue();
    TValueType ReadValue();
    bool EndOfList() { return NextValue() == TValueType::vaNull; }
    void ReadListBegin();
    void ReadListEnd();
    // Raise EReadError when the next value is not of the kind asked for.
    int32_t ReadInteger();
    int64_t ReadInt64();
    bool ReadBoolean();
    double ReadFloat();
    AnsiString ReadString();
    AnsiString ReadIdent();
    uint64_t ReadSet(const TEnumInfo &Info);
    void SkipValue();

    void DefineProperty(const AnsiString &Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
    void DefineBinaryProperty(const AnsiString &Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;

private:
    struct Fixup {
        TComponent *holder;
        TObject *instance;
        const TPropInfo *prop;
        AnsiString name;
    };
    void readBytes(void *data, size_t count);
    uint8_t readByte();
    int64_t remaining();
    AnsiString readName8();
    int64_t readIntValue(TValueType t);
    void readPropValue(TObject &instance, const TPropInfo &p);
    void skipValue(int depth);
    void forget(TComponent *c);
    void resolveFixups();
    [[noreturn]] static void invalidValue(const AnsiString &name);

    TComponent *owner_ = nullptr;
    TComponent *parent_ = nullptr;
    TComponent *current_ = nullptr; // the component whose data is being read
    AnsiString propName_;
    bool handled_ = false;
    int depth_ = 0;
    std::vector<TComponent *> loaded_;
    std::vector<Fixup> fixups_;
};

// The class library's stream methods: a whole component tree to and from a
// stream (signature included). ReadComponent with Instance nil creates the
// root from the stream's class name.
void WriteComponent(TStream &Stream, TComponent *Instance);
TComponent *ReadComponent(TStream &Stream, TComponent *Instance = nullptr);
// One persistent object (class name and properties, no children).
void WritePersistent(TStream &Stream, TPersistent *Instance);
void ReadPersistent(TStream &Stream, TPersistent *Instance);

} // namespace platform
