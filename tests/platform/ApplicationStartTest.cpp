// What initialising the application object gives every window: the Windows
// font names resolve to the families with their metrics, and Qt's own
// dialogs and standard buttons speak Polish.
#include "platform/FontMap.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace platform;

namespace {

std::string resolved(const QFont &font) { return QFontInfo(font).family().toStdString(); }

TEST(FontMapTest, WindowsNamesMapToTheMetricFamilies)
{
    EXPECT_EQ(MetricFontFamily("MS Sans Serif").toStdString(), "Liberation Sans");
    EXPECT_EQ(MetricFontFamily("Tahoma").toStdString(), "Liberation Sans");
    EXPECT_EQ(MetricFontFamily("Arial").toStdString(), "Liberation Sans");
    EXPECT_EQ(MetricFontFamily("Times New Roman").toStdString(), "Liberation Serif");
    EXPECT_EQ(MetricFontFamily("Courier New").toStdString(), "Liberation Mono");
    // Windows compares font names without regard to case.
    EXPECT_EQ(MetricFontFamily("ms sans serif").toStdString(), "Liberation Sans");
    EXPECT_EQ(MetricFontFamily(" COURIER NEW").toStdString(), "Liberation Mono");
    // Other names, and near misses, pass through unchanged.
    EXPECT_EQ(MetricFontFamily("DejaVu Sans").toStdString(), "DejaVu Sans");
    EXPECT_EQ(MetricFontFamily("Arial Black").toStdString(), "Arial Black");
    EXPECT_EQ(MetricFontFamily("").toStdString(), "");
}

TEST(FontMapTest, FontsResolveToTheInstalledMetricFamilies)
{
    Application->Initialize();
    // A font made by the class library, at the dialog font's pixel height.
    TFont dialog;
    EXPECT_EQ(dialog.Name(), "MS Sans Serif");
    EXPECT_EQ(resolved(dialog.ToQFont()), "Liberation Sans");
    EXPECT_EQ(dialog.ToQFont().pixelSize(), 11);
    // Fonts named elsewhere (an RTF document's font table) go through Qt's
    // substitutions to the same families.
    EXPECT_EQ(resolved(QFont("Times New Roman")), "Liberation Serif");
    EXPECT_EQ(resolved(QFont("Courier New")), "Liberation Mono");
    EXPECT_EQ(resolved(QFont("MS Sans Serif")), "Liberation Sans");
    EXPECT_EQ(resolved(QFont("Tahoma")), "Liberation Sans");
    // Metric compatibility: the fixed-pitch family has one advance for all.
    const QFontMetrics mono(QFont("Courier New", 10));
    EXPECT_EQ(mono.horizontalAdvance("iiiii"), mono.horizontalAdvance("WWWWW"));
}

TEST(ApplicationStartTest, QtDialogsSpeakPolish)
{
    Application->Initialize();
    Application->Initialize(); // a second call changes nothing
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Close);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().toStdString(), "Anuluj");
    EXPECT_EQ(box.button(QDialogButtonBox::Close)->text().toStdString(), "Zamknij");

    // The print dialog's own buttons.
    QPrinter printer;
    QPrintDialog dialog(&printer);
    QStringList texts;
    for (const QPushButton *b : dialog.findChildren<QPushButton *>())
        texts << b->text().remove('&');
    for (const char *polish : {"Wydrukuj", "Anuluj", "Opcje >>"})
        EXPECT_TRUE(texts.contains(polish)) << texts.join(", ").toStdString();
    for (const char *english : {"Print", "Cancel", "Options >>"})
        EXPECT_FALSE(texts.contains(english)) << english;
}

} // namespace
