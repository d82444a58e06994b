#include "browser/TaxonarResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initTaxonarResourceFile() { Q_INIT_RESOURCE(taxonar); }

void InitTaxonarResources()
{
    static const bool done = [] {
        initTaxonarResourceFile();
        return true;
    }();
    (void)done;
}
