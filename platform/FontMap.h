// Where the Windows font families that forms and documents name are found on
// this system. The windows are laid out for the metrics of the Windows fonts
// (a caption at a given place and size fits because the font is as wide as
// it is there); a wider stand-in cuts captions off. Debian's Liberation
// families are made with the metrics of Arial (Liberation Sans), Times New
// Roman (Liberation Serif) and Courier New (Liberation Mono), so each Windows
// name maps to one of them:
//   - sans serif: MS Sans Serif, Microsoft Sans Serif, MS Shell Dlg (2),
//     Arial, Helvetica, Tahoma;
//   - serif: Times New Roman, Times, MS Serif;
//   - fixed pitch: Courier New, Courier.
// Names compare without regard to case, as Windows compares them. Other
// names pass through unchanged (fontconfig finds what it can).
//
// MetricFontFamily is used where the class library makes a QFont from a font
// name (TFont). InstallFontSubstitutes registers the same table with Qt's
// font matching, so that fonts named elsewhere (the font table of an RTF
// document) resolve the same way; TApplication::Initialize calls it.
#pragma once

#include <QString>

namespace platform {

// The family to ask for in place of a Windows family name.
QString MetricFontFamily(const QString &family);

// Registers every mapped name as a Qt font substitution (once; later calls
// do nothing).
void InstallFontSubstitutes();

} // namespace platform
