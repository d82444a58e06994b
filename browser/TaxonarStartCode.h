// The splash window shown while the definition files load: a 500 x 350
// picture without a border, centred on the screen, and the status label the
// loader writes its progress into.
#pragma once

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace taxonar {

class TTaxonarStartForm : public platform::TForm {
    RBK_CLASS(TTaxonarStartForm, platform::TForm)
public:
    explicit TTaxonarStartForm(platform::TComponent *AOwner);

    platform::TImage *TaxonarStartImage;
    platform::TLabel *TaxonarStartStatus;
};

extern TTaxonarStartForm *TaxonarStartForm;

} // namespace taxonar
