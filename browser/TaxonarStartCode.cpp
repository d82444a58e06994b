#include "browser/TaxonarStartCode.h"

#include "browser/TaxonarResources.h"
#include "browser/TaxonarWindowSupport.h"

namespace taxonar {

using namespace platform;

TTaxonarStartForm *TaxonarStartForm = nullptr;

TTaxonarStartForm::TTaxonarStartForm(TComponent *AOwner) : TForm(AOwner)
{
    SetName("TaxonarStartForm");
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetBorderIcons(TBorderIcons{});
    SetPosition(poScreenCenter);
    SetCaption("Start");
    SetClientWidth(500);
    SetClientHeight(350);
    Widget()->setWindowIcon(ProgramWindowIcon());

    InitTaxonarResources();
    TaxonarStartImage = PlaceControl<TImage>(this, "TaxonarStartImage", 0, 0, 500, 350);
    TaxonarStartImage->SetAlign(alClient);
    TaxonarStartImage->SetPicture(QImage(QStringLiteral(":/images/splash.jpg")));

    TaxonarStartStatus = PlaceControl<TLabel>(this, "TaxonarStartStatus", 8, 312, 248, 13);
    TaxonarStartStatus->SetTransparent(true);
    TaxonarStartStatus->Font().SetStyle(TFontStyles{fsBold});
    TaxonarStartStatus->Font().SetColor(clYellow);
    TaxonarStartStatus->SetCaption(Pl("Proszę czekać trwa wczytywanie danych ..."));
}

} // namespace taxonar
