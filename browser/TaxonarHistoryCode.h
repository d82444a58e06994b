// The document window "Historia zmian": the history of changes (AppDir + "Rubrikon.his") in a read-only
// rich-text view, with printing through the system print dialog.
#pragma once

#include "browser/TaxonarWindowSupport.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace taxonar {

class TTaxonarHistoryForm : public platform::TForm {
    RBK_CLASS(TTaxonarHistoryForm, platform::TForm)
public:
    explicit TTaxonarHistoryForm(platform::TComponent *AOwner);

    platform::TBevel *TaxonarHistoryBevel;
    TTaxonarRichEdit *TaxonarHistoryRichEdit;
    platform::TBitBtn *TaxonarHistoryExitButton;
    platform::TBitBtn *TaxonarHistoryPrintButton;
    platform::TPrintDialog *TaxonarHistoryPrintDialog;

    void FormKeyDown(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void FormKeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void FormShow(platform::TObject *Sender);
    void TaxonarHistoryPrintButtonClick(platform::TObject *Sender);

private:
    TEscapeKeyWatch escape_;
};

extern TTaxonarHistoryForm *TaxonarHistoryForm;

} // namespace taxonar
