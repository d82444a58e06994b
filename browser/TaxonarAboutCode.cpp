#include "browser/TaxonarAboutCode.h"

#include "browser/TaxonarWindowSupport.h"
#include "platform/SysUtils.h"

namespace taxonar {

using namespace platform;

TTaxonarAboutForm *TaxonarAboutForm = nullptr;

AnsiString ProgramVersionText()
{
    return IntToStr(ProgramMajorVersion) + "." + IntToStr(ProgramMinorVersion) + " (" + IntToStr(ProgramBuildNumber) +
           "), " + "listopad 2019";
}

TTaxonarAboutForm::TTaxonarAboutForm(TComponent *AOwner) : TForm(AOwner)
{
    SetName("TaxonarAboutForm");
    SetUpDialogForm(*this, 392, 258, Pl("O programie"));

    TaxonarAboutProgramIcon = PlaceControl<TImage>(this, "TaxonarAboutProgramIcon", 16, 16, 44, 44);
    TaxonarAboutProgramIcon->SetPicture(ProgramIconPicture());
    TaxonarAboutProgramIcon->SetTransparent(true);
    TaxonarAboutProgramIcon->SetCursor(crHandPoint);

    TaxonarAboutNameLabel = PlaceControl<TLabel>(this, "TaxonarAboutNameLabel", 80, 12, 65, 13);
    TaxonarAboutNameLabel->Font().SetStyle(TFontStyles{fsBold});
    TaxonarAboutNameLabel->SetCaption("Rubrikon");

    TaxonarAboutVersionLabel = PlaceControl<TLabel>(this, "TaxonarAboutVersionLabel", 80, 26, 65, 13);
    TaxonarAboutVersionLabel->SetCaption("");

    TaxonarAboutButtonsBevel = PlaceSeparator(this, "TaxonarAboutButtonsBevel", 8, 214, 377);
    TaxonarAboutCloseButton =
        PlaceGlyphButton(this, "TaxonarAboutCloseButton", 308, 224, "Zamknij", CloseGlyph(), mrCancel);
    TaxonarAboutCloseButton->SetDefault(true);

    OnKeyUp = TKeyEvent::Bind<&TTaxonarAboutForm::FormKeyUp>(this);
    OnShow = TNotifyEvent::Bind<&TTaxonarAboutForm::FormShow>(this);
}

void TTaxonarAboutForm::FormKeyUp(TObject *, uint16_t &Key, TShiftState)
{
    if (Key == VK_ESCAPE)
        SetModalResult(mrCancel);
}

void TTaxonarAboutForm::FormShow(TObject *) { TaxonarAboutVersionLabel->SetCaption(ProgramVersionText()); }

} // namespace taxonar
