// TKCLGradient: a colour gradient, either from Color to EndColor or through
// the colour stops of ColorList, with its colour table (GradientColors)
// computed at every change so that a painter reads ready RGB colours, one per
// band, and, when PaletteRealize is set, a logical palette made from them.
//
// This system has no GDI palettes; the palette is kept as an owned logical
// palette record (version 0x300, one PC_NOCOLLAPSE entry per colour), and
// Palette() gives nil where the library would give the handle 0.
#pragma once

#include "kcl/KCLObject.h"
#include "platform/Graphics.h"

#include <cstdint>
#include <memory>
#include <vector>

using platform::TColor;

enum TKCLGradientStyle : uint8_t {
    gstHorizontal, gstVertical, gstSquare, gstElliptic, gstTopLeft, gstTopRight, gstBottomLeft,
    gstBottomRight, gstTopLeftDiagonal, gstTopRightDiagonal,
};
using TKCLColorCount = uint16_t; // 2..65535

extern const platform::TEnumInfo TKCLGradientStyleInfo;

inline constexpr uint8_t PC_NOCOLLAPSE = 4;

struct TKCLPaletteEntry {
    uint8_t peRed;
    uint8_t peGreen;
    uint8_t peBlue;
    uint8_t peFlags;
};

struct TKCLLogPalette {
    uint16_t palVersion = 0x300;
    std::vector<TKCLPaletteEntry> palPalEntry;
};

// Appends to Colors a run of Count colours from Color1 to Color2 (system
// colours resolved to RGB first): colour j has each component equal to the
// start component plus MulDiv(j, end - start, Count - 1), kept to 8 bits. A
// new run (Continued false) empties Colors first and appends j = 0..Count-1;
// a continued run appends j = 1..Count-1 only, so that the stop shared with
// the previous run occurs once. Nothing when Count is 0.
void KCLGradientColors(std::vector<TColor> &Colors, TColor Color1, TColor Color2, int Count, bool Continued);
// The logical palette of a colour table; nil for an empty table.
std::unique_ptr<TKCLLogPalette> KCLCreateGradientPalette(const std::vector<TColor> &Colors);

class TKCLGradient : public TKCLObject {
    RBK_CLASS(TKCLGradient, TKCLObject)
public:
    explicit TKCLGradient(TPersistent *AOwner);
    ~TKCLGradient() override;

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    // Recomputes the colour table (also while updating), then notifies.
    void Change() override;
    AnsiString GetStatusText() override;
    void DefineProperties(platform::TFiler &Filer) override;

    TColor Color() const { return Color_; }
    void SetColor(TColor Value);
    TKCLColorCount ColorCount() const { return ColorCount_; }
    void SetColorCount(TKCLColorCount Value);
    TKCLGradientStyle Style() const { return Style_; }
    void SetStyle(TKCLGradientStyle Value);
    TColor EndColor() const { return EndColor_; }
    void SetEndColor(TColor Value);
    bool PaletteRealize() const { return PaletteRealize_; }
    void SetPaletteRealize(bool Value);
    bool TwoColors() const { return TwoColors_; }
    void SetTwoColors(bool Value);

    // The stops of multi-colour mode; a holder may fill it and then call
    // Change.
    std::vector<TColor> &ColorList() { return ColorList_; }
    const std::vector<TColor> &ColorList() const { return ColorList_; }
    // The computed table, first colour first.
    const std::vector<TColor> &GradientColors() const { return GradientColors_; }
    const TKCLLogPalette *Palette() const { return Palette_.get(); }

private:
    void ComputeColors();
    void ReadColorList(platform::TReader &Reader);
    void WriteColorList(platform::TWriter &Writer);

    TKCLColorCount ColorCount_ = 16;
    TColor Color_ = platform::clBlue;
    std::vector<TColor> GradientColors_;
    TColor EndColor_ = platform::clBlack;
    bool PaletteRealize_ = false;
    std::unique_ptr<TKCLLogPalette> Palette_;
    TKCLGradientStyle Style_ = gstVertical;
    std::vector<TColor> ColorList_;
    bool TwoColors_ = true;
};
