#include "kcl/KCLIniCtrl.h"

#include "kcl/KCLClass.h"
#include "kcl/KCLStrUtils.h"
#include "kcl/KCLSysIn.h"

using platform::HKEY;

const platform::TEnumInfo TKCLIniTargetInfo{"TKCLIniTarget", {"itIniFile", "itRegistry", "itAuto", "itMemIniFile"}};
const platform::TEnumInfo TKCLRegRootKeyInfo{
    "TKCLRegRootKey", {"rpClassesRoot", "rpCurrentUser", "rpLocalMachine", "rpUsers", "rpCurrentConfig", "rpDynData"}};
const platform::TEnumInfo TKCLPathPrefixInfo{"TKCLPathPrefix", {"ppWindows", "ppSystem", "ppProgram", "ppFixed"}};
const platform::TEnumInfo TKCLIniCryptModeInfo{"TKCLIniCryptMode", {"icmKey", "icmTextKey", "icmCustom"}};

const char *const KCLIniCommonSection = "Common";
const char *const KCLIniRootSection = "#ROOT";

namespace {

// The extension of a file name: from its last '.' after the last '/'.
size_t extPos(const AnsiString &name)
{
    const size_t dot = name.rfind('.');
    const size_t slash = name.rfind('/');
    if (dot == AnsiString::npos || (slash != AnsiString::npos && dot < slash))
        return AnsiString::npos;
    return dot;
}

AnsiString changeFileExt(const AnsiString &name, const AnsiString &ext)
{
    const size_t p = extPos(name);
    return (p == AnsiString::npos ? name : name.substr(0, p)) + ext;
}

AnsiString fileExt(const AnsiString &name)
{
    const size_t p = extPos(name);
    return p == AnsiString::npos ? AnsiString() : name.substr(p);
}

} // namespace

HKEY KCLRegRootToHKey(TKCLRegRootKey Root)
{
    switch (Root) {
    case rpClassesRoot:
        return platform::HKEY_CLASSES_ROOT;
    case rpCurrentUser:
        return platform::HKEY_CURRENT_USER;
    case rpLocalMachine:
        return platform::HKEY_LOCAL_MACHINE;
    case rpUsers:
        return platform::HKEY_USERS;
    case rpCurrentConfig:
        return platform::HKEY_CURRENT_CONFIG;
    case rpDynData:
        return platform::HKEY_DYN_DATA;
    }
    return platform::HKEY_CURRENT_USER;
}

TKCLRegIniFile::TKCLRegIniFile(HKEY RootKey, bool ReadOnly, const AnsiString &KeyPath, const AnsiString &)
    : platform::TRegIniFile(NoOpen{})
{
    SetRootKey(RootKey);
    fileName_ = KeyPath;
    if (ReadOnly) {
        SetAccess(platform::KEY_READ);
        OpenKey(KeyPath, false);
    } else {
        SetAccess(platform::KEY_ALL_ACCESS);
        OpenKey(KeyPath, true);
    }
}

// ---------------------------------------------------------------- TKCLIniCtrl

TKCLIniCtrl::TKCLIniCtrl(TComponent *AOwner) : TKCLCustomComponent(AOwner)
{
    regUnused_.clear();
}

TKCLIniCtrl::~TKCLIniCtrl() = default; // the memory file is freed unwritten

void TKCLIniCtrl::PublishProperties(platform::TPropList &list)
{
    using T = TKCLIniCtrl;
    platform::TPropertyTable<T> p(list);
    p.String("About", &T::About, &T::SetAbout).Stored(false);
    p.Boolean("AlphaCounter", &T::AlphaCounter, &T::SetAlphaCounter).Default(0);
    p.Boolean("Common", &T::Common, &T::SetCommon).Default(1);
    p.String("IniFile", &T::IniFile, &T::SetIniFile);
    p.Enum("IniPrefix", TKCLPathPrefixInfo, &T::IniPrefix, &T::SetIniPrefix).Default(int64_t(ppWindows));
    p.Integer("MaxEntries", &T::MaxEntries, &T::SetMaxEntries).Default(16);
    p.Boolean("NetUser", &T::NetUser, &T::SetNetUser).Default(0);
    p.String("User", &T::User, &T::SetUser);
    p.String("RegPath", &T::RegPath, &T::SetRegPath);
    p.Enum("RegRoot", TKCLRegRootKeyInfo, &T::RegRoot, &T::SetRegRoot).Default(int64_t(rpCurrentUser));
    p.Enum("Target", TKCLIniTargetInfo, &T::Target, &T::SetTarget).Default(int64_t(itAuto));
    p.Integer("EncKey", &T::EncKey, &T::SetEncKey).Default(47113);
    p.Boolean("Encoded", &T::Encoded, &T::SetEncoded).Default(0);
    p.Enum("CryptMode", TKCLIniCryptModeInfo, &T::CryptMode, &T::SetCryptMode).Default(int64_t(icmKey));
}

void TKCLIniCtrl::SetAlphaCounter(bool Value)
{
    alphaCounter_ = Value;
    if (maxEntries_ > 26)
        maxEntries_ = 26;
}

void TKCLIniCtrl::SetMaxEntries(uint8_t Value)
{
    if (alphaCounter_ && Value > 26)
        return;
    maxEntries_ = Value;
}

void TKCLIniCtrl::SetNetUser(bool Value)
{
    if (Value == netUser_)
        return;
    netUser_ = Value;
    if (Value)
        user_ = GetCurrentUser();
}

void TKCLIniCtrl::SetTarget(TKCLIniTarget Value)
{
    if (Value == target_)
        return;
    target_ = Value;
    resolved_ = Value == itAuto ? uint8_t(itRegistry) : uint8_t(Value);
    if (resolved_ != itMemIniFile)
        memIni_.reset();
    else if (!memIni_)
        memIni_ = std::make_unique<TKCLMemIniFile>(GetIniFileName());
}

void TKCLIniCtrl::SetIniFile(const AnsiString &Value)
{
    AnsiString name = Value;
    if (KCLIsBlank(fileExt(name)))
        name = changeFileExt(name, ".INI");
    iniFile_ = name;
    if (resolved_ == itMemIniFile && memIni_)
        memIni_->Rename(iniFile_, false);
}

AnsiString TKCLIniCtrl::GetIniFileName()
{
    if (KCLIsBlank(iniFile_))
        iniFile_ = changeFileExt(KCLProgramPath(), ".INI");
    if (iniPrefix_ == ppFixed)
        return iniFile_;
    return KCLGetPrefixPath(iniPrefix_, true) + platform::ExtractFileName(iniFile_);
}

AnsiString TKCLIniCtrl::GetRegistryPath() const
{
    if (KCLIsBlank(regPath_))
        return KCLRegistryPath();
    if (regPath_.back() == '\\')
        return regPath_;
    return regPath_ + "\\";
}

AnsiString TKCLIniCtrl::GetSectionName(const AnsiString &Section)
{
    if (KCLIsBlank(Section))
        return KCLIsBlank(lastSection_) ? AnsiString(KCLIniCommonSection) : lastSection_;
    AnsiString result;
    if (resolved_ == itRegistry)
        result = Section == KCLIniRootSection ? AnsiString() : Section;
    else if (common_)
        result = Section;
    else if (netUser_)
        result = Section + "." + GetCurrentUser();
    else
        result = Section + "." + user_;
    lastSection_ = result;
    return result;
}

AnsiString TKCLIniCtrl::GetCurrentUser() { return KCLSIUserName(); }

namespace {

// The scrambled bytes of icmKey may be anything, but profile files trim
// blanks, cut at line ends and drop enclosing quotes. Bytes that such a file
// could change are stored as '%' and two upper-case hexadecimal digits, so
// that a value comes back byte for byte from every target.
bool keepsAsIs(uint8_t b) { return b > 0x20 && b != 0x7F && b != '%' && b != '"' && b != '\''; }

AnsiString escapeForStorage(const AnsiString &S)
{
    static const char digits[] = "0123456789ABCDEF";
    AnsiString out;
    out.reserve(S.size());
    for (char ch : S) {
        const uint8_t b = static_cast<uint8_t>(ch);
        if (keepsAsIs(b)) {
            out += ch;
        } else {
            out += '%';
            out += digits[b >> 4];
            out += digits[b & 15];
        }
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Raises EConvertError for a '%' without two hexadecimal digits.
AnsiString unescapeFromStorage(const AnsiString &S)
{
    AnsiString out;
    out.reserve(S.size());
    for (size_t i = 0; i < S.size(); ++i) {
        if (S[i] != '%') {
            out += S[i];
            continue;
        }
        const int hi = i + 2 < S.size() ? hexDigit(S[i + 1]) : -1;
        const int lo = i + 2 < S.size() ? hexDigit(S[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            throw platform::EConvertError("'" + S + "' is not a valid stored value");
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

} // namespace

AnsiString TKCLIniCtrl::EncodeValue(const AnsiString &S)
{
    AnsiString result = S;
    switch (cryptMode_) {
    case icmKey:
        result = escapeForStorage(KCLEncodeString(S, encKey_));
        break;
    case icmTextKey:
        result = KCLStringToText(KCLEncodeString(S, encKey_));
        break;
    case icmCustom:
        if (OnEncodeString)
            OnEncodeString(this, result);
        break;
    }
    return result;
}

AnsiString TKCLIniCtrl::DecodeValue(const AnsiString &S)
{
    AnsiString result = S;
    switch (cryptMode_) {
    case icmKey:
        result = KCLDecodeString(unescapeFromStorage(S), encKey_);
        break;
    case icmTextKey:
        result = KCLDecodeString(KCLTextToString(S), encKey_);
        break;
    case icmCustom:
        if (OnDecodeString)
            OnDecodeString(this, result);
        break;
    }
    return result;
}

AnsiString TKCLIniCtrl::ReadValue(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default)
{
    const AnsiString section = GetSectionName(Section);
    const AnsiString def = encoded_ ? EncodeValue(Default) : Default;
    AnsiString value;
    switch (resolved_) {
    case itIniFile: {
        platform::TIniFile ini(GetIniFileName());
        value = ini.ReadString(section, Ident, def);
        break;
    }
    case itMemIniFile:
        value = memIni_ ? memIni_->ReadString(section, Ident, def) : def;
        break;
    default: {
        TKCLRegIniFile reg(KCLRegRootToHKey(regRoot_), true, GetRegistryPath(), regUnused_);
        try {
            value = reg.ReadString(section, Ident, def);
        } catch (const platform::ERegistryException &) {
            return Default; // a value of another type is none of ours
        }
        break;
    }
    }
    if (!encoded_)
        return value;
    try {
        return DecodeValue(value);
    } catch (const platform::EConvertError &) {
        return Default;
    }
}

void TKCLIniCtrl::WriteValue(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value)
{
    const AnsiString section = GetSectionName(Section);
    const AnsiString value = encoded_ ? EncodeValue(Value) : Value;
    switch (resolved_) {
    case itIniFile: {
        platform::TIniFile ini(GetIniFileName());
        ini.WriteString(section, Ident, value);
        break;
    }
    case itMemIniFile:
        if (memIni_)
            memIni_->WriteString(section, Ident, value);
        break;
    default: {
        TKCLRegIniFile reg(KCLRegRootToHKey(regRoot_), false, GetRegistryPath(), regUnused_);
        reg.WriteString(section, Ident, value);
        break;
    }
    }
}

void TKCLIniCtrl::DeleteValue(const AnsiString &Section, const AnsiString &Ident)
{
    const AnsiString section = GetSectionName(Section);
    switch (resolved_) {
    case itIniFile: {
        platform::TIniFile ini(GetIniFileName());
        ini.DeleteKey(section, Ident);
        break;
    }
    case itMemIniFile:
        if (memIni_)
            memIni_->DeleteKey(section, Ident);
        break;
    default: {
        TKCLRegIniFile reg(KCLRegRootToHKey(regRoot_), false, GetRegistryPath(), regUnused_);
        reg.DeleteKey(section, Ident);
        break;
    }
    }
}
