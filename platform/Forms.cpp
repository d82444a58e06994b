#include "platform/Forms.h"
#include "platform/FontMap.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QPointer>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <algorithm>

namespace platform {

TApplication *Application = new TApplication(nullptr);
TScreen *Screen = new TScreen;

// ------------------------------------------------------------------- screen

namespace {
std::vector<TRect> monitorRects(bool workAreas)
{
    if (Screen->MonitorSource) {
        std::vector<TRect> out = Screen->MonitorSource();
        if (workAreas && Screen->WorkAreaSource) {
            const std::vector<TRect> areas = Screen->WorkAreaSource();
            for (size_t i = 0; i < out.size() && i < areas.size(); ++i)
                out[i] = areas[i];
        }
        return out;
    }
    std::vector<TRect> out;
    QScreen *primary = QGuiApplication::primaryScreen();
    auto add = [&out, workAreas](const QScreen *s) {
        out.push_back(TRect::FromQRect(workAreas ? s->availableGeometry() : s->geometry()));
    };
    if (primary)
        add(primary);
    for (QScreen *s : QGuiApplication::screens())
        if (s != primary)
            add(s);
    return out;
}
} // namespace

int TScreen::MonitorCount() const { return int(monitorRects(false).size()); }

TMonitor TScreen::Monitors(int Index) const
{
    const std::vector<TRect> rects = monitorRects(false);
    if (Index < 0 || size_t(Index) >= rects.size())
        return TMonitor();
    const std::vector<TRect> areas = monitorRects(true);
    return TMonitor(Index, rects[size_t(Index)], areas[size_t(Index)], Index == 0);
}

TMonitor TScreen::MonitorFromRect(const TRect &Rect) const
{
    const std::vector<TRect> rects = monitorRects(false);
    const TPoint centre{Rect.Left + Rect.Width() / 2, Rect.Top + Rect.Height() / 2};
    for (size_t i = 0; i < rects.size(); ++i)
        if (rects[i].Contains(centre))
            return Monitors(int(i));
    return Monitors(0);
}

int TScreen::FormCount() const { return int(forms_.size()); }

TCustomForm *TScreen::Forms(int Index) const
{
    return Index >= 0 && size_t(Index) < forms_.size() ? forms_[size_t(Index)] : nullptr;
}

TCustomForm *TScreen::ActiveForm() const
{
    QWidget *active = QApplication::activeWindow();
    if (!active)
        return nullptr;
    for (TCustomForm *f : forms_)
        if (f->Widget() == active)
            return f;
    return nullptr;
}

TMonitor TCustomForm::Monitor() const { return Screen->MonitorFromRect(TRect::FromQRect(Widget()->frameGeometry())); }

namespace {
bool holds(const TRect &area, int x, int y) { return x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom; }

int64_t overlap(const TRect &a, const TRect &b)
{
    const int64_t w = int64_t(std::min(a.Right, b.Right)) - std::max(a.Left, b.Left);
    const int64_t h = int64_t(std::min(a.Bottom, b.Bottom)) - std::max(a.Top, b.Top);
    return w > 0 && h > 0 ? w * h : 0;
}

// Whether every pixel of Rect lies on one of the areas: the areas' edges cut
// Rect into cells that are each wholly on an area or wholly off all of them.
bool coveredBy(const TRect &Rect, const std::vector<TRect> &Areas)
{
    if (Rect.IsEmpty())
        return false;
    std::vector<int> xs{Rect.Left}, ys{Rect.Top};
    for (const TRect &a : Areas) {
        for (int x : {a.Left, a.Right})
            if (x > Rect.Left && x < Rect.Right)
                xs.push_back(x);
        for (int y : {a.Top, a.Bottom})
            if (y > Rect.Top && y < Rect.Bottom)
                ys.push_back(y);
    }
    for (int x : xs)
        for (int y : ys)
            if (std::none_of(Areas.begin(), Areas.end(), [x, y](const TRect &a) { return holds(a, x, y); }))
                return false;
    return true;
}
} // namespace

TRect KeepRectOnWorkArea(const TRect &Rect, const TRect &WorkArea, const TPoint &FrameExtra)
{
    if (WorkArea.IsEmpty())
        return Rect;
    TRect r = Rect;
    const int maxWidth = std::max(1, WorkArea.Width() - FrameExtra.X);
    const int maxHeight = std::max(1, WorkArea.Height() - FrameExtra.Y);
    const int width = std::min(Rect.Width(), maxWidth);
    const int height = std::min(Rect.Height(), maxHeight);
    // A window whose top-left corner is off the area goes wholly onto it;
    // otherwise a window shrunk across or down goes wholly onto it that way,
    // and a fitting one stays where it is.
    const bool cornerOff = !holds(WorkArea, Rect.Left, Rect.Top);
    auto place = [cornerOff](int pos, int extent, bool shrunk, int low, int high) {
        return cornerOff || shrunk ? std::clamp(pos, low, std::max(low, high - extent)) : pos;
    };
    r.Left = place(Rect.Left, width + FrameExtra.X, width < Rect.Width(), WorkArea.Left, WorkArea.Right);
    r.Top = place(Rect.Top, height + FrameExtra.Y, height < Rect.Height(), WorkArea.Top, WorkArea.Bottom);
    r.Right = r.Left + width;
    r.Bottom = r.Top + height;
    return r;
}

TRect KeepRectOnWorkAreas(const TRect &Rect, const std::vector<TRect> &WorkAreas, const TPoint &FrameExtra)
{
    std::vector<TRect> areas;
    for (const TRect &a : WorkAreas)
        if (!a.IsEmpty())
            areas.push_back(a);
    if (areas.empty())
        return Rect;
    auto frameOf = [&FrameExtra](const TRect &r) { return TRect{r.Left, r.Top, r.Right + FrameExtra.X, r.Bottom + FrameExtra.Y}; };
    const TRect frame = frameOf(Rect);
    if (coveredBy(frame, areas))
        return Rect;
    // The areas the window lies on; when none, the nearest one.
    std::vector<const TRect *> on;
    const TRect *most = nullptr, *nearest = nullptr;
    int64_t mostOverlap = 0, nearestDistance = 0;
    for (const TRect &a : areas) {
        const int64_t o = overlap(frame, a);
        if (o > 0)
            on.push_back(&a);
        if (o > mostOverlap)
            most = &a, mostOverlap = o;
        const int64_t dx = std::max({int64_t(0), int64_t(a.Left) - frame.Right, int64_t(frame.Left) - a.Right});
        const int64_t dy = std::max({int64_t(0), int64_t(a.Top) - frame.Bottom, int64_t(frame.Top) - a.Bottom});
        if (!nearest || dx * dx + dy * dy < nearestDistance)
            nearest = &a, nearestDistance = dx * dx + dy * dy;
    }
    if (on.size() > 1) {
        // Across several monitors: bring back what lies beyond them, taken
        // together as their bounding box, or side by side (across their
        // bounds, down what they all share), or stacked; the first that
        // leaves the window wholly on them.
        TRect span = *on.front(), shared = span;
        for (const TRect *a : on) {
            span = {std::min(span.Left, a->Left), std::min(span.Top, a->Top), std::max(span.Right, a->Right),
                    std::max(span.Bottom, a->Bottom)};
            shared = {std::max(shared.Left, a->Left), std::max(shared.Top, a->Top), std::min(shared.Right, a->Right),
                      std::min(shared.Bottom, a->Bottom)};
        }
        for (const TRect &box : {span, TRect{span.Left, shared.Top, span.Right, shared.Bottom},
                                 TRect{shared.Left, span.Top, shared.Right, span.Bottom}}) {
            if (box.IsEmpty())
                continue;
            const TRect kept = KeepRectOnWorkArea(Rect, box, FrameExtra);
            if (coveredBy(frameOf(kept), areas))
                return kept;
        }
    }
    return KeepRectOnWorkArea(Rect, most ? *most : *nearest, FrameExtra);
}

int ScreenWidth()
{
    QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 1024;
}

int ScreenHeight()
{
    QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 768;
}

void HandleEventException(const std::exception *e) { Application->HandleException(e); }

namespace detail {

void ApplicationMouseEnter(TControl *control)
{
    // The hint of the control, or of the nearest parent that has one.
    for (TControl *c = control; c; c = c->Parent()) {
        if (!c->Hint().empty()) {
            Application->SetHint(GetLongHint(c->Hint()));
            return;
        }
    }
    Application->SetHint("");
}

void ApplicationMouseLeave(TControl *) { Application->SetHint(""); }

} // namespace detail

// --------------------------------------------------------------------- form

// The top-level window of a form: the menu bar (when any) above the client
// widget that holds the controls.
class FormWindow : public QWidget {
public:
    explicit FormWindow(TCustomForm *form) : form_(form) {}
    TCustomForm *form_;
    QMenuBar *menuBar_ = nullptr;

protected:
    void closeEvent(QCloseEvent *e) override
    {
        e->ignore();
        if (form_)
            SafeCall([this] { form_->handleCloseEvent(); });
    }
    void resizeEvent(QResizeEvent *e) override
    {
        QWidget::resizeEvent(e);
        if (form_)
            form_->layoutClient();
    }
};

TCustomForm::TCustomForm(TComponent *AOwner) : TWinControl(AOwner)
{
    window_ = new FormWindow(this);
    window_->setAttribute(Qt::WA_QuitOnClose, false);
    client_ = new QWidget(window_);
    client_->setAutoFillBackground(true);
    setWidget(window_);
    SetVisible(false);
    window_->resize(320, 240);
    client_->setGeometry(0, 0, 320, 240);
    colorChanged();
    applyWindowFlags();
    Screen->forms_.push_back(this);
    if (QScreen *s = QGuiApplication::primaryScreen()) {
        QObject::connect(s, &QScreen::geometryChanged, window_, [this](const QRect &g) {
            SafeCall([&] {
                Perform(WM_DISPLAYCHANGE, QGuiApplication::primaryScreen()->depth(), MakeLParam(g.width(), g.height()));
                UpdateSizeLimits();
            });
        });
    }
}

void TCustomForm::BeforeDestruction()
{
    SafeCall([this] { DoDestroy(); });
}

void TCustomForm::operator delete(TCustomForm *form, std::destroying_delete_t)
{
    void *whole = dynamic_cast<void *>(form);
    form->BeforeDestruction();
    form->~TCustomForm(); // virtual: the form class's own destructor first
    ::operator delete(whole);
}

TCustomForm::~TCustomForm()
{
    Destroying();
    std::erase(Screen->forms_, this);
    if (modalLoop_)
        modalLoop_->quit();
    if (Application && Application->mainForm_ == this)
        Application->mainForm_ = nullptr;
    window_->form_ = nullptr;
}

QWidget *TCustomForm::ContainerWidget() const { return client_; }
int TCustomForm::ClientWidth() const { return client_->width(); }
int TCustomForm::ClientHeight() const { return client_->height(); }

void TCustomForm::layoutClient()
{
    int top = 0;
    if (window_->menuBar_ && window_->menuBar_->isVisibleTo(window_)) {
        const int h = window_->menuBar_->sizeHint().height();
        window_->menuBar_->setGeometry(0, 0, window_->width(), h);
        top = h;
    }
    client_->setGeometry(0, top, window_->width(), std::max(0, window_->height() - top));
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    window_->move(ALeft, ATop);
    const QSize old = window_->size();
    window_->resize(std::max(0, AWidth), std::max(0, AHeight));
    if (!window_->isVisible() && old != window_->size()) {
        QResizeEvent e(window_->size(), old);
        QCoreApplication::sendEvent(window_, &e);
        window_->setAttribute(Qt::WA_PendingResizeEvent, false);
    }
}

void TCustomForm::captionChanged() { window_->setWindowTitle(AnsiToQString(Caption())); }

void TCustomForm::colorChanged()
{
    QPalette pal = client_->palette();
    pal.setColor(QPalette::Window, TColorToQColor(Color()));
    client_->setPalette(pal);
}

void TCustomForm::applyWindowFlags()
{
    const bool wasVisible = window_->isVisible();
    Qt::WindowFlags f = Qt::Window;
    if (borderStyle_ == TFormBorderStyle::bsNone) {
        f |= Qt::FramelessWindowHint;
    } else {
        f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (borderIcons_.Contains(biSystemMenu))
            f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        const bool fixed = borderStyle_ == TFormBorderStyle::bsSingle || borderStyle_ == TFormBorderStyle::bsDialog ||
                           borderStyle_ == TFormBorderStyle::bsToolWindow;
        if (borderIcons_.Contains(biMinimize) && borderStyle_ != TFormBorderStyle::bsDialog)
            f |= Qt::WindowMinimizeButtonHint;
        if (borderIcons_.Contains(biMaximize) && !fixed)
            f |= Qt::WindowMaximizeButtonHint;
    }
    window_->setWindowFlags(f);
    if (wasVisible)
        window_->show();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
    borderStyle_ = value;
    applyWindowFlags();
}

void TCustomForm::SetBorderIcons(TBorderIcons value)
{
    borderIcons_ = value;
    applyWindowFlags();
}

TWindowState TCustomForm::WindowState() const
{
    if (window_->isMinimized())
        return wsMinimized;
    if (window_->isMaximized())
        return wsMaximized;
    return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState value)
{
    Qt::WindowStates s = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (value == wsMinimized)
        s |= Qt::WindowMinimized;
    else if (value == wsMaximized)
        s |= Qt::WindowMaximized;
    window_->setWindowState(s);
}

void TCustomForm::SetMenu(TMainMenu *menu)
{
    if (menu_ == menu)
        return;
    if (menu_ && window_->menuBar_) {
        window_->menuBar_->setParent(nullptr);
        window_->menuBar_->hide();
    }
    menu_ = menu;
    window_->menuBar_ = nullptr;
    if (menu_) {
        menu_->FreeNotification(this);
        window_->menuBar_ = menu_->MenuBar();
        window_->menuBar_->setParent(window_);
        window_->menuBar_->show();
    }
    layoutClient();
    Realign();
}

void TCustomForm::Notification(TComponent *AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == menu_) {
        menu_ = nullptr;
        window_->menuBar_ = nullptr;
        layoutClient();
        Realign();
    }
}

TWinControl *TCustomForm::ActiveControl() const
{
    QWidget *f = window_->focusWidget();
    std::function<TWinControl *(const TWinControl *)> find = [&](const TWinControl *w) -> TWinControl * {
        for (int i = 0; i < w->ControlCount(); ++i) {
            auto *c = dynamic_cast<TWinControl *>(w->Controls(i));
            if (!c)
                continue;
            if (c->Widget() == f || (f && c->Widget()->isAncestorOf(f) && c->ControlCount() == 0))
                return c;
            if (TWinControl *r = find(c))
                return r;
        }
        return nullptr;
    };
    return f ? find(this) : nullptr;
}

void TCustomForm::SetActiveControl(TWinControl *control)
{
    if (control)
        control->SetFocus();
}

void TCustomForm::SetVisible(bool value)
{
    if (value == Visible() && value == window_->isVisible())
        return;
    TControl::SetVisible(value);
    if (value) {
        if (!shownOnce_)
            UpdateSizeLimits();
        keepOnWorkArea();
        applyPosition();
        keepOnWorkArea();
        const bool fixed = borderStyle_ == TFormBorderStyle::bsSingle || borderStyle_ == TFormBorderStyle::bsDialog ||
                           borderStyle_ == TFormBorderStyle::bsToolWindow;
        if (fixed)
            window_->setFixedSize(window_->size());
        shownOnce_ = true;
        window_->show();
        window_->raise();
        window_->activateWindow();
    } else {
        window_->hide();
    }
}

void TCustomForm::applyPosition()
{
    const int w = window_->width();
    const int h = window_->height();
    auto centreOn = [&](const QRect &area) { window_->move(area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2); };
    const TMonitor primary = Screen->Monitors(0);
    const QRect screen = primary.BoundsRect.IsEmpty() ? QRect(0, 0, 1024, 768) : primary.BoundsRect.ToQRect();
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
        centreOn(screen);
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm *over = position_ == poMainFormCenter ? Application->MainForm() : dynamic_cast<TCustomForm *>(Owner());
        if (over && over != this)
            centreOn(over->window_->frameGeometry());
        else
            centreOn(screen);
        break;
    }
    default:
        break;
    }
}

TPoint TCustomForm::frameExtra() const
{
    // Known once the window system has framed the window; nothing before.
    const QRect frame = window_->frameGeometry();
    return {std::max(0, frame.width() - window_->width()), std::max(0, frame.height() - window_->height())};
}

void TCustomForm::keepOnWorkArea()
{
    if (window_->isMaximized() || window_->isMinimized() || window_->isFullScreen())
        return;
    const TRect now = Bounds(window_->x(), window_->y(), window_->width(), window_->height());
    const TPoint extra = frameExtra();
    std::vector<TRect> areas;
    for (int i = 0; i < Screen->MonitorCount(); ++i)
        areas.push_back(Screen->Monitors(i).WorkareaRect);
    const TRect kept = KeepRectOnWorkAreas(now, areas, extra);
    if (kept == now)
        return;
    const QSize size(kept.Width(), kept.Height());
    if (size != window_->size()) {
        // A fixed window keeps being fixed, at the size that fits.
        const bool fixed = window_->minimumSize() == window_->maximumSize();
        window_->setMinimumSize(window_->minimumSize().boundedTo(size));
        if (fixed)
            window_->setMaximumSize(size);
    }
    SetBounds(kept.Left, kept.Top, kept.Width(), kept.Height());
}

void TCustomForm::Show() { SetVisible(true); }

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::SetModalResult(TModalResult value)
{
    modalResult_ = value;
    if (modalLoop_ && value != mrNone)
        modalLoop_->quit();
}

TModalResult TCustomForm::ShowModal()
{
    if (Visible() || modalLoop_)
        throw EInvalidOperation("Cannot make a visible window modal");
    modalResult_ = mrNone;
    window_->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    modalLoop_ = &loop;
    QPointer<QWidget> alive(window_);
    try {
        Show();
    } catch (...) {
        modalLoop_ = nullptr;
        window_->setWindowModality(Qt::NonModal);
        throw;
    }
    if (Application->ModalHook) {
        auto hook = Application->ModalHook;
        QTimer::singleShot(0, window_, [this, hook] { SafeCall([&] { hook(this); }); });
    }
    for (;;) {
        if (modalResult_ == mrNone && !Application->Terminated())
            loop.exec();
        if (!alive)
            return mrCancel;
        if (Application->Terminated() && modalResult_ == mrNone)
            modalResult_ = mrCancel;
        if (modalResult_ == mrNone)
            continue;
        TCloseAction action = caHide;
        if (OnClose)
            SafeCall([&] { OnClose(this, action); });
        if (action == caNone && !Application->Terminated()) {
            modalResult_ = mrNone;
            continue;
        }
        break;
    }
    modalLoop_ = nullptr;
    Hide();
    window_->setWindowModality(Qt::NonModal);
    return modalResult_;
}

void TCustomForm::handleCloseEvent()
{
    if (modalLoop_)
        SetModalResult(mrCancel);
    else
        Close();
}

void TCustomForm::Close()
{
    if (modalLoop_) {
        SetModalResult(mrCancel);
        return;
    }
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    if (!canClose)
        return;
    const bool isMain = Application->MainForm() == this;
    TCloseAction action = isMain ? caFree : caHide;
    if (OnClose)
        OnClose(this, action);
    if (action == caNone)
        return;
    if (isMain) {
        Hide();
        Application->Terminate();
        return;
    }
    if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::Release()
{
    QTimer::singleShot(0, window_, [this] { delete this; });
}

void TCustomForm::DoShow()
{
    if (OnShow)
        OnShow(this);
}

void TCustomForm::DoHide()
{
    if (OnHide)
        OnHide(this);
}

void TCustomForm::DoCreate()
{
    if (OnCreate)
        OnCreate(this);
}

void TCustomForm::DoDestroy()
{
    if (destroyDone_)
        return;
    destroyDone_ = true;
    if (OnDestroy)
        OnDestroy(this);
}

namespace {

template <class F>
TControl *findControl(const TWinControl *w, F pred)
{
    for (int i = 0; i < w->ControlCount(); ++i) {
        TControl *c = w->Controls(i);
        if (pred(c))
            return c;
        if (auto *wc = dynamic_cast<TWinControl *>(c))
            if (TControl *r = findControl(wc, pred))
                return r;
    }
    return nullptr;
}

} // namespace

bool TCustomForm::DialogKey(uint16_t key, TWinControl *sender)
{
    if (key != VK_RETURN && key != VK_ESCAPE)
        return false;
    if (key == VK_RETURN && sender && qobject_cast<QAbstractButton *>(sender->Widget()))
        return false; // a focused button takes Enter itself
    TControl *b = findControl(this, [key](TControl *c) {
        auto *btn = dynamic_cast<TButton *>(c);
        return btn && btn->Showing() && btn->Enabled() && (key == VK_RETURN ? btn->Default() : btn->Cancel());
    });
    if (!b)
        return false;
    b->Click();
    return true;
}

void TCustomForm::UpdateSizeLimits()
{
    if (limitsBusy_)
        return;
    limitsBusy_ = true;
    MINMAXINFO mmi;
    QScreen *s = QGuiApplication::primaryScreen();
    const QRect screen = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    mmi.ptMaxSize = {screen.width(), screen.height()};
    mmi.ptMaxPosition = {0, 0};
    mmi.ptMinTrackSize = {0, 0};
    mmi.ptMaxTrackSize = {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    try {
        Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<intptr_t>(&mmi));
    } catch (...) {
        limitsBusy_ = false;
        throw;
    }
    const bool fixed = window_->minimumSize() == window_->maximumSize() && shownOnce_ &&
                       (borderStyle_ == TFormBorderStyle::bsSingle || borderStyle_ == TFormBorderStyle::bsDialog);
    if (!fixed) {
        // A minimum beyond the work area would keep part of the window off
        // the screen for good.
        const TRect area = Monitor().WorkareaRect;
        const TPoint extra = frameExtra();
        const int areaWidth = area.IsEmpty() ? QWIDGETSIZE_MAX : std::max(0, area.Width() - extra.X);
        const int areaHeight = area.IsEmpty() ? QWIDGETSIZE_MAX : std::max(0, area.Height() - extra.Y);
        const QSize minS(std::clamp(mmi.ptMinTrackSize.X, 0, areaWidth), std::clamp(mmi.ptMinTrackSize.Y, 0, areaHeight));
        const QSize maxS(std::clamp(mmi.ptMaxTrackSize.X, minS.width(), QWIDGETSIZE_MAX),
                         std::clamp(mmi.ptMaxTrackSize.Y, minS.height(), QWIDGETSIZE_MAX));
        const QSize old = window_->size();
        window_->setMinimumSize(minS);
        window_->setMaximumSize(maxS);
        if (!window_->isVisible() && old != window_->size()) {
            QResizeEvent e(window_->size(), old);
            QCoreApplication::sendEvent(window_, &e);
            window_->setAttribute(Qt::WA_PendingResizeEvent, false);
        }
    }
    limitsBusy_ = false;
}

void TCustomForm::WndProc(TMessage &m)
{
    switch (m.Msg) {
    case WM_SIZE:
        layoutClient();
        if (OnCanResize) {
            int w = LoWordSigned(m.LParam), h = HiWordSigned(m.LParam);
            bool resize = true;
            OnCanResize(this, w, h, resize);
        }
        TWinControl::WndProc(m);
        UpdateSizeLimits();
        return;
    case WM_SHOWWINDOW:
        if (m.WParam) {
            DoShow();
            // OnShow may have placed the window (a saved placement).
            keepOnWorkArea();
        } else {
            DoHide();
        }
        break;
    case WM_ACTIVATE:
        if (m.WParam ? bool(OnActivate) : bool(OnDeactivate))
            (m.WParam ? OnActivate : OnDeactivate)(this);
        break;
    default:
        break;
    }
    TWinControl::WndProc(m);
}

// -------------------------------------------------------------- application

TApplication::TApplication(TComponent *AOwner) : TComponent(AOwner) {}

void TApplication::Initialize()
{
    InstallFontSubstitutes();
    // One translator for the whole run, owned by the Qt application so that
    // it goes with it.
    static QPointer<QTranslator> translator;
    if (translator || !QCoreApplication::instance())
        return;
    auto *t = new QTranslator(QCoreApplication::instance());
    if (t->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(t);
        translator = t;
    } else {
        delete t;
    }
}

TApplication::~TApplication() = default;

void TApplication::SetTitle(const AnsiString &value)
{
    title_ = value;
    if (QCoreApplication::instance())
        QCoreApplication::setApplicationName(AnsiToQString(value));
}

void TApplication::Run()
{
    // The forms do not count as last windows, so without this a closing
    // dialog would be taken as the last window closing and end the loop.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::setQuitOnLastWindowClosed(false);
    running_ = true;
    terminated_ = false;
    if (mainForm_)
        SafeCall([this] { mainForm_->Show(); });
    while (!terminated_ && QCoreApplication::instance()) {
        QCoreApplication::exec();
        if (!terminated_ && (!mainForm_ || !mainForm_->Visible()))
            terminated_ = true;
    }
    running_ = false;
}

void TApplication::Terminate()
{
    terminated_ = true;
    if (QCoreApplication::instance())
        QCoreApplication::quit();
}

void TApplication::ProcessMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleException(const std::exception *E)
{
    const AnsiString message = E ? AnsiString(E->what()) : AnsiString("Unknown exception");
    if (ExceptionRecorder) {
        ExceptionRecorder(message);
        return;
    }
    if (OnException && E) {
        try {
            OnException(this, *E);
        } catch (const std::exception &inner) {
            ShowException(inner.what());
        }
        return;
    }
    ShowException(message);
}

void TApplication::ShowException(const AnsiString &message)
{
    MessageBox(message, title_, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const AnsiString &text, const AnsiString &caption, int flags)
{
    if (MessageBoxHook)
        return MessageBoxHook(text, caption, flags);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return IDOK;
    QMessageBox box(DialogParentWidget());
    box.setAttribute(Qt::WA_QuitOnClose, false);
    box.setWindowTitle(AnsiToQString(caption));
    box.setText(AnsiToQString(text));
    switch (flags & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    switch (flags & 0x0F) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNOCANCEL: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDOK;
    }
}

QWidget *DialogParentWidget(const TComponent *owner)
{
    auto shownWindow = [](const TCustomForm *f) -> QWidget * {
        return f != nullptr && f->Widget()->isVisible() ? f->Widget()->window() : nullptr;
    };
    for (const TComponent *c = owner; c != nullptr; c = c->Owner())
        if (QWidget *w = shownWindow(dynamic_cast<const TCustomForm *>(c)))
            return w;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    if (QWidget *w = QApplication::activeModalWidget())
        return w;
    if (QWidget *w = QApplication::activeWindow())
        return w;
    if (Application)
        if (QWidget *w = shownWindow(Application->MainForm()))
            return w;
    // No window has the focus (none given yet, or no window manager): the
    // form shown last of those up.
    for (int i = Screen ? Screen->FormCount() - 1 : -1; i >= 0; --i)
        if (QWidget *w = shownWindow(Screen->Forms(i)))
            return w;
    return nullptr;
}

void TApplication::SetHint(const AnsiString &value)
{
    if (value == hint_)
        return;
    hint_ = value;
    if (OnHint)
        SafeCall([this] { OnHint(this); });
    auto sinks = hintSinks_;
    for (auto &s : sinks)
        s.second(hint_);
}

void TApplication::AddHintSink(const void *key, std::function<void(const AnsiString &)> sink)
{
    hintSinks_[key] = std::move(sink);
}

void TApplication::RemoveHintSink(const void *key) { hintSinks_.erase(key); }

} // namespace platform
