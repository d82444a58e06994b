#include "kcl/KCLCont.h"

TKCLContainer *KCLDefaultContainer = nullptr;

namespace {
int initCount = 0;
} // namespace

TKCLContainer::TKCLContainer(TComponent *AOwner) : TKCLBaseController(AOwner)
{
    const auto changed = TNotifyEvent::Bind<&TKCLContainer::Changed>(this);
    bitmapList_ = platform::NewComponent<TKCLBitmapList>(this);
    bitmapList_->OnChange = changed;
    imageList_ = platform::NewComponent<TKCLImageList>(this);
    imageList_->OnChange = changed;
    stringList_ = platform::NewComponent<TKCLStringList>(this);
    stringList_->OnChange = changed;
    waveList_ = platform::NewComponent<TKCLWaveList>(this);
    waveList_->OnChange = changed;
}

TKCLContainer::~TKCLContainer()
{
    for (platform::TCustomImageList *l : {static_cast<platform::TCustomImageList *>(bitmapList_),
                                          static_cast<platform::TCustomImageList *>(imageList_)})
        if (l != nullptr)
            l->OnChange.Clear();
    for (TKCLCustomContainer *l : {static_cast<TKCLCustomContainer *>(waveList_), static_cast<TKCLCustomContainer *>(stringList_)})
        if (l != nullptr)
            l->OnChange.Clear();
    // The string list goes with the owned components.
    for (TComponent *l : {static_cast<TComponent *>(bitmapList_), static_cast<TComponent *>(imageList_),
                          static_cast<TComponent *>(waveList_)})
        if (l != nullptr)
            l->Free();
}

void TKCLContainer::Changed(TObject *Sender)
{
    TKCLContainer *global = KCLDefaultContainer;
    if (ComponentState().Contains(platform::csDesigning) && global != nullptr && global != this && Sender != nullptr) {
        if (Sender == bitmapList_ && global->bitmapList_ != nullptr)
            global->bitmapList_->Assign(bitmapList_);
        else if (Sender == imageList_ && global->imageList_ != nullptr)
            global->imageList_->Assign(imageList_);
        else if (Sender == waveList_ && global->waveList_ != nullptr)
            global->waveList_->Assign(waveList_);
        else if (Sender == stringList_ && global->stringList_ != nullptr)
            global->stringList_->Assign(stringList_);
    }
    Change();
}

void TKCLContainer::Notification(TComponent *AComponent, platform::TOperation Operation)
{
    TKCLBaseController::Notification(AComponent, Operation);
    if (Operation != platform::opRemove)
        return;
    // Addresses only: the list may be half destroyed.
    const void *gone = AComponent;
    if (gone == static_cast<const void *>(bitmapList_))
        bitmapList_ = nullptr;
    if (gone == static_cast<const void *>(imageList_))
        imageList_ = nullptr;
    if (gone == static_cast<const void *>(waveList_))
        waveList_ = nullptr;
    if (gone == static_cast<const void *>(stringList_))
        stringList_ = nullptr;
}

void KCLContInit()
{
    if (initCount-- == 0)
        KCLDefaultContainer = new TKCLContainer(nullptr);
}

void KCLContFini()
{
    if (++initCount == 0) {
        TKCLContainer *c = KCLDefaultContainer;
        KCLDefaultContainer = nullptr;
        if (c != nullptr)
            c->Free();
    }
}

void KCLRegisterListClasses()
{
    KCLBitmapListRegistration();
    KCLImageListRegistration();
    platform::RegisterClass(TKCLWaveList::StaticClass());
    KCLRegisterListItemClass(KCLListWave, TKCLWaveListItem::StaticClass());
    platform::RegisterClass(TKCLStringList::StaticClass());
    KCLRegisterListItemClass(KCLListString, TKCLStringListItem::StaticClass());
}

bool KCLIsValidListImage(platform::TCustomImageList *List, int ListIndex, int ImageIndex)
{
    if (List == nullptr)
        return false;
    if (auto *own = dynamic_cast<TKCLCustomImageList *>(List))
        return own->IsValidImage(ListIndex, ImageIndex);
    return ImageIndex >= 0 && ImageIndex < List->Count();
}

void KCLGetListImage(platform::TCustomImageList *List, int ListIndex, int ImageIndex, platform::TBitmap *Target)
{
    if (List == nullptr || Target == nullptr)
        return;
    if (auto *own = dynamic_cast<TKCLCustomImageList *>(List))
        own->GetImageBitmap(ListIndex, ImageIndex, Target);
    else
        List->GetBitmap(ImageIndex, *Target);
}

bool KCLIsGlobalList(const platform::TCustomImageList *List)
{
    return List != nullptr && KCLDefaultContainer != nullptr &&
           (List == KCLDefaultContainer->BitmapList() || List == KCLDefaultContainer->ImageList());
}

void KCLWriteListRef(platform::TWriter &Writer, const platform::TCustomImageList *List)
{
    if (List == nullptr || KCLDefaultContainer == nullptr)
        return;
    if (List == KCLDefaultContainer->BitmapList())
        Writer.WriteString(KCLContainerSignature(KCLListBitmap));
    else if (List == KCLDefaultContainer->ImageList())
        Writer.WriteString(KCLContainerSignature(KCLListImage));
}

platform::TCustomImageList *KCLReadListRef(platform::TReader &Reader)
{
    const AnsiString ref = Reader.ReadString();
    if (KCLDefaultContainer == nullptr)
        return nullptr;
    if (ref == KCLContainerSignature(KCLListBitmap))
        return KCLDefaultContainer->BitmapList();
    if (ref == KCLContainerSignature(KCLListImage))
        return KCLDefaultContainer->ImageList();
    return nullptr;
}
