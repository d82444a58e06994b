// Plain drawing routines shared by the library's graphic objects and lists:
// a bitmap (or an area of any canvas) drawn into a target rectangle at
// natural size, centred, stretched (optionally keeping its aspect ratio) or
// tiled, each optionally transparent; the transparency mask for that; an
// off-screen bitmap prepared; the border width of a border style; and the
// colour ramp and palette of gradients.
//
// Drawing options (one 16-bit set):
//    1 clip to the target (shifted by the clip offset; KCLDrawBitmap only)
//    8 centre   16 stretch   32 tile   (a later one replaces an earlier)
//  512 / 1024 with stretch: keep the aspect ratio at full target height /
//      width; both: fit inside the target at its top-left
//   64 transparent through a mask built from a transparent colour
//  128 transparent by brush copy (the bitmap's transparent colour painted in
//      the given colour)
//  256 transparent through a mask canvas the caller gives
// 4096 select and realise the bitmap's palette first (bitmaps have no
//      palette of their own on this true-colour system, so it changes nothing)
//
// DrawnRect receives the rectangle drawn (the placement); the target
// rectangle for tiling and for a placement without area.
//
// The unit binds "AlphaBlend" and "TransparentBlt" of "msimg32.dll" by name
// at start-up (pointers of its own, beside those of KCLProcs); the library is
// absent here, so both stay nil. No routine uses them.
#pragma once

#include "kcl/KCLBevel.h"
#include "kcl/KCLProcs.h"
#include "platform/Bitmaps.h"
#include "platform/Graphics.h"

#include <cstdint>
#include <vector>

using platform::HPALETTE;
using platform::TBitmap;
using platform::TCanvas;
using platform::TRect;

// The class library's floating-point division error.
class EZeroDivide : public platform::Exception {
public:
    using platform::Exception::Exception;
};

enum : uint16_t {
    KCLDrawClip = 1,
    KCLDrawCenter = 8,
    KCLDrawStretch = 16,
    KCLDrawTile = 32,
    KCLDrawTransparent = 64,
    KCLDrawBrushCopy = 128,
    KCLDrawMask = 256,
    KCLDrawAspectHeight = 512,
    KCLDrawAspectWidth = 1024,
    KCLDrawAspectFit = 1536,
    KCLDrawPalette = 4096,
};

// The routines' "Extra" argument: the bitmap of the brush-copy path or the
// mask canvas of the mask path.
struct TKCLDrawExtra {
    TBitmap *Bitmap = nullptr;
    TCanvas *Mask = nullptr;
};

extern TKCLAlphaBlendFunc *KCLGraphUtilsAlphaBlend;
extern TKCLTransparentBltFunc *KCLGraphUtilsTransparentBlt;
// The unit's start-up (binds both) and finalisation (frees the library).
void KCLGraphUtilsInit();
void KCLGraphUtilsDone();

void KCLDrawBitmapRect(TCanvas *Canvas, const TRect &DestRect, TCanvas *SrcCanvas, const TRect &SrcRect,
                       uint16_t Options, platform::TColor Color, HPALETTE Palette, const TKCLDrawExtra &Extra,
                       TRect &DrawnRect);
// The core inside a clip region of DestRect shifted by ClipOffset (x in the
// low 16 bits, y in the high 16 bits, both signed) when option 1 is set.
void KCLDrawBitmapClipped(TCanvas *Canvas, const TRect &DestRect, TCanvas *SrcCanvas, const TRect &SrcRect,
                          uint16_t Options, platform::TColor Color, HPALETTE Palette, const TKCLDrawExtra &Extra,
                          uint32_t ClipOffset, TRect &DrawnRect);
void KCLDrawBitmap(TCanvas *Canvas, const TRect &DestRect, TBitmap *Bitmap, uint16_t Options, uint32_t ClipOffset,
                   platform::TColor Color);
void KCLDrawBitmapEx(TCanvas *Canvas, const TRect &DestRect, TBitmap *Bitmap, uint16_t Options,
                     platform::TColor Color, TRect &DrawnRect);
void KCLPrepareBitmap(TBitmap *Bitmap, const TRect &Rect, platform::TColor Color);
// Image := the source area, black where it had Color; Mask := white where
// the source had Color, black elsewhere.
void KCLMakeTransparentPair(TCanvas *SrcCanvas, const TRect &SrcRect, TBitmap &Mask, platform::TColor Color,
                            TBitmap &Image);
int KCLBorderStyleWidth(TKCLBorderStyle Style);
// Windows MulDiv: a × b / c rounded half away from zero; -1 when c is 0.
int KCLMulDiv(int a, int b, int c);
// The ramp from FromColor to ToColor; a ramp of one colour holds FromColor.
void KCLBuildColorList(platform::TColor FromColor, platform::TColor ToColor, uint16_t Count, bool Clear,
                       std::vector<platform::TColor> *List);
HPALETTE KCLCreateColorPalette(const std::vector<platform::TColor> *List);
