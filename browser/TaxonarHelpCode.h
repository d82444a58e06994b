// The document window "Pomoc": the user manual (AppDir + "Rubrikon.hlp") in a read-only
// rich-text view, with printing through the system print dialog.
#pragma once

#include "browser/TaxonarWindowSupport.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace taxonar {

class TTaxonarHelpForm : public platform::TForm {
    RBK_CLASS(TTaxonarHelpForm, platform::TForm)
public:
    explicit TTaxonarHelpForm(platform::TComponent *AOwner);

    platform::TBevel *TaxonarHelpBevel;
    TTaxonarRichEdit *TaxonarHelpRichEdit;
    platform::TBitBtn *TaxonarHelpExitButton;
    platform::TBitBtn *TaxonarHelpPrintButton;
    platform::TPrintDialog *TaxonarHelpPrintDialog;

    void FormKeyDown(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void FormKeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void FormShow(platform::TObject *Sender);
    void TaxonarHelpPrintButtonClick(platform::TObject *Sender);

private:
    TEscapeKeyWatch escape_;
};

extern TTaxonarHelpForm *TaxonarHelpForm;

} // namespace taxonar
