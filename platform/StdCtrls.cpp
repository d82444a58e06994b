#include "platform/StdCtrls.h"
#include "platform/Forms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyle>

namespace platform {

// -------------------------------------------------------------------- label

TLabel::TLabel(TComponent *AOwner) : TControl(AOwner)
{
    label_ = new QLabel();
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWidget(label_);
    label_->resize(65, 13);
}

void TLabel::adjust()
{
    Qt::Alignment a = alignment_ == taCenter ? Qt::AlignHCenter : alignment_ == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
    a |= layout_ == tlCenter ? Qt::AlignVCenter : layout_ == tlBottom ? Qt::AlignBottom : Qt::AlignTop;
    label_->setAlignment(a);
    label_->setWordWrap(wordWrap_);
    if (autoSize_ && Align() == alNone) {
        if (wordWrap_)
            SetHeight(label_->heightForWidth(Width()) > 0 ? label_->heightForWidth(Width()) : label_->sizeHint().height());
        else {
            const QSize s = label_->sizeHint();
            SetBounds(Left(), Top(), s.width(), s.height());
        }
    }
}

void TLabel::SetAlignment(TAlignment value)
{
    alignment_ = value;
    adjust();
}

void TLabel::SetLayout(TTextLayout value)
{
    layout_ = value;
    adjust();
}

void TLabel::SetWordWrap(bool value)
{
    wordWrap_ = value;
    adjust();
}

void TLabel::SetAutoSize(bool value)
{
    autoSize_ = value;
    adjust();
}

void TLabel::SetTransparent(bool value)
{
    transparent_ = value;
    colorChanged();
}

void TLabel::captionChanged()
{
    label_->setText(AnsiToQString(Caption()));
    adjust();
}

void TLabel::fontChanged()
{
    TControl::fontChanged();
    adjust();
}

void TLabel::colorChanged()
{
    label_->setAutoFillBackground(!transparent_ && Color() != clBtnFace);
    QPalette pal = label_->palette();
    pal.setColor(QPalette::Window, TColorToQColor(Color()));
    label_->setPalette(pal);
}

// ------------------------------------------------------------------- button

TButton::TButton(TComponent *AOwner) : TWinControl(AOwner)
{
    button_ = new QPushButton();
    button_->setAutoDefault(true);
    setWidget(button_);
    button_->resize(75, 25);
    QObject::connect(button_, &QPushButton::clicked, button_, [this] { SafeCall([this] { Click(); }); });
}

void TButton::SetDefault(bool value)
{
    default_ = value;
    button_->setDefault(value);
}

void TButton::Click()
{
    if (modalResult_ != mrNone)
        if (TCustomForm *form = GetParentForm(this))
            form->SetModalResult(modalResult_);
    TWinControl::Click();
}

void TButton::captionChanged() { button_->setText(AnsiToQString(Caption())); }

TBitBtn::TBitBtn(TComponent *AOwner) : TButton(AOwner) {}

void TBitBtn::SetGlyph(const QImage &image)
{
    glyph_ = image;
    applyGlyph();
}

void TBitBtn::SetNumGlyphs(int value)
{
    numGlyphs_ = std::clamp(value, 1, 4);
    applyGlyph();
}

void TBitBtn::applyGlyph()
{
    if (glyph_.isNull()) {
        button_->setIcon(QIcon());
        return;
    }
    const int w = glyph_.width() / numGlyphs_;
    auto slice = [&](int i) {
        QImage img = glyph_.copy(i * w, 0, w, glyph_.height()).convertToFormat(QImage::Format_ARGB32);
        const QRgb key = img.pixel(0, img.height() - 1);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == key)
                    img.setPixel(x, y, qRgba(0, 0, 0, 0));
        return QPixmap::fromImage(img);
    };
    QIcon icon;
    icon.addPixmap(slice(0), QIcon::Normal);
    if (numGlyphs_ > 1)
        icon.addPixmap(slice(1), QIcon::Disabled);
    button_->setIcon(icon);
    button_->setIconSize(QSize(w, glyph_.height()));
}

// --------------------------------------------------------------------- edit

TEdit::TEdit(TComponent *AOwner) : TWinControl(AOwner)
{
    edit_ = new QLineEdit();
    setWidget(edit_);
    edit_->resize(121, 21);
    SetColor(clWindow);
    QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this](const QString &t) {
        if (syncing_)
            return;
        syncing_ = true;
        TControl::SetCaption(QStringToAnsi(t));
        syncing_ = false;
        SafeCall([this] { Change(); });
    });
}

void TEdit::captionChanged()
{
    if (syncing_)
        return;
    // Setting the text in code also fires OnChange (through textChanged).
    edit_->setText(AnsiToQString(Caption()));
}

void TEdit::Change()
{
    if (OnChange)
        OnChange(this);
}

void TEdit::SetMaxLength(int value)
{
    maxLength_ = value;
    edit_->setMaxLength(value > 0 ? value : 32767);
}

void TEdit::SetReadOnly(bool value)
{
    readOnly_ = value;
    edit_->setReadOnly(value);
}

void TEdit::SelectAll() { edit_->selectAll(); }
int TEdit::SelStart() const { return edit_->cursorPosition(); }
void TEdit::SetSelStart(int value) { edit_->setCursorPosition(value); }

// ---------------------------------------------------------------- check box

namespace {

// A check box measured as Windows measures one: a 13-pixel box and its text 4
// pixels after it. Forms give their check boxes just the width that their
// caption needs at those metrics; the wider box and gap of Qt's styles would
// cut the caption's end off.
class CheckBoxStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
            return 13;
        case PM_CheckBoxLabelSpacing:
            return 4;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

} // namespace

TCheckBox::TCheckBox(TComponent *AOwner) : TWinControl(AOwner)
{
    box_ = new QCheckBox();
    auto *style = new CheckBoxStyle();
    style->setParent(box_);
    box_->setStyle(style);
    setWidget(box_);
    box_->resize(97, 17);
    QObject::connect(box_, &QCheckBox::stateChanged, box_, [this](int) { SafeCall([this] { Click(); }); });
}

bool TCheckBox::Checked() const { return box_->checkState() == Qt::Checked; }

void TCheckBox::SetChecked(bool value) { box_->setCheckState(value ? Qt::Checked : Qt::Unchecked); }

TCheckBoxState TCheckBox::State() const
{
    switch (box_->checkState()) {
    case Qt::Checked: return cbChecked;
    case Qt::PartiallyChecked: return cbGrayed;
    default: return cbUnchecked;
    }
}

void TCheckBox::SetState(TCheckBoxState value)
{
    if (value == cbGrayed)
        box_->setTristate(true);
    box_->setCheckState(value == cbChecked ? Qt::Checked : value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
}

void TCheckBox::captionChanged() { box_->setText(AnsiToQString(Caption())); }

// ------------------------------------------------------------- string lines

int TControlStrings::AddObject(const AnsiString &s, intptr_t object)
{
    const int i = list_.Add(s, object);
    inserted(i, s);
    return i;
}

void TControlStrings::Insert(int index, const AnsiString &s)
{
    list_.Insert(index, s);
    inserted(index, s);
}

void TControlStrings::Delete(int index)
{
    list_.Delete(index);
    deleted(index);
}

void TControlStrings::Clear()
{
    list_.Clear();
    cleared();
}

void TControlStrings::Assign(const TStringList &source)
{
    Clear();
    for (int i = 0; i < source.Count(); ++i)
        AddObject(source.Strings(i), source.Objects(i));
}

// ----------------------------------------------------------------- list box

namespace {

// Sets a flag for its lifetime: the control's own changes of its current
// line, which fire no event.
class QuietScope {
public:
    explicit QuietScope(bool &flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~QuietScope() { flag_ = before_; }
    QuietScope(const QuietScope &) = delete;
    QuietScope &operator=(const QuietScope &) = delete;

private:
    bool &flag_;
    const bool before_;
};

} // namespace

// A change of the lines moves or drops the current line without the user:
// no OnClick.
class TListBox::Strings : public TControlStrings {
public:
    Strings(QListWidget *w, bool &quiet) : w_(w), quiet_(quiet) {}

protected:
    void inserted(int index, const AnsiString &s) override
    {
        QuietScope q(quiet_);
        w_->insertItem(index, AnsiToQString(s));
    }
    void deleted(int index) override
    {
        QuietScope q(quiet_);
        delete w_->takeItem(index);
    }
    void cleared() override
    {
        QuietScope q(quiet_);
        w_->clear();
    }

private:
    QListWidget *w_;
    bool &quiet_;
};

namespace {

// Tells whether a mouse press in a list started a new selection.
class ListPressFilter : public QObject {
public:
    ListPressFilter(bool *flag, QObject *parent) : QObject(parent), flag_(flag) {}
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::MouseButtonPress)
            *flag_ = false;
        return false;
    }
    bool *flag_;
};

} // namespace

TListBox::TListBox(TComponent *AOwner) : TWinControl(AOwner)
{
    list_ = new QListWidget();
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
    setWidget(list_, list_->viewport());
    list_->resize(121, 97);
    items_ = std::make_unique<Strings>(list_, quiet_);
    SetColor(clWindow);
    list_->viewport()->installEventFilter(new ListPressFilter(&changedSincePress_, list_));
    QObject::connect(list_, &QListWidget::currentRowChanged, list_, [this](int) {
        if (quiet_)
            return;
        changedSincePress_ = true;
        SafeCall([this] { Click(); });
    });
    QObject::connect(list_, &QListWidget::itemClicked, list_, [this](QListWidgetItem *) {
        if (!changedSincePress_)
            SafeCall([this] { Click(); });
        changedSincePress_ = false;
    });
    fontChanged();
}

TListBox::~TListBox() { Destroying(); }

int TListBox::ItemIndex() const { return list_->currentRow(); }

void TListBox::SetItemIndex(int value)
{
    QuietScope q(quiet_);
    if (value < 0 || value >= items_->Count()) {
        list_->setCurrentRow(-1);
        list_->clearSelection();
    } else {
        list_->setCurrentRow(value);
    }
}

void TListBox::SetItemHeight(int value)
{
    itemHeight_ = value;
    fontChanged();
}

void TListBox::fontChanged()
{
    TWinControl::fontChanged();
    list_->setStyleSheet(QStringLiteral("QListWidget::item { height: %1px; padding: 0px; }").arg(itemHeight_));
}

int TListBox::ItemAtPos(int x, int y) const
{
    QListWidgetItem *it = list_->itemAt(x, y);
    return it ? list_->row(it) : -1;
}

// ---------------------------------------------------------------- combo box

// As for the list box: a change of the lines fires neither OnClick nor
// OnChange.
class TComboBox::Strings : public TControlStrings {
public:
    Strings(QComboBox *w, bool &quiet) : w_(w), quiet_(quiet) {}

protected:
    void inserted(int index, const AnsiString &s) override
    {
        QuietScope q(quiet_);
        w_->insertItem(index, AnsiToQString(s));
    }
    void deleted(int index) override
    {
        QuietScope q(quiet_);
        w_->removeItem(index);
    }
    void cleared() override
    {
        QuietScope q(quiet_);
        w_->clear();
    }

private:
    QComboBox *w_;
    bool &quiet_;
};

TComboBox::TComboBox(TComponent *AOwner) : TWinControl(AOwner)
{
    combo_ = new QComboBox();
    setWidget(combo_);
    combo_->resize(145, 21);
    items_ = std::make_unique<Strings>(combo_, quiet_);
    SetStyle(csDropDown);
    QObject::connect(combo_, &QComboBox::currentIndexChanged, combo_, [this](int) {
        if (quiet_)
            return;
        SafeCall([this] {
            Click();
            if (OnChange)
                OnChange(this);
        });
    });
}

TComboBox::~TComboBox() { Destroying(); }

int TComboBox::ItemIndex() const { return combo_->currentIndex(); }

void TComboBox::SetItemIndex(int value)
{
    QuietScope q(quiet_);
    combo_->setCurrentIndex(value >= 0 && value < items_->Count() ? value : -1);
}

void TComboBox::SetStyle(TComboBoxStyle value)
{
    style_ = value;
    combo_->setEditable(value != csDropDownList);
}

// ---------------------------------------------------------------- group box

TGroupBox::TGroupBox(TComponent *AOwner) : TWinControl(AOwner)
{
    group_ = new QGroupBox();
    setWidget(group_);
    group_->resize(185, 105);
}

TRect TGroupBox::AlignRect() const { return TRect::FromQRect(group_->contentsRect()); }

void TGroupBox::captionChanged() { group_->setTitle(AnsiToQString(Caption())); }

} // namespace platform
