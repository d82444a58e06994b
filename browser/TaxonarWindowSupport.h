// What the reader's small windows share: the dialog frame (fixed border,
// close box only, key preview, centred on the main window, button-face colour,
// the 8-point dialog font), the program's pictures from the resource file, a
// rich-text view placed as a control, and the printing of a document, which
// tests replace so that nothing reaches a real printer.
#pragma once

#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/ExtCtrls.h"
#include "platform/RichEdit.h"
#include "platform/StdCtrls.h"

#include <QIcon>
#include <QImage>
#include <QString>
#include <functional>

class QPrinter;

namespace taxonar {

using platform::AnsiString;

// Text of a UTF-8 literal as the CP1250 bytes the controls take.
AnsiString Pl(const char *utf8);

// The read-only rich-text view as a control of a form: a platform::TRichEdit
// (its widget) with bounds, parent and alignment like any other control.
class TTaxonarRichEdit : public platform::TWinControl {
    RBK_CLASS(TTaxonarRichEdit, platform::TWinControl)
public:
    explicit TTaxonarRichEdit(platform::TComponent *AOwner);
    platform::TRichEdit *RichEdit() const { return view_; }
    // Loads the file as RTF (platform::TRichEdit::LoadFromFile; raises
    // EFOpenError / EReadError and keeps the content when it cannot).
    void LoadFromFile(const AnsiString &path);
    // The whole text as shown, paragraphs separated by '\n'.
    QString PlainText() const;
    void SetPlainText(const QString &text);

private:
    platform::TRichEdit *view_;
};

// Prints a rich-text view to a printer under a job title. The default prints
// through platform::TRichEdit::Print; SetDocumentPrinter replaces it (an empty
// function restores the default).
using TDocumentPrinter = std::function<void(platform::TRichEdit &view, QPrinter &printer, const QString &jobTitle)>;
void SetDocumentPrinter(TDocumentPrinter printer);
void PrintDocument(platform::TRichEdit &view, QPrinter &printer, const QString &jobTitle);

// Escape closes a dialog window when it comes up, but only when it went down
// in that window: Escape that closed a window above it (the print dialog) or
// the open list of one of its combo boxes sends its key-up to this window too,
// and that key-up is not the user's asking to close it. The window reports
// its key-downs and key-ups here (its key preview sees both).
class TEscapeKeyWatch {
public:
    void KeyDown(uint16_t key)
    {
        if (key == platform::VK_ESCAPE)
            down_ = true;
    }
    // True for Escape's key-up after its key-down in the window.
    bool KeyUp(uint16_t key)
    {
        if (key != platform::VK_ESCAPE)
            return false;
        const bool wentDownHere = down_;
        down_ = false;
        return wentDownHere;
    }
    // The window is shown anew: nothing has gone down in it yet.
    void Reset() { down_ = false; }

private:
    bool down_ = false;
};

// Gives a dialog window the frame its kind of window has, with the given
// client size and caption (CP1250).
void SetUpDialogForm(platform::TForm &form, int clientWidth, int clientHeight, const AnsiString &caption);

// The 44 x 44 program picture and the title-bar icon (16, 32 and 44 pixels).
QImage ProgramIconPicture();
QIcon ProgramWindowIcon();
// The 16 x 16 glyphs of the dialog buttons: Close (the red cross), Accept
// (a tick) and Print (a printer).
QImage CloseGlyph();
QImage AcceptGlyph();
QImage PrintGlyph();

// Creates a control owned by and placed on the form, with its name and
// bounds.
template <class T>
T *PlaceControl(platform::TForm *form, const char *name, int left, int top, int width, int height)
{
    T *control = new T(form);
    control->SetName(name);
    control->SetParent(form);
    control->SetBounds(left, top, width, height);
    return control;
}

// A 75 x 25 button with a glyph, a caption (UTF-8) and a modal result.
platform::TBitBtn *PlaceGlyphButton(platform::TForm *form, const char *name, int left, int top,
                                    const char *caption, const QImage &glyph, int modalResult);
// The separator line above the buttons.
platform::TBevel *PlaceSeparator(platform::TForm *form, const char *name, int left, int top, int width);

} // namespace taxonar
