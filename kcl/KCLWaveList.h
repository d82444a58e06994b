// TKCLWaveList: a resource container of sounds. Each item, a
// TKCLWaveListItem, holds one TKCLWave with a description and a numeric
// identifier.
//
// Item record payload (after the item header of the container unit): present
// exactly when flag bit 3 is set, that is when the wave has data; the wave's
// sized record, or its compressed record when flag bit 0 (Compressed) is set.
// In a window description an item stores Description and Ident, and its whole
// record as the binary property "Internal".
#pragma once

#include "kcl/KCLCustomContainer.h"
#include "kcl/KCLWave.h"

class TKCLWaveListItem : public TKCLListItem {
    RBK_CLASS(TKCLWaveListItem, TKCLListItem)
public:
    static void PublishProperties(platform::TPropList &list);

    explicit TKCLWaveListItem(TComponent *AOwner);

    // The item's own wave; setting it copies the value into that wave.
    TKCLWave *Wave() const { return wave_.get(); }
    void SetWave(TKCLWave *Value) { wave_->Assign(Value); }

    // From a wave item: the header and the wave. Anything else raises
    // EConvertError.
    void Assign(platform::TPersistent *Source) override;
    void DefineProperties(platform::TFiler &Filer) override;

    bool IsEmpty() const override { return wave_->IsEmpty(); }
    // A record without data empties the wave.
    void LoadFromStream(platform::TStream &Stream) override;
    void SaveToStream(platform::TStream &Stream) override;
    uint8_t GetFlags() const override;
    void Clear() override { wave_->Clear(); }

private:
    std::unique_ptr<TKCLWave> wave_;
};

class TKCLWaveList : public TKCLCustomContainer {
    RBK_CLASS(TKCLWaveList, TKCLCustomContainer)
public:
    static void PublishProperties(platform::TPropList &list);

    // Registers TKCLWaveListItem for streaming the first time a wave list is
    // made in the process.
    explicit TKCLWaveList(TComponent *AOwner);
};
