// A sound held as the complete image of a RIFF WAVE file in memory.
//
// TKCLWave takes an image only after the header check GetWaveData: "RIFF",
// a size, "WAVE", and "fmt " as the first chunk with its format fields (34
// bytes in all). Data that fails the check is ignored by every loading route
// (the wave keeps its content, nothing is reported); a header cut short raises
// EKCLErrorCheckingWave; a stream shorter than the byte count asked for raises
// EReadError. On any failure the wave keeps its previous content.
//
// Stored forms: the form-stream property "Data" and the sized record are a
// little-endian 32-bit count followed by the image; the compressed record is
// the LZRW1 compressed stream layout over the image.
//
// Every replacement or release of the image stops the sound first, because an
// asynchronous or looping sound plays straight from the image's memory.
#pragma once

#include "kcl/KCLObject.h"
#include "platform/Classes.h"
#include "platform/Streaming.h"

#include <cstdint>
#include <memory>

// Wave data that is not a WAVE image (no loading route raises it).
class EKCLInvalidWave : public platform::Exception {
public:
    using platform::Exception::Exception;
};

// A failure while reading a wave header; the message starts "GetWaveData: ".
class EKCLErrorCheckingWave : public platform::Exception {
public:
    using platform::Exception::Exception;
};

struct TKCLWaveFormatInfo {
    uint32_t RiffSize = 0;
    uint32_t SampleRate = 0;
    uint8_t Channels = 0; // 1 mono, 2 stereo, 0 any other count
    bool IsPCM = false;
    uint16_t BlockAlign = 0;
};

// Play modes.
enum : uint8_t { KCLWavePlaySync = 0, KCLWavePlayAsync = 1, KCLWavePlayLoop = 2 };

class TKCLCustomWave : public TKCLObject {
    RBK_CLASS(TKCLCustomWave, TKCLObject)
public:
    using TKCLObject::TKCLObject;
    virtual bool Play(uint8_t Mode) = 0;
};

class TKCLWave : public TKCLCustomWave {
    RBK_CLASS(TKCLWave, TKCLCustomWave)
public:
    explicit TKCLWave(TPersistent *AOwner);
    ~TKCLWave() override;
    // A new wave without owner loaded from the file (deleted again when the
    // load fails).
    static TKCLWave *CreateFromFile(const AnsiString &FileName);

    // False without sound when empty or when there is no wave output device;
    // mode 1 asynchronous, 2 looping, anything else synchronous.
    bool Play(uint8_t Mode) override;
    // Ends whatever sound the process plays through the sound service.
    void StopSound();

    virtual void ReadData(platform::TStream &Stream);
    virtual void WriteData(platform::TStream &Stream);
    virtual void LoadFromFile(const AnsiString &FileName);
    virtual void LoadFromStream(platform::TStream &Stream);
    virtual void SaveToFile(const AnsiString &FileName);
    virtual void SaveToStream(platform::TStream &Stream);

    bool IsEmpty() const;
    int32_t DataSize() const;
    void Clear() { SetData(nullptr); }
    // Takes ownership of Stream (nullptr empties the wave) and fires Change.
    void SetData(std::unique_ptr<platform::TMemoryStream> Stream);
    // The image, or nullptr.
    platform::TMemoryStream *Data() const { return data_.get(); }

    void Assign(TPersistent *Source) override;
    void DefineProperties(platform::TFiler &Filer) override;

private:
    friend void WriteWaveData(TKCLWave &Wave, platform::TStream &Stream, bool WithSize);
    std::unique_ptr<platform::TMemoryStream> data_;
};

// The header check from the stream's position: true for a WAVE image, then
// Info is filled; the stream is put back to position 0 unless a read fails,
// which raises EKCLErrorCheckingWave. False at once for an empty stream.
bool GetWaveData(platform::TStream *Stream, TKCLWaveFormatInfo &Info);
// Loads Count bytes from Stream into the wave (see the header comment); a
// stream of total size 0 empties the wave.
void ReadWaveData(TKCLWave &Wave, int32_t Count, platform::TStream &Stream);
// The image, preceded by its 32-bit size when WithSize is true. A wave
// without data is given an empty one.
void WriteWaveData(TKCLWave &Wave, platform::TStream &Stream, bool WithSize);

void ReadWaveSized(TKCLWave &Wave, platform::TStream &Stream);
void WriteWaveSized(TKCLWave &Wave, platform::TStream &Stream);
void ReadWaveCompressed(TKCLWave &Wave, platform::TStream &Stream);
void WriteWaveCompressed(TKCLWave &Wave, platform::TStream &Stream);
