// Colours, fonts and the canvas on a bitmap.
#include "platform/Graphics.h"

#include "TestSupport.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(ColorTest, ValuesAndSystemColours)
{
    EXPECT_EQ(RGB(0, 0, 255), clBlue);
    EXPECT_EQ(TColorToQColor(clBlue), QColor(0, 0, 255));
    EXPECT_EQ(TColorToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(QColorToTColor(QColor(0x12, 0x34, 0x56)), 0x563412);
    EXPECT_TRUE(IsSystemColor(clWindowText));
    EXPECT_EQ(clWindowText, TColor(0x80000008));
    const QPalette pal = QApplication::palette();
    EXPECT_EQ(TColorToQColor(clWindowText), pal.color(QPalette::Text));
    EXPECT_EQ(TColorToQColor(clWindow), pal.color(QPalette::Base));
    EXPECT_EQ(TColorToQColor(clHighlight), pal.color(QPalette::Highlight));
    EXPECT_EQ(TColorToQColor(clHighlightText), pal.color(QPalette::HighlightedText));
    EXPECT_EQ(TColorToQColor(clBtnFace), pal.color(QPalette::Button));
    EXPECT_EQ(ColorToRGB(clGray), 0x808080);
    EXPECT_EQ(ColorToRGB(0x02FF0000), 0xFF0000) << "palette-relative flag dropped";
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(TColorToQColor(clNone).alpha(), 0);
}

TEST(FontTest, HeightSizeStyleAndChange)
{
    TFont f;
    EXPECT_EQ(f.Name(), "MS Sans Serif");
    EXPECT_EQ(f.Height(), -11);
    EXPECT_EQ(f.Size(), 8);
    int changes = 0;
    f.OnChange = [&] { ++changes; };
    f.SetSize(36);
    EXPECT_EQ(f.Height(), -48);
    f.SetStyle({fsBold, fsUnderline});
    EXPECT_TRUE(f.Style().Contains(fsBold));
    EXPECT_FALSE(f.Style().Contains(fsItalic));
    f.SetStyle(f.Style());
    EXPECT_EQ(changes, 2) << "an unchanged value fires nothing";
    const QFont q = f.ToQFont();
    EXPECT_EQ(q.pixelSize(), 48);
    EXPECT_TRUE(q.bold());
    EXPECT_TRUE(q.underline());
    // Assignment copies the values, not the change handler.
    TFont g;
    g = f;
    EXPECT_EQ(g.Height(), -48);
    EXPECT_FALSE(g.OnChange);
}

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bmp.SetSize(120, 60);
        bmp.Canvas().Brush().SetColor(clWhite);
        bmp.Canvas().FillRect(Rect(0, 0, 120, 60));
    }
    QColor at(int x, int y) { return bmp.Image().pixelColor(x, y); }
    bool anyNot(const TRect &r, const QColor &c)
    {
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (at(x, y) != c)
                    return true;
        return false;
    }
    TBitmap bmp;
};

TEST_F(CanvasTest, FillRectUsesBrushUnlessClear)
{
    TCanvas &c = bmp.Canvas();
    c.Brush().SetColor(clBlue);
    c.FillRect(Rect(10, 10, 20, 20));
    EXPECT_EQ(at(10, 10), QColor(0, 0, 255));
    EXPECT_EQ(at(19, 19), QColor(0, 0, 255));
    EXPECT_EQ(at(20, 20), QColor(255, 255, 255)) << "right and bottom are outside";
    c.Brush().SetStyle(bsClear);
    c.Brush().SetColor(clRed);
    c.FillRect(Rect(30, 30, 40, 40));
    EXPECT_EQ(at(35, 35), QColor(255, 255, 255));
}

TEST_F(CanvasTest, TextMeasuresFollowTheFont)
{
    TCanvas &c = bmp.Canvas();
    const int w1 = c.TextWidth("WWWW");
    EXPECT_GT(w1, 0);
    EXPECT_EQ(c.TextWidth(""), 0);
    EXPECT_EQ(c.TextExtent("WWWW").X, w1);
    const int h = c.TextHeight("x");
    EXPECT_GE(h, 11);
    c.Font().SetStyle({fsBold});
    EXPECT_GE(c.TextWidth("WWWW"), w1);
    c.Font().SetHeight(-22);
    EXPECT_GT(c.TextHeight("x"), h);
    EXPECT_GT(c.TextWidth("WWWW"), w1);
    // Measuring works the same without a painter (a detached canvas).
    TCanvas loose;
    EXPECT_EQ(loose.TextWidth("abc"), TCanvas().TextWidth("abc"));
    EXPECT_GT(loose.TextWidth("abc"), 0);
}

TEST_F(CanvasTest, TextOutPlacesTopLeftAndPaintsBackground)
{
    TCanvas &c = bmp.Canvas();
    c.Font().SetColor(clBlack);
    c.Brush().SetColor(clYellow);
    c.TextOut(10, 20, "Hg");
    const int w = c.TextWidth("Hg");
    const int h = c.TextHeight("Hg");
    // The text's box is filled with the brush and holds black pixels.
    EXPECT_EQ(at(10, 20), QColor(255, 255, 0));
    EXPECT_TRUE(anyNot(Rect(10, 20, 10 + w, 20 + h), QColor(255, 255, 0)));
    EXPECT_FALSE(anyNot(Rect(0, 0, 120, 19), QColor(255, 255, 255))) << "nothing above the top";
    EXPECT_EQ(c.PenPos(), Point(10 + w, 20));
    // A clear brush leaves the background.
    c.Brush().SetStyle(bsClear);
    c.TextOut(60, 20, "Hg");
    EXPECT_EQ(at(60, 20), QColor(255, 255, 255));
    EXPECT_TRUE(anyNot(Rect(60, 20, 60 + w, 20 + h), QColor(255, 255, 255)));
}

TEST_F(CanvasTest, TextRectFillsAndClips)
{
    TCanvas &c = bmp.Canvas();
    c.Font().SetColor(clBlack);
    c.Brush().SetColor(clAqua);
    const TRect r = Rect(10, 10, 30, 30);
    c.TextRect(r, 12, 12, "WWWWWWWWWW");
    EXPECT_EQ(at(10, 10), QColor(0, 255, 255)) << "the whole rectangle is filled";
    EXPECT_EQ(at(29, 29), QColor(0, 255, 255));
    EXPECT_TRUE(anyNot(r, QColor(0, 255, 255)));
    // Nothing right of the rectangle although the text is wider.
    EXPECT_FALSE(anyNot(Rect(30, 0, 120, 60), QColor(255, 255, 255)));
    // Underline and colours come from the font.
    c.Font().SetColor(clBlue);
    c.Font().SetStyle({fsUnderline});
    c.Brush().SetColor(clWhite);
    c.TextRect(Rect(40, 10, 110, 40), 42, 12, "____");
    bool blue = false;
    for (int y = 10; y < 40; ++y)
        for (int x = 40; x < 110; ++x)
            blue = blue || at(x, y) == QColor(0, 0, 255);
    EXPECT_TRUE(blue);
}

TEST_F(CanvasTest, PenLinesAndRectangle)
{
    TCanvas &c = bmp.Canvas();
    c.Pen().SetColor(clRed);
    c.MoveTo(0, 50);
    c.LineTo(100, 50);
    EXPECT_EQ(at(50, 50), QColor(255, 0, 0));
    EXPECT_EQ(c.PenPos(), Point(100, 50));
    c.Brush().SetColor(clLime);
    c.Rectangle(10, 5, 30, 25);
    EXPECT_EQ(at(10, 5), QColor(255, 0, 0)) << "outline in the pen";
    EXPECT_EQ(at(20, 15), QColor(0, 255, 0)) << "inside in the brush";
    c.SetPixel(2, 2, clBlue);
    EXPECT_EQ(c.Pixel(2, 2), clBlue);
}

TEST_F(CanvasTest, BitmapResizeKeepsContentAndTransparentColour)
{
    TCanvas &c = bmp.Canvas();
    c.Brush().SetColor(clRed);
    c.FillRect(Rect(0, 50, 10, 60));
    EXPECT_EQ(bmp.TransparentColor(), clRed);
    c.Brush().SetColor(clBlue);
    c.FillRect(Rect(0, 0, 5, 5));
    bmp.SetSize(200, 100);
    EXPECT_EQ(bmp.Image().pixelColor(1, 1), QColor(0, 0, 255));
    EXPECT_EQ(bmp.Image().pixelColor(150, 90), QColor(255, 255, 255));
    // Drawing continues on the resized image.
    bmp.Canvas().Brush().SetColor(clLime);
    bmp.Canvas().FillRect(Rect(190, 90, 200, 100));
    EXPECT_EQ(bmp.Image().pixelColor(195, 95), QColor(0, 255, 0));
    bmp.SetSize(0, 0);
    EXPECT_TRUE(bmp.Empty());
    bmp.Canvas().FillRect(Rect(0, 0, 10, 10)); // nothing to draw on: no crash
}

// Texts of every kind the reader shows: Polish letters, punctuation, digits,
// capitals that kern (AV, To, Wy), blanks and a few rarer bytes.
std::vector<std::string> sampleTexts()
{
    const std::string alphabet = "AVTWYLPFaeorsy .,;:-()\"'0123456789"
                                 "\xA5\xB9\xC6\xE6\xCA\xEA\xA3\xB3\xD1\xF1\xD3\xF3\x8C\x9C\x8F\x9F\xAF\xBF"
                                 "fiflffjg\x84\x94\x96\x97\x80\xA0\xA7";
    std::vector<std::string> texts = {"AVATAR To Wy LT ffi fl", "Wyroby, \xBF" "e\xB3" "azne; 1,5 t",
                                      "\x84Zobacz\x94 \x96 W.A.V.T. ..."};
    uint32_t seed = 11;
    for (int n = 0; n < 60; ++n) {
        std::string s;
        for (int i = 0; i < 10 + n * 3; ++i) {
            seed = seed * 1103515245u + 12345u;
            s += alphabet[(seed >> 16) % alphabet.size()];
        }
        texts.push_back(s);
    }
    return texts;
}

// The width model gives TextWidth's own result for every prefix of texts
// whose shaping is pairwise kerning, in every style the cell mark-up uses. In
// fonts where f forms ligatures (ff, fi) that kern with their neighbours
// unlike a lone f, the model is an estimate there, which its users confirm.
TEST_F(CanvasTest, WidthModelMatchesTextWidthWhereShapingIsPairwise)
{
    TCanvas &c = bmp.Canvas();
    int checked = 0;
    for (const TFontStyles style : {TFontStyles{}, TFontStyles{fsBold}, TFontStyles{fsItalic},
                                    TFontStyles{fsBold, fsItalic, fsUnderline}}) {
        c.Font().SetStyle(style);
        const TFontWidths &w = c.FontWidths();
        for (std::string text : sampleTexts()) {
            std::replace(text.begin(), text.end(), 'f', 'e');
            int64_t sum = 0;
            for (size_t i = 0; i < text.size(); ++i) {
                const auto ch = static_cast<unsigned char>(text[i]);
                ASSERT_TRUE(TFontWidths::Modelled(ch));
                sum += w.Advance(ch) + (i ? w.Pair(static_cast<unsigned char>(text[i - 1]), ch) : 0);
                ASSERT_EQ(TFontWidths::Pixels(sum), c.TextWidth(text.substr(0, i + 1))) << text.substr(0, i + 1);
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 10000);
    EXPECT_FALSE(TFontWidths::Modelled('\t'));
    EXPECT_FALSE(TFontWidths::Modelled(0xAD));
    EXPECT_FALSE(TFontWidths::Modelled(0x81));
}

// TextRect of a text much wider than its rectangle shapes only the part that
// can show: the pixels are those of the whole text drawn and clipped.
TEST_F(CanvasTest, LongClippedTextDrawsAsTheWholeText)
{
    std::string text;
    for (const std::string &t : sampleTexts())
        text += t + " ";
    ASSERT_GT(text.size(), 2000u);
    for (const TFontStyles style : {TFontStyles{}, TFontStyles{fsItalic, fsUnderline}}) {
        for (const int right : {15, 70, 119}) {
            TBitmap fast, whole;
            fast.SetSize(120, 60);
            whole.SetSize(120, 60);
            fast.Canvas().Font().SetStyle(style);
            fast.Canvas().TextRect(Rect(5, 5, right, 40), 7, 7, text);
            {
                QImage image = whole.Image();
                QPainter p(&image);
                p.setClipRect(QRect(5, 5, right - 5, 35));
                p.fillRect(QRect(5, 5, right - 5, 35), Qt::white);
                TFont f;
                f.SetStyle(style);
                p.setFont(f.ToQFont());
                p.setPen(TColorToQColor(clWindowText));
                p.drawText(QPoint(7, 7 + QFontMetrics(f.ToQFont(), &image).ascent()), AnsiToQString(text));
                p.end();
                whole.LoadFromImage(image);
            }
            EXPECT_EQ(fast.Image(), whole.Image()) << right;
        }
    }
}

// A held-back TextRect shows exactly as one drawn at once, unless an opaque
// fill covers its whole rectangle before anything else is drawn.
TEST_F(CanvasTest, DeferredTextRectDrawsAsTextRectUnlessPaintedOver)
{
    const TRect cell = Rect(10, 10, 90, 40);
    auto draw = [](bool defer, const std::function<void(TCanvas &)> &then) {
        TBitmap b;
        b.SetSize(120, 60);
        TCanvas &c = b.Canvas();
        c.Brush().SetColor(clYellow);
        c.Font().SetColor(clBlue);
        if (defer)
            c.DeferTextRect(Rect(10, 10, 90, 40), 12, 12, "Tekst komorki");
        else
            c.TextRect(Rect(10, 10, 90, 40), 12, 12, "Tekst komorki");
        c.Font().SetColor(clRed);
        c.Brush().SetColor(clWhite);
        then(c);
        c.FlushDeferred();
        return b.Image().copy();
    };
    const std::vector<std::function<void(TCanvas &)>> afters = {
        [](TCanvas &) {},
        [](TCanvas &c) { c.TextOut(20, 30, "inny"); },
        [&](TCanvas &c) { c.FillRect(Rect(cell.Left, cell.Top, cell.Right - 1, cell.Bottom)); },
        [&](TCanvas &c) {
            c.Brush().SetStyle(bsClear);
            c.FillRect(cell);
        },
        [&](TCanvas &c) {
            c.FillRect(cell);
            c.TextOut(20, 30, "inny");
        },
    };
    for (size_t i = 0; i < afters.size(); ++i)
        EXPECT_TRUE(draw(true, afters[i]) == draw(false, afters[i])) << i;
}

TEST_F(CanvasTest, AFileNamedWithPolishLettersLoads)
{
    testsupport::TempFolder tmp;
    ASSERT_TRUE(QImage(3, 2, QImage::Format_RGB32).save(QString::fromUtf8(tmp.file("łódź.png"))));
    bmp.LoadFromFile(tmp.file("łódź.png"));
    EXPECT_EQ(bmp.Width(), 3);
}

} // namespace
