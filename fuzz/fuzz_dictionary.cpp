// Fuzz target for the files the search dialog reads: the input, split at its
// first two NUL bytes, is dictionary.global, definition.global and the phrase
// typed into the dialog. The dictionary is loaded as the main window loads it,
// the classification list is filled, the phrase is typed with the keys that
// move through the hints, and the search is asked for. Nothing may crash, and
// the search words must come out as blank-free pieces of the search text.
#include "FuzzSupport.h"
#include "browser/TaxonarFind2Code.h"
#include "browser/TaxonarTypeCode.h"

#include "platform/Controls.h"

#include <QApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace taxonar;

namespace {

// The part of s before the next NUL (all of it when there is none); s keeps
// what follows the NUL.
std::string takeField(std::string &s)
{
    const size_t nul = s.find('\0');
    std::string field = s.substr(0, nul);
    s.erase(0, nul == std::string::npos ? s.size() : nul + 1);
    return field;
}

} // namespace

// Font configuration and Qt keep caches (fonts, glyphs) for the life of the
// process; they are not this program's leaks.
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Widgets\n"; }

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_dictionary";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string dir = fuzzsupport::ScratchDir("dict");
    static TStringList dictionary, words;
    AppDir = dir;
    DictionaryWords = &dictionary;
    SearchWords = &words;

    std::string rest(reinterpret_cast<const char *>(data), size);
    fuzzsupport::WriteFile(dir + "dictionary.global", takeField(rest));
    fuzzsupport::WriteFile(dir + "definition.global", takeField(rest));
    const std::string typed = rest;

    dictionary.Clear();
    dictionary.LoadFromFile(dir + "dictionary.global");

    // One dialog for all runs: filling the classification list adds to it.
    static TTaxonarFind2Form *form = new TTaxonarFind2Form(nullptr);
    form->TaxonarFind2Edit3->Items().Clear();
    SearchClassIndex = static_cast<int>(size % 7) - 1;
    form->LoadClassificationNames();

    form->TaxonarFind2Edit1->SetText(typed);
    for (uint16_t key : {uint16_t('A'), uint16_t(platform::VK_DOWN), uint16_t(platform::VK_DOWN),
                         uint16_t(platform::VK_UP), uint16_t(platform::VK_SPACE), uint16_t(platform::VK_DOWN)}) {
        uint16_t k = key;
        form->TaxonarFind2Edit1KeyUp(form, k, {});
    }
    form->TaxonarFind2Edit2Click(form);
    form->TaxonarFind2Edit3->SetItemIndex(form->TaxonarFind2Edit3->Items().Count() > 0 ? 0 : -1);
    form->TaxonarFind2RunButtonClick(form);

    for (int i = 0; i < words.Count(); ++i) {
        const std::string &w = words.Strings(i);
        if (w.empty() || w.find(' ') != std::string::npos || SearchText.find(w) == std::string::npos)
            std::abort();
    }
    DictionaryWords = nullptr;
    SearchWords = nullptr;
    return 0;
}
