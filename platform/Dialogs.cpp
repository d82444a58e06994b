#include "platform/Dialogs.h"
#include "platform/Forms.h"

#include <QPrintDialog>
#include <QPrinter>

namespace platform {

std::function<bool(TPrintDialog *)> TPrintDialog::ExecuteHook;

TPrintDialog::TPrintDialog(TComponent *AOwner) : TComponent(AOwner) {}

TPrintDialog::~TPrintDialog() = default;

QPrinter *TPrintDialog::Printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return printer_.get();
}

bool TPrintDialog::Execute()
{
    if (ExecuteHook)
        return ExecuteHook(this);
    QPrintDialog dialog(Printer(), DialogParentWidget(this));
    dialog.setAttribute(Qt::WA_QuitOnClose, false);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok)
        copies_ = Printer()->copyCount();
    return ok;
}

void ShowMessage(const AnsiString &message) { Application->MessageBox(message, Application->Title(), MB_OK); }

} // namespace platform
