// The registry as the library sees it: a typed key store of our own that
// never touches the host's settings (there is no system registry here). It
// persists between runs in one file, by default
// <XDG config home>/velmora/rbkn/registry: the file is read at the first use
// of the store (and again whenever the file name changes, as when
// XDG_CONFIG_HOME is pointed elsewhere), and after every change the whole
// store is written to a temporary file beside it that is then renamed over
// it. A file that cannot be read as a whole (damaged, truncated, foreign) is
// ignored: the store starts empty, a note goes to stderr, and the next write
// first renames the damaged file to <file>.damaged. A write that fails keeps
// the change for the running process and says so on stderr.
//
// The file is text, one line per key or value, each line ended by "\n":
//   RBKN-REGISTRY 1                 the first line
//   K <root> :<key path>           a key (root 0..6 = HKEY_CLASSES_ROOT ..
//                                  HKEY_DYN_DATA, path names joined by '\')
//   <t> :<name> :<data>            a value of the last key; t = S string,
//                                  E expandable string, I integer (decimal
//                                  data), B binary
// In the fields, bytes up to 0x20, 0x7F and '%' are written as '%' and two
// upper-case hexadecimal digits. Keys
// form a tree under the six roots; key and value names compare
// case-insensitively (code page 1250 upper-casing) and keep the spelling of
// their creation. Key paths use '\' between names; a path that begins with
// '\' starts at the root, any other path at the open key; empty names
// (doubled or trailing '\') are skipped. A value is a string, an expandable
// string, an integer or binary data. RegistryClear empties the store (tests).
//
// TRegistry opens one key at a time. OpenKey with CanCreate false fails on a
// missing key; with Access lacking write rights (KEY_READ) every change
// raises ERegistryException. Reading a missing value gives "" or 0; reading a
// value of another type raises ERegistryException "Invalid data type for
// '<name>'". TRegIniFile addresses values as Section (a sub-key of the open
// key; empty: the open key itself) and Ident (the value name).
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <vector>

namespace platform {

using HKEY = uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// Empties the whole store (and its file).
void RegistryClear();
// Points the store at another file (tests); empty: the default file. The
// file is read at the next use.
void RegistrySetFile(const AnsiString &FileName);
AnsiString RegistryFile();
// The file form of the store, and reading it back into the store (not into
// the file): false, with the store left empty, for text that is not a whole
// registry file.
AnsiString RegistrySaveToText();
bool RegistryLoadFromText(const AnsiString &Text);

class TRegistry {
public:
    TRegistry() = default;
    explicit TRegistry(uint32_t AAccess) : access_(AAccess) {}
    virtual ~TRegistry() = default;
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    HKEY RootKey() const { return root_; }
    // Closes the open key.
    void SetRootKey(HKEY Value);
    uint32_t Access() const { return access_; }
    void SetAccess(uint32_t Value) { access_ = Value; }

    // Opens Key (created with its parents when missing and CanCreate is
    // true); false when it is missing and not created, or when creating
    // needs write rights that Access lacks.
    bool OpenKey(const AnsiString &Key, bool CanCreate);
    bool OpenKeyReadOnly(const AnsiString &Key);
    void CloseKey();
    bool KeyOpen() const { return open_; }
    // The path of the open key from its root, names joined by '\'.
    AnsiString CurrentPath() const;

    bool KeyExists(const AnsiString &Key) const;
    bool CreateKey(const AnsiString &Key);
    bool DeleteKey(const AnsiString &Key);
    std::vector<AnsiString> GetKeyNames() const;
    std::vector<AnsiString> GetValueNames() const;

    bool ValueExists(const AnsiString &Name) const;
    TRegDataType GetDataType(const AnsiString &Name) const;
    bool DeleteValue(const AnsiString &Name);
    AnsiString ReadString(const AnsiString &Name) const;
    int32_t ReadInteger(const AnsiString &Name) const;
    void WriteString(const AnsiString &Name, const AnsiString &Value);
    void WriteExpandString(const AnsiString &Name, const AnsiString &Value);
    void WriteInteger(const AnsiString &Name, int32_t Value);
    void WriteBinaryData(const AnsiString &Name, const AnsiString &Bytes);

protected:
    std::vector<AnsiString> resolve(const AnsiString &Key) const;
    bool canWrite() const { return (access_ & KEY_SET_VALUE) != 0; }
    void writeValue(const AnsiString &Name, TRegDataType type, const AnsiString &data, int32_t number);

    HKEY root_ = HKEY_CURRENT_USER;
    uint32_t access_ = KEY_ALL_ACCESS;
    bool open_ = false;
    std::vector<AnsiString> path_; // names of the open key from the root
};

class TRegIniFile : public TRegistry {
public:
    // Opens FileName under HKEY_CURRENT_USER, created when missing.
    explicit TRegIniFile(const AnsiString &FileName);
    TRegIniFile(const AnsiString &FileName, uint32_t AAccess);

    const AnsiString &FileName() const { return fileName_; }

    AnsiString ReadString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default);
    void WriteString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value);
    // Deletes value Ident under Section.
    void DeleteKey(const AnsiString &Section, const AnsiString &Ident);
    void EraseSection(const AnsiString &Section);

protected:
    // For derived classes that set the root and open the key themselves.
    struct NoOpen {};
    explicit TRegIniFile(NoOpen) {}
    AnsiString fileName_;
};

} // namespace platform
