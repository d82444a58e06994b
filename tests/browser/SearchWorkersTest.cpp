// What the classification search's worker threads take from the window.
#include "browser/TaxonarMainCode.h"

#include <QFont>
#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace {

// A worker's copy of the view's font has data of its own, so that the font
// engine cached in it is the worker's, and it lays text out as the view's.
TEST(ClassificationSearchWorkers, FontCopyHasItsOwnDataAndLaysOutAlike)
{
    QFont set(QStringList{"Liberation Sans"});
    set.setPointSizeF(9.5);
    set.setWeight(QFont::DemiBold);
    set.setItalic(true);
    set.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    set.setStretch(QFont::SemiCondensed);
    // A font of families alone, equal to the fresh one the copy starts from.
    const QFont familiesOnly(QStringList{"Liberation Serif"});
    for (const QFont &view : {set, familiesOnly}) {
        const QFont own = taxonar::SearchOwnFont(view);
        EXPECT_FALSE(own.isCopyOf(view));
        EXPECT_EQ(own, view);
        EXPECT_EQ(own.resolveMask(), view.resolveMask());
        const QString text = QStringLiteral("Klasyfikacja działalności, sekcja A");
        EXPECT_EQ(QFontMetricsF(own).horizontalAdvance(text), QFontMetricsF(view).horizontalAdvance(text));
        EXPECT_EQ(QFontMetricsF(own).height(), QFontMetricsF(view).height());
    }
}

} // namespace
