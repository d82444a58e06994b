// The class library's drawing layer on QPainter and QImage: colours, points
// and rectangles, fonts, brushes and pens, the canvas, and a bitmap.
//
// Colours are the library's 32-bit TColor: 0x00BBGGRR for an RGB value, and
// 0x80000000 | index for a system colour (the index is the Windows colour
// number: 5 window, 8 window text, 13 highlight ...). System colours are
// looked up in the application's QPalette when they are drawn, so the
// program follows the desktop's colour scheme.
//
// Fonts: a negative Height is the character height in pixels (the em size);
// a positive one is taken the same way (Qt has no cell-height request); Size
// is in points at the fixed 96 pixels per inch of this system. The font's
// Name stays the Windows family name; the QFont asks for the family with the
// same metrics (FontMap.h).
//
// The canvas draws with the Windows text-output rules the program relies
// on: TextOut and TextRect place the text's top-left corner (not its
// baseline) at (X, Y); unless the brush is clear, TextOut paints the text's
// background with the brush colour and TextRect fills the whole rectangle
// with it; TextRect clips the text to the rectangle. A canvas either owns a
// painter on an image (a bitmap's canvas) or borrows one while a control
// paints; text can be measured at any time.
//
// Measuring: every font (name, height, style, and the resolution of the
// device) is resolved once and kept for the life of the process with its font
// metrics, the widths of the texts measured in it lately, and its width model
// (TFontWidths). TextRect shapes only the part of a long text that can reach
// the rectangle, so a clipped cell of any length costs one line of text. A
// FillRect that repeats the last one (same rectangle, same opaque colour)
// with nothing drawn in between changes no pixel and is skipped.
#pragma once

#include "platform/Cp1250.h"
#include "platform/TypInfo.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

class QFontMetricsF;

namespace platform {

// ------------------------------------------------------------------ colours

using TColor = int32_t;

inline constexpr int32_t SystemColorFlag = int32_t(0x80000000u);

// Windows system colour numbers.
enum : int {
    COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4, COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6, COLOR_MENUTEXT = 7, COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10, COLOR_INACTIVEBORDER = 11, COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13, COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15, COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19, COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22, COLOR_INFOTEXT = 23, COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26, COLOR_GRADIENTACTIVECAPTION = 27, COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29, COLOR_MENUBAR = 30,
};

constexpr TColor SystemColor(int index) { return SystemColorFlag | index; }

inline constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
inline constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
inline constexpr TColor clMenu = SystemColor(COLOR_MENU);
inline constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
inline constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
inline constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
inline constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
inline constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
inline constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
inline constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
inline constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
inline constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
inline constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
inline constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
inline constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
inline constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clLtGray = 0xC0C0C0;
inline constexpr TColor clDkGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

constexpr TColor RGB(int r, int g, int b)
{
    return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }
constexpr bool IsSystemColor(TColor c) { return (c & SystemColorFlag) != 0; }

// The RGB value of a colour: system colours from the application's palette
// (a default palette when no application exists); palette-relative colours
// lose their flag byte; clNone and clDefault are returned unchanged.
TColor ColorToRGB(TColor color);
// The colour for drawing (clNone gives a transparent colour).
QColor TColorToQColor(TColor color);
TColor QColorToTColor(const QColor &color);

// ------------------------------------------------------ points, rectangles

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint &, const TPoint &) = default;
};

// Right and Bottom lie just outside the rectangle, as in the library.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(const TPoint &p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect &r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
    friend bool operator==(const TRect &, const TRect &) = default;
};

inline TPoint Point(int x, int y) { return {x, y}; }
inline TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// ----------------------------------------------------- fonts, brush, pen

enum class TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using enum TFontStyle;

using TFontStyles = TSet<TFontStyle>;

// Pixels per inch of the screen as the library sees it.
inline constexpr int ScreenPixelsPerInch = 96;

class TFont {
public:
    TFont();
    TFont(const TFont &other);
    TFont &operator=(const TFont &other);
    void Assign(const TFont &other) { *this = other; }

    const AnsiString &Name() const { return name_; }
    void SetName(const AnsiString &name);
    int Height() const { return height_; }
    void SetHeight(int height);
    // Points: -Height * 72 / 96, rounded; setting it sets Height.
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    QFont ToQFont() const;

    // Called after every change (the owning control or canvas re-applies
    // the font); not copied by assignment.
    std::function<void()> OnChange;

private:
    void changed();
    AnsiString name_;
    int height_;
    TFontStyles style_;
    TColor color_;
};

enum class TBrushStyle : uint8_t { bsSolid, bsClear };
using enum TBrushStyle;

class TBrush {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    void Assign(const TBrush &other) { color_ = other.color_; style_ = other.style_; changed(); }
    std::function<void()> OnChange;

private:
    void changed() { if (OnChange) OnChange(); }
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

enum class TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
using enum TPenStyle;

class TPen {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    void Assign(const TPen &other) { color_ = other.color_; width_ = other.width_; style_ = other.style_; changed(); }
    std::function<void()> OnChange;

private:
    void changed() { if (OnChange) OnChange(); }
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
};

// ---------------------------------------------------------- width model

// A model of the canvas's TextWidth in one font for single-byte text, for
// callers that measure a string again after every character they add.
// TextWidth shapes the whole string and rounds the sum of its glyph advances,
// kerning included; the model keeps each character's advance and each pair's
// adjustment (the width of the pair less its two advances) in 1/64 pixel,
// measured once per font through TextWidth's own route, so the width of a
// growing string costs O(1) per added character. It equals TextWidth for
// fonts whose shaping acts on pairs of characters (kerning, two-letter
// ligatures); for anything else it is an estimate, so a caller confirms each
// decision it takes on it with TextWidth.
class TFontWidths {
public:
    explicit TFontWidths(const QFontMetricsF &metrics);
    // Whether the model covers a byte: control characters (tab stops, line
    // separators), the soft hyphen and the code page's undefined bytes are
    // measured differently within a string than alone.
    static bool Modelled(unsigned char c);
    int32_t Advance(unsigned char c) const;
    // The adjustment of the pair ab.
    int32_t Pair(unsigned char a, unsigned char b) const;
    // Pixels of a sum of advances, rounded as TextWidth rounds.
    static int Pixels(int64_t fixed) { return fixed >= 0 ? int((fixed + 32) >> 6) : -int((-fixed + 32) >> 6); }

private:
    int32_t measure(std::u16string_view text) const;
    const QFontMetricsF &metrics_;
    mutable int32_t advances_[256];
    mutable std::unique_ptr<int16_t[]> pairs_; // 256 x 256, filled as asked
};

// ------------------------------------------------------------------- canvas

class TCanvas {
public:
    TCanvas();
    virtual ~TCanvas();
    TCanvas(const TCanvas &) = delete;
    TCanvas &operator=(const TCanvas &) = delete;

    TFont &Font() { return font_; }
    const TFont &Font() const { return font_; }
    void SetFont(const TFont &font) { font_ = font; }
    TBrush &Brush() { return brush_; }
    TPen &Pen() { return pen_; }
    TPoint PenPos() const { return penPos_; }
    void SetPenPos(TPoint p) { penPos_ = p; }

    // Drawing; each does nothing while the canvas has no painter.
    void FillRect(const TRect &r);
    void FrameRect(const TRect &r);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect &r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void MoveTo(int x, int y) { penPos_ = {x, y}; }
    void LineTo(int x, int y);
    void TextOut(int x, int y, const AnsiString &text);
    void TextRect(const TRect &r, int x, int y, const AnsiString &text);
    // TextRect held back until the next drawing call: a FillRect with an
    // opaque solid brush over the whole rectangle drops it unseen (as when a
    // control's default drawing of a cell is painted over by its owner);
    // anything else draws it first, as it would have been. FlushDeferred
    // (and EndPaint) draws one still held.
    void DeferTextRect(const TRect &r, int x, int y, const AnsiString &text);
    void FlushDeferred();
    void Draw(int x, int y, const QImage &image);
    void StretchDraw(const TRect &r, const QImage &image);
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // Measuring, in the current font.
    int TextWidth(std::string_view text) const;
    int TextHeight(const AnsiString &text) const;
    TPoint TextExtent(const AnsiString &text) const;
    // The width model of the current font.
    const TFontWidths &FontWidths() const;

    // The painter the canvas draws with (nullptr when none).
    QPainter *Painter() const { return painter_; }
    bool HandleAllocated() const { return painter_ != nullptr; }

    // A control's canvas borrows the control's painter during its paint.
    void BeginPaint(QPainter *painter);
    void EndPaint();
    // Measures as on a device without drawing on it (until EndPaint).
    void BeginMeasure(const QPaintDevice *device);
    // While drawing is suspended the drawing calls draw nothing (TextOut
    // still moves the pen) and measuring goes on as on the painter's device:
    // a control runs its drawing code this way to learn what it would do.
    void SetDrawingSuspended(bool value) { suspended_ = value; }
    bool DrawingSuspended() const { return suspended_; }

protected:
    // A canvas over an image of its own (the bitmap's) starts its painter on
    // the first drawing call; the default has none.
    virtual QPainter *ensurePainter() { return painter_; }

    struct FontEntry;

private:
    // The resolved current font on the current device.
    FontEntry &fontEntry() const;
    QPainter *drawingPainter();
    // The front of a text that can show within `room` pixels of its start.
    std::string_view visiblePart(std::string_view text, int room) const;
    QColor penColor() const;
    void applyPen();
    QPainter *painter_ = nullptr;
    TFont font_;
    TBrush brush_;
    TPen pen_;
    TPoint penPos_;
    mutable FontEntry *entry_ = nullptr;
    struct DeferredText {
        TRect rect;
        int x, y;
        AnsiString text;
        TFont font;
        TColor brushColor;
        TBrushStyle brushStyle;
    };
    std::unique_ptr<DeferredText> deferred_;
    // The last FillRect while nothing else has been drawn after it.
    struct LastFill {
        bool valid = false;
        TRect rect;
        QRgb rgb = 0;
    } lastFill_;
    const QPaintDevice *device_ = nullptr; // measured on: the painter's, or BeginMeasure's
    int dpiX_ = 0; // of that device, read when it comes
    int dpiY_ = 0;
    bool suspended_ = false;
};

// A bitmap: a 32-bit RGB image with a canvas drawing on it.
class TBitmap {
public:
    TBitmap();
    ~TBitmap();
    TBitmap(const TBitmap &) = delete;
    TBitmap &operator=(const TBitmap &) = delete;

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    void SetWidth(int w) { SetSize(w, Height()); }
    void SetHeight(int h) { SetSize(Width(), h); }
    // Resizing keeps the top-left content and fills new space with white.
    void SetSize(int w, int h);
    bool Empty() const { return image_.isNull(); }
    TCanvas &Canvas();
    void Assign(const TBitmap &other);
    // Any image format Qt reads; raises EFOpenError when unreadable.
    void LoadFromFile(const AnsiString &path);
    void LoadFromImage(const QImage &image);
    // The image, with every pending drawing of the canvas finished.
    const QImage &Image() const;
    // The colour of the bottom-left pixel, the library's transparent colour.
    TColor TransparentColor() const;

private:
    class BitmapCanvas;
    void releaseCanvas();
    QImage image_;
    std::unique_ptr<BitmapCanvas> canvas_;
};

} // namespace platform
