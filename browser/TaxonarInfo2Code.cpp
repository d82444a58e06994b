#include "browser/TaxonarInfo2Code.h"

#include "browser/TaxonarTypeCode.h"
#include "platform/SysUtils.h"

#include <QPrinter>
#include <QWidget>
#include <algorithm>

namespace taxonar {

using namespace platform;

TTaxonarInfo2Form *TaxonarInfo2Form = nullptr;

namespace {
const char *const DocumentFile = "Rubrikon.ifo";
const char *const PrintTitle = "Wydruk wyjaśnień do klasyfikacji do programu \"Rubrikon\" ...";
} // namespace

TTaxonarInfo2Form::TTaxonarInfo2Form(TComponent *AOwner) : TForm(AOwner)
{
    SetName("TaxonarInfo2Form");
    SetUpDialogForm(*this, 592, 446, Pl("Wyjaśnienia do klasyfikacji"));

    TaxonarInfo2Bevel = PlaceSeparator(this, "TaxonarInfo2Bevel", 8, 404, 577);

    TaxonarInfo2RichEdit = PlaceControl<TTaxonarRichEdit>(this, "TaxonarInfo2RichEdit", 8, 8, 577, 393);
    TaxonarInfo2RichEdit->SetPlainText(QString::fromUtf8("Tu bedzie tekst wyjaśnień ..."));

    TaxonarInfo2ExitButton =
        PlaceGlyphButton(this, "TaxonarInfo2ExitButton", 510, 412, "Zamknij", CloseGlyph(), mrCancel);
    TaxonarInfo2ExitButton->SetDefault(true);
    TaxonarInfo2PrintButton = PlaceGlyphButton(this, "TaxonarInfo2PrintButton", 432, 412, "Drukuj", PrintGlyph(), mrNone);
    TaxonarInfo2PrintButton->OnClick = TNotifyEvent::Bind<&TTaxonarInfo2Form::TaxonarInfo2PrintButtonClick>(this);

    TaxonarInfo2PrintDialog = new TPrintDialog(this);
    TaxonarInfo2PrintDialog->SetName("TaxonarInfo2PrintDialog");

    TaxonarInfo2CheckBox = PlaceControl<TCheckBox>(this, "TaxonarInfo2CheckBox", 8, 416, 337, 17);
    TaxonarInfo2CheckBox->SetCaption(Pl("Czy pokazać okienko przy ponownymn uruchomieniu programu ?"));
    TaxonarInfo2CheckBox->SetChecked(false);
    TaxonarInfo2CheckBox->OnClick = TNotifyEvent::Bind<&TTaxonarInfo2Form::TaxonarInfo2CheckBoxClick>(this);

    OnKeyDown = TKeyEvent::Bind<&TTaxonarInfo2Form::FormKeyDown>(this);
    OnKeyUp = TKeyEvent::Bind<&TTaxonarInfo2Form::FormKeyUp>(this);
    OnShow = TNotifyEvent::Bind<&TTaxonarInfo2Form::FormShow>(this);
}

void TTaxonarInfo2Form::FormKeyDown(TObject *, uint16_t &Key, TShiftState) { escape_.KeyDown(Key); }

void TTaxonarInfo2Form::FormKeyUp(TObject *, uint16_t &Key, TShiftState)
{
    if (escape_.KeyUp(Key))
        SetModalResult(mrCancel);
}

void TTaxonarInfo2Form::FormShow(TObject *)
{
    escape_.Reset();
    // A missing or unreadable document leaves the initial text, silently.
    try {
        const AnsiString path = AppDir + DocumentFile;
        if (FileExists(path))
            TaxonarInfo2RichEdit->LoadFromFile(path);
    } catch (...) {
    }
    // Changing the box's state runs TaxonarInfo2CheckBoxClick, which saves.
    TaxonarInfo2CheckBox->SetChecked(ViewInfo);
    if (!FirstInfo) {
        TaxonarInfo2CheckBox->SetChecked(true);
        FirstInfo = true;
        ConfigSave();
    }
    TaxonarInfo2ExitButton->SetFocus();
}

void TTaxonarInfo2Form::TaxonarInfo2CheckBoxClick(TObject *)
{
    ViewInfo = TaxonarInfo2CheckBox->Checked();
    ConfigSave();
}

void TTaxonarInfo2Form::TaxonarInfo2PrintButtonClick(TObject *)
{
    if (!TaxonarInfo2PrintDialog->Execute())
        return;
    if (QPrinter *printer = TaxonarInfo2PrintDialog->Printer())
        PrintDocument(*TaxonarInfo2RichEdit->RichEdit(), *printer, QString::fromUtf8(PrintTitle));
}

} // namespace taxonar
