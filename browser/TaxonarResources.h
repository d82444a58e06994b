// The reader's pictures are compiled into the browser library as the Qt
// resource file "taxonar" (browser/resources/taxonar.qrc). A static library's
// resources must be registered once before use; this does it and may be
// called any number of times.
#pragma once

void InitTaxonarResources();
