// TKCLStringList: a resource container of texts. Each item, a
// TKCLStringListItem, holds one string list with a description and a numeric
// identifier.
//
// Item record payload (after the item header of the container unit): present
// exactly when flag bit 3 is set, that is when the list has lines; the lines,
// each ended by CR LF, as a sized record, or compressed when flag bit 0
// (Compressed) is set. In a window description an item stores Description
// and Ident, and its whole record as the binary property "Internal".
#pragma once

#include "kcl/KCLCustomContainer.h"

class TKCLStringListItem : public TKCLListItem {
    RBK_CLASS(TKCLStringListItem, TKCLListItem)
public:
    static void PublishProperties(platform::TPropList &list);

    explicit TKCLStringListItem(TComponent *AOwner);

    // The item's own lines; setting them copies the value's lines.
    platform::TStringList &Items() { return items_; }
    const platform::TStringList &Items() const { return items_; }
    void SetItems(const platform::TStringList &Value) { items_ = Value; }

    // From a string item: the header and the lines. Anything else raises
    // EConvertError.
    void Assign(platform::TPersistent *Source) override;
    // From a plain string list: its lines only (Description, Ident and
    // Compressed stay).
    void Assign(const platform::TStringList &Source) { items_ = Source; }
    void DefineProperties(platform::TFiler &Filer) override;

    bool IsEmpty() const override { return items_.IsEmpty(); }
    // A record without data empties the list.
    void LoadFromStream(platform::TStream &Stream) override;
    void SaveToStream(platform::TStream &Stream) override;
    uint8_t GetFlags() const override;
    void Clear() override { items_.Clear(); }

private:
    platform::TStringList items_;
};

class TKCLStringList : public TKCLCustomContainer {
    RBK_CLASS(TKCLStringList, TKCLCustomContainer)
public:
    static void PublishProperties(platform::TPropList &list);

    // Registers TKCLStringListItem for streaming the first time a string list
    // is made in the process.
    explicit TKCLStringList(TComponent *AOwner);
};
