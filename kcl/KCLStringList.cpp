#include "kcl/KCLStringList.h"

#include "kcl/KCLStreamUtils.h"

// ----------------------------------------------------------- TKCLStringListItem

void TKCLStringListItem::PublishProperties(platform::TPropList &list)
{
    using T = TKCLStringListItem;
    platform::TPropertyTable<T> p(list);
    p.String("Description", &T::Description, &T::SetDescription);
    p.Integer("Ident", &T::Ident, &T::SetIdent);
}

TKCLStringListItem::TKCLStringListItem(TComponent *AOwner) : TKCLListItem(AOwner) {}

void TKCLStringListItem::Assign(platform::TPersistent *Source)
{
    if (auto *src = dynamic_cast<TKCLStringListItem *>(Source)) {
        AssignHeader(*src);
        items_ = src->Items();
        return;
    }
    TKCLListItem::Assign(Source);
}

void TKCLStringListItem::DefineProperties(platform::TFiler &Filer)
{
    TKCLListItem::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Internal", [this](platform::TStream &s) { LoadFromStream(s); },
        [this](platform::TStream &s) { SaveToStream(s); }, true);
}

uint8_t TKCLStringListItem::GetFlags() const
{
    return TKCLListItem::GetFlags() | (IsEmpty() ? 0 : KCLItemHasData);
}

void TKCLStringListItem::LoadFromStream(platform::TStream &Stream)
{
    if (ReadHeader(Stream) & KCLItemHasData)
        KCLReadStrings(Stream, items_, Compressed());
    else
        items_.Clear();
}

void TKCLStringListItem::SaveToStream(platform::TStream &Stream)
{
    WriteHeader(Stream);
    if (!IsEmpty())
        KCLWriteStrings(Stream, items_, Compressed());
}

// --------------------------------------------------------------- TKCLStringList

void TKCLStringList::PublishProperties(platform::TPropList &list)
{
    using T = TKCLStringList;
    platform::TPropertyTable<T> p(list);
    p.Boolean("DefaultCompressed", &T::DefaultCompressed, &T::SetDefaultCompressed).Default(0);
}

TKCLStringList::TKCLStringList(TComponent *AOwner) : TKCLCustomContainer(AOwner)
{
    SetItemClass(TKCLStringListItem::StaticClass());
    SetListKind(KCLListString);
    KCLRegisterListItemClass(KCLListString, TKCLStringListItem::StaticClass());
}
