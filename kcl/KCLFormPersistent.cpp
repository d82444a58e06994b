#include "kcl/KCLFormPersistent.h"

#include "kcl/KCLShUtils.h"

#include "kcl/KCLClass.h"
#include "kcl/KCLStrUtils.h"
#include "platform/ColorNames.h"
#include "platform/SystemFacts.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <memory>

using platform::csDesigning;
using platform::csDestroying;
using platform::TControl;
using platform::TCustomForm;
using platform::TMessage;
using platform::TRect;
using platform::TWinControl;

namespace {

IKCLValueStore *g_globalStore = nullptr;

// Heights and y positions resolve against the desktop's height.
constexpr bool kIsHeight[8] = {true, false, true, false, true, false, false, true};

// Windows' MulDiv: a * b / c rounded half away from zero; -1 for c = 0.
int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const int64_t p = int64_t(a) * b;
    const bool negative = (p < 0) != (c < 0);
    const int64_t q = (std::llabs(p) + std::llabs(int64_t(c)) / 2) / std::llabs(int64_t(c));
    return int(negative ? -q : q);
}

void scaleChildren(TWinControl *parent, int mul, int div)
{
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl *c = parent->Controls(i);
        c->SetBounds(MulDiv(c->Left(), mul, div), MulDiv(c->Top(), mul, div), MulDiv(c->Width(), mul, div),
                     MulDiv(c->Height(), mul, div));
        if (auto *w = dynamic_cast<TWinControl *>(c))
            scaleChildren(w, mul, div);
    }
}

} // namespace

const platform::TEnumInfo TKCLIniUseInfo{"TKCLIniUse", {"ioUseLink", "ioUseGlobal", "ioNone"}};
const platform::TEnumInfo TKCLFormIniSaveOptionInfo{"TKCLFormIniSaveOption", {"soColor", "soFont", "soPos", "soSize", "soState"}};
const platform::TEnumInfo TKCLFormOptionInfo{"TKCLFormOption", {"foAutoCenter", "foAutoShow", "foTryAdaptRes", "foRestoreOnce"}};

IKCLValueStore *KCLGlobalValueStore() { return g_globalStore; }
void KCLSetGlobalValueStore(IKCLValueStore *Store) { g_globalStore = Store; }

TRect KCLVirtualDesktop()
{
    platform::TSystemFacts &facts = platform::SystemFacts();
    const int cx = facts.GetSystemMetrics(78);
    if (cx > 0) {
        const int x = facts.GetSystemMetrics(76);
        const int y = facts.GetSystemMetrics(77);
        return {x, y, x + cx, y + facts.GetSystemMetrics(79)};
    }
    if (QScreen *s = QGuiApplication::primaryScreen())
        return TRect::FromQRect(s->virtualGeometry());
    return {0, 0, 1024, 768};
}

bool KCLGetWindowPlacement(TCustomForm *Form, KCLWINDOWPLACEMENT &Placement)
{
    if (Form == nullptr || Form->Widget() == nullptr || Placement.length != 44)
        return false;
    const platform::TWindowState state = Form->WindowState();
    Placement.showCmd = state == platform::wsMinimized   ? KCL_SW_SHOWMINIMIZED
                        : state == platform::wsMaximized ? KCL_SW_SHOWMAXIMIZED
                                                         : KCL_SW_SHOWNORMAL;
    const QRect normal = Form->Widget()->normalGeometry();
    if (state != platform::wsNormal && normal.isValid())
        Placement.rcNormalPosition = TRect::FromQRect(normal);
    else
        Placement.rcNormalPosition = Form->BoundsRect();
    Placement.ptMinPosition = {-1, -1};
    Placement.ptMaxPosition = {-1, -1};
    return true;
}

bool KCLSetWindowPlacement(TCustomForm *Form, const KCLWINDOWPLACEMENT &Placement)
{
    if (Form == nullptr || Form->Widget() == nullptr || Placement.length != 44)
        return false;
    const TRect &r = Placement.rcNormalPosition;
    if (Form->WindowState() != platform::wsNormal)
        Form->SetWindowState(platform::wsNormal);
    Form->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    switch (Placement.showCmd) {
    case KCL_SW_HIDE:
        Form->Widget()->hide();
        break;
    case KCL_SW_SHOWMINIMIZED:
        Form->SetWindowState(platform::wsMinimized);
        break;
    case KCL_SW_SHOWMAXIMIZED:
        Form->SetWindowState(platform::wsMaximized);
        break;
    default:
        break;
    }
    return true;
}

// ------------------------------------------------------------------ component

TKCLFormPersistent::TKCLFormPersistent(TComponent *AOwner) : TKCLWndProcComponent(AOwner)
{
    SetHookByWindowProc(true);
    TComponent *owner = Owner();
    if (owner != nullptr && owner->ComponentState().Contains(csDesigning) &&
        KCLCheckOneInstance(owner, StaticClass(), false))
        throw EKCLOneInstError::CreateMsg(ClassType()->ClassName(), 0);
    if (dynamic_cast<TCustomForm *>(owner) != nullptr)
        iniKey_ = owner->ClassType()->ClassName().substr(1, 250);
    else
        iniKey_ = "Form";
}

void TKCLFormPersistent::PublishProperties(platform::TPropList &list)
{
    using T = TKCLFormPersistent;
    platform::TPropertyTable<T> p(list);
    p.String("About", &T::About, &T::SetAbout).Stored(false);
    p.Component("IniLink", &T::IniLink, &T::SetIniLink);
    p.Enum("IniUse", TKCLIniUseInfo, &T::IniUse, &T::SetIniUse).Default(int64_t(ioNone));
    p.Set("IniSaveOptions", TKCLFormIniSaveOptionInfo, &T::IniSaveOptions, &T::SetIniSaveOptions)
        .Default(int64_t(TKCLFormIniSaveOptions{soPos, soSize, soState}.Bits()));
    p.String("Section", &T::Section, &T::SetSection).Stored([](const T &o) {
        return !o.Section().empty() && o.Section() != "Common";
    });
    p.String("IniKey", &T::IniKey, &T::SetIniKey).Stored([](const T &o) {
        return !o.IniKey().empty() && o.IniKey() != "Form";
    });
    p.Integer("DesignPPI", &T::DesignPPI, &T::SetDesignPPI).Default(96);
    p.Set("Options", TKCLFormOptionInfo, &T::Options, &T::SetOptions).Default(int64_t(TKCLFormOptions{foAutoShow}.Bits()));
    p.Boolean("Enabled", &T::Enabled, &T::SetEnabled).Default(1);
    static const char *const sizeNames[8] = {"TrackMaxHeight", "TrackMaxWidth", "TrackMinHeight", "TrackMinWidth",
                                             "MaximizedHeight", "MaximizedWidth", "MaximizedPosX", "MaximizedPosY"};
    // Published in the order of the property list: maximized values first.
    for (int index : {4, 5, 6, 7, 0, 1, 2, 3})
        p.Integer(sizeNames[index], [index](const T &o) { return o.GetTrackValue(index); },
                  [index](T &o, int v) { o.SetTrackValue(index, v); })
            .Default(0);
}

TKCLFormPersistent::~TKCLFormPersistent()
{
    // Give the form its own handlers back while it lives on.
    if (chained_) {
        if (TCustomForm *f = ownerForm()) {
            if (f->OnShow == TNotifyEvent::Bind<&TKCLFormPersistent::FormShowHook>(this))
                f->OnShow = savedOnShow_;
            if (f->OnDestroy == TNotifyEvent::Bind<&TKCLFormPersistent::FormDestroyHook>(this))
                f->OnDestroy = savedOnDestroy_;
        }
    }
}

TCustomForm *TKCLFormPersistent::ownerForm(bool EvenDestroying) const
{
    TComponent *o = Owner();
    if (o == nullptr || (!EvenDestroying && o->ComponentState().Contains(csDestroying)))
        return nullptr;
    return dynamic_cast<TCustomForm *>(o);
}

void TKCLFormPersistent::SetIniLink(TComponent *Value)
{
    if (Value != nullptr && dynamic_cast<IKCLValueStore *>(Value) == nullptr)
        return;
    iniLink_ = Value;
    if (Value != nullptr)
        Value->FreeNotification(this);
}

void TKCLFormPersistent::Notification(TComponent *AComponent, platform::TOperation Operation)
{
    TKCLWndProcComponent::Notification(AComponent, Operation);
    if (Operation == platform::opRemove) {
        if (AComponent == iniLink_)
            iniLink_ = nullptr;
        return;
    }
    if (iniUse_ != ioUseLink || AComponent == nullptr)
        return;
    if (AComponent != this) {
        if (iniLink_ == nullptr && dynamic_cast<IKCLValueStore *>(AComponent) != nullptr)
            SetIniLink(AComponent);
        return;
    }
    TCustomForm *f = ownerForm();
    if (f == nullptr)
        return;
    TComponent *found = nullptr;
    int count = 0;
    for (int i = 0; i < f->ComponentCount(); ++i) {
        TComponent *c = f->Components(i);
        if (dynamic_cast<IKCLValueStore *>(c) != nullptr) {
            found = c;
            ++count;
        }
    }
    if (count == 1)
        SetIniLink(found);
}

// -------------------------------------------------------------- size values

int TKCLFormPersistent::ResolveScreenValue(int Value, bool IsHeight)
{
    if (Value >= 0)
        return Value;
    const TRect desk = KCLVirtualDesktop();
    const int extent = IsHeight ? desk.Height() : desk.Width();
    return extent / std::abs(Value);
}

int TKCLFormPersistent::GetTrackValue(int Index) const
{
    return Index >= 0 && Index < 8 ? published_[size_t(Index)] : 0;
}

int TKCLFormPersistent::ResolvedValue(int Index) const
{
    return Index >= 0 && Index < 8 ? resolved_[size_t(Index)] : 0;
}

void TKCLFormPersistent::SetTrackValue(int Index, int Value)
{
    if (Value < -100 || Index < 0 || Index > 7)
        return;
    const size_t i = size_t(Index);
    if (Value == published_[i])
        return;
    const int r = ResolveScreenValue(Value, kIsHeight[i]);
    if (Index <= 1) {
        // A maximum below the minimum of its dimension is refused.
        const int minimum = resolved_[i + 2];
        if (r != 0 && r < minimum)
            return;
    } else if (Index <= 3) {
        // A minimum above a positive maximum is refused.
        const int maximum = resolved_[i - 2];
        if (r != 0 && maximum > 0 && r > maximum)
            return;
    }
    published_[i] = Value;
    resolved_[i] = r;
}

void TKCLFormPersistent::RecalcLimits()
{
    for (size_t i = 0; i < 8; ++i)
        resolved_[i] = ResolveScreenValue(published_[i], kIsHeight[i]);
    const TRect desk = KCLVirtualDesktop();
    if (resolved_[1] > desk.Width())
        resolved_[1] = desk.Width();
    if (resolved_[0] > desk.Height())
        resolved_[0] = desk.Height();
    for (size_t i = 0; i < 2; ++i) {
        if (resolved_[i] != 0 && resolved_[i + 2] > resolved_[i])
            resolved_[i + 2] = resolved_[i];
    }
}

// ---------------------------------------------------------------- messages

void TKCLFormPersistent::HandleSizeMessage(TMessage &Message)
{
    switch (Message.Msg) {
    case platform::WM_GETMINMAXINFO: {
        if (Message.LParam == 0)
            return;
        auto *mmi = reinterpret_cast<platform::MINMAXINFO *>(Message.LParam);
        if (OnTrackInfo) {
            OnTrackInfo(this, mmi->ptMinTrackSize.X, mmi->ptMinTrackSize.Y, mmi->ptMaxTrackSize.X, mmi->ptMaxTrackSize.Y);
        } else {
            if (resolved_[1] > 0)
                mmi->ptMaxTrackSize.X = resolved_[1];
            if (resolved_[0] > 0)
                mmi->ptMaxTrackSize.Y = resolved_[0];
            if (resolved_[3] > 0)
                mmi->ptMinTrackSize.X = resolved_[3];
            if (resolved_[2] > 0)
                mmi->ptMinTrackSize.Y = resolved_[2];
        }
        if (OnMaximizeInfo) {
            OnMaximizeInfo(this, mmi->ptMaxPosition.X, mmi->ptMaxPosition.Y, mmi->ptMaxSize.X, mmi->ptMaxSize.Y);
        } else {
            if (resolved_[6] > 0)
                mmi->ptMaxPosition.X = resolved_[6];
            if (resolved_[7] > 0)
                mmi->ptMaxPosition.Y = resolved_[7];
            if (resolved_[5] > 0)
                mmi->ptMaxSize.X = resolved_[5];
            if (resolved_[4] > 0)
                mmi->ptMaxSize.Y = resolved_[4];
        }
        Message.Result = 0;
        break;
    }
    case platform::WM_WINDOWPOSCHANGING: {
        if (Message.LParam == 0 || !OnMoving)
            return;
        auto *pos = reinterpret_cast<KCLWINDOWPOS *>(Message.LParam);
        bool cancel = false;
        OnMoving(this, pos->x, pos->y, cancel);
        if (cancel)
            pos->flags |= KCL_SWP_NOMOVE;
        break;
    }
    case platform::WM_DISPLAYCHANGE:
        RecalcLimits();
        if (OnDisplayChange)
            OnDisplayChange(this, int(Message.LParam & 0xFFFF), int((Message.LParam >> 16) & 0xFFFF), int(Message.WParam));
        break;
    default:
        break;
    }
}

void TKCLFormPersistent::WndProc(TMessage &Message)
{
    if (Enabled()) {
        switch (Message.Msg) {
        case platform::WM_GETMINMAXINFO:
        case platform::WM_DISPLAYCHANGE:
            HandleSizeMessage(Message);
            break;
        case platform::WM_WINDOWPOSCHANGING:
            if (OnMoving)
                HandleSizeMessage(Message);
            break;
        case platform::WM_MOVE:
            if (OnMove)
                OnMove(this);
            break;
        case platform::WM_SIZE:
            if (OnSize)
                OnSize(this, int(Message.LParam & 0xFFFF), int((Message.LParam >> 16) & 0xFFFF), int(Message.WParam & 0xFFFF));
            break;
        case platform::WM_FONTCHANGE:
            if (OnFontChange)
                OnFontChange(this);
            break;
        case platform::WM_SYSCOLORCHANGE:
            if (OnSysColorChange)
                OnSysColorChange(this);
            break;
        default:
            break;
        }
    }
    TKCLWndProcComponent::WndProc(Message);
}

// --------------------------------------------------------------- life cycle

void TKCLFormPersistent::forcePositionDesigned()
{
    TCustomForm *f = ownerForm();
    if (f != nullptr && iniUse_ != ioNone && (saveOptions_.Contains(soPos) || saveOptions_.Contains(soSize)) &&
        f->Position() != platform::poDesigned)
        f->SetPosition(platform::poDesigned);
}

void TKCLFormPersistent::Loaded()
{
    forcePositionDesigned();
    TKCLWndProcComponent::Loaded();
}

void TKCLFormPersistent::Hook()
{
    forcePositionDesigned();
    TKCLWndProcComponent::Hook();
}

void TKCLFormPersistent::ReadState(platform::TReader &Reader)
{
    TKCLWndProcComponent::ReadState(Reader);
    ChainFormEvents();
}

void TKCLFormPersistent::ChainFormEvents()
{
    if (Designing() || !Enabled())
        return;
    TCustomForm *f = ownerForm();
    if (f == nullptr || chained_)
        return;
    restored_ = false;
    savedOnShow_ = f->OnShow;
    f->OnShow = TNotifyEvent::Bind<&TKCLFormPersistent::FormShowHook>(this);
    savedOnDestroy_ = f->OnDestroy;
    f->OnDestroy = TNotifyEvent::Bind<&TKCLFormPersistent::FormDestroyHook>(this);
    chained_ = true;
}

void TKCLFormPersistent::FormShowHook(TObject *Sender)
{
    TCustomForm *f = ownerForm();
    if (f != nullptr && !Designing() && Enabled() && !(options_.Contains(foRestoreOnce) && restored_)) {
        Restore();
        restored_ = true;
        switch (f->WindowState()) {
        case platform::wsNormal:
            if (resolved_[1] > 0 && f->Width() > resolved_[1])
                f->SetWidth(resolved_[1]);
            if (resolved_[0] > 0 && f->Height() > resolved_[0])
                f->SetHeight(resolved_[0]);
            if (resolved_[3] > 0 && f->Width() < resolved_[3])
                f->SetWidth(resolved_[3]);
            if (resolved_[2] > 0 && f->Height() < resolved_[2])
                f->SetHeight(resolved_[2]);
            break;
        case platform::wsMaximized:
            if (resolved_[6] > 0)
                f->SetLeft(resolved_[6]);
            if (resolved_[7] > 0)
                f->SetTop(resolved_[7]);
            if (resolved_[5] > 0)
                f->SetWidth(resolved_[5]);
            if (resolved_[4] > 0)
                f->SetHeight(resolved_[4]);
            break;
        case platform::wsMinimized:
            break;
        }
        if (options_.Contains(foTryAdaptRes))
            ScaleToScreen();
    }
    if (savedOnShow_)
        savedOnShow_(Sender);
}

void TKCLFormPersistent::FormDestroyHook(TObject *Sender)
{
    if (Enabled() && !Designing())
        Save();
    if (savedOnDestroy_)
        savedOnDestroy_(Sender);
}

void TKCLFormPersistent::ScaleToScreen()
{
    if (scaled_)
        return;
    TCustomForm *f = ownerForm();
    if (f == nullptr)
        return;
    scaled_ = true;
    formPPI_ = platform::SystemFacts().ScreenPixelsPerInch();
    if (formPPI_ != designPPI_ && formPPI_ > 0)
        scaleChildren(f, designPPI_, formPPI_);
}

// ---------------------------------------------------------------- placement

AnsiString TKCLFormPersistent::GetPlacementText() const
{
    KCLWINDOWPLACEMENT wp;
    KCLGetWindowPlacement(ownerForm(true), wp);
    const TRect &r = wp.rcNormalPosition;
    return KCLJoinIntegers({200, int32_t(wp.flags), int32_t(wp.showCmd), r.Left, r.Top, r.Right, r.Bottom},
                           KCLListSeparator);
}

namespace {

// Window coordinates beyond 16 bits are no screen position: a stored
// rectangle with such numbers is damaged data, and its sums would overflow.
constexpr int64_t PlacementLimit = 32767;

bool onScreenScale(int64_t v) { return v >= -PlacementLimit - 1 && v <= PlacementLimit; }

} // namespace

void TKCLFormPersistent::SetPlacementText(const AnsiString &Text)
{
    if (!saveOptions_.Contains(soPos) && !saveOptions_.Contains(soSize) && !saveOptions_.Contains(soState))
        return;
    TCustomForm *f = ownerForm();
    if (f == nullptr)
        return;
    if (f->Position() != platform::poDesigned)
        f->SetPosition(platform::poDesigned);
    KCLWINDOWPLACEMENT wp;
    KCLGetWindowPlacement(f, wp);
    platform::TStringList parts;
    KCLSplitString(Text, KCLListSeparator, &parts);
    if (parts.Count() == 7 && parts[0] == "200" && restorePlacement(f, wp, parts))
        return;
    if (options_.Contains(foAutoCenter))
        KCLCenterForm(f);
    if (OnNoRestoreData)
        OnNoRestoreData(this);
}

bool TKCLFormPersistent::restorePlacement(TCustomForm *f, KCLWINDOWPLACEMENT &wp, const platform::TStringList &parts)
{
    if (saveOptions_.Contains(soState)) {
        wp.flags = uint32_t(platform::StrToInt(parts[1]));
        wp.showCmd = uint32_t(platform::StrToInt(parts[2]));
        if (!options_.Contains(foAutoShow))
            wp.showCmd = KCL_SW_HIDE;
    }
    if (!saveOptions_.Contains(soPos) && !saveOptions_.Contains(soSize)) {
        KCLSetWindowPlacement(f, wp);
        return true;
    }
    // Sums in 64 bits: every corner must still be a screen coordinate.
    int64_t saved[4];
    for (int i = 0; i < 4; ++i) {
        saved[i] = platform::StrToInt(parts[3 + i]);
        if (!onScreenScale(saved[i]))
            return false;
    }
    const TRect &cur = wp.rcNormalPosition;
    int64_t left = cur.Left, top = cur.Top, right = cur.Right, bottom = cur.Bottom;
    if (saveOptions_.Contains(soPos)) {
        left = saved[0];
        top = saved[1];
        if (!saveOptions_.Contains(soSize)) {
            right = int64_t(f->Width()) + saved[0];
            bottom = int64_t(f->Height()) + saved[1];
        }
    }
    if (saveOptions_.Contains(soSize)) {
        if (saveOptions_.Contains(soPos)) {
            right = saved[2];
            bottom = saved[3];
        } else {
            right = int64_t(f->Left()) + (saved[2] - saved[0]);
            bottom = int64_t(f->Top()) + (saved[3] - saved[1]);
        }
    }
    // A rectangle turned inside out has no size to keep on the desktop.
    const int64_t w = right - left, h = bottom - top;
    if (w < 0 || h < 0)
        return false;
    // Keep the rectangle on the virtual desktop, whose left and top edges
    // are negative when a monitor lies left of or above the primary one. The
    // rectangle holds the window's inner size; its frame, once the window
    // system has framed it, reaches further right and down.
    const TRect desk = KCLVirtualDesktop();
    const QWidget *window = f->Widget();
    const int64_t frameX = std::max(0, window->frameGeometry().width() - window->width());
    const int64_t frameY = std::max(0, window->frameGeometry().height() - window->height());
    if (right + frameX > desk.Right) {
        right = desk.Right - frameX;
        left = right - w;
    }
    if (bottom + frameY > desk.Bottom) {
        bottom = desk.Bottom - frameY;
        top = bottom - h;
    }
    if (left < desk.Left) {
        left = desk.Left;
        right = left + w;
    }
    if (top < desk.Top) {
        top = desk.Top;
        bottom = top + h;
    }
    for (int64_t v : {left, top, right, bottom, w, h})
        if (!onScreenScale(v))
            return false;
    wp.rcNormalPosition = TRect{int(left), int(top), int(right), int(bottom)};
    KCLSetWindowPlacement(f, wp);
    return true;
}

void TKCLFormPersistent::Restore()
{
    switch (iniUse_) {
    case ioUseLink:
        RestoreFrom(dynamic_cast<IKCLValueStore *>(iniLink_));
        break;
    case ioUseGlobal:
        RestoreFrom(KCLGlobalValueStore());
        break;
    case ioNone:
        break;
    }
}

void TKCLFormPersistent::Save()
{
    switch (iniUse_) {
    case ioUseLink:
        SaveTo(dynamic_cast<IKCLValueStore *>(iniLink_));
        break;
    case ioUseGlobal:
        SaveTo(KCLGlobalValueStore());
        break;
    case ioNone:
        break;
    }
}

void TKCLFormPersistent::RestoreFrom(IKCLValueStore *IniCtrl)
{
    TCustomForm *f = ownerForm();
    if (IniCtrl == nullptr || f == nullptr)
        return;
    SetPlacementText(IniCtrl->ReadValue(section_, iniKey_, ""));
    if (saveOptions_.Contains(soColor)) {
        const AnsiString c = IniCtrl->ReadValue(section_, iniKey_ + "Color", "");
        if (!c.empty())
            f->SetColor(platform::StringToColor(c));
    }
    if (saveOptions_.Contains(soFont)) {
        const AnsiString s = IniCtrl->ReadValue(section_, iniKey_ + "Font", "");
        if (!s.empty())
            KCLStringToFont(s, f->Font());
    }
}

void TKCLFormPersistent::SaveTo(IKCLValueStore *IniCtrl)
{
    TCustomForm *f = ownerForm(true);
    if (IniCtrl == nullptr || f == nullptr)
        return;
    IniCtrl->WriteValue(section_, iniKey_, GetPlacementText());
    if (saveOptions_.Contains(soColor))
        IniCtrl->WriteValue(section_, iniKey_ + "Color", platform::ColorToString(f->Color()));
    else
        IniCtrl->DeleteValue(section_, iniKey_ + "Color");
    if (saveOptions_.Contains(soFont))
        IniCtrl->WriteValue(section_, iniKey_ + "Font", KCLFontToString(f->Font()));
    else
        IniCtrl->DeleteValue(section_, iniKey_ + "Font");
}
