// Forms and the application object.
//
// TCustomForm / TForm: a top-level Qt window with an inner client widget
// that holds the form's controls (below the main menu when the form has
// one). Width and Height are the window's size, ClientWidth/ClientHeight
// those of the client area. A form is created hidden.
//   - Show() shows it modelessly; ShowModal() shows it application-modal,
//     runs a local event loop until ModalResult becomes non-zero (a button
//     with a ModalResult, the close box = mrCancel, or code), hides it and
//     returns ModalResult.
//   - Position is applied at each showing: poScreenCenter centres the window
//     on the primary screen, poMainFormCenter on the application's main form
//     (on the screen when there is none or the form is the main form).
//   - Small screens: at each showing (after OnShow, which may restore a saved
//     placement) a window larger than the work area of its monitor shrinks
//     to that work area and its top-left corner is kept on it (the whole
//     window when it had to shrink); a window that fits is left alone.
//     Minimum track sizes never exceed the work area either.
//   - BorderStyle bsSingle/bsDialog/bsToolWindow fix the window's size when
//     it is shown; bsNone has no frame.
//   - KeyPreview: the form's OnKeyDown/OnKeyUp see every key of its controls
//     first; a handler that sets the key to 0 keeps it from the control.
//   - Enter (when the focused control is not a button) clicks the visible,
//     enabled Default button; Esc clicks the Cancel button.
//   - Size limits: before the first showing and after every change of size
//     or screen the form sends itself WM_GETMINMAXINFO (defaults: no
//     minimum, no maximum); the answer's track sizes become the window's
//     minimum and maximum size, so a minimum above the current size grows
//     the window. Screen changes send WM_DISPLAYCHANGE.
//
// TApplication (the global `Application`): title, main form (the first form
// created through CreateForm), Run / Terminate, ProcessMessages, the hint of
// the control under the mouse (long part, OnHint), and the exception
// handler: an exception that leaves an event handler reaches
// HandleException, which calls OnException when assigned and otherwise shows
// the message in a message box. Test hooks: ExceptionRecorder (records the
// message instead of showing it), MessageBoxHook (answers message boxes)
// and ModalHook (called once each time a modal loop has started, so a test
// can answer the window).
#pragma once

#include "platform/Controls.h"

#include <functional>
#include <new>
#include <map>
#include <vector>

class QEventLoop;
class QMenuBar;

// g++ 12 takes a delete through TCustomForm's destroying operator delete for a
// mismatch with the allocation (-Wmismatched-new-delete), although both are
// the class's own pair; the warning is wrong for destroying deletes, so it is
// off wherever forms are used.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace platform {

class TMainMenu;

// Modal results.
enum : int {
    mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
    mrAll = 8, mrNoToAll = 9, mrYesToAll = 10,
};
using TModalResult = int;

enum class TFormBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TBorderIcon : uint8_t { biSystemMenu, biMinimize, biMaximize, biHelp };
using enum TBorderIcon;
using TBorderIcons = TSet<TBorderIcon>;
enum class TPosition : uint8_t {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter,
};
using enum TPosition;
enum class TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
using enum TWindowState;
enum class TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;

using TCloseEvent = TMethod<void(TObject *Sender, TCloseAction &Action)>;
using TCloseQueryEvent = TMethod<void(TObject *Sender, bool &CanClose)>;
using TCanResizeEvent = TMethod<void(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize)>;

// "Cannot make a visible window modal" and similar misuse.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

class FormWindow;

// A monitor of the desktop: its number, its rectangle on the desktop and its
// work area (the rectangle less the desktop's panels).
class TMonitor {
public:
    TMonitor() = default;
    TMonitor(int num, const TRect &bounds, bool primary)
        : MonitorNum(num), BoundsRect(bounds), WorkareaRect(bounds), Primary(primary)
    {
    }
    TMonitor(int num, const TRect &bounds, const TRect &workarea, bool primary)
        : MonitorNum(num), BoundsRect(bounds), WorkareaRect(workarea), Primary(primary)
    {
    }
    int Left() const { return BoundsRect.Left; }
    int Top() const { return BoundsRect.Top; }
    int Width() const { return BoundsRect.Right - BoundsRect.Left; }
    int Height() const { return BoundsRect.Bottom - BoundsRect.Top; }
    int MonitorNum = 0;
    TRect BoundsRect;
    TRect WorkareaRect;
    bool Primary = false;
};

class TCustomForm : public TWinControl {
    RBK_CLASS(TCustomForm, TWinControl)
public:
    explicit TCustomForm(TComponent *AOwner);
    ~TCustomForm() override;
    // Runs OnDestroy (once) while the form and its components are whole.
    void BeforeDestruction() override;
    // A plain delete of a form (of any form class) runs BeforeDestruction
    // before the destructors, as Free() does.
    void operator delete(TCustomForm *form, std::destroying_delete_t);
    // The allocation that pairs with it (the global one), and the release of
    // a form whose constructor failed.
    static void *operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void *memory) { ::operator delete(memory); }

    QWidget *ContainerWidget() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetVisible(bool value) override;

    void Show();
    void Hide();
    // Closes the form: a modal form gets ModalResult mrCancel; otherwise
    // OnCloseQuery and OnClose decide (caHide hides, caFree releases,
    // caMinimize minimizes); closing the main form ends the application.
    void Close();
    TModalResult ShowModal();
    // Frees the form once the current event has been handled.
    void Release();
    bool Modal() const { return modalLoop_ != nullptr; }

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value);

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState value);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }
    TMainMenu *Menu() const { return menu_; }
    void SetMenu(TMainMenu *menu);
    TWinControl *ActiveControl() const;
    void SetActiveControl(TWinControl *control);

    // Handles Enter and Esc for the dialog buttons; true when it did.
    virtual bool DialogKey(uint16_t key, TWinControl *sender);
    // Asks for the size limits again (WM_GETMINMAXINFO) and applies them.
    void UpdateSizeLimits();
    // The monitor that holds the centre of the form's window (the first
    // monitor when none does).
    TMonitor Monitor() const;

    void WndProc(TMessage &Message) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TCanResizeEvent OnCanResize;

protected:
    void captionChanged() override;
    void colorChanged() override;
    virtual void DoShow();
    virtual void DoHide();
    // Runs OnCreate / OnDestroy (for form classes whose constructor and
    // destructor stand for the form's creation and destruction). OnDestroy
    // runs once per form: when the form class has not run it, destroying a
    // form on the heap (delete, Free, Release, its owner) runs it before any
    // destructor, while the form and its components are whole and not yet
    // marked as being destroyed. A form that is a local or member object
    // gets no OnDestroy unless its class runs DoDestroy.
    void DoCreate();
    void DoDestroy();
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    friend class FormWindow;
    void handleCloseEvent();
    void applyPosition();
    void keepOnWorkArea();
    TPoint frameExtra() const;
    void applyWindowFlags();
    void layoutClient();
    FormWindow *window_;
    QWidget *client_;
    QEventLoop *modalLoop_ = nullptr;
    TMainMenu *menu_ = nullptr;
    TModalResult modalResult_ = mrNone;
    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    bool keyPreview_ = false;
    bool limitsBusy_ = false;
    bool shownOnce_ = false;
    bool destroyDone_ = false;
};

class TForm : public TCustomForm {
    RBK_CLASS(TForm, TCustomForm)
public:
    explicit TForm(TComponent *AOwner) : TCustomForm(AOwner) {}
};

using TExceptionEvent = TMethod<void(TObject *Sender, const std::exception &E)>;

// Message-box flags and answers.
enum : int {
    MB_OK = 0, MB_OKCANCEL = 1, MB_YESNOCANCEL = 3, MB_YESNO = 4, MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
    IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7,
};

class TApplication : public TComponent {
    RBK_CLASS(TApplication, TComponent)
public:
    explicit TApplication(TComponent *AOwner);
    ~TApplication() override;

    const AnsiString &Title() const { return title_; }
    void SetTitle(const AnsiString &value);
    TCustomForm *MainForm() const { return mainForm_; }
    void SetMainForm(TCustomForm *form) { mainForm_ = form; }

    // Creates a form owned by the application; the first becomes MainForm.
    template <class T>
    void CreateForm(T *&reference)
    {
        T *form = new T(this);
        reference = form;
        if (!mainForm_)
            mainForm_ = form;
    }

    // Readies the system for the program's windows: the Windows font names
    // resolve to families with the same metrics (FontMap.h), and Qt's own
    // dialogs and standard buttons speak Polish (Qt's Polish translation is
    // installed when the system has it). Needs the QApplication; a second
    // call changes nothing.
    void Initialize();
    // Shows the main form and processes events until Terminate (closing the
    // main form terminates). Only that ends the program: windows closing, the
    // last one among them, never ask the event loop to quit.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    void ProcessMessages();

    void HandleException(const std::exception *E);
    void ShowException(const AnsiString &message);
    TExceptionEvent OnException;

    // The long hint of the control under the mouse.
    const AnsiString &Hint() const { return hint_; }
    void SetHint(const AnsiString &value);
    TNotifyEvent OnHint;
    // Components that show the hint (status bars) register here.
    void AddHintSink(const void *key, std::function<void(const AnsiString &)> sink);
    void RemoveHintSink(const void *key);

    int MessageBox(const AnsiString &text, const AnsiString &caption, int flags);

    // Test hooks (see the header comment).
    std::function<void(const AnsiString &message)> ExceptionRecorder;
    std::function<int(const AnsiString &text, const AnsiString &caption, int flags)> MessageBoxHook;
    std::function<void(TCustomForm *form)> ModalHook;

private:
    friend class TCustomForm;
    AnsiString title_;
    AnsiString hint_;
    TCustomForm *mainForm_ = nullptr;
    bool terminated_ = false;
    bool running_ = false;
    std::map<const void *, std::function<void(const AnsiString &)>> hintSinks_;
};

extern TApplication *Application;

// The desktop as the forms see it: its monitors (from Qt's screens, the
// primary one first), its forms in creation order and the active form.
class TScreen {
public:
    int MonitorCount() const;
    // Index out of range: an empty monitor.
    TMonitor Monitors(int Index) const;
    int FormCount() const;
    TCustomForm *Forms(int Index) const;
    // The form whose window is active, or nil.
    TCustomForm *ActiveForm() const;

    // The monitor that holds the centre of the rectangle (the first monitor
    // when none does).
    TMonitor MonitorFromRect(const TRect &Rect) const;

    // Tests: when set, the monitors' rectangles (the first is the primary),
    // and their work areas in the same order (when not set, or for a monitor
    // it has no entry for, the work area is the whole monitor).
    std::function<std::vector<TRect>()> MonitorSource;
    std::function<std::vector<TRect>()> WorkAreaSource;

private:
    friend class TCustomForm;
    std::vector<TCustomForm *> forms_;
};

extern TScreen *Screen;

// The window that standard dialogs (print, message boxes) are parented to:
// the form that owns the dialog's component when it is shown, else the
// window of the running modal loop, else the active window, else the shown
// main form, else the last created form that is shown; nil when there is
// none. A dialog with a parent window stays
// above it and its closing is never taken for the last window closing.
QWidget *DialogParentWidget(const TComponent *owner = nullptr);

// A window rectangle kept on a work area: a rectangle that fits with its
// top-left corner on the area stays as it is (even when it reaches beyond the
// area's right or bottom edge); one whose corner is off the area is moved
// wholly onto it; a wider or taller one shrinks to the area's width or height
// and is moved wholly onto it that way.
// FrameExtra is what the window's frame adds to the rectangle's width and
// height (the rectangle itself is the frame's top-left corner and the
// window's inner size).
TRect KeepRectOnWorkArea(const TRect &Rect, const TRect &WorkArea, const TPoint &FrameExtra = {});

// A window rectangle kept on the desktop that the monitors' work areas form
// together: a frame that lies wholly on them stays as it is, even across
// monitors. A window across several monitors has only what lies beyond them
// brought back when that leaves it wholly on them; otherwise it is kept on
// the one work area it overlaps most (KeepRectOnWorkArea), or on the nearest
// work area when it overlaps none.
TRect KeepRectOnWorkAreas(const TRect &Rect, const std::vector<TRect> &WorkAreas, const TPoint &FrameExtra = {});

// The primary screen's size.
int ScreenWidth();
int ScreenHeight();

} // namespace platform
