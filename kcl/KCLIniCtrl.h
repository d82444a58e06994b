// TKCLIniCtrl: a non-visual component that keeps named string values for
// other components in a profile (ini) file, a registry key or an ini file
// held in memory, chosen by Target. Callers address a value by section and
// key; the control turns the section into a per-user or common section name,
// opens the target for the one operation and closes it again (the memory
// file stays open, and its changes are never written to disk). Values can be
// scrambled by a keyed, reversible transform before they are stored.
//
// Choices of this implementation:
// - The registry is the in-process key store of platform/Registry.h; the
//   "Windows folder" of the ini file is the XDG config home.
// - icmKey scrambles with KCLEncodeString and stores every resulting byte that
//   a profile file would change (blanks and control bytes, which are trimmed
//   or end the line, quotes, which are dropped when they enclose the value,
//   DEL, and '%' itself) as '%' + two hexadecimal digits; so a value comes
//   back byte for byte from the ini file, the memory file and the registry
//   alike. icmTextKey scrambles and writes the result as hexadecimal text.
// - A stored value that cannot be unscrambled (icmTextKey text that is not
//   hexadecimal, for example a hand-edited file) reads as the default
//   instead of raising; so does a registry value of another type than a
//   string (an integer or binary data under the same name).
// - The control is the store of the form persistence (IKCLValueStore).
#pragma once

#include "kcl/KCLCustomComponent.h"
#include "kcl/KCLFormPersistent.h"
#include "kcl/KCLUtils.h"
#include "platform/IniFiles.h"
#include "platform/Registry.h"

#include <cstdint>
#include <memory>

enum TKCLIniTarget { itIniFile, itRegistry, itAuto, itMemIniFile };
enum TKCLRegRootKey { rpClassesRoot, rpCurrentUser, rpLocalMachine, rpUsers, rpCurrentConfig, rpDynData };
enum TKCLIniCryptMode { icmKey, icmTextKey, icmCustom };
using TKCLIniCryptEvent = platform::TMethod<void(TObject *Sender, AnsiString &Data)>;

extern const platform::TEnumInfo TKCLIniTargetInfo;
extern const platform::TEnumInfo TKCLRegRootKeyInfo;
extern const platform::TEnumInfo TKCLPathPrefixInfo;
extern const platform::TEnumInfo TKCLIniCryptModeInfo;

// Section names with a meaning of their own.
extern const char *const KCLIniCommonSection; // "Common"
extern const char *const KCLIniRootSection;   // "#ROOT"

// The registry root of a TKCLRegRootKey.
platform::HKEY KCLRegRootToHKey(TKCLRegRootKey Root);

// The memory target: loads its file when created; freeing it clears it and
// writes nothing.
class TKCLMemIniFile : public platform::TMemIniFile {
public:
    explicit TKCLMemIniFile(const AnsiString &FileName) : platform::TMemIniFile(FileName) {}
    ~TKCLMemIniFile() override { Clear(); }
};

// The registry target: opens KeyPath under RootKey, read-only (KEY_READ, not
// created) or with full access (created when missing). Unused is ignored.
class TKCLRegIniFile : public platform::TRegIniFile {
public:
    TKCLRegIniFile(platform::HKEY RootKey, bool ReadOnly, const AnsiString &KeyPath, const AnsiString &Unused = AnsiString());
};

class TKCLIniCtrl : public TKCLCustomComponent, public IKCLValueStore {
    RBK_CLASS(TKCLIniCtrl, TKCLCustomComponent)
public:
    explicit TKCLIniCtrl(TComponent *AOwner);
    ~TKCLIniCtrl() override;
    static void PublishProperties(platform::TPropList &list);

    bool AlphaCounter() const { return alphaCounter_; }
    void SetAlphaCounter(bool Value);
    bool Common() const { return common_; }
    void SetCommon(bool Value) { common_ = Value; }
    const AnsiString &IniFile() const { return iniFile_; }
    void SetIniFile(const AnsiString &Value);
    TKCLPathPrefix IniPrefix() const { return iniPrefix_; }
    void SetIniPrefix(TKCLPathPrefix Value) { iniPrefix_ = Value; }
    uint8_t MaxEntries() const { return maxEntries_; }
    // Refused (left unchanged) above 26 while AlphaCounter is true.
    void SetMaxEntries(uint8_t Value);
    bool NetUser() const { return netUser_; }
    void SetNetUser(bool Value);
    const AnsiString &User() const { return user_; }
    void SetUser(const AnsiString &Value) { user_ = Value; }
    const AnsiString &RegPath() const { return regPath_; }
    void SetRegPath(const AnsiString &Value) { regPath_ = Value; }
    TKCLRegRootKey RegRoot() const { return regRoot_; }
    void SetRegRoot(TKCLRegRootKey Value) { regRoot_ = Value; }
    TKCLIniTarget Target() const { return target_; }
    void SetTarget(TKCLIniTarget Value);
    uint16_t EncKey() const { return encKey_; }
    void SetEncKey(uint16_t Value) { encKey_ = Value; }
    bool Encoded() const { return encoded_; }
    void SetEncoded(bool Value) { encoded_ = Value; }
    TKCLIniCryptMode CryptMode() const { return cryptMode_; }
    void SetCryptMode(TKCLIniCryptMode Value) { cryptMode_ = Value; }

    TKCLIniCryptEvent OnEncodeString;
    TKCLIniCryptEvent OnDecodeString;

    // The resolved target: 0 ini file, 1 registry, 3 memory.
    uint8_t ResolvedTarget() const { return resolved_; }
    // The memory file (nil unless the resolved target is memory).
    TKCLMemIniFile *MemIniFile() const { return memIni_.get(); }

    AnsiString ReadValue(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default) override;
    void WriteValue(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value) override;
    void DeleteValue(const AnsiString &Section, const AnsiString &Ident) override;

    AnsiString GetIniFileName();
    AnsiString GetRegistryPath() const;
    AnsiString GetSectionName(const AnsiString &Section);

    virtual AnsiString GetCurrentUser();
    virtual AnsiString EncodeValue(const AnsiString &S);
    // Raises EConvertError when icmTextKey text is not of the text form.
    virtual AnsiString DecodeValue(const AnsiString &S);

private:
    bool alphaCounter_ = false;
    bool common_ = true;
    AnsiString iniFile_;
    TKCLPathPrefix iniPrefix_ = ppWindows;
    uint8_t maxEntries_ = 16;
    bool netUser_ = false;
    AnsiString user_;
    AnsiString regPath_;
    TKCLRegRootKey regRoot_ = rpCurrentUser;
    TKCLIniTarget target_ = itAuto;
    uint16_t encKey_ = 47113;
    bool encoded_ = false;
    TKCLIniCryptMode cryptMode_ = icmKey;

    uint8_t resolved_ = 1;
    std::unique_ptr<TKCLMemIniFile> memIni_;
    AnsiString lastSection_;
    AnsiString regUnused_;
};
