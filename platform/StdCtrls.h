// Standard controls on Qt widgets: label, button and bitmap button, edit,
// check box, list box, combo box and group box.
//
// Events follow the class library: a button's click first gives its
// ModalResult (when not mrNone) to its form, then fires OnClick; Enter on a
// focused button clicks it. A check box fires OnClick whenever its state
// changes, also when Checked is set in code. An edit fires OnChange whenever
// its text changes, also in code. A list box fires OnClick when the user
// selects a line with the mouse or the keyboard (clicking the selected line
// again counts too), not when ItemIndex is set in code nor when a change of
// its lines (clearing, adding, deleting) moves or drops the current line; a
// combo box fires neither OnClick nor OnChange for such a change either. A
// check box has the Windows metrics (a 13-pixel box, its text 4 pixels after
// it).
// Texts are CP1250 bytes; characters typed that the code page lacks become
// '?'.
#pragma once

#include "platform/Controls.h"

#include <QImage>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace platform {

enum class TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };
using enum TTextLayout;

class TLabel : public TControl {
    RBK_CLASS(TLabel, TControl)
public:
    explicit TLabel(TComponent *AOwner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // On by default: the label takes the size of its text (with WordWrap,
    // only its height follows).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

protected:
    void captionChanged() override;
    void fontChanged() override;
    void colorChanged() override;

private:
    void adjust();
    QLabel *label_;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool autoSize_ = true;
    bool transparent_ = false;
};

class TButton : public TWinControl {
    RBK_CLASS(TButton, TWinControl)
public:
    explicit TButton(TComponent *AOwner);

    int ModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    void Click() override;

protected:
    void captionChanged() override;
    bool clicksOnMouseUp() const override { return false; }
    QPushButton *button_;

private:
    int modalResult_ = 0;
    bool default_ = false;
    bool cancel_ = false;
};

// A button with a picture beside its caption. The glyph's bottom-left pixel
// colour is transparent; with NumGlyphs > 1 the first slice is the normal
// picture and the second (when present) the disabled one.
class TBitBtn : public TButton {
    RBK_CLASS(TBitBtn, TButton)
public:
    explicit TBitBtn(TComponent *AOwner);
    const QImage &Glyph() const { return glyph_; }
    void SetGlyph(const QImage &image);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);

private:
    void applyGlyph();
    QImage glyph_;
    int numGlyphs_ = 1;
};

class TEdit : public TWinControl {
    RBK_CLASS(TEdit, TWinControl)
public:
    explicit TEdit(TComponent *AOwner);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    void SelectAll();
    int SelStart() const;
    void SetSelStart(int value);
    void Clear() { SetText(""); }
    TNotifyEvent OnChange;

protected:
    void captionChanged() override;
    bool clicksOnMouseUp() const override { return false; }
    virtual void Change();

private:
    QLineEdit *edit_;
    int maxLength_ = 0;
    bool readOnly_ = false;
    bool syncing_ = false;
};

enum class TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };
using enum TCheckBoxState;

class TCheckBox : public TWinControl {
    RBK_CLASS(TCheckBox, TWinControl)
public:
    explicit TCheckBox(TComponent *AOwner);
    bool Checked() const;
    void SetChecked(bool value);
    TCheckBoxState State() const;
    void SetState(TCheckBoxState value);

protected:
    void captionChanged() override;
    bool clicksOnMouseUp() const override { return false; }

private:
    QCheckBox *box_;
};

// The lines of a list or combo box: a string list whose changes go to the
// control's widget.
class TControlStrings {
public:
    virtual ~TControlStrings() = default;
    int Count() const { return list_.Count(); }
    int Add(const AnsiString &s) { return AddObject(s, 0); }
    int AddObject(const AnsiString &s, intptr_t object);
    void Insert(int index, const AnsiString &s);
    void Delete(int index);
    void Clear();
    const AnsiString &Strings(int index) const { return list_.Strings(index); }
    const AnsiString &operator[](int index) const { return list_.Strings(index); }
    intptr_t Objects(int index) const { return list_.Objects(index); }
    void PutObject(int index, intptr_t object) { list_.PutObject(index, object); }
    int IndexOf(const AnsiString &s) const { return list_.IndexOf(s); }
    void Assign(const TStringList &source);
    // The lines as a string list.
    const TStringList &List() const { return list_; }

protected:
    virtual void inserted(int index, const AnsiString &s) = 0;
    virtual void deleted(int index) = 0;
    virtual void cleared() = 0;

private:
    TStringList list_;
};

class TListBox : public TWinControl {
    RBK_CLASS(TListBox, TWinControl)
public:
    explicit TListBox(TComponent *AOwner);
    ~TListBox() override;
    TControlStrings &Items() { return *items_; }
    int ItemIndex() const;
    void SetItemIndex(int value);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int value);
    void Clear() { items_->Clear(); }
    // The line at a point of the client area, or -1.
    int ItemAtPos(int x, int y) const;

protected:
    bool clicksOnMouseUp() const override { return false; }
    void fontChanged() override;

private:
    class Strings;
    QListWidget *list_;
    std::unique_ptr<TControlStrings> items_;
    int itemHeight_ = 13;
    bool quiet_ = false; // the control changes its current line itself: no event
    bool changedSincePress_ = false;
};

enum class TComboBoxStyle : uint8_t { csDropDown, csSimple, csDropDownList };
using enum TComboBoxStyle;

class TComboBox : public TWinControl {
    RBK_CLASS(TComboBox, TWinControl)
public:
    explicit TComboBox(TComponent *AOwner);
    ~TComboBox() override;
    TControlStrings &Items() { return *items_; }
    int ItemIndex() const;
    void SetItemIndex(int value);
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    bool Sorted() const { return sorted_; }
    // Sorting is kept as a flag: lines stay in the order they were added.
    void SetSorted(bool value) { sorted_ = value; }
    void Clear() { items_->Clear(); }
    TNotifyEvent OnChange;

protected:
    bool clicksOnMouseUp() const override { return false; }

private:
    class Strings;
    QComboBox *combo_;
    std::unique_ptr<TControlStrings> items_;
    TComboBoxStyle style_ = csDropDown;
    bool sorted_ = false;
    bool quiet_ = false; // the control changes its current line itself: no event
};

class TGroupBox : public TWinControl {
    RBK_CLASS(TGroupBox, TWinControl)
public:
    explicit TGroupBox(TComponent *AOwner);
    TRect AlignRect() const override;

protected:
    void captionChanged() override;

private:
    QGroupBox *group_;
};

} // namespace platform
