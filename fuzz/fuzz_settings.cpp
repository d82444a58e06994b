// Fuzz target of the values that the library and the program read back from
// their settings. The first byte picks the reader, the rest is its input:
//   0  a form's placement text (TKCLFormPersistent::SetPlacementText)
//   1  a font line (KCLStringToFont)
//   2  a colour text (StringToColor) and, from the first four bytes, a colour
//   3  typed registry values, written and read back, and a registry file
//      whose every value is read with every typed read
//   4  the ini control: values written and read back in every encoding and
//      every target, and stored text read in every encoding
//   5  the program's settings file (ConfigLoad, ConfigSave)
//   6  plain text shown by the rich-text view (IsRtf, ReadPlainText)
// Properties, beyond surviving: what is written reads back the same; what
// cannot be read leaves the values as they were or gives the defaults.
#include "FuzzSupport.h"
#include "browser/TaxonarTypeCode.h"
#include "kcl/KCLFormPersistent.h"
#include "kcl/KCLIniCtrl.h"
#include "kcl/KCLStrUtils.h"
#include "platform/ColorNames.h"
#include "platform/Forms.h"
#include "platform/IniFiles.h"
#include "platform/Registry.h"
#include "platform/RtfReader.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using platform::AnsiString;

namespace {

std::string dir;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The part of s before the next NUL (all of it when there is none); s keeps
// what follows the NUL.
std::string takeField(std::string &s)
{
    const size_t nul = s.find('\0');
    std::string field = s.substr(0, nul);
    s.erase(0, nul == std::string::npos ? s.size() : nul + 1);
    return field;
}

// ------------------------------------------------------------- placement

class TFuzzForm : public platform::TForm {
    RBK_CLASS(TFuzzForm, platform::TForm)
public:
    using platform::TForm::TForm;
};

bool onScreenScale(const platform::TRect &r)
{
    for (int v : {r.Left, r.Top, r.Right, r.Bottom})
        if (v < -32768 || v > 32767)
            return false;
    return true;
}

void placement(uint8_t flags, const std::string &text)
{
    static TFuzzForm *form = new TFuzzForm(nullptr);
    static TKCLFormPersistent *fp = new TKCLFormPersistent(form);
    static int noData = 0;
    static const bool hooked = [] {
        fp->OnNoRestoreData = platform::TNotifyEvent::FromFunction([](platform::TObject *) { ++noData; });
        return true;
    }();
    (void)hooked;
    TKCLFormIniSaveOptions options;
    if (flags & 1)
        options.Include(soPos);
    if (flags & 2)
        options.Include(soSize);
    if (options.Empty())
        options.Include(soPos);
    fp->SetIniSaveOptions(options);
    form->SetBounds(100, 50, 800, 600);
    const platform::TRect before = form->BoundsRect();
    const int noDataBefore = noData;
    try {
        fp->SetPlacementText(text);
    } catch (const platform::EConvertError &) {
        check(form->BoundsRect() == before);
        return;
    }
    if (noData != noDataBefore) {
        check(noData == noDataBefore + 1 && form->BoundsRect() == before);
        return;
    }
    const platform::TRect restored = form->BoundsRect();
    check(onScreenScale(restored));
    // The placement written now restores the same bounds.
    const AnsiString written = fp->GetPlacementText();
    form->SetBounds(100, 50, 800, 600);
    fp->SetIniSaveOptions({soPos, soSize});
    fp->SetPlacementText(written);
    check(noData == noDataBefore && form->BoundsRect() == restored);
}

// ------------------------------------------------------------------ font

void font(const std::string &text)
{
    platform::TFont f;
    try {
        KCLStringToFont(text, f);
    } catch (const platform::EConvertError &) {
        // The settings made before the bad piece stay; the rest is checked
        // like any font.
    }
    check(f.Size() >= -32768 && f.Size() <= 32767);
    const AnsiString line = KCLFontToString(f);
    platform::TFont again;
    KCLStringToFont(line, again);
    check(KCLFontToString(again) == line);
    check(again.Name() == f.Name() && again.Size() == f.Size() && again.Color() == f.Color() &&
          again.Style() == f.Style());
}

// --------------------------------------------------------------- colours

void colour(const std::string &text)
{
    try {
        const platform::TColor c = platform::StringToColor(text);
        check(platform::StringToColor(platform::ColorToString(c)) == c);
    } catch (const platform::EConvertError &) {
    }
    int32_t raw = 0;
    std::memcpy(&raw, text.data(), std::min<size_t>(4, text.size()));
    const AnsiString s = platform::ColorToString(raw);
    check(platform::StringToColor(s) == raw);
}

// -------------------------------------------------------------- registry

template <class F>
bool raisesRegistryError(F f)
{
    try {
        f();
    } catch (const platform::ERegistryException &) {
        return true;
    }
    return false;
}

void readEveryValue(platform::TRegistry &r)
{
    for (const AnsiString &name : r.GetValueNames()) {
        const platform::TRegDataType type = r.GetDataType(name);
        const bool isString = type == platform::rdString || type == platform::rdExpandString;
        check(raisesRegistryError([&] { (void)r.ReadString(name); }) == !isString);
        check(raisesRegistryError([&] { (void)r.ReadInteger(name); }) == (type != platform::rdInteger));
    }
}

void registry(const std::string &input)
{
    std::string rest = input;
    const std::string name = takeField(rest);
    const std::string value = takeField(rest);
    int32_t number = 0;
    std::memcpy(&number, value.data(), std::min<size_t>(4, value.size()));

    platform::RegistryClear();
    {
        platform::TRegistry r;
        check(r.OpenKey("\\Software\\Fuzz", true));
        r.WriteString(name + "s", value);
        r.WriteExpandString(name + "e", value);
        r.WriteInteger(name + "i", number);
        r.WriteBinaryData(name + "b", value);
    }
    const auto readBack = [&] {
        platform::TRegistry r(platform::KEY_READ);
        check(r.OpenKey("\\Software\\Fuzz", false));
        check(r.ReadString(name + "s") == value && r.GetDataType(name + "s") == platform::rdString);
        check(r.ReadString(name + "e") == value && r.GetDataType(name + "e") == platform::rdExpandString);
        check(r.ReadInteger(name + "i") == number && r.GetDataType(name + "i") == platform::rdInteger);
        check(r.GetDataType(name + "b") == platform::rdBinary);
        readEveryValue(r);
    };
    readBack();
    // The file form keeps every value.
    const AnsiString text = platform::RegistrySaveToText();
    check(platform::RegistryLoadFromText(text));
    readBack();

    // Whatever a registry file holds reads by its type or raises the
    // registry's error, at every key.
    if (platform::RegistryLoadFromText(rest)) {
        std::vector<AnsiString> pending = {"\\"};
        for (size_t i = 0; i < pending.size() && i < 64; ++i) {
            platform::TRegistry r(platform::KEY_READ);
            for (platform::HKEY root = platform::HKEY_CLASSES_ROOT; root <= platform::HKEY_DYN_DATA; ++root) {
                r.SetRootKey(root);
                if (!r.OpenKey(pending[i], false))
                    continue;
                readEveryValue(r);
                if (root == platform::HKEY_CURRENT_USER)
                    for (const AnsiString &k : r.GetKeyNames())
                        pending.push_back(pending[i] + k + "\\");
            }
        }
    }
    platform::RegistryClear();
}

// -------------------------------------------------------- the ini control

// A value that a profile file gives back as it was written: no line ends,
// no surrounding blanks, not enclosed in quotes.
bool profileSafe(const AnsiString &v)
{
    if (v.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return false;
    if (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t'))
        return false;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return false;
    return true;
}

AnsiString reversed(const AnsiString &s) { return AnsiString(s.rbegin(), s.rend()); }

void iniControl(uint8_t flags, const std::string &input)
{
    static const char *const sections[] = {"Main", "#ROOT", "Okna u\xbf ytkownika", "Common"};
    static const char *const idents[] = {"Placement", "PlacementFont", "x", "Klucz_\xb9\xea"};
    std::string rest = input;
    const AnsiString value = takeField(rest);
    const AnsiString stored = rest;
    const AnsiString section = sections[flags & 3];
    const AnsiString ident = idents[(flags >> 2) & 3];
    const TKCLIniTarget targets[] = {itIniFile, itRegistry, itMemIniFile};
    const TKCLIniTarget target = targets[((flags >> 4) & 3) % 3];

    platform::RegistryClear();
    std::remove((dir + "settings.ini").c_str());
    TKCLIniCtrl ctrl(nullptr);
    ctrl.SetIniPrefix(ppFixed);
    ctrl.SetIniFile(dir + "settings.ini");
    ctrl.SetRegPath("Software\\Fuzz");
    ctrl.SetTarget(target);
    ctrl.OnEncodeString = TKCLIniCryptEvent::FromFunction([](platform::TObject *, AnsiString &d) { d = reversed(d); });
    ctrl.OnDecodeString = TKCLIniCryptEvent::FromFunction([](platform::TObject *, AnsiString &d) { d = reversed(d); });

    struct Encoding {
        bool encoded;
        TKCLIniCryptMode mode;
    };
    const Encoding encodings[] = {{false, icmKey}, {true, icmKey}, {true, icmTextKey}, {true, icmCustom}};
    for (const Encoding &e : encodings) {
        ctrl.SetEncoded(e.encoded);
        ctrl.SetCryptMode(e.mode);
        ctrl.WriteValue(section, ident, value);
        const AnsiString got = ctrl.ReadValue(section, ident, "default");
        // The scrambling modes store any bytes; plain and custom text goes to
        // the target as it is, which a profile file keeps only when it is safe.
        const bool exact = (e.encoded && e.mode != icmCustom) || target == itRegistry ||
                           profileSafe(e.encoded ? reversed(value) : value);
        if (exact)
            check(got == value);
        ctrl.DeleteValue(section, ident);
        check(ctrl.ReadValue(section, ident, "default") == "default");
    }

    // Stored text, as any hand-edited file or key may hold it, reads as a
    // value or as the default in every encoding.
    const AnsiString raw = ctrl.GetSectionName(section);
    switch (target) {
    case itIniFile: {
        platform::TIniFile ini(ctrl.GetIniFileName());
        ini.WriteString(raw, ident, stored);
        break;
    }
    case itMemIniFile:
        ctrl.MemIniFile()->WriteString(raw, ident, stored);
        break;
    default: {
        platform::TRegistry r;
        check(r.OpenKey("\\Software\\Fuzz\\" + raw, true));
        if (flags & 0x40)
            r.WriteInteger(ident, int32_t(stored.size()));
        else if (flags & 0x80)
            r.WriteBinaryData(ident, stored);
        else
            r.WriteString(ident, stored);
        break;
    }
    }
    for (const Encoding &e : encodings) {
        ctrl.SetEncoded(e.encoded);
        ctrl.SetCryptMode(e.mode);
        (void)ctrl.ReadValue(section, ident, "default");
    }
    platform::RegistryClear();
}

// --------------------------------------------------------- settings file

void config(uint8_t flags, const std::string &bytes)
{
    bool *const flagVars[] = {&taxonar::ViewHelp, &taxonar::View2010, &taxonar::ViewInfo, &taxonar::FirstInfo};
    const auto setFlags = [&](unsigned bits) {
        for (int i = 0; i < 4; ++i)
            *flagVars[i] = (bits >> i) & 1;
    };
    const auto getFlags = [&] {
        unsigned bits = 0;
        for (int i = 0; i < 4; ++i)
            bits |= unsigned(*flagVars[i]) << i;
        return bits;
    };
    fuzzsupport::WriteFile(taxonar::ConfigFileName(), bytes);
    setFlags(flags & 15);
    if (!taxonar::ConfigLoad()) {
        check(getFlags() == (flags & 15u)); // the values stay as they were
    } else {
        const unsigned loaded = getFlags();
        setFlags(~loaded & 15);
        check(taxonar::ConfigLoad() && getFlags() == loaded);
    }
    setFlags(flags >> 4);
    if (taxonar::ConfigSave()) {
        setFlags(~(flags >> 4) & 15);
        check(taxonar::ConfigLoad() && getFlags() == (flags >> 4));
    }
}

// ------------------------------------------------------------ plain text

void plainText(const std::string &bytes)
{
    check(platform::IsRtf(bytes) == (bytes.rfind("{\\rtf", 0) == 0));
    static QTextDocument doc;
    platform::ReadPlainText(bytes, doc);
    // One block per line; CR LF, LF and CR end a line; NUL bytes are dropped.
    std::vector<std::u16string> lines(1);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else if (c != 0) {
            lines.back() += platform::CodePageToUnicode(1250, c);
        }
    }
    check(doc.blockCount() == int(lines.size()));
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), ++n)
        check(b.text().toStdU16String() == lines[size_t(n)]);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_settings";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    dir = fuzzsupport::ScratchDir("settings");
    platform::RegistrySetFile(dir + "registry");
    taxonar::UserDataDir = dir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t which = data[0], flags = data[1];
    const std::string input(reinterpret_cast<const char *>(data + 2), size - 2);
    switch (which % 7) {
    case 0:
        placement(flags, input);
        break;
    case 1:
        font(input);
        break;
    case 2:
        colour(input);
        break;
    case 3:
        registry(input);
        break;
    case 4:
        iniControl(flags, input);
        break;
    case 5:
        config(flags, input);
        break;
    default:
        plainText(input);
        break;
    }
    return 0;
}
