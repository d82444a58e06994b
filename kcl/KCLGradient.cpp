#include "kcl/KCLGradient.h"

#include "platform/Streaming.h"

#include <cmath>

using namespace platform;

const TEnumInfo TKCLGradientStyleInfo{"TKCLGradientStyle",
                                      {"gstHorizontal", "gstVertical", "gstSquare", "gstElliptic", "gstTopLeft", "gstTopRight",
                                       "gstBottomLeft", "gstBottomRight", "gstTopLeftDiagonal", "gstTopRightDiagonal"}};

namespace {

// a * b / c rounded to the nearest integer, halves away from zero, as the
// system's MulDiv.
int mulDiv(int a, int b, int c)
{
    return int(std::llround(double(int64_t(a) * b) / c));
}

} // namespace

void KCLGradientColors(std::vector<TColor> &Colors, TColor Color1, TColor Color2, int Count, bool Continued)
{
    if (!Continued)
        Colors.clear();
    if (Count <= 0)
        return;
    const TColor c1 = ColorToRGB(Color1);
    const TColor c2 = ColorToRGB(Color2);
    const int r1 = GetRValue(c1), g1 = GetGValue(c1), b1 = GetBValue(c1);
    const int dr = GetRValue(c2) - r1, dg = GetGValue(c2) - g1, db = GetBValue(c2) - b1;
    const int m = Count - 1;
    for (int j = Continued ? 1 : 0; j <= m; ++j) {
        if (m == 0) {
            Colors.push_back(RGB(r1, g1, b1));
            continue;
        }
        Colors.push_back(RGB(r1 + mulDiv(j, dr, m), g1 + mulDiv(j, dg, m), b1 + mulDiv(j, db, m)));
    }
}

std::unique_ptr<TKCLLogPalette> KCLCreateGradientPalette(const std::vector<TColor> &Colors)
{
    if (Colors.empty())
        return nullptr;
    auto pal = std::make_unique<TKCLLogPalette>();
    pal->palPalEntry.reserve(Colors.size());
    for (TColor c : Colors)
        pal->palPalEntry.push_back({uint8_t(GetRValue(c)), uint8_t(GetGValue(c)), uint8_t(GetBValue(c)), PC_NOCOLLAPSE});
    return pal;
}

TKCLGradient::TKCLGradient(TPersistent *AOwner) : TKCLObject(AOwner) { ComputeColors(); }

TKCLGradient::~TKCLGradient() = default;

void TKCLGradient::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLGradient> p(list);
    p.Integer("Color", &TKCLGradient::Color, &TKCLGradient::SetColor).Default(clBlue);
    p.Integer("ColorCount", &TKCLGradient::ColorCount, &TKCLGradient::SetColorCount).Default(16);
    p.Enum("Style", TKCLGradientStyleInfo, &TKCLGradient::Style, &TKCLGradient::SetStyle).Default(gstVertical);
    p.Integer("EndColor", &TKCLGradient::EndColor, &TKCLGradient::SetEndColor).Default(clBlack);
    p.Boolean("PaletteRealize", &TKCLGradient::PaletteRealize, &TKCLGradient::SetPaletteRealize).Default(0);
    p.Boolean("TwoColors", &TKCLGradient::TwoColors, &TKCLGradient::SetTwoColors).Default(1);
}

void TKCLGradient::ComputeColors()
{
    Palette_.reset();
    GradientColors_.clear();
    if (TwoColors_) {
        KCLGradientColors(GradientColors_, Color_, EndColor_, ColorCount_, false);
    } else if (ColorList_.size() > 1) {
        const int n = int(ColorList_.size());
        const int k = ColorCount_ / n;
        KCLGradientColors(GradientColors_, ColorList_[0], ColorList_[1], k, false);
        for (int i = 1; i <= n - 2; ++i)
            KCLGradientColors(GradientColors_, ColorList_[i], ColorList_[i + 1], k, true);
    }
    if (PaletteRealize_)
        Palette_ = KCLCreateGradientPalette(GradientColors_);
}

void TKCLGradient::Change()
{
    ComputeColors();
    TKCLObject::Change();
}

void TKCLGradient::SetColor(TColor Value)
{
    if (Value == Color_)
        return;
    Color_ = Value;
    ComputeColors();
    Change();
}

void TKCLGradient::SetColorCount(TKCLColorCount Value)
{
    if (Value == ColorCount_)
        return;
    ColorCount_ = Value;
    Change();
}

void TKCLGradient::SetStyle(TKCLGradientStyle Value)
{
    if (Value == Style_)
        return;
    Style_ = Value;
    Change();
}

void TKCLGradient::SetEndColor(TColor Value)
{
    if (Value == EndColor_)
        return;
    EndColor_ = Value;
    Change();
}

void TKCLGradient::SetPaletteRealize(bool Value)
{
    if (Value == PaletteRealize_)
        return;
    PaletteRealize_ = Value;
    Change();
}

void TKCLGradient::SetTwoColors(bool Value)
{
    if (Value == TwoColors_)
        return;
    TwoColors_ = Value;
    Change();
}

void TKCLGradient::Assign(TPersistent *Source)
{
    if (Source == this)
        return;
    if (auto *src = dynamic_cast<TKCLGradient *>(Source)) {
        BeginUpdate();
        ColorCount_ = src->ColorCount_;
        Color_ = src->Color_;
        Style_ = src->Style_;
        EndColor_ = src->EndColor_;
        PaletteRealize_ = src->PaletteRealize_;
        TwoColors_ = src->TwoColors_;
        ColorList_ = src->ColorList_;
        EndUpdate(true);
        return;
    }
    TKCLObject::Assign(Source);
}

AnsiString TKCLGradient::GetStatusText()
{
    return GetEnumName(TKCLGradientStyleInfo, Style_).substr(3) + ", Col: " + std::to_string(ColorCount_) +
           (TwoColors_ ? ", 2 col mode" : ", mult. col mode");
}

void TKCLGradient::DefineProperties(TFiler &Filer)
{
    TKCLObject::DefineProperties(Filer);
    Filer.DefineProperty(
        "ColorList", [this](TReader &r) { ReadColorList(r); }, [this](TWriter &w) { WriteColorList(w); }, !ColorList_.empty());
}

void TKCLGradient::ReadColorList(TReader &Reader)
{
    ColorList_.clear();
    BeginUpdate();
    Reader.ReadListBegin();
    while (!Reader.EndOfList())
        ColorList_.push_back(TColor(Reader.ReadInteger()));
    Reader.ReadListEnd();
    EndUpdate(true);
}

void TKCLGradient::WriteColorList(TWriter &Writer)
{
    Writer.WriteListBegin();
    for (TColor c : ColorList_)
        Writer.WriteInteger(c);
    Writer.WriteListEnd();
}
