#include "kcl/KCLCustomContainer.h"

#include "kcl/KCLStreamUtils.h"

#include <algorithm>
#include <array>
#include <cstring>

using platform::EListError;
using platform::EReadError;
using platform::TClass;
using platform::TStream;

namespace {

struct TListKindInfo {
    const char *Signature;
    const char *Ext;
};

constexpr std::array<TListKindInfo, KCLListKindCount> ListKinds{{
    {"KCLIML30", "iml"},
    {"KCLBML30", "bmp"},
    {"KCLWVL30", "wav"},
    {"KCLSLL30", "txt"},
    {"KCLGLL50", "*"},
    {"KCLIML30", "bmp"},
}};

constexpr int SignatureSize = 9;

[[noreturn]] void listIndexError(int Index)
{
    throw EListError("List index out of bounds (" + platform::IntToStr(Index) + ")");
}

[[noreturn]] void readError() { throw EReadError("Stream read error"); }

int64_t bytesLeft(TStream &Stream) { return Stream.Size() - Stream.Position(); }

// Runs Body between BeginUpdate and EndUpdate(true); EndUpdate also runs when
// Body raises, and the exception passes on. (Not a destructor: a change
// handler that raises must not end the program.)
template <class Body>
void updating(TKCLCustomComponent &c, Body body)
{
    c.BeginUpdate();
    try {
        body();
    } catch (...) {
        c.EndUpdate(true);
        throw;
    }
    c.EndUpdate(true);
}

} // namespace

const char *KCLContainerSignature(uint8_t Kind)
{
    return Kind < KCLListKindCount ? ListKinds[Kind].Signature : "";
}

// --------------------------------------------------------------- TKCLListItem

TKCLListItem::TKCLListItem(TComponent *AOwner) : TKCLCustomComponent(AOwner) {}

void TKCLListItem::LoadFromStream(TStream &) {}

void TKCLListItem::SaveToStream(TStream &) {}

uint8_t TKCLListItem::GetFlags() const
{
    uint8_t flags = 0;
    if (compressed_)
        flags |= KCLItemCompressed;
    if (!description_.empty())
        flags |= KCLItemHasDescription;
    if (ident_ != 0)
        flags |= KCLItemHasIdent;
    return flags;
}

uint8_t TKCLListItem::ReadHeader(TStream &Stream)
{
    uint8_t flags = 0;
    Stream.ReadBuffer(&flags, 1);
    compressed_ = (flags & KCLItemCompressed) != 0;
    description_ = (flags & KCLItemHasDescription) ? KCLReadShortString(Stream) : AnsiString();
    ident_ = (flags & KCLItemHasIdent) ? uint16_t(uint32_t(KCLReadInteger(Stream)) & 0xFFFFu) : uint16_t(0);
    return flags;
}

void TKCLListItem::WriteHeader(TStream &Stream)
{
    const uint8_t flags = GetFlags();
    Stream.WriteBuffer(&flags, 1);
    if (flags & KCLItemHasDescription)
        KCLWriteShortString(Stream, description_);
    if (flags & KCLItemHasIdent)
        KCLWriteInteger(Stream, ident_);
}

void TKCLListItem::AssignHeader(const TKCLListItem &Source)
{
    compressed_ = Source.compressed_;
    description_ = Source.description_;
    ident_ = Source.ident_;
}

void TKCLListItem::Change()
{
    TKCLCustomComponent::Change();
    if (auto *container = dynamic_cast<TKCLCustomContainer *>(Owner()); container && container->OnChange.Assigned())
        container->OnChange(this);
}

void TKCLListItem::ReadState(platform::TReader &Reader)
{
    TKCLCustomComponent::ReadState(Reader);
    if (auto *container = dynamic_cast<TKCLCustomContainer *>(Reader.Parent()))
        container->AddItem(this);
}

// -------------------------------------------------------- TKCLCustomContainer

TKCLCustomContainer::TKCLCustomContainer(TComponent *AOwner) : TKCLBaseController(AOwner) {}

TKCLCustomContainer::~TKCLCustomContainer()
{
    // The items are owned components and go with the container.
    items_.clear();
}

TKCLListItem *TKCLCustomContainer::Item(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(items_.size()))
        listIndexError(Index);
    return items_[static_cast<size_t>(Index)];
}

int TKCLCustomContainer::IndexOfItem(const TKCLListItem *Item) const
{
    auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TKCLCustomContainer::AddItem(TKCLListItem *Item)
{
    if (Item != nullptr) {
        if (const int at = IndexOfItem(Item); at >= 0)
            return at;
    } else {
        if (itemClass_ == nullptr || !itemClass_->InheritsFrom(TKCLListItem::StaticClass()))
            throw platform::EComponentError(ClassName() + " has no item class");
        Item = static_cast<TKCLListItem *>(platform::CreateComponent(itemClass_, this));
    }
    // An item owned elsewhere must not stay in the list once it is freed.
    if (Item->Owner() != this)
        Item->FreeNotification(this);
    items_.push_back(Item);
    Change();
    return static_cast<int>(items_.size()) - 1;
}

void TKCLCustomContainer::ClearItems()
{
    std::vector<TKCLListItem *> items;
    items.swap(items_);
    for (TKCLListItem *item : items)
        item->Free();
    Change();
}

void TKCLCustomContainer::CopyItems(TKCLCustomContainer *Source)
{
    for (int i = 0; i < Source->Count(); ++i) {
        if (itemClass_ == nullptr || !itemClass_->InheritsFrom(TKCLListItem::StaticClass()))
            throw platform::EComponentError(ClassName() + " has no item class");
        auto *item = static_cast<TKCLListItem *>(platform::CreateComponent(itemClass_, this));
        items_.push_back(item);
        item->Assign(Source->Item(i));
    }
    Change();
}

void TKCLCustomContainer::Assign(platform::TPersistent *Source)
{
    auto *src = dynamic_cast<TKCLCustomContainer *>(Source);
    if (src == nullptr || !(src->InheritsFrom(ClassType()) || InheritsFrom(src->ClassType()))) {
        TKCLBaseController::Assign(Source);
        return;
    }
    if (src == this)
        return;
    updating(*this, [&] {
        ClearItems();
        defaultCompressed_ = src->DefaultCompressed();
        CopyItems(src);
    });
}

void TKCLCustomContainer::SaveToStream(TStream &Stream, bool WithIndex) { KCLSaveItemsToStream(Stream, items_, WithIndex); }

void TKCLCustomContainer::LoadFromStream(TStream &Stream, bool WithIndex)
{
    updating(*this, [&] {
        ClearItems();
        const int32_t count = KCLReadItemCount(Stream, WithIndex);
        for (int32_t i = 0; i < count; ++i)
            Item(AddItem(nullptr))->LoadFromStream(Stream);
    });
}

void TKCLCustomContainer::GetChildren(const platform::TGetChildProc &Proc, TComponent *)
{
    for (TKCLListItem *item : items_)
        Proc(item);
}

void TKCLCustomContainer::Notification(TComponent *AComponent, platform::TOperation Operation)
{
    TKCLBaseController::Notification(AComponent, Operation);
    if (Operation == platform::opRemove) {
        // Only addresses are compared: the component may be half destroyed, so
        // no cast may look at its class (the component part of an item starts
        // at the item's address).
        const void *gone = AComponent;
        std::erase_if(items_, [gone](TKCLListItem *item) { return static_cast<const void *>(item) == gone; });
    }
}

// ------------------------------------------------------- shared by the lists

void KCLRegisterListItemClass(uint8_t Kind, TClass ItemClass)
{
    static std::array<bool, KCLListKindCount> registered{};
    if (Kind >= KCLListKindCount || registered[Kind] || ItemClass == nullptr)
        return;
    platform::RegisterClass(ItemClass);
    registered[Kind] = true;
}

void KCLSaveItemsToStream(TStream &Stream, const std::vector<TKCLListItem *> &Items, bool WithIndex)
{
    const auto count = static_cast<int32_t>(Items.size());
    KCLWriteInteger(Stream, count);
    if (!WithIndex || count == 0) {
        for (TKCLListItem *item : Items)
            item->SaveToStream(Stream);
        return;
    }
    // Room for the positions, filled in once the records stand.
    const int64_t p0 = Stream.Position();
    const std::vector<uint8_t> room(static_cast<size_t>(count) * 4, 0);
    Stream.WriteBuffer(room.data(), static_cast<int32_t>(room.size()));
    std::vector<int32_t> positions;
    positions.reserve(Items.size());
    for (TKCLListItem *item : Items) {
        positions.push_back(static_cast<int32_t>(Stream.Position()));
        item->SaveToStream(Stream);
    }
    const int64_t p1 = Stream.Position();
    Stream.SetPosition(p0);
    for (int32_t p : positions)
        KCLWriteInteger(Stream, p);
    Stream.SetPosition(p1);
}

int32_t KCLReadItemCount(TStream &Stream, bool WithIndex)
{
    const int32_t count = KCLReadInteger(Stream);
    if (count < 0)
        readError();
    if (count == 0)
        return 0;
    // Each record takes at least its flags byte, each position 4 bytes.
    const int64_t needed = int64_t(count) * (WithIndex ? 5 : 1);
    if (needed > bytesLeft(Stream))
        readError();
    if (WithIndex)
        Stream.Seek(int64_t(count) * 4, platform::TSeekOrigin::soCurrent);
    return count;
}

// -------------------------------------------------------- container files

AnsiString KCLContainerFileExt(int Kind, bool WithDot)
{
    if (Kind < 0 || Kind >= KCLListKindCount)
        return AnsiString();
    AnsiString ext = ListKinds[static_cast<size_t>(Kind)].Ext;
    return WithDot ? "." + ext : ext;
}

int KCLProbeContainerStream(TStream &Stream, int32_t &Count, std::vector<int32_t> *Positions)
{
    Count = -1;
    uint8_t sig[SignatureSize] = {};
    const int32_t got = Stream.Read(sig, SignatureSize);
    int kind = KCLListKindCount;
    if (got == SignatureSize && sig[0] == 8) {
        for (int k = 0; k < KCLListKindCount; ++k)
            if (std::memcmp(sig + 1, ListKinds[static_cast<size_t>(k)].Signature, 8) == 0) {
                kind = k;
                break;
            }
    }
    uint8_t raw[4];
    if (got == SignatureSize && Stream.Read(raw, 4) == 4)
        Count = int32_t(uint32_t(raw[0]) | uint32_t(raw[1]) << 8 | uint32_t(raw[2]) << 16 | uint32_t(raw[3]) << 24);
    else if (kind != KCLListKindCount)
        readError();
    if (kind != KCLListKindCount && Positions != nullptr) {
        Positions->clear();
        if (Count < 0 || int64_t(Count) * 4 > bytesLeft(Stream))
            readError();
        Positions->reserve(static_cast<size_t>(Count));
        for (int32_t i = 0; i < Count; ++i)
            Positions->push_back(KCLReadInteger(Stream));
    }
    return kind;
}

int KCLProbeContainerFile(const AnsiString &FileName, int32_t &Count, std::vector<int32_t> *Positions)
{
    Count = -1;
    platform::TFileStream file(FileName, platform::fmOpenRead | platform::fmShareDenyWrite);
    return KCLProbeContainerStream(file, Count, Positions);
}

bool KCLLoadItemFromStream(TStream &Stream, const std::vector<int32_t> *Positions, int Index, TKCLListItem *Item)
{
    if (Positions == nullptr)
        return false;
    if (Index < 0 || Index >= static_cast<int>(Positions->size()))
        listIndexError(Index);
    const int32_t at = (*Positions)[static_cast<size_t>(Index)];
    if (at < 0 || at >= Stream.Size())
        readError();
    Stream.SetPosition(at);
    Item->LoadFromStream(Stream);
    return true;
}

bool KCLLoadItemFromFile(const AnsiString &FileName, int Kind, const std::vector<int32_t> *Positions, int Index,
                         TKCLListItem *Item)
{
    std::vector<int32_t> probed;
    if (Positions == nullptr) {
        int32_t count = -1;
        if (KCLProbeContainerFile(FileName, count, &probed) != Kind)
            throw platform::EFOpenError("Cannot open file " + platform::PathToText(FileName));
        Positions = &probed;
    }
    platform::TFileStream file(FileName, platform::fmOpenRead | platform::fmShareDenyWrite);
    return KCLLoadItemFromStream(file, Positions, Index, Item);
}
