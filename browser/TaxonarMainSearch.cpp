// The main window's searches: the classification search through the search
// dialog with its hit list, and the search on the open page (RTF display
// lines or table rows). Both compare texts in comparable form (upper-cased,
// Polish letters folded, ASCII lower-cased).
//
// Choices of this implementation:
// - When an exception leaves the classification search (an item's file
//   could not be read), the commands are enabled again before it goes on to
//   the application object, as for the other modal windows.
// - A hit whose item can no longer be opened (its file has gone since the
//   search) opens nothing further: no line or row of another page is
//   selected.
#include "browser/TaxonarFind2Code.h"
#include "browser/TaxonarInfoCode.h"
#include "browser/TaxonarMainCode.h"
#include "platform/Cp1250.h"

#include <memory>

namespace taxonar {

using namespace platform;

namespace {

const char *const NotFoundMessage = "Poszukiwany ciąg znaków nie został odnaleziony.";
const char *const NoMoreMessage = "Nie znaleziono więcej wystąpień poszukiwanego ciągu znaków.";

// Field `k` (from 0) of a TAB-separated entry; "" when it has fewer fields.
AnsiString tabField(const AnsiString &entry, int k)
{
    size_t pos = 0;
    for (int i = 0; i < k; ++i) {
        const size_t tab = entry.find('\t', pos);
        if (tab == AnsiString::npos)
            return AnsiString();
        pos = tab + 1;
    }
    const size_t tab = entry.find('\t', pos);
    return entry.substr(pos, tab == AnsiString::npos ? AnsiString::npos : tab - pos);
}

} // namespace

// --------------------------------------------------------------- hit test

bool TTaxonarMainForm::LineMatchesSearch(const AnsiString &text) const
{
    const AnsiString c = ComparableText(text);
    const int words = SearchWords ? SearchWords->Count() : 0;
    switch (SearchWordMode) {
    case 0:
        for (int i = 0; i < words; ++i)
            if (!ContainsTerm(c, SearchWords->Strings(i)))
                return false;
        return true;
    case 1:
        return ContainsTerm(c, SearchText);
    case 2:
        for (int i = 0; i < words; ++i)
            if (ContainsTerm(c, SearchWords->Strings(i)))
                return true;
        return false;
    default:
        return false;
    }
}

AnsiString TTaxonarMainForm::GetRowSearchText(int row) const
{
    const TStringGrid *g = TaxonarTable3StringGrid;
    AnsiString text;
    for (int c = 0; c < g->ColCount(); ++c) {
        if (UpperCase(g->Cells(c, 0)) == "LINK")
            continue;
        text += g->Cells(c, row);
        text += '#';
    }
    return text;
}

// ---------------------------------------------------- classification search

void TTaxonarMainForm::TaxonarNaviFindMenuItemClick(TObject *)
{
    DisableControls();
    // The commands come back also when an exception ends the run.
    struct Finish {
        TTaxonarMainForm *form;
        bool done = false;
        ~Finish()
        {
            if (!done) {
                form->EnableControls();
                form->UpdateMenus();
            }
        }
    } finish{this};

    int result = mrCancel;
    {
        std::unique_ptr<TTaxonarFind2Form> dialog(new TTaxonarFind2Form(Application));
        TaxonarFind2Form = dialog.get();
        result = dialog->ShowModal();
    }
    TaxonarFind2Form = nullptr;

    if (result == mrOk)
        RunClassificationSearch();

    finish.done = true;
    EnableControls();
    UpdateMenus();
    LayoutSidePanels();
}

void TTaxonarMainForm::RunClassificationSearch()
{
    FindReturnItem = -1;
    FindReturnRow = -1;
    FoundList->Clear();
    TaxonarFindListBox->Clear();

    if (CurrentItem >= 0) {
        FindReturnItem = CurrentItem;
        const AnsiString mode = AnsiUpperCase(GetRecordValue(ItemRecords->Strings(CurrentItem), "MODE="));
        FindReturnRow = mode == "TABLE" ? TaxonarTable3StringGrid->Row() : -1;
    }

    for (int i = 0; i < ItemRecords->Count(); ++i) {
        const AnsiString record = ItemRecords->Strings(i);
        const AnsiString signature = AnsiUpperCase(GetRecordValue(record, "SIGNATURE="));
        const AnsiString mode = AnsiUpperCase(GetRecordValue(record, "MODE="));
        const AnsiString view = AnsiUpperCase(GetRecordValue(record, "VIEW="));
        if (signature != SearchClassCode || (mode != "RTF" && mode != "TABLE") || view == "HIDE")
            continue;
        if (!OpenItem(i, false, -1, AnsiString()))
            continue;
        const AnsiString name = GetRecordValue(record, "NAME=");
        const AnsiString prefix = mode + "\t" + name + "\t" + IntToStr(i) + "\t";
        auto addHit = [&](int number) {
            const int entry = FoundList->Add(prefix + IntToStr(number) + "\t");
            TaxonarFindListBox->Items().AddObject(name, entry);
        };
        if (mode == "RTF") {
            int n = 1;
            for (const TRichEdit::TDisplayLine &line : TaxonarRtf2RichEdit->RichEdit()->DisplayLines()) {
                if (LineMatchesSearch(QStringToAnsi(line.Text))) {
                    addHit(n);
                    ++n;
                }
            }
        } else {
            const int rows = TaxonarTable3StringGrid->RowCount();
            for (int r = 1; r < rows; ++r)
                if (LineMatchesSearch(GetRowSearchText(r)))
                    addHit(r);
        }
        if ((SearchResultLimit == 0 && FoundList->Count() >= 10) ||
            (SearchResultLimit == 1 && FoundList->Count() >= 50))
            break;
    }

    if (FindReturnItem < 0) {
        if (ItemRecords->Count() > 0) {
            TaxonarNaviTreeView->SetSelected(FindNodeByItem(0));
            OpenItem(0, false, -1, AnsiString());
        }
        TaxonarNaviTreeView->SetFocus();
    } else {
        TaxonarNaviTreeView->SetSelected(FindNodeByItem(FindReturnItem));
        OpenItem(FindReturnItem, false, FindReturnRow, AnsiString());
    }

    if (FoundList->Count() == 0)
        ShowSearchMessage(Pl(NotFoundMessage));

    if (TaxonarFindListBox->Items().Count() > 0) {
        TaxonarFindListBox->SetItemIndex(0);
        TaxonarFindListBox->SetFocus();
        OpenSearchHit();
    } else {
        TaxonarFindListBox->SetItemIndex(-1);
    }
}

void TTaxonarMainForm::OpenSearchHit()
{
    TListBox *hits = TaxonarFindListBox;
    if (hits->Items().Count() == 0 || hits->ItemIndex() < 0)
        return;
    const int entryIndex = int(hits->Items().Objects(hits->ItemIndex()));
    if (FoundList == nullptr || entryIndex < 0 || entryIndex >= FoundList->Count())
        return;
    const AnsiString entry = FoundList->Strings(entryIndex);
    const AnsiString kind = tabField(entry, 0);
    const int item = StrToInt(tabField(entry, 2));
    const int number = StrToInt(tabField(entry, 3));
    if (item < 0 || item >= ItemRecords->Count())
        return;

    if (kind == "RTF") {
        TaxonarNaviTreeView->SetSelected(FindNodeByItem(item));
        if (!OpenItem(item, number == 1, -1, AnsiString()))
            return;
        TaxonarRtf2RichEdit->SetFocus();
        TRichEdit *view = TaxonarRtf2RichEdit->RichEdit();
        int k = 1;
        for (const TRichEdit::TDisplayLine &line : view->DisplayLines()) {
            if (!LineMatchesSearch(QStringToAnsi(line.Text)))
                continue;
            if (k == number) {
                view->SetSelection(line.CharPos, int(line.Text.size()));
                break;
            }
            ++k;
        }
    } else if (kind == "TABLE") {
        TaxonarNaviTreeView->SetSelected(FindNodeByItem(item));
        if (!OpenItem(item, true, -1, AnsiString()))
            return;
        selectRow(number);
        TaxonarTable3StringGrid->SetFocus();
    }
}

void TTaxonarMainForm::TaxonarFindListBoxClick(TObject *)
{
    OpenSearchHit();
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarFindListBoxKeyUp(TObject *, uint16_t &, TShiftState)
{
    OpenSearchHit();
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarFindCloseButtonClick(TObject *)
{
    FoundList->Clear();
    TaxonarFindListBox->Clear();
    LayoutSidePanels();
}

// ------------------------------------------------------------- page search

void TTaxonarMainForm::ShowSearchMessage(const AnsiString &message)
{
    std::unique_ptr<TTaxonarInfoForm> info(new TTaxonarInfoForm(Application));
    TaxonarInfoForm = info.get();
    info->TaxonarInfoText->SetCaption(message);
    try {
        info->ShowModal();
    } catch (...) {
        TaxonarInfoForm = nullptr;
        throw;
    }
    TaxonarInfoForm = nullptr;
}

bool TTaxonarMainForm::FindOnPage(const AnsiString &term, int start)
{
    if (ViewMode == 2) {
        TRichEdit *view = TaxonarRtf2RichEdit->RichEdit();
        const std::vector<TRichEdit::TDisplayLine> lines = view->DisplayLines();
        for (size_t j = size_t(std::max(start, 0)); j < lines.size(); ++j) {
            if (!ComparableContains(QStringToAnsi(lines[j].Text), term))
                continue;
            view->SetSelection(lines[j].CharPos, int(lines[j].Text.size()));
            if (j + 1 < lines.size()) {
                CanFindNext = true;
                FindNextStart = int(j) + 1;
            }
            TaxonarRtf2RichEdit->SetFocus();
            return true;
        }
    } else if (ViewMode == 3) {
        TStringGrid *g = TaxonarTable3StringGrid;
        const int rows = g->RowCount();
        for (int r = std::max(start, 1); r < rows; ++r) {
            if (!ComparableContains(GetRowSearchText(r), term))
                continue;
            selectRow(r);
            if (r + 1 < rows) {
                CanFindNext = true;
                FindNextStart = r + 1;
            }
            g->SetFocus();
            return true;
        }
    }
    return false;
}

void TTaxonarMainForm::TaxonarSearchButton1Click(TObject *)
{
    const AnsiString term = ComparableText(TaxonarSearchEdit->Text());
    if (TaxonarSearchPanel->Height() == 0 || term.empty())
        return;
    CanFindNext = false;
    FindNextStart = 0;
    if (!FindOnPage(term, 0))
        ShowSearchMessage(Pl(NotFoundMessage));
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarSearchButton2Click(TObject *)
{
    const AnsiString term = ComparableText(TaxonarSearchEdit->Text());
    if (TaxonarSearchPanel->Height() == 0 || term.empty() || !CanFindNext)
        return;
    const int start = FindNextStart;
    CanFindNext = false;
    FindNextStart = 0;
    if (!FindOnPage(term, start))
        ShowSearchMessage(Pl(NoMoreMessage));
    UpdateMenus();
}

} // namespace taxonar
