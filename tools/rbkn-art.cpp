// rbkn-art: paints the reader's pictures into a folder (by default
// browser/resources/images of the source tree):
//   toolbar/NN.png, toolbar-disabled/NN.png  44 x 44 tool-bar pictograms in
//       tool-bar order (00 start page, 01 classifications, 02 previous,
//       03 next, 04 find, 05 export, 06 explanations, 07 update, 08 history,
//       09 help, 10 mail, 11 www, 12 about); the disabled set is the enabled
//       one turned grey and lighter;
//   CANCELGRAY.png, CANCELCOLOR.png  16 x 16 crosses of the hit list's close
//       image (and the Close buttons' glyph);
//   glyph-ok.png, glyph-print.png  16 x 16 glyphs of the Accept and Print
//       buttons;
//   rubrikon.png, rubrikon-32.png, rubrikon-16.png  the program's picture;
//   splash.jpg  the 500 x 350 splash picture, its lower-left corner kept
//       plain for the yellow status text.
// Run by hand after changing a picture; the outputs are kept in the tree.
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

constexpr int Size = 44;

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void begin(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QPen outline(const QColor &c, qreal w = 2.0)
{
    QPen pen(c, w);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

QLinearGradient vertical(qreal top, qreal bottom, const QColor &a, const QColor &b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

const QColor Ink(40, 52, 72);
const QColor Blue(45, 110, 190);
const QColor LightBlue(120, 175, 235);
const QColor Green(46, 150, 70);
const QColor LightGreen(130, 205, 120);
const QColor Orange(230, 130, 30);
const QColor Red(205, 45, 40);
const QColor Paper(252, 252, 248);

void arrow(QPainter &p, bool left)
{
    QPainterPath path;
    // A right-pointing arrow, mirrored for left.
    path.moveTo(6, 17);
    path.lineTo(22, 17);
    path.lineTo(22, 8);
    path.lineTo(38, 22);
    path.lineTo(22, 36);
    path.lineTo(22, 27);
    path.lineTo(6, 27);
    path.closeSubpath();
    if (left) {
        QTransform t;
        t.translate(Size, 0);
        t.scale(-1, 1);
        path = t.map(path);
    }
    p.setPen(outline(QColor(20, 80, 30), 1.6));
    p.setBrush(vertical(8, 36, LightGreen, Green));
    p.drawPath(path);
}

void document(QPainter &p, const QRectF &r)
{
    QPainterPath page;
    const qreal fold = 8;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(outline(Ink, 1.4));
    p.setBrush(Paper);
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(215, 220, 228));
    p.drawPath(corner);
}

void textLines(QPainter &p, qreal left, qreal right, qreal top, int count, qreal step)
{
    p.setPen(outline(QColor(140, 150, 165), 1.6));
    for (int i = 0; i < count; ++i) {
        const qreal y = top + i * step;
        p.drawLine(QPointF(left, y), QPointF(i % 3 == 2 ? (left + right) / 2 : right, y));
    }
}

void circleBadge(QPainter &p, const QColor &light, const QColor &dark)
{
    QRadialGradient g(QPointF(17, 15), 24);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(outline(dark.darker(140), 1.6));
    p.setBrush(g);
    p.drawEllipse(QRectF(5, 5, 34, 34));
}

void centredText(QPainter &p, const QRectF &r, const QString &text, int pixelSize, bool bold, const QColor &c,
                 const QString &family = QStringLiteral("DejaVu Serif"))
{
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

// ------------------------------------------------------------ the pictograms

void paintStart(QPainter &p)
{
    // A house.
    QPainterPath roof;
    roof.moveTo(4, 22);
    roof.lineTo(22, 6);
    roof.lineTo(40, 22);
    roof.lineTo(36, 25);
    roof.lineTo(22, 12.5);
    roof.lineTo(8, 25);
    roof.closeSubpath();
    p.setPen(outline(QColor(110, 25, 20), 1.4));
    p.setBrush(vertical(6, 25, QColor(235, 90, 70), Red));
    p.drawPath(roof);
    p.setPen(outline(Ink, 1.4));
    p.setBrush(vertical(18, 39, QColor(255, 240, 200), QColor(235, 205, 150)));
    QPainterPath walls;
    walls.moveTo(10, 22);
    walls.lineTo(22, 11.5);
    walls.lineTo(34, 22);
    walls.lineTo(34, 39);
    walls.lineTo(10, 39);
    walls.closeSubpath();
    p.drawPath(walls);
    p.setBrush(QColor(120, 80, 45));
    p.drawRect(QRectF(18, 27, 8, 12));
    p.setBrush(LightBlue);
    p.drawRect(QRectF(13, 24, 4, 4));
    p.drawRect(QRectF(27, 24, 4, 4));
}

void paintClassifications(QPainter &p)
{
    // A hierarchy: one root box with three children.
    p.setPen(outline(Ink, 1.6));
    p.drawLine(QPointF(11, 14), QPointF(11, 36));
    for (qreal y : {19.0, 28.0, 36.0})
        p.drawLine(QPointF(11, y), QPointF(20, y));
    auto box = [&](const QRectF &r, const QColor &a, const QColor &b) {
        p.setPen(outline(Ink, 1.4));
        p.setBrush(vertical(r.top(), r.bottom(), a, b));
        p.drawRoundedRect(r, 2, 2);
    };
    box(QRectF(4, 4, 22, 10), LightBlue, Blue);
    box(QRectF(20, 15, 20, 8), QColor(255, 215, 130), Orange);
    box(QRectF(20, 24, 20, 8), QColor(255, 215, 130), Orange);
    box(QRectF(20, 32.5, 20, 8), QColor(255, 215, 130), Orange);
}

void paintPrevious(QPainter &p) { arrow(p, true); }
void paintNext(QPainter &p) { arrow(p, false); }

void paintFind(QPainter &p)
{
    // A magnifying glass.
    p.setPen(QPen(QColor(70, 50, 30), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(27, 27), QPointF(38, 38));
    QRadialGradient glass(QPointF(15, 14), 14);
    glass.setColorAt(0, QColor(235, 245, 255));
    glass.setColorAt(1, LightBlue);
    p.setPen(outline(QColor(90, 95, 105), 3.2));
    p.setBrush(glass);
    p.drawEllipse(QRectF(5, 5, 24, 24));
    p.setPen(outline(QColor(255, 255, 255, 200), 2));
    p.drawArc(QRectF(10, 10, 14, 14), 100 * 16, 70 * 16);
}

void paintExport(QPainter &p)
{
    // A page with an arrow leaving it.
    document(p, QRectF(5, 4, 24, 34));
    textLines(p, 9, 24, 16, 5, 4.5);
    QPainterPath a;
    a.moveTo(20, 24);
    a.lineTo(30, 24);
    a.lineTo(30, 18);
    a.lineTo(41, 28);
    a.lineTo(30, 38);
    a.lineTo(30, 32);
    a.lineTo(20, 32);
    a.closeSubpath();
    p.setPen(outline(QColor(20, 80, 30), 1.4));
    p.setBrush(vertical(18, 38, LightGreen, Green));
    p.drawPath(a);
}

void paintExplanations(QPainter &p)
{
    // An open book.
    p.setPen(outline(Ink, 1.4));
    p.setBrush(vertical(8, 38, QColor(90, 140, 210), Blue));
    QPainterPath cover;
    cover.moveTo(3, 11);
    cover.lineTo(22, 14);
    cover.lineTo(41, 11);
    cover.lineTo(41, 37);
    cover.lineTo(22, 40);
    cover.lineTo(3, 37);
    cover.closeSubpath();
    p.drawPath(cover);
    p.setBrush(Paper);
    QPainterPath left;
    left.moveTo(5, 8);
    left.quadTo(14, 7, 22, 11);
    left.lineTo(22, 37);
    left.quadTo(14, 33, 5, 34);
    left.closeSubpath();
    p.drawPath(left);
    QTransform mirror;
    mirror.translate(Size, 0);
    mirror.scale(-1, 1);
    p.drawPath(mirror.map(left));
    p.setPen(outline(QColor(140, 150, 165), 1.3));
    for (int i = 0; i < 4; ++i) {
        const qreal y = 14 + i * 5;
        p.drawLine(QPointF(8, y), QPointF(19, y + 1.5));
        p.drawLine(QPointF(25, y + 1.5), QPointF(36, y));
    }
}

void paintUpdate(QPainter &p)
{
    // Two arrows chasing each other round a circle.
    const QRectF ring(8, 8, 28, 28);
    p.setBrush(Qt::NoBrush);
    for (int half = 0; half < 2; ++half) {
        p.setPen(QPen(half ? Blue : Green, 4.5, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(ring, (half * 180 + 20) * 16, 130 * 16);
        const qreal angle = qDegreesToRadians(half * 180.0 + 20);
        const QPointF tip(22 + 14 * qCos(angle), 22 - 14 * qSin(angle));
        QPainterPath head;
        const qreal s = half ? -1 : 1;
        head.moveTo(tip + QPointF(-6 * s, 0));
        head.lineTo(tip + QPointF(6 * s, 0));
        head.lineTo(tip + QPointF(0, 7 * s));
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(half ? Blue : Green);
        p.drawPath(head);
        p.setBrush(Qt::NoBrush);
    }
}

void paintHistory(QPainter &p)
{
    // A clock.
    QRadialGradient face(QPointF(18, 16), 22);
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, QColor(220, 228, 238));
    p.setPen(outline(QColor(150, 100, 40), 3));
    p.setBrush(face);
    p.drawEllipse(QRectF(5, 5, 34, 34));
    p.setPen(outline(Ink, 1.5));
    for (int h = 0; h < 12; ++h) {
        const qreal a = qDegreesToRadians(h * 30.0);
        const qreal inner = h % 3 == 0 ? 11.5 : 13;
        p.drawLine(QPointF(22 + inner * qSin(a), 22 - inner * qCos(a)), QPointF(22 + 14.5 * qSin(a), 22 - 14.5 * qCos(a)));
    }
    p.setPen(outline(Ink, 2.4));
    p.drawLine(QPointF(22, 22), QPointF(22, 12));
    p.drawLine(QPointF(22, 22), QPointF(29, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(Red);
    p.drawEllipse(QPointF(22, 22), 2, 2);
}

void paintHelp(QPainter &p)
{
    circleBadge(p, QColor(130, 190, 250), Blue);
    centredText(p, QRectF(5, 5, 34, 35), QStringLiteral("?"), 27, true, Qt::white, QStringLiteral("DejaVu Sans"));
}

void paintMail(QPainter &p)
{
    // An envelope.
    const QRectF r(4, 10, 36, 25);
    p.setPen(outline(Ink, 1.5));
    p.setBrush(vertical(r.top(), r.bottom(), Paper, QColor(225, 225, 215)));
    p.drawRect(r);
    p.setBrush(QColor(240, 235, 215));
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(QPointF(22, 25));
    flap.lineTo(r.topRight());
    p.drawPath(flap);
    p.setPen(outline(QColor(150, 150, 140), 1.2));
    p.drawLine(r.bottomLeft(), QPointF(17, 21));
    p.drawLine(r.bottomRight(), QPointF(27, 21));
    p.setPen(Qt::NoPen);
    p.setBrush(Red);
    p.drawEllipse(QPointF(22, 25), 3, 3);
}

void paintWww(QPainter &p)
{
    // A globe with meridians and parallels.
    QRadialGradient sea(QPointF(16, 14), 26);
    sea.setColorAt(0, QColor(150, 205, 250));
    sea.setColorAt(1, QColor(30, 100, 180));
    p.setPen(outline(QColor(20, 60, 110), 1.6));
    p.setBrush(sea);
    const QRectF globe(5, 5, 34, 34);
    p.drawEllipse(globe);
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(QColor(235, 245, 255), 1.3));
    p.drawEllipse(QRectF(14, 5, 16, 34));
    p.drawLine(QPointF(22, 5), QPointF(22, 39));
    p.drawLine(QPointF(5, 22), QPointF(39, 22));
    p.drawLine(QPointF(8, 13.5), QPointF(36, 13.5));
    p.drawLine(QPointF(8, 30.5), QPointF(36, 30.5));
    p.setPen(outline(QColor(20, 60, 110), 1.6));
    p.drawEllipse(globe);
}

void paintAbout(QPainter &p)
{
    circleBadge(p, QColor(120, 210, 140), Green);
    centredText(p, QRectF(5, 5, 34, 35), QStringLiteral("i"), 26, true, Qt::white);
}

// --------------------------------------------------------- other pictures

QImage disabledOf(const QImage &source)
{
    // Grey and lighter: the luminance pulled halfway to white, alpha kept.
    QImage img = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            const int grey = 100 + qGray(c) * 130 / 255;
            line[x] = qRgba(grey, grey, grey, qAlpha(c) * 4 / 5);
        }
    }
    return img;
}

QImage cross(const QColor &c)
{
    QImage img = blank(16, 16);
    QPainter p(&img);
    begin(p);
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
    return img;
}

QImage tick()
{
    QImage img = blank(16, 16);
    QPainter p(&img);
    begin(p);
    QPen pen(Green, 2.6, Qt::SolidLine, Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    QPainterPath path;
    path.moveTo(3, 8.5);
    path.lineTo(6.5, 12);
    path.lineTo(13, 4);
    p.drawPath(path);
    return img;
}

QImage printer()
{
    QImage img = blank(16, 16);
    QPainter p(&img);
    begin(p);
    p.setPen(QPen(Ink, 1));
    p.setBrush(Paper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(150, 160, 175));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
    p.setBrush(Paper);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(Green);
    p.drawRect(QRectF(11.5, 8, 1.5, 1.5));
    return img;
}

// The program's picture: a blue card with an "R" and a rubric of lines.
QImage programIcon(int size)
{
    QImage img = blank(Size, Size);
    {
        QPainter p(&img);
        begin(p);
        QLinearGradient g(0, 0, Size, Size);
        g.setColorAt(0, QColor(70, 140, 220));
        g.setColorAt(1, QColor(20, 55, 120));
        p.setPen(outline(QColor(15, 40, 90), 1.5));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(2, 2, 40, 40), 7, 7);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 200, 60));
        p.drawRect(QRectF(7, 31, 30, 3));
        p.setBrush(QColor(255, 255, 255, 150));
        p.drawRect(QRectF(7, 36, 20, 2));
        centredText(p, QRectF(2, 0, 40, 33), QStringLiteral("R"), 29, true, Qt::white);
    }
    if (size == Size)
        return img;
    if (size == 16) {
        // At 16 pixels the rubric lines blur away: the card and the letter only.
        QImage small = blank(16, 16);
        QPainter p(&small);
        begin(p);
        QLinearGradient g(0, 0, 16, 16);
        g.setColorAt(0, QColor(70, 140, 220));
        g.setColorAt(1, QColor(20, 55, 120));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        p.setBrush(QColor(255, 200, 60));
        p.drawRect(QRectF(3, 12.5, 10, 1.5));
        centredText(p, QRectF(0, -0.5, 16, 13), QStringLiteral("R"), 12, true, Qt::white, QStringLiteral("DejaVu Sans"));
        return small;
    }
    return img.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage splash()
{
    QImage img(500, 350, QImage::Format_RGB32);
    QPainter p(&img);
    begin(p);
    // Deep blue background, lighter towards the upper right.
    QLinearGradient bg(0, 350, 500, 0);
    bg.setColorAt(0, QColor(10, 26, 60));
    bg.setColorAt(0.55, QColor(22, 62, 122));
    bg.setColorAt(1, QColor(48, 112, 178));
    p.fillRect(img.rect(), bg);

    // A faint classification tree on the right: codes and their branches.
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(12);
    p.setFont(mono);
    const char *codes[] = {"A", "01", "01.1", "01.11.Z", "01.13.Z", "01.2", "01.21.Z", "02",
                           "02.10.Z", "C", "10", "10.11.Z", "10.51.Z", "J", "62.01.Z"};
    const int depth[] = {0, 1, 2, 3, 3, 2, 3, 1, 3, 0, 1, 3, 3, 0, 3};
    qreal y = 22;
    for (int i = 0; i < 15; ++i) {
        const qreal x = 404 + depth[i] * 10;
        p.setPen(QPen(QColor(255, 255, 255, 40), 1));
        if (depth[i] > 0)
            p.drawLine(QPointF(407, y - 4), QPointF(x - 3, y - 4));
        p.setPen(QColor(255, 255, 255, depth[i] == 0 ? 95 : 60));
        p.drawText(QPointF(x, y), QString::fromLatin1(codes[i]));
        y += 19;
    }
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawLine(QPointF(407, 26), QPointF(407, 270));

    // Soft light circles for depth.
    for (auto [cx, cy, r, a] : {std::tuple{420.0, 60.0, 150.0, 26}, std::tuple{80.0, 330.0, 120.0, 10}}) {
        QRadialGradient glow(QPointF(cx, cy), r);
        glow.setColorAt(0, QColor(255, 255, 255, a));
        glow.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(cx, cy), r, r);
    }

    // The program's picture, the name and the subtitle.
    p.drawImage(QRectF(40, 78, 66, 66), programIcon(Size));
    QFont title(QStringLiteral("DejaVu Serif"));
    title.setPixelSize(50);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QPointF(122, 135), QStringLiteral("Rubrikon"));
    p.setPen(Qt::white);
    p.drawText(QPointF(120, 133), QStringLiteral("Rubrikon"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 200, 60));
    p.drawRect(QRectF(122, 150, 245, 3));
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(19);
    p.setFont(sub);
    p.setPen(QColor(220, 232, 248));
    p.drawText(QPointF(122, 180), QString::fromUtf8("Klasyfikacje statystyczne"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(170, 195, 225));
    p.drawText(QPointF(122, 202), QString::fromUtf8("wersja 1.3"));

    // A thin band along the bottom; the status text sits on its left part.
    p.fillRect(QRectF(0, 300, 500, 50), QColor(5, 15, 38, 150));
    p.setPen(QPen(QColor(255, 200, 60, 160), 1));
    p.drawLine(QPointF(0, 300.5), QPointF(500, 300.5));
    return img;
}

bool save(const QImage &img, const QString &path, const char *format = "PNG", int quality = -1)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!img.save(path, format, quality)) {
        std::fprintf(stderr, "rbkn-art: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QStringLiteral(RBKN_SOURCE_DIR "/browser/resources/images");

    const std::function<void(QPainter &)> toolbar[] = {
        paintStart, paintClassifications, paintPrevious, paintNext,   paintFind, paintExport, paintExplanations,
        paintUpdate, paintHistory,        paintHelp,     paintMail,   paintWww,  paintAbout,
    };
    bool ok = true;
    int n = 0;
    for (const auto &paint : toolbar) {
        QImage img = blank(Size, Size);
        {
            QPainter p(&img);
            begin(p);
            paint(p);
        }
        const QString name = QStringLiteral("%1.png").arg(n, 2, 10, QLatin1Char('0'));
        ok &= save(img, out + "/toolbar/" + name);
        ok &= save(disabledOf(img), out + "/toolbar-disabled/" + name);
        ++n;
    }
    ok &= save(cross(QColor(150, 150, 150)), out + "/CANCELGRAY.png");
    ok &= save(cross(Red), out + "/CANCELCOLOR.png");
    ok &= save(tick(), out + "/glyph-ok.png");
    ok &= save(printer(), out + "/glyph-print.png");
    ok &= save(programIcon(Size), out + "/rubrikon.png");
    ok &= save(programIcon(32), out + "/rubrikon-32.png");
    ok &= save(programIcon(16), out + "/rubrikon-16.png");
    ok &= save(splash(), out + "/splash.jpg", "JPG", 90);
    return ok ? 0 : 1;
}
