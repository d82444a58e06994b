#include "browser/TaxonarWindowSupport.h"

#include "browser/TaxonarResources.h"
#include "platform/Cp1250.h"

#include <QPixmap>
#include <QTextEdit>
#include <QPrinter>

namespace taxonar {

using namespace platform;

AnsiString Pl(const char *utf8) { return Utf8ToAnsi(utf8); }

// ------------------------------------------------------------ rich-text view

TTaxonarRichEdit::TTaxonarRichEdit(TComponent *AOwner) : TWinControl(AOwner)
{
    view_ = new platform::TRichEdit();
    setWidget(view_, view_->Editor()->viewport());
    view_->resize(185, 89);
}

void TTaxonarRichEdit::LoadFromFile(const AnsiString &path) { view_->LoadFromFile(path); }

QString TTaxonarRichEdit::PlainText() const { return view_->Text(); }

void TTaxonarRichEdit::SetPlainText(const QString &text) { view_->SetText(text); }

// ----------------------------------------------------------------- printing

namespace {
TDocumentPrinter &documentPrinter()
{
    static TDocumentPrinter printer;
    return printer;
}
} // namespace

void SetDocumentPrinter(TDocumentPrinter printer) { documentPrinter() = std::move(printer); }

void PrintDocument(platform::TRichEdit &view, QPrinter &printer, const QString &jobTitle)
{
    if (documentPrinter())
        documentPrinter()(view, printer, jobTitle);
    else
        view.Print(printer, jobTitle);
}

// ------------------------------------------------------------ dialog frame

void SetUpDialogForm(TForm &form, int clientWidth, int clientHeight, const AnsiString &caption)
{
    form.SetBorderStyle(TFormBorderStyle::bsSingle);
    form.SetBorderIcons(TBorderIcons{biSystemMenu});
    form.SetKeyPreview(true);
    form.SetPosition(poMainFormCenter);
    form.SetColor(clBtnFace);
    form.Font().SetName("MS Sans Serif");
    form.Font().SetHeight(-11);
    form.SetCaption(caption);
    form.SetClientWidth(clientWidth);
    form.SetClientHeight(clientHeight);
    form.Widget()->setWindowIcon(ProgramWindowIcon());
}

// ------------------------------------------------------------------ pictures

QImage ProgramIconPicture()
{
    InitTaxonarResources();
    return QImage(QStringLiteral(":/images/rubrikon.png"));
}

QIcon ProgramWindowIcon()
{
    InitTaxonarResources();
    QIcon icon;
    for (const char *name : {":/images/rubrikon-16.png", ":/images/rubrikon-32.png", ":/images/rubrikon.png"}) {
        const QPixmap pixmap(QString::fromLatin1(name));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

QImage CloseGlyph()
{
    InitTaxonarResources();
    return QImage(QStringLiteral(":/images/CANCELCOLOR.png"));
}

QImage AcceptGlyph()
{
    InitTaxonarResources();
    return QImage(QStringLiteral(":/images/glyph-ok.png"));
}

QImage PrintGlyph()
{
    InitTaxonarResources();
    return QImage(QStringLiteral(":/images/glyph-print.png"));
}

// ------------------------------------------------------------ placing parts

TBitBtn *PlaceGlyphButton(TForm *form, const char *name, int left, int top, const char *caption, const QImage &glyph,
                          int modalResult)
{
    auto *button = PlaceControl<TBitBtn>(form, name, left, top, 75, 25);
    button->SetCaption(Pl(caption));
    button->SetGlyph(glyph);
    button->SetModalResult(modalResult);
    return button;
}

TBevel *PlaceSeparator(TForm *form, const char *name, int left, int top, int width)
{
    auto *bevel = PlaceControl<TBevel>(form, name, left, top, width, 2);
    bevel->SetShape(TBevelShape::bsTopLine);
    return bevel;
}

} // namespace taxonar
