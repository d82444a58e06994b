#include "platform/Controls.h"
#include "platform/Forms.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <algorithm>
#include <unordered_set>

namespace platform {

// ------------------------------------------------------------------ helpers

uint16_t QtKeyToVirtualKey(int k)
{
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return uint16_t('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return uint16_t('0' + (k - Qt::Key_0));
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return uint16_t(VK_F1 + (k - Qt::Key_F1));
    switch (k) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Minus: return 0xBD;
    case Qt::Key_Period: return 0xBE;
    default: return 0;
    }
}

Qt::CursorShape CursorToQt(TCursor cursor)
{
    switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag: return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

AnsiString GetShortHint(const AnsiString &hint)
{
    const size_t bar = hint.find('|');
    return bar == AnsiString::npos ? hint : hint.substr(0, bar);
}

AnsiString GetLongHint(const AnsiString &hint)
{
    const size_t bar = hint.find('|');
    return bar == AnsiString::npos ? hint : hint.substr(bar + 1);
}

namespace {

TShiftState shiftFromModifiers(Qt::KeyboardModifiers m)
{
    TShiftState s;
    if (m & Qt::ShiftModifier)
        s.Include(ssShift);
    if (m & Qt::ControlModifier)
        s.Include(ssCtrl);
    if (m & Qt::AltModifier)
        s.Include(ssAlt);
    return s;
}

// The shift state of the key or mouse message being handled.
TShiftState g_messageShift;

intptr_t mouseFlags(Qt::MouseButtons b, Qt::KeyboardModifiers m)
{
    intptr_t f = 0;
    if (b & Qt::LeftButton)
        f |= MK_LBUTTON;
    if (b & Qt::RightButton)
        f |= MK_RBUTTON;
    if (b & Qt::MiddleButton)
        f |= MK_MBUTTON;
    if (m & Qt::ShiftModifier)
        f |= MK_SHIFT;
    if (m & Qt::ControlModifier)
        f |= MK_CONTROL;
    return f;
}

TShiftState shiftFromMouseFlags(intptr_t f)
{
    TShiftState s = g_messageShift;
    if (f & MK_SHIFT)
        s.Include(ssShift);
    if (f & MK_CONTROL)
        s.Include(ssCtrl);
    if (f & MK_LBUTTON)
        s.Include(ssLeft);
    if (f & MK_RBUTTON)
        s.Include(ssRight);
    if (f & MK_MBUTTON)
        s.Include(ssMiddle);
    return s;
}

} // namespace

TShiftState CurrentMessageShift() { return g_messageShift; }

namespace {
// Widgets whose events a control turns into messages.
std::unordered_set<const QObject *> g_bridged;

// The control widget that owns the focus: the focus widget itself or its
// nearest ancestor that belongs to a control (an inner editor of a combo
// box, say).
const QWidget *focusOwner()
{
    for (const QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (g_bridged.count(w))
            return w;
    return nullptr;
}
} // namespace

// Routes the Qt events of a control's widgets into its message path.
class ControlBridge : public QObject {
public:
    explicit ControlBridge(TControl *control) : control_(control) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        return control_->dispatchQtEvent(watched, event);
    }
    TControl *control_;
};

// ------------------------------------------------------------------- control

TControl::TControl(TComponent *AOwner) : TComponent(AOwner)
{
    WindowProc = TWndMethod::Bind<&TControl::WndProc>(this);
    font_.OnChange = [this] { fontEdited(); };
}

void TControl::fontEdited()
{
    if (!inheritingFont_)
        parentFont_ = false;
    fontChanged();
    if (auto *w = dynamic_cast<TWinControl *>(this))
        for (TControl *c : w->controls_)
            if (c->parentFont_)
                c->inheritFont(font_);
}

void TControl::inheritFont(const TFont &font)
{
    inheritingFont_ = true;
    font_ = font;
    inheritingFont_ = false;
}

void TControl::SetParentFont(bool value)
{
    parentFont_ = value;
    if (value && parent_)
        inheritFont(parent_->font_);
}

TControl::~TControl()
{
    Destroying();
    if (parent_)
        parent_->removeControl(this);
    parent_ = nullptr;
    g_bridged.erase(widget_.data());
    g_bridged.erase(input_.data());
    if (widget_) {
        if (bridge_) {
            widget_->removeEventFilter(bridge_);
            if (input_)
                input_->removeEventFilter(bridge_);
        }
        QObject::disconnect(widget_.data(), nullptr, nullptr, nullptr);
        delete widget_.data();
    }
    delete bridge_;
    bridge_ = nullptr;
}

void TControl::setWidget(QWidget *widget, QWidget *input)
{
    widget_ = widget;
    input_ = input ? input : widget;
    if (!bridge_)
        bridge_ = new ControlBridge(this);
    widget_->installEventFilter(bridge_);
    g_bridged.insert(widget_);
    if (input_ != widget_) {
        input_->installEventFilter(bridge_);
        g_bridged.insert(input_);
    }
    widget_->setFont(font_.ToQFont());
}

TComponent *TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent *Value) { SetParent(dynamic_cast<TWinControl *>(Value)); }

void TControl::SetParent(TWinControl *AParent)
{
    if (AParent == parent_)
        return;
    if (parent_)
        parent_->removeControl(this);
    parent_ = AParent;
    if (widget_) {
        const QRect g = widget_->geometry();
        widget_->setParent(AParent ? AParent->ContainerWidget() : nullptr);
        widget_->setGeometry(g);
        if (AParent)
            widget_->setVisible(visible_);
    }
    if (AParent) {
        AParent->insertControl(this);
        applyToolTip();
        AParent->Realign();
    }
}

int TControl::Left() const { return widget_ ? widget_->x() : 0; }
int TControl::Top() const { return widget_ ? widget_->y() : 0; }
int TControl::Width() const { return widget_ ? widget_->width() : 0; }
int TControl::Height() const { return widget_ ? widget_->height() : 0; }
int TControl::ClientWidth() const { return widget_ ? widget_->width() : 0; }
int TControl::ClientHeight() const { return widget_ ? widget_->height() : 0; }

void TControl::SetClientWidth(int v) { SetWidth(Width() - ClientWidth() + v); }
void TControl::SetClientHeight(int v) { SetHeight(Height() - ClientHeight() + v); }

namespace {

// Sets a widget's geometry; a widget that is not on screen gets its resize
// event now (Qt would keep it until the widget is shown), so that the
// control's WM_SIZE and the layout of its children follow at once.
void placeWidget(QWidget *w, int l, int t, int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    const QSize old = w->size();
    if (w->isWindow()) {
        w->move(l, t);
        w->resize(width, height);
    } else {
        w->setGeometry(l, t, width, height);
    }
    if (!w->isVisible() && w->size() != old) {
        QResizeEvent e(w->size(), old);
        QCoreApplication::sendEvent(w, &e);
        w->setAttribute(Qt::WA_PendingResizeEvent, false);
    }
}

} // namespace

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (!widget_)
        return;
    if (ALeft == Left() && ATop == Top() && AWidth == Width() && AHeight == Height())
        return;
    placeWidget(widget_, ALeft, ATop, AWidth, AHeight);
    requestParentAlign();
}

void TControl::requestParentAlign()
{
    if (parent_ && !parent_->aligning_)
        parent_->Realign();
}

void TControl::SetAlign(TAlign value)
{
    if (value == align_)
        return;
    align_ = value;
    requestParentAlign();
}

void TControl::SetVisible(bool value)
{
    visible_ = value;
    if (widget_ && (parent_ || !widget_->isWindow()))
        widget_->setVisible(value);
    requestParentAlign();
}

bool TControl::Showing() const { return widget_ && widget_->isVisible(); }

void TControl::SetEnabled(bool value)
{
    enabled_ = value;
    if (widget_)
        widget_->setEnabled(value);
}

void TControl::SetCaption(const AnsiString &value)
{
    if (value == caption_)
        return;
    caption_ = value;
    captionChanged();
}

void TControl::fontChanged()
{
    if (!widget_)
        return;
    widget_->setFont(font_.ToQFont());
    // The font colour is the text of an enabled control, focused or not; a
    // disabled control keeps the greyed text that the style draws it with.
    QPalette pal = widget_->palette();
    const QColor c = TColorToQColor(font_.Color());
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            pal.setColor(group, role, c);
    widget_->setPalette(pal);
}

void TControl::SetColor(TColor value)
{
    if (value == color_)
        return;
    color_ = value;
    colorChanged();
}

void TControl::SetHint(const AnsiString &value)
{
    hint_ = value;
    applyToolTip();
}

void TControl::SetShowHint(bool value)
{
    showHint_ = value;
    applyToolTip();
    if (auto *w = dynamic_cast<TWinControl *>(this))
        for (int i = 0; i < w->ControlCount(); ++i)
            w->Controls(i)->applyToolTip();
}

void TControl::applyToolTip()
{
    if (!input_)
        return;
    bool show = showHint_;
    for (const TControl *p = parent_; !show && p; p = p->parent_)
        show = p->showHint_;
    input_->setToolTip(show && !hint_.empty() ? AnsiToQString(GetShortHint(hint_)) : QString());
}

void TControl::SetCursor(TCursor value)
{
    cursor_ = value;
    if (!input_)
        return;
    if (value == crDefault)
        input_->unsetCursor();
    else
        input_->setCursor(CursorToQt(value));
}

void TControl::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
}

void TControl::Invalidate()
{
    if (input_)
        input_->update();
    if (widget_ && widget_ != input_)
        widget_->update();
}

void TControl::Repaint()
{
    if (input_)
        input_->repaint();
}

void TControl::Update()
{
    if (input_ && input_->isVisible())
        input_->repaint();
}

void TControl::BringToFront()
{
    if (widget_)
        widget_->raise();
}

void TControl::SendToBack()
{
    if (widget_)
        widget_->lower();
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

intptr_t TControl::Perform(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

void TControl::DefaultHandler(TMessage &) { defaultReached_ = true; }

void TControl::DoMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::DoMouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::DoMouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

namespace detail {
// Forms.cpp: the application's hint follows the control under the mouse.
void ApplicationMouseEnter(TControl *control);
void ApplicationMouseLeave(TControl *control);
} // namespace detail

void TControl::WndProc(TMessage &m)
{
    const int x = LoWordSigned(m.LParam);
    const int y = HiWordSigned(m.LParam);
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
        clicked_ = true;
        DoMouseDown(mbLeft, shiftFromMouseFlags(m.WParam), x, y);
        break;
    case WM_RBUTTONDOWN:
        DoMouseDown(mbRight, shiftFromMouseFlags(m.WParam), x, y);
        break;
    case WM_MBUTTONDOWN:
        DoMouseDown(mbMiddle, shiftFromMouseFlags(m.WParam), x, y);
        break;
    case WM_LBUTTONDBLCLK:
        if (OnDblClick)
            OnDblClick(this);
        DoMouseDown(mbLeft, shiftFromMouseFlags(m.WParam) + TShiftState{ssDouble}, x, y);
        break;
    case WM_LBUTTONUP: {
        const bool click = clicked_ && clicksOnMouseUp() && x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight();
        clicked_ = false;
        if (click)
            Click();
        DoMouseUp(mbLeft, shiftFromMouseFlags(m.WParam), x, y);
        break;
    }
    case WM_RBUTTONUP:
        DoMouseUp(mbRight, shiftFromMouseFlags(m.WParam), x, y);
        break;
    case WM_MBUTTONUP:
        DoMouseUp(mbMiddle, shiftFromMouseFlags(m.WParam), x, y);
        break;
    case WM_MOUSEMOVE:
        DoMouseMove(shiftFromMouseFlags(m.WParam), x, y);
        break;
    case CM_MOUSEENTER:
        detail::ApplicationMouseEnter(this);
        break;
    case CM_MOUSELEAVE:
        detail::ApplicationMouseLeave(this);
        break;
    default:
        break;
    }
    DefaultHandler(m);
}

bool TControl::dispatchQtEvent(QObject *watched, QEvent *event)
{
    TMessage m;
    bool input = false;
    const bool onWidget = watched == widget_.data();
    switch (event->type()) {
    case QEvent::Resize:
        if (!onWidget)
            return false;
        m.Msg = WM_SIZE;
        m.WParam = widget_->isMaximized() ? SIZE_MAXIMIZED : widget_->isMinimized() ? SIZE_MINIMIZED : SIZE_RESTORED;
        m.LParam = MakeLParam(widget_->width(), widget_->height());
        break;
    case QEvent::Move:
        if (!onWidget)
            return false;
        m.Msg = WM_MOVE;
        m.LParam = MakeLParam(widget_->x(), widget_->y());
        break;
    case QEvent::Show:
    case QEvent::Hide:
        if (!onWidget || event->spontaneous())
            return false;
        m.Msg = WM_SHOWWINDOW;
        m.WParam = event->type() == QEvent::Show ? 1 : 0;
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const QWidget *focus = focusOwner();
        if (watched != focus && !(QApplication::focusWidget() == nullptr && onWidget && widget_->isWindow()))
            return false;
        auto *ke = static_cast<QKeyEvent *>(event);
        const uint16_t vk = QtKeyToVirtualKey(ke->key());
        if (vk == 0 || (event->type() == QEvent::KeyRelease && ke->isAutoRepeat()))
            return false;
        m.Msg = event->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP;
        m.WParam = vk;
        g_messageShift = shiftFromModifiers(ke->modifiers());
        input = true;
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        if (watched != input_.data())
            return false;
        auto *me = static_cast<QMouseEvent *>(event);
        // Qt hands a mouse event that a child ignored on to its parents as
        // copies; only the first delivery is a message.
        static struct {
            QEvent::Type type;
            quint64 stamp;
            QPointF global;
            Qt::MouseButton button;
        } last{QEvent::None, 0, {}, Qt::NoButton};
        if (last.type == event->type() && last.stamp == me->timestamp() && last.global == me->globalPosition() &&
            last.button == me->button())
            return false;
        last = {event->type(), me->timestamp(), me->globalPosition(), me->button()};
        const QPoint p = me->position().toPoint();
        m.LParam = MakeLParam(p.x(), p.y());
        m.WParam = mouseFlags(me->buttons(), me->modifiers());
        g_messageShift = shiftFromModifiers(me->modifiers());
        const Qt::MouseButton b = me->button();
        if (event->type() == QEvent::MouseMove)
            m.Msg = WM_MOUSEMOVE;
        else if (event->type() == QEvent::MouseButtonPress)
            m.Msg = b == Qt::RightButton ? WM_RBUTTONDOWN : b == Qt::MiddleButton ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
        else if (event->type() == QEvent::MouseButtonRelease)
            m.Msg = b == Qt::RightButton ? WM_RBUTTONUP : b == Qt::MiddleButton ? WM_MBUTTONUP : WM_LBUTTONUP;
        else if (b == Qt::LeftButton)
            m.Msg = WM_LBUTTONDBLCLK;
        else
            m.Msg = b == Qt::RightButton ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
        input = true;
        break;
    }
    case QEvent::Enter:
    case QEvent::Leave:
        if (watched != input_.data())
            return false;
        m.Msg = event->type() == QEvent::Enter ? CM_MOUSEENTER : CM_MOUSELEAVE;
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (!onWidget && watched != input_.data())
            return false;
        m.Msg = event->type() == QEvent::FocusIn ? WM_SETFOCUS : WM_KILLFOCUS;
        break;
    case QEvent::ApplicationPaletteChange:
        if (!onWidget || !widget_->isWindow())
            return false;
        m.Msg = WM_SYSCOLORCHANGE;
        break;
    case QEvent::ApplicationFontChange:
        if (!onWidget || !widget_->isWindow())
            return false;
        m.Msg = WM_FONTCHANGE;
        break;
    default:
        return false;
    }

    QPointer<QObject> alive(bridge_);
    const bool savedReached = defaultReached_;
    defaultReached_ = false;
    SafeCall([&] { Perform(m.Msg, m.WParam, m.LParam); });
    if (!alive)
        return input; // the control was destroyed by its handler
    const bool reached = defaultReached_;
    defaultReached_ = savedReached;
    if (input && !reached) {
        event->accept();
        return true;
    }
    return false;
}

// --------------------------------------------------------------- win control

TWinControl::TWinControl(TComponent *AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl()
{
    Destroying();
    // Child controls go with their parent.
    while (!controls_.empty()) {
        TControl *c = controls_.back();
        c->parent_ = nullptr;
        controls_.pop_back();
        delete c;
    }
}

void TWinControl::insertControl(TControl *c)
{
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end())
        controls_.push_back(c);
    if (c->parentFontInherit())
        c->inheritFont(font_);
}

void TWinControl::removeControl(TControl *c)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
    if (!(ComponentState().Contains(csDestroying)))
        Realign();
}

void TWinControl::EnableAlign()
{
    if (alignLock_ > 0 && --alignLock_ == 0 && alignPending_) {
        alignPending_ = false;
        Realign();
    }
}

TRect TWinControl::AlignRect() const
{
    const QWidget *c = ContainerWidget();
    return c ? Rect(0, 0, c->width(), c->height()) : TRect{};
}

void TWinControl::Realign()
{
    if (alignLock_ > 0) {
        alignPending_ = true;
        return;
    }
    if (aligning_ || ComponentState().Contains(csDestroying))
        return;
    aligning_ = true;
    TRect r = AlignRect();
    try {
        AlignControls(r);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::AlignControls(TRect &rect)
{
    static const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign a : order) {
        std::vector<TControl *> list;
        for (TControl *c : controls_)
            if (c->align_ == a && c->visible_ && c->widget_)
                list.push_back(c);
        auto key = [a](const TControl *c) {
            switch (a) {
            case alTop: return c->Top();
            case alBottom: return -(c->Top() + c->Height());
            case alLeft: return c->Left();
            case alRight: return -(c->Left() + c->Width());
            default: return 0;
            }
        };
        std::stable_sort(list.begin(), list.end(), [&](TControl *x, TControl *y) { return key(x) < key(y); });
        for (TControl *c : list) {
            const int w = std::max(0, rect.Width());
            const int h = std::max(0, rect.Height());
            switch (a) {
            case alTop:
                placeWidget(c->widget_, rect.Left, rect.Top, w, c->Height());
                rect.Top += c->Height();
                break;
            case alBottom:
                placeWidget(c->widget_, rect.Left, rect.Bottom - c->Height(), w, c->Height());
                rect.Bottom -= c->Height();
                break;
            case alLeft:
                placeWidget(c->widget_, rect.Left, rect.Top, c->Width(), h);
                rect.Left += c->Width();
                break;
            case alRight:
                placeWidget(c->widget_, rect.Right - c->Width(), rect.Top, c->Width(), h);
                rect.Right -= c->Width();
                break;
            default:
                placeWidget(c->widget_, rect.Left, rect.Top, w, h);
                break;
            }
        }
    }
}

bool TWinControl::Focused() const
{
    return Widget() && (Widget()->hasFocus() || (input_ && input_->hasFocus()));
}

bool TWinControl::CanFocus() const
{
    return Widget() && Widget()->isVisible() && Widget()->isEnabled();
}

void TWinControl::SetFocus()
{
    if (Widget())
        Widget()->setFocus(Qt::OtherFocusReason);
}

void TWinControl::DoKeyDown(uint16_t &key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::DoKeyUp(uint16_t &key, TShiftState shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::WndProc(TMessage &m)
{
    switch (m.Msg) {
    case WM_SIZE:
        Realign();
        if (OnResize)
            OnResize(this);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP: {
        uint16_t key = uint16_t(m.WParam);
        const TShiftState shift = g_messageShift;
        const bool down = m.Msg == WM_KEYDOWN;
        TCustomForm *form = GetParentForm(this);
        TWinControl *preview = form;
        if (preview && preview != this && form->KeyPreview()) {
            if (down)
                preview->DoKeyDown(key, shift);
            else
                preview->DoKeyUp(key, shift);
        }
        if (key != 0) {
            if (down)
                DoKeyDown(key, shift);
            else
                DoKeyUp(key, shift);
        }
        if (key != 0 && down && form && form->DialogKey(key, this))
            key = 0;
        m.WParam = key;
        if (key == 0)
            return; // handled: Qt does not see the key
        break;
    }
    case WM_SETFOCUS:
        if (OnEnter)
            OnEnter(this);
        break;
    case WM_KILLFOCUS:
        if (OnExit)
            OnExit(this);
        break;
    default:
        break;
    }
    TControl::WndProc(m);
}

TCustomForm *GetParentForm(const TControl *control)
{
    const TControl *c = control;
    while (c && c->Parent())
        c = c->Parent();
    return dynamic_cast<TCustomForm *>(const_cast<TControl *>(c));
}

} // namespace platform
