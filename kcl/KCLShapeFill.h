// TKCLShapeFill: how an area is filled (none, brush bitmap, brush, bitmap,
// bitmap from an image list, gradient), with the bitmaps and the gradient it
// owns. A change of the gradient reaches OnChange through the gradient's own
// OnChange; the bitmaps of this system have no change event, so the Bitmap
// setter reports its change itself, and ListBitmap reports nothing.
//
// Streaming: this system's bitmaps and brushes are plain value objects, not
// persistent objects of the streaming system. Each published Bitmap and Brush
// is therefore streamed through a small persistent view of the owned object
// (TKCLBitmapProperty, TKCLBrushProperty), in its published place: a bitmap as
// "Bitmap.Data", the bitmap's own stream form (a BMP file image), written
// only when the bitmap is not empty; a brush as "Brush.Color" (default
// clWhite) and "Brush.Style" (default bsSolid). Reading a bitmap reports the
// change like the Bitmap setter.
#pragma once

#include "kcl/KCLGradient.h"

#include <functional>
#include <memory>

enum TKCLFillStyle : uint8_t { sfNone, sfBrushBitmap, sfBrush, sfBitmap, sfBitmapList, sfGradient };
enum TKCLTileMode : uint8_t { tmNone, tmCenter, tmStretch, tmTile };

extern const platform::TEnumInfo TKCLFillStyleInfo;
extern const platform::TEnumInfo TKCLTileModeInfo;

// The persistent view of an owned bitmap: the defined binary property "Data"
// holds the bitmap's own stream form; reading it calls Changed.
class TKCLBitmapProperty : public platform::TPersistent {
    RBK_CLASS(TKCLBitmapProperty, platform::TPersistent)
public:
    TKCLBitmapProperty(platform::TBitmap &Bitmap, std::function<void()> Changed)
        : bitmap_(Bitmap), changed_(std::move(Changed))
    {
    }
    void DefineProperties(platform::TFiler &Filer) override;

private:
    platform::TBitmap &bitmap_;
    std::function<void()> changed_;
};

// The persistent view of an owned brush: its colour and style.
class TKCLBrushProperty : public platform::TPersistent {
    RBK_CLASS(TKCLBrushProperty, platform::TPersistent)
public:
    explicit TKCLBrushProperty(platform::TBrush &Brush) : brush_(Brush) {}
    static void PublishProperties(platform::TPropList &list);
    platform::TColor Color() const { return brush_.Color(); }
    void SetColor(platform::TColor Value) { brush_.SetColor(Value); }
    platform::TBrushStyle Style() const { return brush_.Style(); }
    void SetStyle(platform::TBrushStyle Value) { brush_.SetStyle(Value); }

private:
    platform::TBrush &brush_;
};
extern const platform::TEnumInfo TBrushStyleInfo;

class TKCLShapeFill : public TKCLObject {
    RBK_CLASS(TKCLShapeFill, TKCLObject)
public:
    explicit TKCLShapeFill(TPersistent *AOwner);
    ~TKCLShapeFill() override;

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    AnsiString GetStatusText() override;

    platform::TBitmap *Bitmap() const { return Bitmap_.get(); }
    // Copies Value into the owned bitmap and reports the change.
    void SetBitmap(const platform::TBitmap *Value);
    TKCLGradient *Gradient() const { return Gradient_.get(); }
    void SetGradient(TKCLGradient *Value);
    platform::TBitmap *ListBitmap() const { return ListBitmap_.get(); }
    // Copies Value (nil: empties the bitmap); reports nothing.
    void SetListBitmap(const platform::TBitmap *Value);
    TKCLFillStyle Style() const { return Style_; }
    void SetStyle(TKCLFillStyle Value);
    TKCLTileMode TileMode() const { return TileMode_; }
    void SetTileMode(TKCLTileMode Value);

protected:
    // Copies the shape-fill part (bitmaps, gradient, style, tile mode) as
    // plain values; the caller holds the update state.
    void CopyShapeFill(const TKCLShapeFill &Source);

private:
    TKCLBitmapProperty *BitmapProperty() const { return BitmapProperty_.get(); }
    std::unique_ptr<platform::TBitmap> Bitmap_;
    std::unique_ptr<TKCLBitmapProperty> BitmapProperty_;
    std::unique_ptr<TKCLGradient> Gradient_;
    TKCLFillStyle Style_ = sfBrush;
    TKCLTileMode TileMode_ = tmTile;
    std::unique_ptr<platform::TBitmap> ListBitmap_;
};

// Copies Source into Dest; a nil Source empties Dest.
void KCLAssignBitmap(platform::TBitmap &Dest, const platform::TBitmap *Source);
