// The program block: the application object, its title, the main window and
// the message loop that runs until the main window closes.
#include "browser/TaxonarMainCode.h"
#include "platform/Forms.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    using platform::Application;
    Application->Initialize();
    Application->SetTitle("Rubrikon");
    Application->CreateForm(taxonar::TaxonarMainForm);
    Application->Run();
    // The windows go while the widget system still exists.
    Application->DestroyComponents();
    return 0;
}
