// The search dialog (see TaxonarFind2Code.h).
#include "browser/TaxonarFind2Code.h"

#include "browser/TaxonarTypeCode.h"
#include "browser/TaxonarWindowSupport.h"
#include "platform/Cp1250.h"
#include "platform/SysUtils.h"
#include "platform/TextFile.h"

namespace taxonar {

using namespace platform;

TTaxonarFind2Form *TaxonarFind2Form = nullptr;

namespace {

// Fields 3 (code) and 4 (name) of a definition.global line. Fields 1 and 2
// are removed up to and including their ';' (nothing is removed when there is
// none); fields 3 and 4 are each the text up to the next ';', and read as
// empty when no ';' follows them.
struct ClassificationFields {
    AnsiString Code;
    AnsiString Name;
};

ClassificationFields classificationFields(const AnsiString &line)
{
    AnsiString rest = line;
    for (int k = 0; k < 2; ++k) {
        const size_t semi = rest.find(';');
        if (semi != AnsiString::npos)
            rest.erase(0, semi + 1);
    }
    ClassificationFields f;
    size_t semi = rest.find(';');
    if (semi == AnsiString::npos)
        return f;
    f.Code = rest.substr(0, semi);
    rest.erase(0, semi + 1);
    semi = rest.find(';');
    if (semi != AnsiString::npos)
        f.Name = rest.substr(0, semi);
    return f;
}

TLabel *placeLabel(TTaxonarFind2Form *form, TWinControl *parent, const char *name, int top, const char *caption)
{
    auto *label = new TLabel(form);
    label->SetName(name);
    label->SetParent(parent);
    label->SetLeft(8);
    label->SetTop(top);
    label->SetCaption(Pl(caption));
    // The captions fit beside their fields in the 8-point dialog font; where
    // the substituted font runs wider, the label's font steps down until the
    // caption ends before the field (at 152 in the group box).
    for (int height = label->Font().Height(); label->Width() > 140 && height < -8;)
        label->Font().SetHeight(++height);
    return label;
}

template <class T>
T *placeIn(TTaxonarFind2Form *form, TWinControl *parent, const char *name, int left, int top, int width, int height)
{
    T *control = new T(form);
    control->SetName(name);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

} // namespace

TTaxonarFind2Form::TTaxonarFind2Form(TComponent *AOwner) : TForm(AOwner)
{
    SetName("TaxonarFind2Form");
    SetUpDialogForm(*this, 812, 320, Pl("Parametry szukania"));

    TaxonarFind2ButtonsBevel = PlaceSeparator(this, "TaxonarFind2ButtonsBevel", 8, 275, 797);

    // Created in tab order: the phrase and its hints, the further parameters,
    // then Run and Close.
    TaxonarFind2GroupBox1 = PlaceControl<TGroupBox>(this, "TaxonarFind2GroupBox1", 8, 8, 797, 129);
    TaxonarFind2GroupBox1->SetCaption(Pl(" Szukany ciąg znaków "));
    TaxonarFind2Edit1 = placeIn<TEdit>(this, TaxonarFind2GroupBox1, "TaxonarFind2Edit1", 152, 24, 637, 21);
    TaxonarFind2Edit2 = placeIn<TListBox>(this, TaxonarFind2GroupBox1, "TaxonarFind2Edit2", 152, 48, 637, 73);
    TaxonarFind2Edit2->SetItemHeight(13);
    TaxonarFind2Label1 = placeLabel(this, TaxonarFind2GroupBox1, "TaxonarFind2Label1", 28, "Podaj szukany ciąg znaków");
    TaxonarFind2Label2 = placeLabel(this, TaxonarFind2GroupBox1, "TaxonarFind2Label2", 52, "Podpowiedź");

    TaxonarFind2GroupBox2 = PlaceControl<TGroupBox>(this, "TaxonarFind2GroupBox2", 8, 144, 797, 121);
    TaxonarFind2GroupBox2->SetCaption(Pl(" Parametry dodatkowe przeszukiwania "));
    auto combo = [this](const char *name, int top) {
        auto *c = placeIn<TComboBox>(this, TaxonarFind2GroupBox2, name, 152, top, 637, 21);
        c->SetStyle(csDropDownList);
        return c;
    };
    TaxonarFind2Edit3 = combo("TaxonarFind2Edit3", 24);
    TaxonarFind2Edit4 = combo("TaxonarFind2Edit4", 56);
    TaxonarFind2Edit5 = combo("TaxonarFind2Edit5", 88);
    TaxonarFind2Label3 = placeLabel(this, TaxonarFind2GroupBox2, "TaxonarFind2Label3", 28, "Przeszukiwana klasyfikacja");
    TaxonarFind2Label4 = placeLabel(this, TaxonarFind2GroupBox2, "TaxonarFind2Label4", 60, "Wystąpienie słów");
    TaxonarFind2Label5 = placeLabel(this, TaxonarFind2GroupBox2, "TaxonarFind2Label5", 92, "Wyniki wyszukiwania");

    TaxonarFind2RunButton = PlaceGlyphButton(this, "TaxonarFind2RunButton", 651, 284, "Szukaj", AcceptGlyph(), mrOk);
    TaxonarFind2RunButton->SetDefault(true);
    TaxonarFind2CloseButton =
        PlaceGlyphButton(this, "TaxonarFind2CloseButton", 730, 284, "Zamknij", CloseGlyph(), mrCancel);

    TaxonarFind2StartTimer = new TTimer(this);
    TaxonarFind2StartTimer->SetName("TaxonarFind2StartTimer");
    TaxonarFind2StartTimer->SetEnabled(false);
    TaxonarFind2StartTimer->SetInterval(100);
    TaxonarFind2StartTimer->SetOnTimer(TNotifyEvent::Bind<&TTaxonarFind2Form::TaxonarFind2StartTimerTimer>(this));

    TaxonarFind2Edit1->OnChange = TNotifyEvent::Bind<&TTaxonarFind2Form::TaxonarFind2Edit1Change>(this);
    TaxonarFind2Edit1->OnKeyUp = TKeyEvent::Bind<&TTaxonarFind2Form::TaxonarFind2Edit1KeyUp>(this);
    TaxonarFind2Edit2->OnClick = TNotifyEvent::Bind<&TTaxonarFind2Form::TaxonarFind2Edit2Click>(this);
    TaxonarFind2RunButton->OnClick = TNotifyEvent::Bind<&TTaxonarFind2Form::TaxonarFind2RunButtonClick>(this);
    OnKeyDown = TKeyEvent::Bind<&TTaxonarFind2Form::FormKeyDown>(this);
    OnKeyUp = TKeyEvent::Bind<&TTaxonarFind2Form::FormKeyUp>(this);
    OnShow = TNotifyEvent::Bind<&TTaxonarFind2Form::FormShow>(this);
    OnCreate = TNotifyEvent::Bind<&TTaxonarFind2Form::FormCreate>(this);
    OnDestroy = TNotifyEvent::Bind<&TTaxonarFind2Form::FormDestroy>(this);
}

TTaxonarFind2Form::~TTaxonarFind2Form()
{
    // OnDestroy runs while the window is still whole (the form's own
    // destructor would call FormDestroy on what is then only a form).
    SafeCall([this] { DoDestroy(); });
    // The controls go next; nothing of theirs may call back into this window.
    TaxonarFind2StartTimer->SetOnTimer(TNotifyEvent());
    TaxonarFind2Edit1->OnChange.Clear();
    TaxonarFind2Edit1->OnKeyUp.Clear();
    TaxonarFind2Edit2->OnClick.Clear();
    OnShow.Clear();
    OnKeyDown.Clear();
    OnKeyUp.Clear();
    if (TaxonarFind2Form == this)
        TaxonarFind2Form = nullptr;
}

void TTaxonarFind2Form::FormCreate(TObject *) {}

void TTaxonarFind2Form::FormDestroy(TObject *) {}

void TTaxonarFind2Form::FormShow(TObject *)
{
    escape_.Reset();
    TaxonarFind2Edit1->Clear();
    TaxonarFind2Edit2->Clear();

    TaxonarFind2Edit3->Clear();
    TaxonarFind2Edit3->SetSorted(false);

    TaxonarFind2Edit4->Clear();
    TaxonarFind2Edit4->SetSorted(false);
    TaxonarFind2Edit4->Items().Add(Pl("Wszystkie słowa w dowolnej kolejności"));
    TaxonarFind2Edit4->Items().Add(Pl("Wszystkie słowa w identycznej kolejności"));
    TaxonarFind2Edit4->Items().Add(Pl("Dowolne ze słów"));
    TaxonarFind2Edit4->SetItemIndex(SearchWordMode);

    TaxonarFind2Edit5->Clear();
    TaxonarFind2Edit5->SetSorted(false);
    TaxonarFind2Edit5->Items().Add(Pl("Wyświetl pierwsze 10 wyników przeszukania"));
    TaxonarFind2Edit5->Items().Add(Pl("Wyświetl pierwsze 50 wyników przeszukania"));
    TaxonarFind2Edit5->Items().Add(Pl("Wyświetl wszystkie wyniki przeszukania"));
    TaxonarFind2Edit5->SetItemIndex(SearchResultLimit);

    UpdateRunButton();
    TaxonarFind2Edit1->SetFocus();
    TaxonarFind2StartTimer->SetEnabled(true);
}

void TTaxonarFind2Form::FormKeyDown(TObject *, uint16_t &Key, TShiftState) { escape_.KeyDown(Key); }

void TTaxonarFind2Form::FormKeyUp(TObject *, uint16_t &Key, TShiftState)
{
    if (escape_.KeyUp(Key))
        SetModalResult(mrCancel);
}

void TTaxonarFind2Form::TaxonarFind2StartTimerTimer(TObject *)
{
    TaxonarFind2StartTimer->SetEnabled(false);
    LoadClassificationNames();
    UpdateRunButton();
    TaxonarFind2Edit1->SetFocus();
}

void TTaxonarFind2Form::UpdateRunButton() { TaxonarFind2RunButton->SetEnabled(!Trim(TaxonarFind2Edit1->Text()).empty()); }

void TTaxonarFind2Form::LoadClassificationNames()
{
    TextFile file(AppDir + "definition.global");
    file.Reset();
    while (!file.Eof()) {
        const ClassificationFields f = classificationFields(file.ReadLn());
        if (f.Code == "MX" || f.Code == "KST2010")
            continue;
        TaxonarFind2Edit3->Items().Add(f.Name);
    }
    file.CloseFile();
    const int index = SearchClassIndex;
    TaxonarFind2Edit3->SetItemIndex(index >= 0 && index < TaxonarFind2Edit3->Items().Count() ? index : -1);
}

void TTaxonarFind2Form::TaxonarFind2Edit1Change(TObject *) { UpdateRunButton(); }

void TTaxonarFind2Form::putHint(int index)
{
    TaxonarFind2Edit1->SetText(TaxonarFind2Edit2->Items().Strings(index));
    TaxonarFind2Edit1->SetSelStart(int(TaxonarFind2Edit1->Text().size()));
}

void TTaxonarFind2Form::TaxonarFind2Edit1KeyUp(TObject *, uint16_t &Key, TShiftState)
{
    const AnsiString text = TaxonarFind2Edit1->Text();
    const size_t blank = text.rfind(' ');
    const AnsiString prefix = blank == AnsiString::npos ? AnsiString() : text.substr(0, blank + 1);
    const AnsiString last = blank == AnsiString::npos ? text : text.substr(blank + 1);
    TListBox *hints = TaxonarFind2Edit2;

    if (Key == VK_SPACE)
        hints->Clear();

    if (!last.empty() && Key != VK_UP && Key != VK_DOWN) {
        hints->Clear();
        if (DictionaryWords != nullptr) {
            for (int i = 0; i < DictionaryWords->Count(); ++i) {
                const AnsiString &word = DictionaryWords->Strings(i);
                if (word.compare(0, last.size(), last) == 0)
                    hints->Items().Add(prefix + word);
            }
        }
        hints->SetItemIndex(hints->Items().Count() > 0 ? 0 : -1);
        HintListFresh_ = true;
    }

    if (Key == VK_UP) {
        if (hints->Items().Count() > 0 && hints->ItemIndex() > 0) {
            hints->SetItemIndex(hints->ItemIndex() - 1);
            putHint(hints->ItemIndex());
            HintListFresh_ = false;
        }
    }

    if (Key == VK_DOWN) {
        if (hints->Items().Count() > 0 && hints->ItemIndex() >= 0) {
            if (!HintListFresh_) {
                if (hints->ItemIndex() >= hints->Items().Count() - 1)
                    return;
                hints->SetItemIndex(hints->ItemIndex() + 1);
            }
            putHint(hints->ItemIndex());
            HintListFresh_ = false;
        }
    }
}

void TTaxonarFind2Form::TaxonarFind2Edit2Click(TObject *)
{
    TListBox *hints = TaxonarFind2Edit2;
    if (hints->Items().Count() > 0 && hints->ItemIndex() >= 0)
        TaxonarFind2Edit1->SetText(hints->Items().Strings(hints->ItemIndex()));
    TaxonarFind2Edit1->SetFocus();
    TaxonarFind2Edit1->SetSelStart(int(TaxonarFind2Edit1->Text().size()));
}

void TTaxonarFind2Form::TaxonarFind2RunButtonClick(TObject *)
{
    SearchText = LowerCase(NormalizeSearchText(Trim(TaxonarFind2Edit1->Text())));

    if (SearchWords != nullptr)
        SearchWords->Clear();
    for (size_t pos = 0; pos < SearchText.size();) {
        const size_t blank = SearchText.find(' ', pos);
        const size_t end = blank == AnsiString::npos ? SearchText.size() : blank;
        const AnsiString word = Trim(SearchText.substr(pos, end - pos));
        if (!word.empty() && SearchWords != nullptr)
            SearchWords->Add(word);
        pos = end + 1;
    }

    SearchClassCode.clear();
    const int chosen = TaxonarFind2Edit3->ItemIndex();
    if (chosen >= 0) {
        const AnsiString name = TaxonarFind2Edit3->Items().Strings(chosen);
        TextFile file(AppDir + "definition.global");
        file.Reset();
        while (!file.Eof()) {
            const ClassificationFields f = classificationFields(file.ReadLn());
            if (f.Name == name) {
                SearchClassCode = AnsiUpperCase(f.Code);
                break;
            }
        }
        file.CloseFile();
    }

    SearchClassIndex = TaxonarFind2Edit3->ItemIndex();
    SearchWordMode = TaxonarFind2Edit4->ItemIndex();
    SearchResultLimit = TaxonarFind2Edit5->ItemIndex();
}

} // namespace taxonar
