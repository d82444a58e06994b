// The document window "Wyjaśnienia do klasyfikacji": the explanations
// (AppDir + "Rubrikon.ifo") in a read-only rich-text view, printing, and the
// check box that says whether the window opens at every start (ViewInfo,
// saved to the settings file at every click).
#pragma once

#include "browser/TaxonarWindowSupport.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace taxonar {

class TTaxonarInfo2Form : public platform::TForm {
    RBK_CLASS(TTaxonarInfo2Form, platform::TForm)
public:
    explicit TTaxonarInfo2Form(platform::TComponent *AOwner);

    platform::TBevel *TaxonarInfo2Bevel;
    TTaxonarRichEdit *TaxonarInfo2RichEdit;
    platform::TBitBtn *TaxonarInfo2ExitButton;
    platform::TBitBtn *TaxonarInfo2PrintButton;
    platform::TPrintDialog *TaxonarInfo2PrintDialog;
    platform::TCheckBox *TaxonarInfo2CheckBox;

    void FormKeyDown(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void FormKeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void FormShow(platform::TObject *Sender);
    void TaxonarInfo2PrintButtonClick(platform::TObject *Sender);
    void TaxonarInfo2CheckBoxClick(platform::TObject *Sender);

private:
    TEscapeKeyWatch escape_;
};

extern TTaxonarInfo2Form *TaxonarInfo2Form;

} // namespace taxonar
