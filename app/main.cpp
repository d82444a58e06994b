// The program block: loads the catalogue from the program folder.
#include "browser/TaxonarTypeCode.h"
#include "platform/System.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Rubrikon");
    using namespace taxonar;
    AppDir = platform::ExecutableDir();
    TStringList records;
    ItemRecords = &records;
    try {
        Catalogue catalogue(records);
        catalogue.Load(AppDir, {});
    } catch (const platform::Exception &e) {
        std::fprintf(stderr, "Rubrikon: %s\n", e.Message.c_str());
        return 1;
    }
    return 0;
}
