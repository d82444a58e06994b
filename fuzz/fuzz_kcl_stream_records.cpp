// Stream records from outside: the first byte picks the reader (bitmap,
// string-list and wave records, plain or compressed; BMP images; the wave
// header check; the primitive records), the rest is the stream. Reading must
// end in data or an error, never in a crash or a read outside a buffer.
#include "kcl/KCLStreamUtils.h"

#include "kcl/KCLUtils.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t pick = data[0];
    platform::TMemoryStream in;
    if (size > 1)
        in.WriteBuffer(data + 1, int32_t(size - 1));
    in.SetPosition(0);
    try {
        switch (pick % 8) {
        case 0:
        case 1: {
            platform::TBitmap bmp;
            KCLReadBitmap(in, bmp, pick % 2 == 1);
            // Whatever was taken writes back and reads back unchanged.
            if (!bmp.Empty()) {
                platform::TMemoryStream out;
                KCLWriteBitmap(out, bmp, false, -1);
                out.SetPosition(0);
                platform::TBitmap back;
                KCLReadBitmap(out, back, false);
                if (back.Image() != bmp.Image())
                    std::abort();
            }
            break;
        }
        case 2:
        case 3: {
            platform::TStringList list;
            KCLReadStrings(in, list, pick % 2 == 1);
            break;
        }
        case 4:
        case 5: {
            TKCLWave wave(nullptr);
            KCLReadWave(in, wave, pick % 2 == 1);
            break;
        }
        case 6:
            if (size > 1)
                platform::DecodeBMP(data + 1, size - 1);
            break;
        default: {
            TKCLWaveFormatInfo info;
            GetWaveData(&in, info);
            in.SetPosition(0);
            while (in.Position() < in.Size()) {
                KCLReadInteger(in);
                KCLReadBoolean(in);
                KCLReadShortString(in);
            }
            break;
        }
        }
    } catch (const platform::Exception &) {
    }
    return 0;
}
