// TKCLShapeFill: how an area is filled (none, brush bitmap, brush, bitmap,
// bitmap from an image list, gradient), with the bitmaps and the gradient it
// owns. A change of the gradient reaches OnChange through the gradient's own
// OnChange; the bitmaps of this system have no change event, so the Bitmap
// setter reports its change itself, and ListBitmap reports nothing.
//
// Bitmap is not written to form streams: this system's bitmaps are not
// persistent objects of the streaming system.
#pragma once

#include "kcl/KCLGradient.h"

#include <memory>

enum TKCLFillStyle : uint8_t { sfNone, sfBrushBitmap, sfBrush, sfBitmap, sfBitmapList, sfGradient };
enum TKCLTileMode : uint8_t { tmNone, tmCenter, tmStretch, tmTile };

extern const platform::TEnumInfo TKCLFillStyleInfo;
extern const platform::TEnumInfo TKCLTileModeInfo;

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
    std::unique_ptr<platform::TBitmap> Bitmap_;
    std::unique_ptr<TKCLGradient> Gradient_;
    TKCLFillStyle Style_ = sfBrush;
    TKCLTileMode TileMode_ = tmTile;
    std::unique_ptr<platform::TBitmap> ListBitmap_;
};

// Copies Source into Dest; a nil Source empties Dest.
void KCLAssignBitmap(platform::TBitmap &Dest, const platform::TBitmap *Source);
