#include "platform/ExtCtrls.h"
#include "platform/SysUtils.h"

#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace platform {

namespace {

void drawEdge(QPainter &p, const QRect &r, bool raised, int width)
{
    const QColor light = TColorToQColor(clBtnHighlight);
    const QColor dark = TColorToQColor(clBtnShadow);
    const QColor tl = raised ? light : dark;
    const QColor br = raised ? dark : light;
    for (int i = 0; i < width; ++i) {
        const QRect q = r.adjusted(i, i, -i, -i);
        if (q.width() <= 0 || q.height() <= 0)
            break;
        p.fillRect(QRect(q.left(), q.top(), q.width(), 1), tl);
        p.fillRect(QRect(q.left(), q.top(), 1, q.height()), tl);
        p.fillRect(QRect(q.left(), q.bottom(), q.width(), 1), br);
        p.fillRect(QRect(q.right(), q.top(), 1, q.height()), br);
    }
}

} // namespace

// ------------------------------------------------------------------- panel

class PanelWidget : public QWidget {
public:
    explicit PanelWidget(TPanel *panel) : panel_(panel) {}
    TPanel *panel_;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        SafeCall([&] { panel_->paint(p); });
    }
};

TPanel::TPanel(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new PanelWidget(this);
    setWidget(w);
    w->resize(185, 41);
}

void TPanel::paint(QPainter &p)
{
    const QRect all(0, 0, Width(), Height());
    p.fillRect(all, TColorToQColor(Color()));
    QRect r = all;
    if (borderStyle_ == TBorderStyle::bsSingle) {
        p.setPen(TColorToQColor(clWindowFrame));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    if (bevelOuter_ == bvRaised || bevelOuter_ == bvLowered)
        drawEdge(p, r, bevelOuter_ == bvRaised, bevelWidth_);
    if (bevelOuter_ != bvNone)
        r.adjust(bevelWidth_, bevelWidth_, -bevelWidth_, -bevelWidth_);
    r.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    if (bevelInner_ == bvRaised || bevelInner_ == bvLowered)
        drawEdge(p, r, bevelInner_ == bvRaised, bevelWidth_);
    if (!Caption().empty()) {
        p.setFont(Font().ToQFont());
        // Greyed as the style greys text while the panel is disabled.
        const QWidget *w = Widget();
        p.setPen(w->isEnabled() ? TColorToQColor(Font().Color()) : w->palette().color(QPalette::Disabled, QPalette::WindowText));
        const int h = alignment_ == taCenter ? Qt::AlignHCenter : alignment_ == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
        p.drawText(r, h | Qt::AlignVCenter | Qt::TextSingleLine, AnsiToQString(Caption()));
    }
}

TRect TPanel::AlignRect() const
{
    int inset = borderWidth_;
    if (borderStyle_ == TBorderStyle::bsSingle)
        inset += 1;
    if (bevelOuter_ != bvNone)
        inset += bevelWidth_;
    if (bevelInner_ != bvNone)
        inset += bevelWidth_;
    return Rect(inset, inset, Width() - inset, Height() - inset);
}

void TPanel::changedFrame()
{
    Realign();
    Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut value) { bevelOuter_ = value; changedFrame(); }
void TPanel::SetBevelInner(TBevelCut value) { bevelInner_ = value; changedFrame(); }
void TPanel::SetBevelWidth(int value) { bevelWidth_ = std::max(1, value); changedFrame(); }
void TPanel::SetBorderWidth(int value) { borderWidth_ = std::max(0, value); changedFrame(); }
void TPanel::SetBorderStyle(TBorderStyle value) { borderStyle_ = value; changedFrame(); }
void TPanel::SetAlignment(TAlignment value) { alignment_ = value; Invalidate(); }

// ------------------------------------------------------------------- bevel

class BevelWidget : public QWidget {
public:
    explicit BevelWidget(TBevel *bevel) : bevel_(bevel) { setAttribute(Qt::WA_TransparentForMouseEvents); }
    TBevel *bevel_;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        bevel_->paint(p);
    }
};

TBevel::TBevel(TComponent *AOwner) : TControl(AOwner)
{
    auto *w = new BevelWidget(this);
    setWidget(w);
    w->resize(50, 50);
}

void TBevel::SetShape(TBevelShape value) { shape_ = value; Invalidate(); }
void TBevel::SetStyle(TBevelStyle value) { style_ = value; Invalidate(); }

void TBevel::paint(QPainter &p)
{
    const bool raised = style_ == TBevelStyle::bsRaised;
    const QColor first = TColorToQColor(raised ? clBtnHighlight : clBtnShadow);
    const QColor second = TColorToQColor(raised ? clBtnShadow : clBtnHighlight);
    const int w = Width(), h = Height();
    switch (shape_) {
    case TBevelShape::bsBox:
        drawEdge(p, QRect(0, 0, w, h), raised, 1);
        break;
    case TBevelShape::bsFrame:
        p.setPen(first);
        p.drawRect(0, 0, w - 2, h - 2);
        p.setPen(second);
        p.drawRect(1, 1, w - 2, h - 2);
        break;
    case TBevelShape::bsTopLine:
        p.fillRect(0, 0, w, 1, first);
        p.fillRect(0, 1, w, 1, second);
        break;
    case TBevelShape::bsBottomLine:
        p.fillRect(0, h - 2, w, 1, first);
        p.fillRect(0, h - 1, w, 1, second);
        break;
    case TBevelShape::bsLeftLine:
        p.fillRect(0, 0, 1, h, first);
        p.fillRect(1, 0, 1, h, second);
        break;
    case TBevelShape::bsRightLine:
        p.fillRect(w - 2, 0, 1, h, first);
        p.fillRect(w - 1, 0, 1, h, second);
        break;
    case TBevelShape::bsSpacer:
        break;
    }
}

// ------------------------------------------------------------------- image

class ImageWidget : public QWidget {
public:
    explicit ImageWidget(TImage *image) : image_(image) {}
    TImage *image_;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        image_->paint(p);
    }
};

TImage::TImage(TComponent *AOwner) : TControl(AOwner)
{
    auto *w = new ImageWidget(this);
    setWidget(w);
    w->resize(105, 105);
}

void TImage::prepare()
{
    shown_ = picture_;
    if (transparent_ && !picture_.isNull()) {
        shown_ = picture_.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = shown_.pixel(0, shown_.height() - 1);
        for (int y = 0; y < shown_.height(); ++y)
            for (int x = 0; x < shown_.width(); ++x)
                if (shown_.pixel(x, y) == key)
                    shown_.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
    if (autoSize_ && !picture_.isNull())
        SetBounds(Left(), Top(), picture_.width(), picture_.height());
    Invalidate();
}

void TImage::SetPicture(const QImage &image) { picture_ = image; prepare(); }

void TImage::LoadFromFile(const AnsiString &path)
{
    QImage img;
    if (!img.load(PathToQString(path)))
        throw EFOpenError("Cannot open file \"" + PathToText(path) + "\"");
    SetPicture(img);
}

void TImage::SetTransparent(bool value) { transparent_ = value; prepare(); }
void TImage::SetCenter(bool value) { center_ = value; Invalidate(); }
void TImage::SetStretch(bool value) { stretch_ = value; Invalidate(); }
void TImage::SetAutoSize(bool value) { autoSize_ = value; prepare(); }

void TImage::paint(QPainter &p)
{
    if (shown_.isNull())
        return;
    if (stretch_)
        p.drawImage(QRect(0, 0, Width(), Height()), shown_);
    else if (center_)
        p.drawImage(QPoint((Width() - shown_.width()) / 2, (Height() - shown_.height()) / 2), shown_);
    else
        p.drawImage(QPoint(0, 0), shown_);
}

// ---------------------------------------------------------------- splitter

TSplitter::TSplitter(TComponent *AOwner) : TControl(AOwner)
{
    auto *w = new QWidget();
    setWidget(w);
    w->resize(3, 100);
    SetAlign(alLeft);
    SetCursor(crHSplit);
}

TControl *TSplitter::FindControl() const
{
    TWinControl *p = Parent();
    if (!p)
        return nullptr;
    for (int i = 0; i < p->ControlCount(); ++i) {
        TControl *c = p->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align())
            continue;
        switch (Align()) {
        case alTop:
            if (c->Top() + c->Height() == Top())
                return c;
            break;
        case alBottom:
            if (c->Top() == Top() + Height())
                return c;
            break;
        case alLeft:
            if (c->Left() + c->Width() == Left())
                return c;
            break;
        case alRight:
            if (c->Left() == Left() + Width())
                return c;
            break;
        default:
            break;
        }
    }
    return nullptr;
}

void TSplitter::DoMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TControl::DoMouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled())
        return;
    target_ = FindControl();
    if (!target_)
        return;
    dragging_ = true;
    start_ = {Left() + x, Top() + y};
    startSize_ = (Align() == alTop || Align() == alBottom) ? target_->Height() : target_->Width();
}

void TSplitter::DoMouseMove(TShiftState shift, int x, int y)
{
    TControl::DoMouseMove(shift, x, y);
    if (!dragging_ || !target_)
        return;
    // Positions in the parent: the splitter moves while it is dragged.
    const int px = Left() + x, py = Top() + y;
    int size = startSize_;
    switch (Align()) {
    case alTop: size += py - start_.Y; break;
    case alBottom: size -= py - start_.Y; break;
    case alLeft: size += px - start_.X; break;
    case alRight: size -= px - start_.X; break;
    default: break;
    }
    size = std::max(size, minSize_);
    if (Align() == alTop || Align() == alBottom)
        target_->SetHeight(size);
    else
        target_->SetWidth(size);
}

void TSplitter::DoMouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    const bool was = dragging_;
    dragging_ = false;
    target_ = nullptr;
    TControl::DoMouseUp(button, shift, x, y);
    if (was && OnMoved)
        OnMoved(this);
}

// ------------------------------------------------------------------- timer

TTimer::TTimer(TComponent *AOwner) : TComponent(AOwner)
{
    timer_ = new QTimer();
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
        if (onTimer_)
            SafeCall([this] { onTimer_(this); });
    });
}

TTimer::~TTimer()
{
    Destroying();
    delete timer_;
}

void TTimer::update()
{
    timer_->stop();
    if (enabled_ && interval_ > 0 && onTimer_)
        timer_->start(interval_);
}

void TTimer::SetEnabled(bool value) { enabled_ = value; update(); }
void TTimer::SetInterval(int value) { interval_ = std::max(0, value); update(); }
void TTimer::SetOnTimer(const TNotifyEvent &value) { onTimer_ = value; update(); }

} // namespace platform
