#include "kcl/KCLCustomImageList.h"

#include <algorithm>

using platform::TClass;
using platform::TStream;

const platform::TEnumInfo TKCLSavePixelFormatInfo{"TKCLSavePixelFormat",
                                                  {"spfDefault", "spfMono", "spf4bit", "spf8bit", "spf16bit"}};

int KCLSavePixelFormatColors(TKCLSavePixelFormat Format)
{
    switch (Format) {
    case spfMono: return 2;
    case spf4bit: return 16;
    case spf8bit: return 256;
    case spf16bit: return 65536;
    default: return -1;
    }
}

uint8_t KCLSavePixelFormatFlag(TKCLSavePixelFormat Format)
{
    switch (Format) {
    case spfMono: return KCLItemPixelMono;
    case spf4bit: return KCLItemPixel4Bit;
    case spf8bit: return KCLItemPixel8Bit;
    case spf16bit: return KCLItemPixel16Bit;
    default: return 0;
    }
}

TKCLSavePixelFormat KCLSavePixelFormatFromFlags(uint8_t Flags)
{
    if (Flags & KCLItemPixelMono)
        return spfMono;
    if (Flags & KCLItemPixel4Bit)
        return spf4bit;
    if (Flags & KCLItemPixel8Bit)
        return spf8bit;
    if (Flags & KCLItemPixel16Bit)
        return spf16bit;
    return spfDefault;
}

void KCLListIndexError(int Index)
{
    throw platform::EListError("List index out of bounds (" + platform::IntToStr(Index) + ")");
}

namespace {

// Runs EndUpdate(true) when the scope is left, also by an exception.
class TListUpdate {
public:
    explicit TListUpdate(TKCLCustomImageList &l) : l_(l) { l_.BeginUpdate(); }
    ~TListUpdate() { l_.EndUpdate(true); }
    TListUpdate(const TListUpdate &) = delete;
    TListUpdate &operator=(const TListUpdate &) = delete;

private:
    TKCLCustomImageList &l_;
};

} // namespace

void TKCLCustomImageList::PublishProperties(platform::TPropList &list)
{
    using T = TKCLCustomImageList;
    platform::TPropertyTable<T> p(list);
    p.String("About", &T::About, &T::SetAbout).Stored(false);
}

TKCLCustomImageList::TKCLCustomImageList(TComponent *AOwner) : TCustomImageList(AOwner) {}

TKCLCustomImageList::~TKCLCustomImageList()
{
    // The items go with the owned components; nothing is reported from here.
    Destroying();
    items_.clear();
}

TKCLListItem *TKCLCustomImageList::Item(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(items_.size()))
        KCLListIndexError(Index);
    return items_[static_cast<size_t>(Index)];
}

int TKCLCustomImageList::IndexOfItem(const TKCLListItem *Item) const
{
    auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TKCLListItem *TKCLCustomImageList::NewItem()
{
    if (itemClass_ == nullptr || !itemClass_->InheritsFrom(TKCLListItem::StaticClass()))
        throw platform::EComponentError(ClassName() + " has no item class");
    return static_cast<TKCLListItem *>(platform::CreateComponent(itemClass_, this));
}

int TKCLCustomImageList::AddItem(TKCLListItem *Item)
{
    if (Item != nullptr) {
        if (const int at = IndexOfItem(Item); at >= 0)
            return at;
    } else {
        Item = NewItem();
    }
    if (Item->Owner() != this)
        Item->FreeNotification(this);
    items_.push_back(Item);
    Change();
    return static_cast<int>(items_.size()) - 1;
}

void TKCLCustomImageList::ClearItems()
{
    std::vector<TKCLListItem *> items;
    items.swap(items_);
    for (TKCLListItem *item : items)
        if (item->Owner() == this)
            item->Free();
        else
            item->RemoveFreeNotification(this);
    Change();
}

void TKCLCustomImageList::CopyItems(TKCLCustomImageList *Source)
{
    for (int i = 0; i < Source->Count(); ++i) {
        TKCLListItem *item = NewItem();
        items_.push_back(item);
        item->Assign(Source->Item(i));
    }
    Change();
}

void TKCLCustomImageList::Assign(platform::TPersistent *Source)
{
    auto *src = dynamic_cast<TKCLCustomImageList *>(Source);
    if (src == nullptr || !(src->InheritsFrom(ClassType()) || InheritsFrom(src->ClassType()))) {
        TCustomImageList::Assign(Source);
        return;
    }
    if (src == this)
        return;
    TListUpdate update(*this);
    ClearItems();
    defaultCompressed_ = src->DefaultCompressed();
    CopyItems(src);
}

void TKCLCustomImageList::BeginUpdate() { ++updateCounter_; }

void TKCLCustomImageList::EndUpdate(bool Notify)
{
    if (updateCounter_ > 0)
        --updateCounter_;
    if (updateCounter_ == 0 && Notify)
        Change();
}

void TKCLCustomImageList::Change()
{
    if (updateCounter_ == 0 && !ComponentState().Contains(platform::csDestroying))
        TCustomImageList::Change();
}

void TKCLCustomImageList::SaveToStream(TStream &Stream, bool WithIndex)
{
    KCLSaveItemsToStream(Stream, items_, WithIndex);
}

void TKCLCustomImageList::LoadFromStream(TStream &Stream, bool WithIndex)
{
    TListUpdate update(*this);
    ClearItems();
    const int32_t count = KCLReadItemCount(Stream, WithIndex);
    for (int32_t i = 0; i < count; ++i) {
        TKCLListItem *item = Item(AddItem(nullptr));
        item->LoadFromStream(Stream);
    }
}

void TKCLCustomImageList::DefineProperties(platform::TFiler &Filer)
{
    // The component's design position only; the image list's own picture
    // data is left out on purpose.
    TComponent::DefineProperties(Filer);
}

void TKCLCustomImageList::GetChildren(const platform::TGetChildProc &Proc, TComponent *)
{
    for (TKCLListItem *item : items_)
        Proc(item);
}

void *TKCLCustomImageList::GetInterface(const platform::TGUID &iid)
{
    if (iid == IKCLComponentIdentity::IID)
        return static_cast<IKCLComponentIdentity *>(this);
    return TComponent::GetInterface(iid);
}

void TKCLCustomImageList::Notification(TComponent *AComponent, platform::TOperation Operation)
{
    TCustomImageList::Notification(AComponent, Operation);
    if (Operation == platform::opRemove) {
        // Only addresses are compared: the component may be half destroyed.
        std::erase_if(items_, [AComponent](TKCLListItem *item) { return static_cast<TComponent *>(item) == AComponent; });
    }
}
