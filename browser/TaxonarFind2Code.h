// The search dialog "Parametry szukania": the phrase with typing hints from
// the dictionary, the classification to search, the word mode and the result
// limit. Running it writes the shared search parameters (SearchText,
// SearchWords, SearchClassCode, SearchClassIndex, SearchWordMode,
// SearchResultLimit); it searches nothing itself. Modal result mrOk (1)
// asks for the search, mrCancel (2) does not.
//
// Choices of this implementation:
// - definition.global is read with ';' as the field separator; the last
//   field of a line runs to the end of the line when no ';' follows it, so
//   that a line "file;title;code;name" offers its name.
// - When no line carries the chosen name (nothing chosen, or the file
//   changed meanwhile), SearchClassCode stays empty: the search then finds
//   nothing.
#pragma once

#include "browser/TaxonarWindowSupport.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace taxonar {

class TTaxonarFind2Form : public platform::TForm {
    RBK_CLASS(TTaxonarFind2Form, platform::TForm)
public:
    explicit TTaxonarFind2Form(platform::TComponent *AOwner);
    ~TTaxonarFind2Form() override;

    platform::TBevel *TaxonarFind2ButtonsBevel;
    platform::TBitBtn *TaxonarFind2CloseButton;
    platform::TBitBtn *TaxonarFind2RunButton;
    platform::TGroupBox *TaxonarFind2GroupBox1;
    platform::TEdit *TaxonarFind2Edit1;
    platform::TGroupBox *TaxonarFind2GroupBox2;
    platform::TComboBox *TaxonarFind2Edit3;
    platform::TListBox *TaxonarFind2Edit2;
    platform::TLabel *TaxonarFind2Label1;
    platform::TLabel *TaxonarFind2Label2;
    platform::TLabel *TaxonarFind2Label3;
    platform::TComboBox *TaxonarFind2Edit4;
    platform::TLabel *TaxonarFind2Label4;
    platform::TComboBox *TaxonarFind2Edit5;
    platform::TLabel *TaxonarFind2Label5;
    platform::TTimer *TaxonarFind2StartTimer;

    void FormCreate(platform::TObject *Sender);
    void FormDestroy(platform::TObject *Sender);
    void FormShow(platform::TObject *Sender);
    void FormKeyDown(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void FormKeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void TaxonarFind2StartTimerTimer(platform::TObject *Sender);
    void TaxonarFind2Edit1Change(platform::TObject *Sender);
    void TaxonarFind2Edit1KeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void TaxonarFind2Edit2Click(platform::TObject *Sender);
    void TaxonarFind2RunButtonClick(platform::TObject *Sender);

    // Enables Run exactly when the trimmed phrase is not empty.
    void UpdateRunButton();
    // Fills the classification combo from definition.global (all but the
    // codes "MX" and "KST2010") and selects SearchClassIndex.
    void LoadClassificationNames();

    bool HintListFresh() const { return HintListFresh_; }

private:
    TEscapeKeyWatch escape_;
    void putHint(int index);
    // The hint list has just been rebuilt: the next Down takes the selected
    // hint instead of moving on.
    bool HintListFresh_ = false;
};

extern TTaxonarFind2Form *TaxonarFind2Form;

} // namespace taxonar
