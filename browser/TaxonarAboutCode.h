// The About window "O programie": the program's icon, name and version.
#pragma once

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace taxonar {

// The program version shown here and compared by the update check.
inline constexpr int ProgramMajorVersion = 1;
inline constexpr int ProgramMinorVersion = 3;
inline constexpr int ProgramBuildNumber = 1;
// "1.3 (1), listopad 2019" (CP1250).
platform::AnsiString ProgramVersionText();

class TTaxonarAboutForm : public platform::TForm {
    RBK_CLASS(TTaxonarAboutForm, platform::TForm)
public:
    explicit TTaxonarAboutForm(platform::TComponent *AOwner);

    platform::TImage *TaxonarAboutProgramIcon;
    platform::TLabel *TaxonarAboutNameLabel;
    platform::TLabel *TaxonarAboutVersionLabel;
    platform::TBevel *TaxonarAboutButtonsBevel;
    platform::TBitBtn *TaxonarAboutCloseButton;

    void FormKeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void FormShow(platform::TObject *Sender);
};

extern TTaxonarAboutForm *TaxonarAboutForm;

} // namespace taxonar
