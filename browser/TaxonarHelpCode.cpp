#include "browser/TaxonarHelpCode.h"

#include "browser/TaxonarTypeCode.h"
#include "platform/SysUtils.h"

#include <QPrinter>

namespace taxonar {

using namespace platform;

TTaxonarHelpForm *TaxonarHelpForm = nullptr;

namespace {
const char *const DocumentFile = "Rubrikon.hlp";
const char *const PrintTitle = "Wydruk pomocy do programu \"Rubrikon\" ...";
} // namespace

TTaxonarHelpForm::TTaxonarHelpForm(TComponent *AOwner) : TForm(AOwner)
{
    SetName("TaxonarHelpForm");
    SetUpDialogForm(*this, 592, 446, Pl("Pomoc"));

    TaxonarHelpBevel = PlaceSeparator(this, "TaxonarHelpBevel", 8, 404, 577);

    TaxonarHelpRichEdit = PlaceControl<TTaxonarRichEdit>(this, "TaxonarHelpRichEdit", 8, 8, 577, 393);
    TaxonarHelpRichEdit->SetPlainText(QString::fromUtf8("Tu bedzie tekst pomocy ..."));

    TaxonarHelpExitButton =
        PlaceGlyphButton(this, "TaxonarHelpExitButton", 510, 412, "Zamknij", CloseGlyph(), mrCancel);
    TaxonarHelpExitButton->SetDefault(true);
    TaxonarHelpPrintButton = PlaceGlyphButton(this, "TaxonarHelpPrintButton", 432, 412, "Drukuj", PrintGlyph(), mrNone);
    TaxonarHelpPrintButton->OnClick = TNotifyEvent::Bind<&TTaxonarHelpForm::TaxonarHelpPrintButtonClick>(this);

    TaxonarHelpPrintDialog = new TPrintDialog(this);
    TaxonarHelpPrintDialog->SetName("TaxonarHelpPrintDialog");

    OnKeyDown = TKeyEvent::Bind<&TTaxonarHelpForm::FormKeyDown>(this);
    OnKeyUp = TKeyEvent::Bind<&TTaxonarHelpForm::FormKeyUp>(this);
    OnShow = TNotifyEvent::Bind<&TTaxonarHelpForm::FormShow>(this);
}

void TTaxonarHelpForm::FormKeyDown(TObject *, uint16_t &Key, TShiftState) { escape_.KeyDown(Key); }

void TTaxonarHelpForm::FormKeyUp(TObject *, uint16_t &Key, TShiftState)
{
    if (escape_.KeyUp(Key))
        SetModalResult(mrCancel);
}

void TTaxonarHelpForm::FormShow(TObject *)
{
    escape_.Reset();
    // A missing document leaves the initial text; a read error leaves this
    // handler for the application object's handler, before the focus moves.
    const AnsiString path = AppDir + DocumentFile;
    if (FileExists(path))
        TaxonarHelpRichEdit->LoadFromFile(path);
    TaxonarHelpExitButton->SetFocus();
}

void TTaxonarHelpForm::TaxonarHelpPrintButtonClick(TObject *)
{
    if (!TaxonarHelpPrintDialog->Execute())
        return;
    if (QPrinter *printer = TaxonarHelpPrintDialog->Printer())
        PrintDocument(*TaxonarHelpRichEdit->RichEdit(), *printer, QString::fromUtf8(PrintTitle));
}

} // namespace taxonar
