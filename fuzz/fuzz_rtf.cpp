// Fuzz target of the RTF reader: parse, build the Qt document, write it back
// as RTF and parse that again. Any crash, sanitizer report or hang is a fault.
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view input(reinterpret_cast<const char *>(data), size);
    platform::RtfLimits limits;
    platform::RtfDocument rtf = platform::ParseRtf(input, limits);
    // One document for all runs: building replaces its content.
    static QTextDocument doc;
    platform::BuildTextDocument(rtf, doc, limits);
    std::string written = platform::WriteRtf(doc);
    platform::ParseRtf(written, limits);
    return 0;
}
