#include "kcl/KCLProcs.h"

TKCLAlphaBlendFunc *AlphaBlend = nullptr;
TKCLTransparentBltFunc *TransparentBlt = nullptr;
std::array<platform::AnsiString, 17> KCLClipboardFormatNames;

namespace {
platform::HMODULE msimg32 = 0;

const char *const formatNames[16] = {"TEXT",    "BITMAP",  "METAFILEPICT", "SYLK",        "DIF",   "TIFF",
                                     "OEMTEXT", "DIB",     "PALETTE",      "PENDATA",     "RIFF",  "WAVE",
                                     "UNICODETEXT", "ENHMETAFILE", "HDROP", "LOCALE"};
} // namespace

void KCLProcsInit()
{
    for (int i = 0; i < 16; ++i)
        KCLClipboardFormatNames[size_t(i + 1)] = formatNames[i];
    msimg32 = platform::LoadLibraryA("msimg32.dll");
    if (msimg32 != 0) {
        AlphaBlend = platform::FromFarProc<TKCLAlphaBlendFunc>(platform::GetProcAddress(msimg32, "AlphaBlend"));
        TransparentBlt =
            platform::FromFarProc<TKCLTransparentBltFunc>(platform::GetProcAddress(msimg32, "TransparentBlt"));
    }
}

void KCLProcsDone()
{
    if (msimg32 != 0)
        platform::FreeLibrary(msimg32);
    msimg32 = 0;
    AlphaBlend = nullptr;
    TransparentBlt = nullptr;
    for (platform::AnsiString &name : KCLClipboardFormatNames)
        name.clear();
}
