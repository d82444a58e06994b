// TKCLAlphaObject: an overlay blended over a picture with a given Strength.
// The overlay is a fill object; for the fill style sfBitmapList its picture
// comes from an image list, which the object watches (it registers itself
// for the list's changes) and copies into the fill's ListBitmap whenever the
// list, ImageIndex or ListIndex changes.
//
// The image list is not owned. The object watches it through a change link,
// so the list and the object may be freed in either order: a list that goes
// first detaches the link, and the object then no longer sees it (ImageList
// answers nil). A reference copied by Assign is a plain value that is not
// watched; its holder must drop it before the list goes.
//
// Stream form of the list: a list of the global resource container (its
// bitmap or image list, which has no owner and no name) is written as the
// defined property "Internal" holding the list's signature, and the
// published ImageList is then left out; any other list is written as an
// ordinary component reference. Reading "Internal" sets the global list it
// names, or no list for any other text.
#pragma once

#include "kcl/KCLFillObject.h"
#include "platform/ImgList.h"

#include <memory>

class TKCLAlphaObject : public TKCLObject {
    RBK_CLASS(TKCLAlphaObject, TKCLObject)
public:
    explicit TKCLAlphaObject(TPersistent *AOwner);
    ~TKCLAlphaObject() override;

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    // Notifies with a nil sender.
    void Changed(TObject *Sender) override;
    AnsiString GetStatusText() override;
    void DefineProperties(platform::TFiler &Filer) override;

    platform::TCustomImageList *ImageList() const;
    void SetImageList(platform::TCustomImageList *Value);
    // Index 0 ImageIndex, 1 ListIndex. Setting one always refreshes the
    // list bitmap and notifies, also when the value is the same.
    int32_t GetIndex(int Index) const { return Index == 0 ? ImageIndex_ : ListIndex_; }
    void SetIndex(int Index, int32_t Value);
    int32_t ImageIndex() const { return ImageIndex_; }
    void SetImageIndex(int32_t Value) { SetIndex(0, Value); }
    int32_t ListIndex() const { return ListIndex_; }
    void SetListIndex(int32_t Value) { SetIndex(1, Value); }
    float Strength() const { return Strength_; }
    void SetStrength(float Value);
    TKCLFillObject *FillObject() const { return FillObject_.get(); }
    void SetFillObject(TKCLFillObject *Value) { FillObject_->Assign(Value); }

    // Copies the chosen picture of the image list into the fill's
    // ListBitmap (empties it when there is none), then notifies.
    void UpdateListBitmap();

private:
    bool StrengthStored() const;

    platform::TCustomImageList *ImageList_ = nullptr;
    float Strength_ = 0.6f;
    int32_t ImageIndex_ = 0;
    int32_t ListIndex_ = 0;
    std::unique_ptr<TKCLFillObject> FillObject_;
    // Registered with ImageList_ by the setter; its Sender turns nil when
    // the list is freed first.
    std::unique_ptr<platform::TChangeLink> ChangeLink_;
    bool Watching_ = false;
};

// The text of a number in fixed notation with Precision significant digits
// and Digits decimals, with the user's decimal separator.
AnsiString KCLFloatToStrFixed(double Value, int Precision, int Digits);
