// The message window "Informacja": one text and a Close button.
#pragma once

#include "browser/TaxonarWindowSupport.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace taxonar {

class TTaxonarInfoForm : public platform::TForm {
    RBK_CLASS(TTaxonarInfoForm, platform::TForm)
public:
    explicit TTaxonarInfoForm(platform::TComponent *AOwner);

    platform::TBevel *TaxonarInfoButtonsBevel;
    platform::TImage *TaxonarInfoIcon;
    // The message: centred, word-wrapped, fixed at four lines' height.
    platform::TLabel *TaxonarInfoText;
    platform::TBitBtn *TaxonarInfoCloseButton;

    void FormKeyDown(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void FormKeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);

private:
    TEscapeKeyWatch escape_;
};

extern TTaxonarInfoForm *TaxonarInfoForm;

} // namespace taxonar
