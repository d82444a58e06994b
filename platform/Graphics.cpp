#include "platform/Graphics.h"
#include "platform/FontMap.h"
#include "platform/SysUtils.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPalette>
#include <cmath>
#include <unordered_map>

namespace platform {

// ------------------------------------------------------------------ colours

namespace {

QPalette currentPalette()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QGuiApplication::palette();
    return QPalette();
}

QColor systemColor(int index)
{
    const QPalette pal = currentPalette();
    switch (index) {
    case COLOR_SCROLLBAR: return pal.color(QPalette::Button);
    case COLOR_BACKGROUND: return pal.color(QPalette::Window);
    case COLOR_ACTIVECAPTION: return pal.color(QPalette::Highlight);
    case COLOR_INACTIVECAPTION: return pal.color(QPalette::Mid);
    case COLOR_MENU: return pal.color(QPalette::Window);
    case COLOR_WINDOW: return pal.color(QPalette::Base);
    case COLOR_WINDOWFRAME: return pal.color(QPalette::Shadow);
    case COLOR_MENUTEXT: return pal.color(QPalette::WindowText);
    case COLOR_WINDOWTEXT: return pal.color(QPalette::Text);
    case COLOR_CAPTIONTEXT: return pal.color(QPalette::HighlightedText);
    case COLOR_ACTIVEBORDER: return pal.color(QPalette::Window);
    case COLOR_INACTIVEBORDER: return pal.color(QPalette::Window);
    case COLOR_APPWORKSPACE: return pal.color(QPalette::Dark);
    case COLOR_HIGHLIGHT: return pal.color(QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT: return pal.color(QPalette::HighlightedText);
    case COLOR_BTNFACE: return pal.color(QPalette::Button);
    case COLOR_BTNSHADOW: return pal.color(QPalette::Dark);
    case COLOR_GRAYTEXT: return pal.color(QPalette::Disabled, QPalette::Text);
    case COLOR_BTNTEXT: return pal.color(QPalette::ButtonText);
    case COLOR_INACTIVECAPTIONTEXT: return pal.color(QPalette::WindowText);
    case COLOR_BTNHIGHLIGHT: return pal.color(QPalette::Light);
    case COLOR_3DDKSHADOW: return pal.color(QPalette::Shadow);
    case COLOR_3DLIGHT: return pal.color(QPalette::Midlight);
    case COLOR_INFOTEXT: return pal.color(QPalette::ToolTipText);
    case COLOR_INFOBK: return pal.color(QPalette::ToolTipBase);
    case COLOR_HOTLIGHT: return pal.color(QPalette::Link);
    case COLOR_GRADIENTACTIVECAPTION: return pal.color(QPalette::Highlight);
    case COLOR_GRADIENTINACTIVECAPTION: return pal.color(QPalette::Mid);
    case COLOR_MENUHILIGHT: return pal.color(QPalette::Highlight);
    case COLOR_MENUBAR: return pal.color(QPalette::Window);
    default: return QColor(0, 0, 0);
    }
}

} // namespace

TColor ColorToRGB(TColor color)
{
    if (color == clNone || color == clDefault)
        return color;
    if (IsSystemColor(color))
        return QColorToTColor(systemColor(color & 0xFF));
    return color & 0x00FFFFFF;
}

QColor TColorToQColor(TColor color)
{
    if (color == clNone)
        return QColor(0, 0, 0, 0);
    if (color == clDefault)
        return systemColor(COLOR_WINDOW);
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor QColorToTColor(const QColor &color)
{
    return RGB(color.red(), color.green(), color.blue());
}

// -------------------------------------------------------------------- fonts

TFont::TFont() : name_("MS Sans Serif"), height_(-11), color_(clWindowText) {}

TFont::TFont(const TFont &other)
    : name_(other.name_), height_(other.height_), style_(other.style_), color_(other.color_)
{
}

TFont &TFont::operator=(const TFont &other)
{
    if (this != &other) {
        name_ = other.name_;
        height_ = other.height_;
        style_ = other.style_;
        color_ = other.color_;
        changed();
    }
    return *this;
}

void TFont::changed()
{
    if (OnChange)
        OnChange();
}

void TFont::SetName(const AnsiString &name)
{
    if (name != name_) {
        name_ = name;
        changed();
    }
}

void TFont::SetHeight(int height)
{
    if (height != height_) {
        height_ = height;
        changed();
    }
}

int TFont::Size() const
{
    return -static_cast<int>(std::lround(double(height_) * 72.0 / ScreenPixelsPerInch));
}

void TFont::SetSize(int points)
{
    SetHeight(-static_cast<int>(std::lround(double(points) * ScreenPixelsPerInch / 72.0)));
}

void TFont::SetStyle(TFontStyles style)
{
    if (style != style_) {
        style_ = style;
        changed();
    }
}

void TFont::SetColor(TColor color)
{
    if (color != color_) {
        color_ = color;
        changed();
    }
}

QFont TFont::ToQFont() const
{
    QFont f(MetricFontFamily(AnsiToQString(name_)));
    f.setStyleHint(QFont::SansSerif);
    const int px = height_ == 0 ? 11 : std::abs(height_);
    f.setPixelSize(px > 0 ? px : 1);
    f.setBold(style_.Contains(fsBold));
    f.setItalic(style_.Contains(fsItalic));
    f.setUnderline(style_.Contains(fsUnderline));
    f.setStrikeOut(style_.Contains(fsStrikeOut));
    return f;
}

void TBrush::SetColor(TColor color)
{
    if (color != color_) {
        color_ = color;
        changed();
    }
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (style != style_) {
        style_ = style;
        changed();
    }
}

void TPen::SetColor(TColor color)
{
    if (color != color_) {
        color_ = color;
        changed();
    }
}

void TPen::SetWidth(int width)
{
    if (width < 1)
        width = 1;
    if (width != width_) {
        width_ = width;
        changed();
    }
}

void TPen::SetStyle(TPenStyle style)
{
    if (style != style_) {
        style_ = style;
        changed();
    }
}

// ------------------------------------------------------------------- canvas

// ---------------------------------------------------------- width model

namespace {

QString toQString(std::string_view text)
{
    QString s(qsizetype(text.size()), Qt::Uninitialized);
    QChar *out = s.data();
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = QChar(Cp1250ToUnicode(static_cast<unsigned char>(text[i])));
    return s;
}

constexpr int16_t kUnmeasured = INT16_MIN;
constexpr int32_t kUnmeasuredAdvance = INT32_MIN;

} // namespace

TFontWidths::TFontWidths(const QFontMetricsF &metrics) : metrics_(metrics)
{
    std::fill(std::begin(advances_), std::end(advances_), kUnmeasuredAdvance);
}

bool TFontWidths::Modelled(unsigned char c)
{
    return c >= 32 && c != 0x7F && c != 0x81 && c != 0x83 && c != 0x88 && c != 0x90 && c != 0x98 && c != 0xAD;
}

int32_t TFontWidths::measure(std::u16string_view text) const
{
    const QString s = QString::fromUtf16(text.data(), qsizetype(text.size()));
    return int32_t(std::llround(metrics_.horizontalAdvance(s) * 64.0));
}

int32_t TFontWidths::Advance(unsigned char c) const
{
    int32_t &a = advances_[c];
    if (a == kUnmeasuredAdvance) {
        const char16_t ch = Cp1250ToUnicode(c);
        a = measure(std::u16string_view(&ch, 1));
    }
    return a;
}

int32_t TFontWidths::Pair(unsigned char a, unsigned char b) const
{
    if (!pairs_) {
        pairs_ = std::make_unique<int16_t[]>(256 * 256);
        std::fill(pairs_.get(), pairs_.get() + 256 * 256, kUnmeasured);
    }
    int16_t &p = pairs_[size_t(a) * 256 + b];
    if (p == kUnmeasured) {
        const char16_t pair[2] = {Cp1250ToUnicode(a), Cp1250ToUnicode(b)};
        const int32_t adjust = measure(std::u16string_view(pair, 2)) - Advance(a) - Advance(b);
        p = int16_t(std::clamp<int32_t>(adjust, INT16_MIN + 1, INT16_MAX));
    }
    return p;
}

// ------------------------------------------------------------------- canvas

// One resolved font on devices of one resolution: the same for every canvas,
// kept for the life of the process (fonts in use are few).
struct TCanvas::FontEntry {
    AnsiString name;
    int height;
    TFontStyles style;
    int dpiX;
    int dpiY;
    QFont font;
    QFontMetrics metrics;
    QFontMetricsF metricsF;
    std::unique_ptr<TFontWidths> widths;
    // Widths measured lately; dropped whole when it grows large.
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    std::unordered_map<std::string, int, Hash, std::equal_to<>> measured;
    size_t measuredBytes = 0;

    FontEntry(const TFont &f, const QFont &q, const QPaintDevice *device, int dx, int dy)
        : name(f.Name()), height(f.Height()), style(f.Style()), dpiX(dx), dpiY(dy), font(q),
          metrics(device ? QFontMetrics(q, device) : QFontMetrics(q)),
          metricsF(device ? QFontMetricsF(q, device) : QFontMetricsF(q))
    {
    }
    bool matches(const TFont &f, int dx, int dy) const
    {
        return height == f.Height() && style == f.Style() && dpiX == dx && dpiY == dy && name == f.Name();
    }
};

TCanvas::TCanvas() { brush_.SetColor(clWhite); }

TCanvas::~TCanvas() = default;

void TCanvas::BeginPaint(QPainter *painter)
{
    painter_ = painter;
    BeginMeasure(painter ? painter->device() : nullptr);
}

void TCanvas::BeginMeasure(const QPaintDevice *device)
{
    entry_ = nullptr;
    lastFill_.valid = false;
    device_ = device;
    dpiX_ = device ? device->logicalDpiX() : 0;
    dpiY_ = device ? device->logicalDpiY() : 0;
}

void TCanvas::EndPaint()
{
    FlushDeferred();
    painter_ = nullptr;
    BeginMeasure(nullptr);
}

TCanvas::FontEntry &TCanvas::fontEntry() const
{
    const QPaintDevice *device = device_;
    const int dx = dpiX_;
    const int dy = dpiY_;
    if (entry_ && entry_->matches(font_, dx, dy))
        return *entry_;
    // Never freed: the entries hold Qt font objects, which must not outlive
    // the application's font database at exit.
    static auto *entries = new std::vector<std::unique_ptr<FontEntry>>();
    for (auto &e : *entries)
        if (e->matches(font_, dx, dy))
            return *(entry_ = e.get());
    entries->push_back(std::make_unique<FontEntry>(font_, font_.ToQFont(), device, dx, dy));
    return *(entry_ = entries->back().get());
}

int TCanvas::TextWidth(std::string_view text) const
{
    if (text.empty())
        return 0;
    FontEntry &e = fontEntry();
    const auto it = e.measured.find(text);
    if (it != e.measured.end())
        return it->second;
    const int w = e.metrics.horizontalAdvance(toQString(text));
    if (e.measured.size() >= 16384 || e.measuredBytes + text.size() > (size_t(4) << 20)) {
        e.measured.clear();
        e.measuredBytes = 0;
    }
    e.measuredBytes += text.size();
    e.measured.emplace(std::string(text), w);
    return w;
}

int TCanvas::TextHeight(const AnsiString &) const
{
    const QFontMetrics &fm = fontEntry().metrics;
    return fm.ascent() + fm.descent();
}

TPoint TCanvas::TextExtent(const AnsiString &text) const
{
    return {TextWidth(text), TextHeight(text)};
}

QPainter *TCanvas::drawingPainter()
{
    if (suspended_)
        return nullptr;
    lastFill_.valid = false;
    FlushDeferred();
    return ensurePainter();
}

void TCanvas::DeferTextRect(const TRect &r, int x, int y, const AnsiString &text)
{
    if (suspended_)
        return;
    FlushDeferred();
    deferred_.reset(new DeferredText{r, x, y, text, font_, brush_.Color(), brush_.Style()});
}

void TCanvas::FlushDeferred()
{
    if (!deferred_)
        return;
    const std::unique_ptr<DeferredText> d = std::move(deferred_);
    const TFont font = font_;
    const TColor color = brush_.Color();
    const TBrushStyle style = brush_.Style();
    font_ = d->font;
    brush_.SetColor(d->brushColor);
    brush_.SetStyle(d->brushStyle);
    TextRect(d->rect, d->x, d->y, d->text);
    font_ = font;
    brush_.SetColor(color);
    brush_.SetStyle(style);
}

const TFontWidths &TCanvas::FontWidths() const
{
    FontEntry &e = fontEntry();
    if (!e.widths)
        e.widths = std::make_unique<TFontWidths>(e.metricsF);
    return *e.widths;
}

QColor TCanvas::penColor() const { return TColorToQColor(pen_.Color()); }

void TCanvas::applyPen()
{
    if (pen_.Style() == psClear) {
        painter_->setPen(Qt::NoPen);
        return;
    }
    QPen p(penColor());
    p.setWidth(pen_.Width());
    switch (pen_.Style()) {
    case psDash: p.setStyle(Qt::DashLine); break;
    case psDot: p.setStyle(Qt::DotLine); break;
    case psDashDot: p.setStyle(Qt::DashDotLine); break;
    case psDashDotDot: p.setStyle(Qt::DashDotDotLine); break;
    default: p.setStyle(Qt::SolidLine); break;
    }
    painter_->setPen(p);
}

void TCanvas::FillRect(const TRect &r)
{
    const QColor color = TColorToQColor(brush_.Color());
    const bool opaque = brush_.Style() != bsClear && color.alpha() == 255;
    if (deferred_ && !suspended_ && opaque && r.Left <= deferred_->rect.Left && r.Top <= deferred_->rect.Top &&
        r.Right >= deferred_->rect.Right && r.Bottom >= deferred_->rect.Bottom)
        deferred_.reset(); // painted over whole: never seen
    // The same opaque fill again with nothing drawn since changes no pixel.
    if (!suspended_ && opaque && lastFill_.valid && lastFill_.rect == r && lastFill_.rgb == color.rgba())
        return;
    if (!drawingPainter() || brush_.Style() == bsClear || r.IsEmpty())
        return;
    painter_->fillRect(r.ToQRect(), color);
    if (opaque)
        lastFill_ = {true, r, color.rgba()};
}

void TCanvas::FrameRect(const TRect &r)
{
    if (!drawingPainter() || r.IsEmpty())
        return;
    const QColor c = TColorToQColor(brush_.Color());
    painter_->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    painter_->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    painter_->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    painter_->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    if (!drawingPainter())
        return;
    // Filled with the brush, outlined with the pen inside (x1,y1)-(x2,y2).
    const TRect r{x1, y1, x2, y2};
    FillRect(r);
    if (pen_.Style() == psClear || r.IsEmpty())
        return;
    painter_->save();
    applyPen();
    painter_->setBrush(Qt::NoBrush);
    const int w = pen_.Width();
    painter_->drawRect(QRectF(x1 + w / 2.0, y1 + w / 2.0, r.Width() - w, r.Height() - w));
    painter_->restore();
}

void TCanvas::LineTo(int x, int y)
{
    if (drawingPainter() && pen_.Style() != psClear) {
        painter_->save();
        applyPen();
        // The end point itself is not drawn.
        painter_->drawLine(QLineF(penPos_.X + 0.5, penPos_.Y + 0.5, x + 0.5, y + 0.5));
        painter_->restore();
    }
    penPos_ = {x, y};
}

void TCanvas::TextOut(int x, int y, const AnsiString &text)
{
    if (!drawingPainter()) {
        penPos_ = {x + TextWidth(text), y};
        return;
    }
    const FontEntry &e = fontEntry();
    painter_->setFont(e.font);
    const int w = TextWidth(text);
    const int h = e.metrics.ascent() + e.metrics.descent();
    penPos_ = {x + w, y};
    painter_->setPen(TColorToQColor(font_.Color()));
    // A line of text that lies wholly above or below the device (a line
    // height of room kept for glyphs that reach out of their box) shows
    // nothing: it is not shaped.
    if (painter_->transform().isIdentity() && painter_->device() &&
        (y + 2 * h < 0 || y - h > painter_->device()->height()))
        return;
    if (brush_.Style() != bsClear)
        painter_->fillRect(QRect(x, y, w, h), TColorToQColor(brush_.Color()));
    painter_->drawText(QPoint(x, y + e.metrics.ascent()), toQString(text));
}

void TCanvas::TextRect(const TRect &r, int x, int y, const AnsiString &text)
{
    if (!drawingPainter())
        return;
    painter_->save();
    painter_->setClipRect(r.ToQRect(), Qt::IntersectClip);
    if (brush_.Style() != bsClear && !r.IsEmpty())
        painter_->fillRect(r.ToQRect(), TColorToQColor(brush_.Color()));
    const FontEntry &e = fontEntry();
    painter_->setFont(e.font);
    painter_->setPen(TColorToQColor(font_.Color()));
    if (!r.IsEmpty())
        painter_->drawText(QPoint(x, y + e.metrics.ascent()), toQString(visiblePart(text, r.Right - x)));
    painter_->restore();
}

std::string_view TCanvas::visiblePart(std::string_view text, int room) const
{
    // Characters that start well beyond the clip's right edge cannot reach
    // it; a margin of a few ems and characters keeps every glyph that can,
    // and the shaping of the kept ones, as they are in the whole text.
    const FontEntry &e = fontEntry();
    const int em = std::max(1, e.metrics.height());
    const int64_t limit = (int64_t(std::max(room, 0)) + 4 * em) * 64;
    if (text.size() < 64 || int64_t(text.size()) * std::max(1, e.metrics.maxWidth()) * 64 <= limit)
        return text;
    const TFontWidths &w = FontWidths();
    int64_t x = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!TFontWidths::Modelled(c))
            return text;
        if (x > limit)
            return text.substr(0, std::min(text.size(), i + 8));
        x += w.Advance(c) + (i > 0 ? w.Pair(static_cast<unsigned char>(text[i - 1]), c) : 0);
    }
    return text;
}

void TCanvas::Draw(int x, int y, const QImage &image)
{
    if (drawingPainter() && !image.isNull())
        painter_->drawImage(QPoint(x, y), image);
}

void TCanvas::StretchDraw(const TRect &r, const QImage &image)
{
    if (drawingPainter() && !image.isNull() && !r.IsEmpty())
        painter_->drawImage(r.ToQRect(), image);
}

TColor TCanvas::Pixel(int x, int y) const
{
    const_cast<TCanvas *>(this)->FlushDeferred();
    QPainter *p = const_cast<TCanvas *>(this)->ensurePainter();
    if (!p)
        return clNone;
    auto *img = dynamic_cast<QImage *>(p->device());
    if (!img || !img->valid(x, y))
        return clNone;
    return QColorToTColor(img->pixelColor(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    if (!drawingPainter())
        return;
    painter_->fillRect(QRect(x, y, 1, 1), TColorToQColor(color));
}

// ------------------------------------------------------------------- bitmap

class TBitmap::BitmapCanvas : public TCanvas {
public:
    explicit BitmapCanvas(QImage *image) : image_(image) {}
    ~BitmapCanvas() override { finish(); }
    void finish()
    {
        if (own_) {
            EndPaint();
            own_->end();
            own_.reset();
        }
    }

protected:
    QPainter *ensurePainter() override
    {
        if (!own_ && !image_->isNull()) {
            own_ = std::make_unique<QPainter>(image_);
            BeginPaint(own_.get());
        }
        return own_.get();
    }

private:
    QImage *image_;
    std::unique_ptr<QPainter> own_;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() = default;

void TBitmap::releaseCanvas()
{
    if (canvas_)
        canvas_->finish();
}

TCanvas &TBitmap::Canvas()
{
    if (!canvas_)
        canvas_ = std::make_unique<BitmapCanvas>(&image_);
    return *canvas_;
}

void TBitmap::SetSize(int w, int h)
{
    releaseCanvas();
    if (w <= 0 || h <= 0) {
        image_ = QImage();
        return;
    }
    if (w == image_.width() && h == image_.height())
        return;
    QImage next(w, h, QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!image_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = next;
}

void TBitmap::Assign(const TBitmap &other)
{
    releaseCanvas();
    const_cast<TBitmap &>(other).releaseCanvas();
    image_ = other.image_.copy();
}

void TBitmap::LoadFromFile(const AnsiString &path)
{
    QImage img;
    if (!img.load(PathToQString(path)))
        throw EFOpenError("Cannot open file \"" + PathToText(path) + "\"");
    LoadFromImage(img);
}

void TBitmap::LoadFromImage(const QImage &image)
{
    releaseCanvas();
    image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
}

const QImage &TBitmap::Image() const
{
    const_cast<TBitmap *>(this)->releaseCanvas();
    return image_;
}

TColor TBitmap::TransparentColor() const
{
    if (image_.isNull())
        return clNone;
    const_cast<TBitmap *>(this)->releaseCanvas();
    return QColorToTColor(image_.pixelColor(0, image_.height() - 1));
}

} // namespace platform
