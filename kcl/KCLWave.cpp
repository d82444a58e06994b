#include "kcl/KCLWave.h"

#include "kcl/KCLUtils.h"
#include "platform/Sound.h"

#include <cstring>

using platform::TMemoryStream;
using platform::TStream;

TKCLWave::TKCLWave(TPersistent *AOwner) : TKCLCustomWave(AOwner) {}

TKCLWave::~TKCLWave()
{
    if (data_)
        StopSound();
}

TKCLWave *TKCLWave::CreateFromFile(const AnsiString &FileName)
{
    auto wave = std::make_unique<TKCLWave>(nullptr);
    wave->LoadFromFile(FileName);
    return wave.release();
}

bool TKCLWave::IsEmpty() const { return !data_ || data_->Size() == 0; }

int32_t TKCLWave::DataSize() const { return IsEmpty() ? 0 : int32_t(data_->Size()); }

void TKCLWave::SetData(std::unique_ptr<TMemoryStream> Stream)
{
    if (data_)
        StopSound();
    data_ = std::move(Stream);
    if (data_)
        data_->SetPosition(0);
    Change();
}

bool TKCLWave::Play(uint8_t Mode)
{
    if (IsEmpty() || platform::waveOutGetNumDevs() == 0)
        return false;
    uint32_t flags = platform::SND_MEMORY | platform::SND_NODEFAULT;
    if (Mode == KCLWavePlayAsync)
        flags |= platform::SND_ASYNC;
    else if (Mode == KCLWavePlayLoop)
        flags |= platform::SND_ASYNC | platform::SND_LOOP;
    return platform::sndPlaySoundA(data_->Memory(), flags) != 0;
}

void TKCLWave::StopSound() { platform::sndPlaySoundA(nullptr, platform::SND_MEMORY); }

void TKCLWave::ReadData(TStream &Stream)
{
    // A count cut short keeps the bytes that arrived; the read of the image
    // then fails on the count.
    uint8_t raw[4] = {0, 0, 0, 0};
    Stream.Read(raw, 4);
    const int32_t count = int32_t(uint32_t(raw[0]) | uint32_t(raw[1]) << 8 | uint32_t(raw[2]) << 16 |
                                  uint32_t(raw[3]) << 24);
    ReadWaveData(*this, count, Stream);
}

void TKCLWave::WriteData(TStream &Stream) { WriteWaveData(*this, Stream, true); }

void TKCLWave::LoadFromFile(const AnsiString &FileName)
{
    platform::TFileStream file(FileName, platform::fmOpenRead | platform::fmShareDenyRead);
    const int64_t size = file.Size();
    if (size > INT32_MAX)
        throw platform::EReadError("Stream read error");
    ReadWaveData(*this, int32_t(size), file);
}

void TKCLWave::LoadFromStream(TStream &Stream)
{
    const int64_t n = Stream.Size() - Stream.Position();
    if (n > INT32_MAX)
        throw platform::EReadError("Stream read error");
    ReadWaveData(*this, int32_t(n), Stream);
}

void TKCLWave::SaveToFile(const AnsiString &FileName)
{
    platform::TFileStream file(FileName, platform::fmCreate);
    SaveToStream(file);
}

void TKCLWave::SaveToStream(TStream &Stream) { WriteWaveData(*this, Stream, false); }

void TKCLWave::Assign(TPersistent *Source)
{
    if (!Source) {
        SetData(nullptr);
        return;
    }
    if (auto *src = dynamic_cast<TKCLWave *>(Source)) {
        // The copy is made before the old image goes, so that a wave
        // assigned to itself keeps its sound.
        auto copy = std::make_unique<TMemoryStream>();
        const int32_t n = src->DataSize();
        if (n > 0) {
            copy->SetSize(n);
            src->data_->SetPosition(0);
            src->data_->ReadBuffer(copy->Memory(), n);
            src->data_->SetPosition(0);
            copy->SetPosition(0);
        }
        if (data_)
            StopSound();
        data_ = std::move(copy);
        Change();
        return;
    }
    inherited::Assign(Source);
}

void TKCLWave::DefineProperties(platform::TFiler &Filer)
{
    inherited::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Data", [this](TStream &s) { ReadData(s); }, [this](TStream &s) { WriteData(s); }, data_ != nullptr);
}

bool GetWaveData(TStream *Stream, TKCLWaveFormatInfo &Info)
{
    if (!Stream || Stream->Size() == 0)
        return false;
    bool result = false;
    uint8_t b[12];
    const auto need = [&](int n) {
        if (Stream->Read(b, n) != n)
            throw EKCLErrorCheckingWave("GetWaveData: Cannot open file");
    };
    const auto le16 = [&](int at) { return uint16_t(b[at] | b[at + 1] << 8); };
    const auto le32 = [&](int at) { return uint32_t(le16(at)) | uint32_t(le16(at + 2)) << 16; };
    need(4);
    if (std::memcmp(b, "RIFF", 4) == 0) {
        need(4);
        const uint32_t riffSize = le32(0);
        need(4);
        if (std::memcmp(b, "WAVE", 4) == 0) {
            need(4);
            if (std::memcmp(b, "fmt ", 4) == 0) {
                need(4);
                need(12);
                const uint16_t tag = le16(0), channels = le16(2);
                const uint32_t rate = le32(4);
                need(2);
                Info.RiffSize = riffSize;
                Info.IsPCM = tag == 1;
                Info.Channels = channels == 1 ? 1 : channels == 2 ? 2 : 0;
                Info.SampleRate = rate;
                Info.BlockAlign = le16(0);
                result = true;
            }
        }
    }
    Stream->SetPosition(0);
    return result;
}

void ReadWaveData(TKCLWave &Wave, int32_t Count, TStream &Stream)
{
    if (Stream.Size() == 0) {
        Wave.SetData(nullptr);
        return;
    }
    // The count is checked against what the stream holds before any memory
    // is taken for it.
    if (Count < 0 || Count > Stream.Size() - Stream.Position())
        throw platform::EReadError("Stream read error");
    auto mem = std::make_unique<TMemoryStream>();
    mem->SetSize(Count);
    if (Count > 0)
        Stream.ReadBuffer(mem->Memory(), Count);
    mem->SetPosition(0);
    TKCLWaveFormatInfo info;
    if (GetWaveData(mem.get(), info))
        Wave.SetData(std::move(mem));
}

void WriteWaveData(TKCLWave &Wave, TStream &Stream, bool WithSize)
{
    if (!Wave.data_)
        Wave.data_ = std::make_unique<TMemoryStream>();
    const int32_t n = int32_t(Wave.data_->Size());
    if (WithSize) {
        const uint8_t raw[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
        Stream.WriteBuffer(raw, 4);
    }
    if (n > 0)
        Stream.WriteBuffer(Wave.data_->Memory(), n);
}

void ReadWaveSized(TKCLWave &Wave, TStream &Stream) { Wave.ReadData(Stream); }

void WriteWaveSized(TKCLWave &Wave, TStream &Stream) { Wave.WriteData(Stream); }

void ReadWaveCompressed(TKCLWave &Wave, TStream &Stream)
{
    TMemoryStream mem;
    KCLDecompressStream(Stream, mem, KCLCompressLZRW1);
    mem.SetPosition(0);
    Wave.LoadFromStream(mem);
}

void WriteWaveCompressed(TKCLWave &Wave, TStream &Stream)
{
    TMemoryStream mem;
    Wave.SaveToStream(mem);
    mem.SetPosition(0);
    KCLCompressStream(mem, Stream, mem.Size(), KCLCompressLZRW1);
}
