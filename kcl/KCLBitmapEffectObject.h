// TKCLBitmapEffectObject: simple picture effects (flips, grey scale,
// inversion, brightness) with an alpha overlay, and an optional buffer
// bitmap for the holder's rendered result. Every change, also one deep
// inside the overlay, notifies and marks the buffer stale (BufferValid
// false); the holder sets BufferValid once it has rendered into Buffer.
#pragma once

#include "kcl/KCLAlphaObject.h"

#include <memory>

class TKCLBitmapEffectObject : public TKCLObject {
    RBK_CLASS(TKCLBitmapEffectObject, TKCLObject)
public:
    explicit TKCLBitmapEffectObject(TPersistent *AOwner);
    ~TKCLBitmapEffectObject() override;

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    // Notifies, then marks the buffer stale.
    void Changed(TObject *Sender) override;
    AnsiString GetStatusText() override;

    TKCLAlphaObject *AlphaBlend() const { return AlphaBlend_.get(); }
    void SetAlphaBlend(TKCLAlphaObject *Value) { AlphaBlend_->Assign(Value); }
    // Index 0 FlipVertical, 1 FlipHorizontal, 2 GrayScale, 3 Invert,
    // 4 Buffered, 5 a sixth flag kept for the holder (not published, not
    // copied, not summarised).
    bool GetFlag(int Index) const;
    void SetFlag(int Index, bool Value);
    bool FlipVertical() const { return FlipVertical_; }
    void SetFlipVertical(bool Value) { SetFlag(0, Value); }
    bool FlipHorizontal() const { return FlipHorizontal_; }
    void SetFlipHorizontal(bool Value) { SetFlag(1, Value); }
    bool GrayScale() const { return GrayScale_; }
    void SetGrayScale(bool Value) { SetFlag(2, Value); }
    bool Invert() const { return Invert_; }
    void SetInvert(bool Value) { SetFlag(3, Value); }
    bool Buffered() const { return Buffered_; }
    void SetBuffered(bool Value) { SetFlag(4, Value); }
    int32_t Brightness() const { return Brightness_; }
    void SetBrightness(int32_t Value);

    bool BufferValid() const { return BufferValid_; }
    void SetBufferValid(bool Value) { BufferValid_ = Value; }
    // The buffer bitmap; nil unless Buffered.
    platform::TBitmap *Buffer() const { return Buffer_.get(); }

private:
    bool &flagField(int Index);

    std::unique_ptr<TKCLAlphaObject> AlphaBlend_;
    bool BufferValid_ = false;
    bool Invert_ = false;
    bool Buffered_ = false;
    bool GrayScale_ = false;
    bool FlipVertical_ = false;
    bool FlipHorizontal_ = false;
    bool Flag5_ = false;
    int32_t Brightness_ = 0;
    std::unique_ptr<platform::TBitmap> Buffer_;
};
