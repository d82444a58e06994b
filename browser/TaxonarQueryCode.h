// The question window "Decyzja": one text, "Akceptuj" (mrOk) or "Zamknij"
// (mrCancel, the default button). Only mrOk means consent.
#pragma once

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace taxonar {

class TTaxonarQueryForm : public platform::TForm {
    RBK_CLASS(TTaxonarQueryForm, platform::TForm)
public:
    explicit TTaxonarQueryForm(platform::TComponent *AOwner);

    platform::TBevel *TaxonarQueryButtonsBevel;
    platform::TImage *TaxonarQueryIcon;
    platform::TLabel *TaxonarQueryText;
    platform::TBitBtn *TaxonarQueryCloseButton;
    platform::TBitBtn *TaxonarQueryOkButton;

    void FormKeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
};

extern TTaxonarQueryForm *TaxonarQueryForm;

} // namespace taxonar
