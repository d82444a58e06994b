#include "kcl/KCLWaveList.h"

#include "kcl/KCLStreamUtils.h"

// ----------------------------------------------------------- TKCLWaveListItem

void TKCLWaveListItem::PublishProperties(platform::TPropList &list)
{
    using T = TKCLWaveListItem;
    platform::TPropertyTable<T> p(list);
    p.String("Description", &T::Description, &T::SetDescription);
    p.Integer("Ident", &T::Ident, &T::SetIdent);
}

TKCLWaveListItem::TKCLWaveListItem(TComponent *AOwner) : TKCLListItem(AOwner), wave_(std::make_unique<TKCLWave>(this)) {}

void TKCLWaveListItem::Assign(platform::TPersistent *Source)
{
    if (auto *src = dynamic_cast<TKCLWaveListItem *>(Source)) {
        AssignHeader(*src);
        wave_->Assign(src->Wave());
        return;
    }
    TKCLListItem::Assign(Source);
}

void TKCLWaveListItem::DefineProperties(platform::TFiler &Filer)
{
    TKCLListItem::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Internal", [this](platform::TStream &s) { LoadFromStream(s); },
        [this](platform::TStream &s) { SaveToStream(s); }, true);
}

uint8_t TKCLWaveListItem::GetFlags() const
{
    return TKCLListItem::GetFlags() | (IsEmpty() ? 0 : KCLItemHasData);
}

void TKCLWaveListItem::LoadFromStream(platform::TStream &Stream)
{
    if (ReadHeader(Stream) & KCLItemHasData)
        KCLReadWave(Stream, *wave_, Compressed());
    else
        wave_->Clear();
}

void TKCLWaveListItem::SaveToStream(platform::TStream &Stream)
{
    WriteHeader(Stream);
    if (!IsEmpty())
        KCLWriteWave(Stream, *wave_, Compressed());
}

// --------------------------------------------------------------- TKCLWaveList

void TKCLWaveList::PublishProperties(platform::TPropList &list)
{
    using T = TKCLWaveList;
    platform::TPropertyTable<T> p(list);
    p.Boolean("DefaultCompressed", &T::DefaultCompressed, &T::SetDefaultCompressed).Default(0);
}

TKCLWaveList::TKCLWaveList(TComponent *AOwner) : TKCLCustomContainer(AOwner)
{
    SetItemClass(TKCLWaveListItem::StaticClass());
    SetListKind(KCLListWave);
    KCLRegisterListItemClass(KCLListWave, TKCLWaveListItem::StaticClass());
}
