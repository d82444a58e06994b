#include "browser/TaxonarInfoCode.h"

#include "browser/TaxonarWindowSupport.h"

namespace taxonar {

using namespace platform;

TTaxonarInfoForm *TaxonarInfoForm = nullptr;

TTaxonarInfoForm::TTaxonarInfoForm(TComponent *AOwner) : TForm(AOwner)
{
    SetName("TaxonarInfoForm");
    SetUpDialogForm(*this, 392, 124, Pl("Informacja"));

    TaxonarInfoButtonsBevel = PlaceSeparator(this, "TaxonarInfoButtonsBevel", 8, 83, 377);

    TaxonarInfoIcon = PlaceControl<TImage>(this, "TaxonarInfoIcon", 8, 16, 44, 44);
    TaxonarInfoIcon->SetPicture(ProgramIconPicture());
    TaxonarInfoIcon->SetCursor(crHandPoint);

    // Fixed at room for four lines: a longer message is cut at the bottom.
    TaxonarInfoText = PlaceControl<TLabel>(this, "TaxonarInfoText", 64, 14, 321, 58);
    TaxonarInfoText->SetAutoSize(false);
    TaxonarInfoText->SetAlignment(taCenter);
    TaxonarInfoText->SetWordWrap(true);
    TaxonarInfoText->SetBounds(64, 14, 321, 58);

    // The Close button comes first in the tab order, so it has the focus when
    // the window opens.
    TaxonarInfoCloseButton =
        PlaceGlyphButton(this, "TaxonarInfoCloseButton", 310, 92, "Zamknij", CloseGlyph(), mrCancel);
    TaxonarInfoCloseButton->SetDefault(true);

    OnKeyDown = TKeyEvent::Bind<&TTaxonarInfoForm::FormKeyDown>(this);
    OnKeyUp = TKeyEvent::Bind<&TTaxonarInfoForm::FormKeyUp>(this);
}

void TTaxonarInfoForm::FormKeyDown(TObject *, uint16_t &Key, TShiftState) { escape_.KeyDown(Key); }

void TTaxonarInfoForm::FormKeyUp(TObject *, uint16_t &Key, TShiftState)
{
    if (escape_.KeyUp(Key))
        SetModalResult(mrCancel);
}

} // namespace taxonar
