#include "browser/TaxonarQueryCode.h"

#include "browser/TaxonarWindowSupport.h"

namespace taxonar {

using namespace platform;

TTaxonarQueryForm *TaxonarQueryForm = nullptr;

TTaxonarQueryForm::TTaxonarQueryForm(TComponent *AOwner) : TForm(AOwner)
{
    SetName("TaxonarQueryForm");
    SetUpDialogForm(*this, 392, 124, Pl("Decyzja"));

    TaxonarQueryButtonsBevel = PlaceSeparator(this, "TaxonarQueryButtonsBevel", 8, 83, 377);

    TaxonarQueryIcon = PlaceControl<TImage>(this, "TaxonarQueryIcon", 8, 16, 44, 44);
    TaxonarQueryIcon->SetPicture(ProgramIconPicture());
    TaxonarQueryIcon->SetCursor(crHandPoint);

    // Fixed at room for four lines: a longer message is cut at the bottom.
    TaxonarQueryText = PlaceControl<TLabel>(this, "TaxonarQueryText", 64, 14, 321, 58);
    TaxonarQueryText->SetAutoSize(false);
    TaxonarQueryText->SetAlignment(taCenter);
    TaxonarQueryText->SetWordWrap(true);
    TaxonarQueryText->SetBounds(64, 14, 321, 58);

    // The Close button comes first in the tab order, so it has the focus when
    // the window opens.
    TaxonarQueryCloseButton =
        PlaceGlyphButton(this, "TaxonarQueryCloseButton", 310, 92, "Zamknij", CloseGlyph(), mrCancel);
    TaxonarQueryCloseButton->SetDefault(true);
    TaxonarQueryOkButton = PlaceGlyphButton(this, "TaxonarQueryOkButton", 230, 92, "Akceptuj", AcceptGlyph(), mrOk);

    OnKeyUp = TKeyEvent::Bind<&TTaxonarQueryForm::FormKeyUp>(this);
}

void TTaxonarQueryForm::FormKeyUp(TObject *, uint16_t &Key, TShiftState)
{
    if (Key == VK_ESCAPE)
        SetModalResult(mrCancel);
}

} // namespace taxonar
