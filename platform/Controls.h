// The class library's control layer on Qt widgets: window messages, keys and
// cursors, TControl (a component that wraps one QWidget) and TWinControl (a
// control that holds child controls and lays them out by their alignment).
//
// Messages. Each control has a WindowProc, a replaceable method pointer that
// receives every message of the control; its default is the control's own
// WndProc, which fires the control's events and ends in DefaultHandler. Qt
// events of the control's widget become messages with the Windows numbers:
// resize -> WM_SIZE (WParam the size type, LParam width | height << 16),
// move -> WM_MOVE, show/hide -> WM_SHOWWINDOW, keys -> WM_KEYDOWN/WM_KEYUP
// (WParam the virtual-key code), mouse -> WM_MOUSEMOVE, WM_xBUTTONDOWN/UP,
// WM_LBUTTONDBLCLK (WParam the MK_ flags, LParam x | y << 16 in client
// pixels), focus -> WM_SETFOCUS/WM_KILLFOCUS, mouse enter/leave ->
// CM_MOUSEENTER/CM_MOUSELEAVE, palette and font changes ->
// WM_SYSCOLORCHANGE/WM_FONTCHANGE. A key or mouse message whose handling
// never reaches DefaultHandler (a hook that swallows it) is not given to Qt.
// Key messages are raised only at the widget that has the focus (not again
// while Qt propagates an ignored key to the parents).
//
// Events that a handler raises as exceptions go to the application object's
// exception handler (Forms.h), never through Qt's event loop.
//
// Alignment. A TWinControl places its children whose Align is not alNone in
// the class library's order: alTop from the top down, then alBottom from the
// bottom up, alLeft, alRight, and alClient in what is left; children of one
// alignment keep the order of their positions (ties: the order in which they
// were added). Hidden children take no room. The layout runs when the
// container changes size and when a child's bounds, alignment or visibility
// change. Width 0 and no alignment give a control no area at all.
//
// Ownership: a control owns its widget. A TWinControl destroys its child
// controls when it is destroyed, as the class library does; the children
// leave their owner's component list as they go.
#pragma once

#include "platform/Components.h"
#include "platform/Graphics.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <vector>

class QEvent;

namespace platform {

// ------------------------------------------------------------------ messages

struct TMessage {
    uint32_t Msg = 0;
    intptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

enum : uint32_t {
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_ENABLE = 0x000A,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_SYSCOLORCHANGE = 0x0015,
    WM_SHOWWINDOW = 0x0018,
    WM_FONTCHANGE = 0x001D,
    WM_GETMINMAXINFO = 0x0024,
    WM_WINDOWPOSCHANGING = 0x0046,
    WM_DISPLAYCHANGE = 0x007E,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_TIMER = 0x0113,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_MOUSEWHEEL = 0x020A,
    WM_THEMECHANGED = 0x031A,
    CM_BASE = 0xB000,
    CM_MOUSEENTER = CM_BASE + 19,
    CM_MOUSELEAVE = CM_BASE + 20,
    CM_RECREATEWND = CM_BASE + 51,
};

// WM_SIZE size types.
enum : int { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };
// Mouse-message key flags.
enum : int { MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8, MK_MBUTTON = 0x10 };

// The answer of WM_GETMINMAXINFO (LParam points to it).
struct MINMAXINFO {
    TPoint ptReserved;
    TPoint ptMaxSize;
    TPoint ptMaxPosition;
    TPoint ptMinTrackSize;
    TPoint ptMaxTrackSize;
};

inline intptr_t MakeLParam(int lo, int hi) { return intptr_t(uint32_t((lo & 0xFFFF) | ((hi & 0xFFFF) << 16))); }
inline int LoWordSigned(intptr_t v) { return int(int16_t(uint16_t(v & 0xFFFF))); }
inline int HiWordSigned(intptr_t v) { return int(int16_t(uint16_t((v >> 16) & 0xFFFF))); }

using TWndMethod = TMethod<void(TMessage &Message)>;

// ------------------------------------------------------- keys, mouse, cursor

enum : uint16_t {
    VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
    VK_PAUSE = 19, VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34,
    VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40,
    VK_INSERT = 45, VK_DELETE = 46, VK_NUMPAD0 = 96, VK_F1 = 112,
};

// The virtual-key code of a Qt key (0 when it has none).
uint16_t QtKeyToVirtualKey(int qtKey);

enum class TShiftStateElem : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using enum TShiftStateElem;
using TShiftState = TSet<TShiftStateElem>;

// The shift state of the key or mouse message being handled.
TShiftState CurrentMessageShift();

enum class TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
using enum TMouseButton;

using TCursor = int16_t;
enum : TCursor {
    crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
    crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
    crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
    crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22,
};
Qt::CursorShape CursorToQt(TCursor cursor);

using TKeyEvent = TMethod<void(TObject *Sender, uint16_t &Key, TShiftState Shift)>;
using TKeyPressEvent = TMethod<void(TObject *Sender, char &Key)>;
using TMouseEvent = TMethod<void(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TMethod<void(TObject *Sender, TShiftState Shift, int X, int Y)>;

enum class TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using enum TAlign;

enum class TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;

// The parts of a hint "short|long": the short part is the text before the
// first "|", the long part the text after it; a hint without "|" is both.
AnsiString GetShortHint(const AnsiString &hint);
AnsiString GetLongHint(const AnsiString &hint);

// Hands an exception that left an event handler to the application object
// (Forms.cpp). Event dispatch from Qt goes through SafeCall.
void HandleEventException(const std::exception *e);
template <class F>
void SafeCall(F &&f)
{
    try {
        f();
    } catch (const std::exception &e) {
        HandleEventException(&e);
    } catch (...) {
        HandleEventException(nullptr);
    }
}

// ------------------------------------------------------------------- control

class TWinControl;
class TCustomForm;
class ControlBridge;

class TControl : public TComponent {
    RBK_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent *AOwner);
    ~TControl() override;

    // The control's widget (its outer widget; never nil while it lives).
    QWidget *Widget() const { return widget_; }

    TWinControl *Parent() const { return parent_; }
    virtual void SetParent(TWinControl *AParent);
    bool HasParent() const override { return true; }
    TComponent *GetParentComponent() const override;
    void SetParentComponent(TComponent *Value) override;

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(Left(), Top(), Width(), Height()); }
    virtual int ClientWidth() const;
    virtual int ClientHeight() const;
    void SetClientWidth(int v);
    void SetClientHeight(int v);
    TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }

    TAlign Align() const { return align_; }
    void SetAlign(TAlign value);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, with every parent visible and the window shown.
    bool Showing() const;

    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool value);

    const AnsiString &Caption() const { return caption_; }
    void SetCaption(const AnsiString &value);
    // The edit controls' Text is their caption.
    const AnsiString &Text() const { return Caption(); }
    void SetText(const AnsiString &value) { SetCaption(value); }

    TFont &Font() { return font_; }
    const TFont &Font() const { return font_; }
    void SetFont(const TFont &value) { font_ = value; }
    // A control with ParentFont takes its parent's font, and follows it,
    // until its own font is changed.
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);

    const AnsiString &Hint() const { return hint_; }
    void SetHint(const AnsiString &value);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);

    // The message path.
    TWndMethod WindowProc;
    virtual void WndProc(TMessage &Message);
    virtual void DefaultHandler(TMessage &Message);
    intptr_t Perform(uint32_t Msg, intptr_t WParam = 0, intptr_t LParam = 0);

    void Invalidate();
    void Repaint();
    void Update();
    void BringToFront();
    void SendToBack();

    // Fires OnClick.
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnResize;

protected:
    // Adopts the control's widget; `input` (default: the widget itself) is
    // the widget whose mouse events count as the control's (a scroll area's
    // viewport).
    void setWidget(QWidget *widget, QWidget *input = nullptr);
    virtual void captionChanged() {}
    virtual void fontChanged();
    virtual void colorChanged() {}
    // Whether a left press and release inside the control count as a click
    // (controls with a Qt click signal of their own say no).
    virtual bool clicksOnMouseUp() const { return true; }
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void requestParentAlign();

    virtual void DoMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseMove(TShiftState shift, int x, int y);

private:
    friend class ControlBridge;
    friend class TWinControl;
    bool dispatchQtEvent(QObject *watched, QEvent *event);
    void applyToolTip();
    bool parentFontInherit() const { return parentFont_; }
    void inheritFont(const TFont &font);
    void fontEdited();

    QPointer<QWidget> widget_;
    QPointer<QWidget> input_;
    ControlBridge *bridge_ = nullptr;
    TWinControl *parent_ = nullptr;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    bool showHint_ = false;
    bool clicked_ = false;
    bool defaultReached_ = false;
    bool parentFont_ = true;
    bool inheritingFont_ = false;
    AnsiString caption_;
    AnsiString hint_;
    TFont font_;
    TColor color_ = clBtnFace;
    TCursor cursor_ = crDefault;
};

class TWinControl : public TControl {
    RBK_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent *AOwner);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl *Controls(int index) const { return controls_.at(size_t(index)); }

    // The widget that holds the children (the widget itself unless a
    // control has an inner client area).
    virtual QWidget *ContainerWidget() const { return Widget(); }
    // The area the alignment layout fills, in container coordinates.
    virtual TRect AlignRect() const;
    // Lays the aligned children out now.
    void Realign();
    void DisableAlign() { ++alignLock_; }
    void EnableAlign();

    bool Focused() const;
    bool CanFocus() const;
    virtual void SetFocus();
    void WndProc(TMessage &Message) override;

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    virtual void DoKeyDown(uint16_t &key, TShiftState shift);
    virtual void DoKeyUp(uint16_t &key, TShiftState shift);
    virtual void AlignControls(TRect &rect);

private:
    friend class TControl;
    friend class TCustomForm;
    void insertControl(TControl *c);
    void removeControl(TControl *c);
    std::vector<TControl *> controls_;
    int alignLock_ = 0;
    bool aligning_ = false;
    bool alignPending_ = false;
};

// The form a control lies on (nil when none).
TCustomForm *GetParentForm(const TControl *control);

} // namespace platform
