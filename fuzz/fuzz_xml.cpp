// Fuzz target for the XML line store: the input is used as whole text, as
// lines for every recogniser and the list routines, and as a file for the
// validation, load and re-indentation routines. None may crash, and unescaping
// must give back what escaping was given.
#include "browser/TaxonarTypeCode.h"

#include "platform/System.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace taxonar;
using platform::AnsiString;

namespace {

const AnsiString &TempFile()
{
    static const AnsiString path = [] {
        SetXmlRetryWait([](uint32_t) {});
        // The store writes through a temporary file that it flushes to disk:
        // on a memory file system that costs next to nothing, elsewhere it
        // would hold each run for milliseconds.
        const AnsiString dir = ::access("/dev/shm", W_OK) == 0 ? AnsiString("/dev/shm/") : platform::TempDir();
        return dir + "fuzz_xml." + platform::IntToStr(::getpid()) + ".xml";
    }();
    // The file is rewritten in place by every run and removed at the end.
    static const bool removeAtExit = std::atexit([] { ::unlink(TempFile().c_str()); }) == 0;
    (void)removeAtExit;
    return path;
}

// Every recogniser on one line.
void Recognise(const AnsiString &line)
{
    AnsiString name;
    (void)XmlIsName(line);
    (void)XmlIsText(line);
    (void)XmlIsAttribute(line);
    (void)XmlIsOpenTag(line, name);
    (void)XmlIsCloseTag(line, name);
    (void)XmlIsValueLine(line, name);
    (void)XmlIsComment(line);
    (void)XmlIsDeclaration(line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const AnsiString input(reinterpret_cast<const char *>(data), size);
    // Escaping does not care for line breaks: the whole input covers what
    // each of its lines would.
    if (XmlUnescape(XmlEscape(input)) != input)
        std::abort();

    TStringList list;
    list.SetText(input);
    // The whole input as one line only when it is not already the one line.
    if (list.Count() != 1 || list[0] != input)
        Recognise(input);
    for (int i = 0; i < list.Count(); ++i)
        Recognise(list[i]);

    // The list routines with a fixed path of several levels and with the
    // first line as a path (one level unless it holds a '/').
    AnsiString value;
    const AnsiString firstLine = list.Count() > 0 ? list[0] : AnsiString();
    for (const AnsiString &path : {AnsiString("body/config/viewinfo"), firstLine}) {
        XmlGetValue(list, path, value);
        XmlSetValue(list, path, value + "<&>");
        XmlAddNode(list, path, "child");
    }

    const AnsiString &file = TempFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(input.data(), static_cast<std::streamsize>(input.size()));
    }
    int code = 0, lineNumber = 0;
    XmlValidateFile(file, code, lineNumber);
    if (code < 0 || code > 3)
        std::abort();
    TStringList loaded;
    if (!XmlLoadFile(file, loaded) || loaded.Count() == 0)
        std::abort();
    if (!XmlFormatFile(file, 2))
        std::abort();
    XmlValidateFile(file, code, lineNumber);
    return 0;
}
