// Image lists: pictures of one size kept in order, as tool bars and menus
// use them. TCustomImageList is the base the component library extends.
//
// Change links: an object that wants to hear of a list's changes registers
// a TChangeLink with it; Change calls every registered link (in the order
// of registration) and then OnChange. The list and its links detach from
// each other whichever goes first: a list being destroyed clears the Sender
// of every link still registered, and a link being destroyed unregisters
// itself from its Sender. So a link may outlive its list and a list may
// outlive its links, in either order, without touching freed memory.
//
// Keyed listeners (RegisterChanges with a key and a function) are the
// lighter form for components, which also watch the list by free
// notification; they must unregister before the list goes.
//
// Drawing: DrawingStyle, ImageType, BkColor and BlendColor decide how Draw
// shows a picture: itMask draws its mask (white where the picture is
// transparent, black where it is opaque); dsTransparent, and dsNormal with
// BkColor clNone, draw it over what is there; dsNormal with a BkColor draws
// it on that colour; dsSelected and dsFocus do the same and then cover the
// picture with BlendColor in the half or three-quarter blend pattern.
#pragma once

#include "platform/Components.h"
#include "platform/Graphics.h"

#include <QImage>
#include <functional>
#include <map>
#include <vector>

namespace platform {

class TBitmap;
class TCustomImageList;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

class TChangeLink {
public:
    TChangeLink() = default;
    // Unregisters from the Sender, if the link still has one.
    virtual ~TChangeLink();
    TChangeLink(const TChangeLink &) = delete;
    TChangeLink &operator=(const TChangeLink &) = delete;

    // The list the link is registered with, or nil.
    TCustomImageList *Sender() const { return sender_; }
    void SetSender(TCustomImageList *value) { sender_ = value; }
    // Fires OnChange with the Sender.
    virtual void Change();

    TNotifyEvent OnChange;

private:
    TCustomImageList *sender_ = nullptr;
};

class TCustomImageList : public TComponent {
    RBK_CLASS(TCustomImageList, TComponent)
public:
    explicit TCustomImageList(TComponent *AOwner);
    // Detaches every link still registered.
    ~TCustomImageList() override;

    // From another image list: its size, pictures and drawing settings, with
    // one change notification. Anything else raises the conversion error.
    void Assign(TPersistent *Source) override;

    int Width() const { return width_; }
    void SetWidth(int value);
    int Height() const { return height_; }
    void SetHeight(int value);
    int Count() const { return static_cast<int>(images_.size()); }

    TDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle value);
    TImageType ImageType() const { return imageType_; }
    void SetImageType(TImageType value);
    TColor BkColor() const { return bkColor_; }
    void SetBkColor(TColor value);
    TColor BlendColor() const { return blendColor_; }
    void SetBlendColor(TColor value);

    // Adds a picture (scaled to the list's size when it differs); returns
    // its index. AddMasked makes the mask colour transparent.
    int Add(const QImage &image);
    int AddMasked(const QImage &image, TColor maskColor);
    void Delete(int index);
    void Clear();
    // The picture at an index (a null image outside the list).
    QImage Image(int index) const;
    // Copies the picture into a bitmap; false outside the list.
    bool GetBitmap(int index, TBitmap &bitmap) const;
    void Draw(TCanvas &canvas, int x, int y, int index, bool enabled = true) const;

    // Calls every registered link, then OnChange.
    virtual void Change();
    TNotifyEvent OnChange;
    // Registering sets the link's Sender to this list (a link registered
    // elsewhere is taken off that list first); unregistering clears it.
    void RegisterChanges(TChangeLink *Value);
    void UnRegisterChanges(TChangeLink *Value);
    int LinkCount() const { return static_cast<int>(links_.size()); }
    void RegisterChanges(const void *key, std::function<void()> listener);
    void UnRegisterChanges(const void *key);

private:
    int width_ = 16;
    int height_ = 16;
    TDrawingStyle drawingStyle_ = dsNormal;
    TImageType imageType_ = itImage;
    TColor bkColor_ = clNone;
    TColor blendColor_ = clNone;
    std::vector<QImage> images_;
    std::vector<TChangeLink *> links_;
    std::map<const void *, std::function<void()>> listeners_;
};

class TImageList : public TCustomImageList {
    RBK_CLASS(TImageList, TCustomImageList)
public:
    explicit TImageList(TComponent *AOwner) : TCustomImageList(AOwner) {}
};

// The blend patterns of the selected and focused drawing styles: every pixel
// (x, y) takes Color where exactly one of x and y is even (Half true) or
// where x or y is even (Half false). Nothing for an empty image or clNone.
void ImageListBlend(QImage &image, TColor Color, bool Half);

// The normal and the disabled image list of a control (tool bar, main menu),
// followed through change links, which a list clears as it goes. `changed`
// runs whenever either list changes or is replaced, and when one goes away:
// the owner passes its remove notifications on.
class TImageListPair {
public:
    TImageListPair(TComponent *owner, std::function<void()> changed);
    TImageListPair(const TImageListPair &) = delete;
    TImageListPair &operator=(const TImageListPair &) = delete;

    TCustomImageList *Images() const { return images_.Sender(); }
    TCustomImageList *DisabledImages() const { return disabled_.Sender(); }
    void SetImages(TCustomImageList *value) { set(images_, imagesShown_, value); }
    void SetDisabledImages(TCustomImageList *value) { set(disabled_, disabledShown_, value); }
    void Notification(TComponent *AComponent, TOperation Operation);
    // Leaves both lists at once, without telling the owner.
    void Detach();

private:
    void set(TChangeLink &link, const TComponent *&shown, TCustomImageList *value);
    TComponent *owner_;
    std::function<void()> changed_;
    TChangeLink images_;
    TChangeLink disabled_;
    // Only recognise a list's free notice.
    const TComponent *imagesShown_ = nullptr;
    const TComponent *disabledShown_ = nullptr;
};

} // namespace platform
