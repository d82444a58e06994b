#include "browser/TaxonarHistoryCode.h"

#include "browser/TaxonarTypeCode.h"
#include "platform/SysUtils.h"

#include <QPrinter>

namespace taxonar {

using namespace platform;

TTaxonarHistoryForm *TaxonarHistoryForm = nullptr;

namespace {
const char *const DocumentFile = "Rubrikon.his";
const char *const PrintTitle = "Wydruk historii zmian do programu \"Rubrikon\" ...";
} // namespace

TTaxonarHistoryForm::TTaxonarHistoryForm(TComponent *AOwner) : TForm(AOwner)
{
    SetName("TaxonarHistoryForm");
    SetUpDialogForm(*this, 592, 446, Pl("Historia zmian"));

    TaxonarHistoryBevel = PlaceSeparator(this, "TaxonarHistoryBevel", 8, 404, 577);

    TaxonarHistoryRichEdit = PlaceControl<TTaxonarRichEdit>(this, "TaxonarHistoryRichEdit", 8, 8, 577, 393);
    TaxonarHistoryRichEdit->SetPlainText(QString::fromUtf8("Tu bedzie tekst pomocy ..."));

    TaxonarHistoryExitButton =
        PlaceGlyphButton(this, "TaxonarHistoryExitButton", 510, 412, "Zamknij", CloseGlyph(), mrCancel);
    TaxonarHistoryExitButton->SetDefault(true);
    TaxonarHistoryPrintButton = PlaceGlyphButton(this, "TaxonarHistoryPrintButton", 432, 412, "Drukuj", PrintGlyph(), mrNone);
    TaxonarHistoryPrintButton->OnClick = TNotifyEvent::Bind<&TTaxonarHistoryForm::TaxonarHistoryPrintButtonClick>(this);

    TaxonarHistoryPrintDialog = new TPrintDialog(this);
    TaxonarHistoryPrintDialog->SetName("TaxonarHistoryPrintDialog");

    OnKeyDown = TKeyEvent::Bind<&TTaxonarHistoryForm::FormKeyDown>(this);
    OnKeyUp = TKeyEvent::Bind<&TTaxonarHistoryForm::FormKeyUp>(this);
    OnShow = TNotifyEvent::Bind<&TTaxonarHistoryForm::FormShow>(this);
}

void TTaxonarHistoryForm::FormKeyDown(TObject *, uint16_t &Key, TShiftState) { escape_.KeyDown(Key); }

void TTaxonarHistoryForm::FormKeyUp(TObject *, uint16_t &Key, TShiftState)
{
    if (escape_.KeyUp(Key))
        SetModalResult(mrCancel);
}

void TTaxonarHistoryForm::FormShow(TObject *)
{
    escape_.Reset();
    // A missing document leaves the initial text; a read error leaves this
    // handler for the application object's handler, before the focus moves.
    const AnsiString path = AppDir + DocumentFile;
    if (FileExists(path))
        TaxonarHistoryRichEdit->LoadFromFile(path);
    TaxonarHistoryExitButton->SetFocus();
}

void TTaxonarHistoryForm::TaxonarHistoryPrintButtonClick(TObject *)
{
    if (!TaxonarHistoryPrintDialog->Execute())
        return;
    if (QPrinter *printer = TaxonarHistoryPrintDialog->Printer())
        PrintDocument(*TaxonarHistoryRichEdit->RichEdit(), *printer, QString::fromUtf8(PrintTitle));
}

} // namespace taxonar
