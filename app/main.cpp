// The program block: the library's units, the application object, its title,
// the main window and the message loop that runs until the main window
// closes; then the units are finalised.
#include "browser/TaxonarMainCode.h"
#include "kcl/KCLUnits.h"
#include "platform/Forms.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    using platform::Application;
    KCLInitializeUnits();
    Application->Initialize();
    Application->SetTitle("Rubrikon");
    Application->CreateForm(taxonar::TaxonarMainForm);
    Application->Run();
    // The windows go while the widget system still exists.
    Application->DestroyComponents();
    KCLFinalizeUnits();
    return 0;
}
