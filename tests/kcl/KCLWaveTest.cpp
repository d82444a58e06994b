// Wave data: the header check, every loading route's handling of foreign and
// broken data, the stored forms, playing and stopping through a fake sound
// service.
#include "kcl/KCLWave.h"

#include "kcl/KCLUtils.h"
#include "platform/Sound.h"
#include "platform/Streaming.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <cstdlib>

using namespace platform;

namespace {

std::vector<uint8_t> pcm44()
{
    return {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
            0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
}

void fill(TMemoryStream &s, const std::vector<uint8_t> &b)
{
    if (!b.empty())
        s.WriteBuffer(b.data(), int32_t(b.size()));
    s.SetPosition(0);
}

struct SoundScope {
    TFakeSoundSink Sink;
    SoundScope() { SetSoundSink(&Sink); }
    ~SoundScope() { SetSoundSink(nullptr); }
};

struct Counted {
    int changes = 0;
    TKCLWave wave{nullptr};
    Counted()
    {
        wave.OnChange = TNotifyEvent::FromFunction([this](TObject *) { ++changes; });
    }
    void load(const std::vector<uint8_t> &b)
    {
        TMemoryStream s;
        fill(s, b);
        wave.LoadFromStream(s);
    }
};

class TWaveHolder : public TComponent {
    RBK_CLASS(TWaveHolder, TComponent)
public:
    using TComponent::TComponent;
    TKCLWave Wave{nullptr};
    void DefineProperties(TFiler &Filer) override
    {
        TComponent::DefineProperties(Filer);
        Wave.DefineProperties(Filer);
    }
};

} // namespace

TEST(KCLWaveHeader, PcmMonoFileIsTakenAndReported)
{
    TMemoryStream s;
    fill(s, pcm44());
    TKCLWaveFormatInfo info;
    ASSERT_TRUE(GetWaveData(&s, info));
    EXPECT_EQ(info.Channels, 1);
    EXPECT_TRUE(info.IsPCM);
    EXPECT_EQ(info.SampleRate, 22050u);
    EXPECT_EQ(info.RiffSize, 36u);
    EXPECT_EQ(info.BlockAlign, 2);
    EXPECT_EQ(s.Position(), 0);
    Counted c;
    c.load(pcm44());
    EXPECT_EQ(c.wave.DataSize(), 44);
    EXPECT_EQ(c.changes, 1);
}

TEST(KCLWaveHeader, ChannelCountsOtherThanOneOrTwoReportZero)
{
    auto b = pcm44();
    b[22] = 6;
    b[20] = 3;
    TMemoryStream s;
    fill(s, b);
    TKCLWaveFormatInfo info;
    ASSERT_TRUE(GetWaveData(&s, info));
    EXPECT_EQ(info.Channels, 0);
    EXPECT_FALSE(info.IsPCM);
    TKCLWaveFormatInfo untouched;
    untouched.SampleRate = 5;
    EXPECT_FALSE(GetWaveData(nullptr, untouched));
    TMemoryStream empty;
    EXPECT_FALSE(GetWaveData(&empty, untouched));
    EXPECT_EQ(untouched.SampleRate, 5u);
}

TEST(KCLWaveHeader, ForeignDataIsIgnoredWithoutChange)
{
    Counted c;
    c.load(pcm44());
    auto list = pcm44();
    std::copy_n("LIST", 4, list.begin() + 12);
    auto notRiff = pcm44();
    notRiff[0] = 'X';
    for (const auto &bad : {list, notRiff}) {
        TMemoryStream s;
        fill(s, bad);
        s.SetPosition(7);
        s.SetPosition(0);
        TKCLWaveFormatInfo info;
        EXPECT_FALSE(GetWaveData(&s, info));
        EXPECT_EQ(s.Position(), 0);
        c.load(bad);
        EXPECT_EQ(c.wave.Data()->Bytes(), pcm44());
        EXPECT_EQ(c.changes, 1);
    }
}

TEST(KCLWaveHeader, CutShortHeaderRaisesCheckingError)
{
    const auto whole = pcm44();
    std::vector<uint8_t> b(whole.begin(), whole.begin() + 20);
    TMemoryStream s;
    fill(s, b);
    TKCLWaveFormatInfo info;
    try {
        GetWaveData(&s, info);
        FAIL();
    } catch (const EKCLErrorCheckingWave &e) {
        EXPECT_EQ(std::string(e.what()).rfind("GetWaveData: ", 0), 0u);
    }
    EXPECT_EQ(s.Position(), 20);
    Counted c;
    c.load(pcm44());
    EXPECT_THROW(c.load(b), EKCLErrorCheckingWave);
    EXPECT_EQ(c.wave.DataSize(), 44);
    EXPECT_EQ(c.changes, 1);
}

TEST(KCLWaveLoad, EmptyStreamEmptiesTheWaveWithChange)
{
    Counted c;
    c.load(pcm44());
    c.load({});
    EXPECT_TRUE(c.wave.IsEmpty());
    EXPECT_EQ(c.wave.Data(), nullptr);
    EXPECT_EQ(c.changes, 2);
}

TEST(KCLWaveLoad, CountBeyondTheStreamRaisesReadErrorAndKeepsData)
{
    Counted c;
    c.load(pcm44());
    TMemoryStream s;
    const uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0x7F, 'R'};
    s.WriteBuffer(huge, 5);
    s.SetPosition(0);
    EXPECT_THROW(ReadWaveSized(c.wave, s), EReadError);
    TMemoryStream neg;
    const uint8_t n[] = {0xFF, 0xFF, 0xFF, 0xFF};
    neg.WriteBuffer(n, 4);
    neg.SetPosition(0);
    EXPECT_THROW(ReadWaveSized(c.wave, neg), EReadError);
    EXPECT_EQ(c.wave.DataSize(), 44);
}

TEST(KCLWaveStore, SaveAndSizedFormsWriteExactBytes)
{
    Counted c;
    c.load(pcm44());
    TMemoryStream plain, sized;
    c.wave.Data()->SetPosition(30);
    c.wave.SaveToStream(plain);
    EXPECT_EQ(plain.Bytes(), pcm44());
    WriteWaveSized(c.wave, sized);
    ASSERT_EQ(sized.Size(), 48);
    EXPECT_EQ((std::vector<uint8_t>(sized.Bytes().begin(), sized.Bytes().begin() + 4)),
              (std::vector<uint8_t>{44, 0, 0, 0}));

    TKCLWave empty(nullptr);
    TMemoryStream none;
    empty.SaveToStream(none);
    EXPECT_EQ(none.Size(), 0);
    ASSERT_NE(empty.Data(), nullptr);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(KCLWaveStore, ZeroCountRecordKeepsWaveAndStaysInStep)
{
    Counted c;
    c.load(pcm44());
    TKCLWave empty(nullptr);
    TMemoryStream s;
    WriteWaveSized(empty, s);
    const uint8_t next[] = {9, 8, 7, 6};
    s.WriteBuffer(next, 4);
    s.SetPosition(0);
    ReadWaveSized(c.wave, s);
    EXPECT_EQ(c.wave.DataSize(), 44);
    EXPECT_EQ(c.changes, 1);
    EXPECT_EQ(s.Position(), 4);
}

TEST(KCLWaveStore, CompressedFormRoundTripsAndRejectsCorruption)
{
    Counted c;
    c.load(pcm44());
    TMemoryStream s;
    WriteWaveCompressed(c.wave, s);
    s.SetPosition(0);
    TKCLWave back(nullptr);
    ReadWaveCompressed(back, s);
    EXPECT_EQ(back.Data()->Bytes(), pcm44());
    auto bytes = s.Bytes();
    bytes.resize(bytes.size() - 3);
    TMemoryStream cut;
    fill(cut, bytes);
    EXPECT_ANY_THROW(ReadWaveCompressed(back, cut));
    EXPECT_EQ(back.DataSize(), 44);
}

TEST(KCLWaveStore, FormStreamPropertyFromAssignedEmptyWave)
{
    RegisterClass(TWaveHolder::StaticClass());
    TWaveHolder holder(nullptr), back(nullptr);
    TKCLWave empty(nullptr);
    holder.Wave.Assign(&empty);
    ASSERT_NE(holder.Wave.Data(), nullptr);
    TMemoryStream s;
    WriteComponent(s, &holder);
    const auto &b = s.Bytes();
    const std::string text(b.begin(), b.end());
    EXPECT_NE(text.find("Data"), std::string::npos);
    s.SetPosition(0);
    EXPECT_NO_THROW(ReadComponent(s, &back));
    EXPECT_TRUE(back.Wave.IsEmpty());

    TWaveHolder full(nullptr), fullBack(nullptr);
    TMemoryStream w;
    fill(w, pcm44());
    full.Wave.LoadFromStream(w);
    TMemoryStream fs;
    WriteComponent(fs, &full);
    fs.SetPosition(0);
    ReadComponent(fs, &fullBack);
    EXPECT_EQ(fullBack.Wave.Data()->Bytes(), pcm44());
}

TEST(KCLWaveFile, SaveLoadAndMissingFile)
{
    char tmpl[] = "/tmp/kclwaveXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const AnsiString dir = AnsiString(tmpl) + "/";
    const AnsiString path = dir + "w.wav";
    Counted c;
    c.load(pcm44());
    c.wave.SaveToFile(path);
    std::unique_ptr<TKCLWave> loaded(TKCLWave::CreateFromFile(path));
    EXPECT_EQ(loaded->Data()->Bytes(), pcm44());
    EXPECT_THROW(c.wave.LoadFromFile(dir + "missing.wav"), EFOpenError);
    EXPECT_EQ(c.wave.DataSize(), 44);
    DeleteFile(path);
    rmdir(tmpl);
}

TEST(KCLWavePlay, ResultsAndFlagWords)
{
    {
        Counted c; // default service: no device
        c.load(pcm44());
        EXPECT_FALSE(c.wave.Play(0));
    }
    SoundScope sound;
    Counted c;
    EXPECT_FALSE(c.wave.Play(0));
    EXPECT_TRUE(sound.Sink.Calls.empty());
    c.load(pcm44());
    sound.Sink.Devices = 0;
    EXPECT_FALSE(c.wave.Play(1));
    EXPECT_TRUE(sound.Sink.Calls.empty());
    sound.Sink.Devices = 2;
    for (uint8_t mode : {0, 1, 2, 3})
        EXPECT_TRUE(c.wave.Play(mode));
    ASSERT_EQ(sound.Sink.Calls.size(), 4u);
    EXPECT_EQ(sound.Sink.Calls[0].Flags, 6u);
    EXPECT_EQ(sound.Sink.Calls[1].Flags, 7u);
    EXPECT_EQ(sound.Sink.Calls[2].Flags, 15u);
    EXPECT_EQ(sound.Sink.Calls[3].Flags, 6u);
    EXPECT_EQ(sound.Sink.Calls[0].Image, c.wave.Data()->Memory());
    sound.Sink.PlayResult = false;
    EXPECT_FALSE(c.wave.Play(0));
}

TEST(KCLWavePlay, ReplacingDataStopsTheSoundFirst)
{
    SoundScope sound;
    Counted src, c;
    src.load(pcm44());
    c.load(pcm44());
    sound.Sink.Calls.clear();
    ASSERT_TRUE(c.wave.Play(2));
    c.wave.Assign(&src.wave);
    ASSERT_EQ(sound.Sink.Calls.size(), 2u);
    EXPECT_FALSE(sound.Sink.Calls[0].IsStop);
    EXPECT_TRUE(sound.Sink.Calls[1].IsStop);
    EXPECT_EQ(sound.Sink.Calls[1].Flags, SND_MEMORY);
    EXPECT_NE(c.wave.Data()->Memory(), nullptr);
    EXPECT_EQ(c.changes, 2);
    // Assign from itself keeps the image; Assign(nil) empties.
    c.wave.Assign(&c.wave);
    EXPECT_EQ(c.wave.Data()->Bytes(), pcm44());
    c.wave.Assign(nullptr);
    EXPECT_TRUE(c.wave.IsEmpty());
    EXPECT_EQ(c.changes, 4);
    sound.Sink.Calls.clear();
    {
        TKCLWave w(nullptr);
        w.Clear();
        sound.Sink.Calls.clear();
    }
    ASSERT_EQ(sound.Sink.Calls.size(), 0u); // Clear left no data: no stop
    {
        TKCLWave w(nullptr);
        w.Assign(&src.wave);
        sound.Sink.Calls.clear();
    }
    ASSERT_EQ(sound.Sink.Calls.size(), 1u);
    EXPECT_TRUE(sound.Sink.Calls[0].IsStop);
}

TEST(KCLWaveAssign, FromEmptyWaveHoldsEmptyStream)
{
    TKCLWave empty(nullptr), target(nullptr);
    target.Assign(&empty);
    ASSERT_NE(target.Data(), nullptr);
    EXPECT_EQ(target.Data()->Size(), 0);
    TPersistent other;
    EXPECT_THROW(target.Assign(&other), EConvertError);
}
