// TKCLContainer bundles one list of each kind (bitmap list, image list, wave
// list, string list) behind one controller, so that controls can draw on a
// shared set of resources and be told when any of them changes.
//
// The unit keeps one process-wide container, KCLDefaultContainer, made by
// KCLContInit and freed by KCLContFini. A container placed on a form while it
// is being designed copies every change of its lists into the global
// container's lists.
//
// The unit also treats the library's image lists and the class library's image
// lists alike (KCLIsValidListImage, KCLGetListImage), and stores a reference to
// one of the global container's picture lists in a window description as its
// signature (KCLWriteListRef, KCLReadListRef): the global container has no
// owner or name, so an ordinary component reference cannot name its lists.
#pragma once

#include "kcl/KCLBaseController.h"
#include "kcl/KCLBitmapList.h"
#include "kcl/KCLImageList.h"
#include "kcl/KCLStringList.h"
#include "kcl/KCLWaveList.h"
#include "platform/ImgList.h"

class TKCLContainer : public TKCLBaseController {
    RBK_CLASS(TKCLContainer, TKCLBaseController)
public:
    // Makes the lists, owned by the container, in the order bitmap list,
    // image list, string list, wave list, each with its OnChange bound to
    // this container's Changed.
    explicit TKCLContainer(TComponent *AOwner);
    ~TKCLContainer() override;

    TKCLBitmapList *BitmapList() const { return bitmapList_; }
    TKCLImageList *ImageList() const { return imageList_; }
    TKCLWaveList *WaveList() const { return waveList_; }
    TKCLStringList *StringList() const { return stringList_; }

    // While designed (and not the global container): the global container's
    // list of the same kind as Sender is assigned from Sender. Then Change.
    void Changed(TObject *Sender) override;

protected:
    // A list freed on its own leaves its slot.
    void Notification(TComponent *AComponent, platform::TOperation Operation) override;

private:
    TKCLBitmapList *bitmapList_ = nullptr;
    TKCLImageList *imageList_ = nullptr;
    TKCLWaveList *waveList_ = nullptr;
    TKCLStringList *stringList_ = nullptr;
};

// The global container: nil before KCLContInit and after KCLContFini.
extern TKCLContainer *KCLDefaultContainer;

// Unit start-up and finalisation, counted: the first start-up makes the
// global container (and so registers the item classes of its lists), the
// matching last finalisation frees it.
void KCLContInit();
void KCLContFini();
// Registers the list classes and their item classes for streaming, as
// making the lists does; for programs that read lists without the global
// container.
void KCLRegisterListClasses();

// False for nil; the library's image lists answer with their own test; any
// other image list: 0 <= ImageIndex < its image count (ListIndex unused).
bool KCLIsValidListImage(platform::TCustomImageList *List, int ListIndex, int ImageIndex);
// Copies one picture into Target; nothing when List or Target is nil.
void KCLGetListImage(platform::TCustomImageList *List, int ListIndex, int ImageIndex, platform::TBitmap *Target);
// True for the global container's bitmap list or image list (not nil).
bool KCLIsGlobalList(const platform::TCustomImageList *List);
// Writes "KCLBML30" for the global bitmap list, "KCLIML30" for the global
// image list, nothing for any other list.
void KCLWriteListRef(platform::TWriter &Writer, const platform::TCustomImageList *List);
// Reads one string: the global bitmap list for "KCLBML30", the global image
// list for "KCLIML30", nil for anything else.
platform::TCustomImageList *KCLReadListRef(platform::TReader &Reader);
