// Decodes arbitrary bytes as a stored table line, and checks that decoding
// what the encoder wrote gives the text back.
#include "browser/TaxonarTypeCode.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const std::string clear = taxonar::DecodeTableLine(bytes);
    if (clear.size() > bytes.size())
        std::abort();
    if (!bytes.empty() && taxonar::DecodeTableLine(taxonar::EncodeTableLine(bytes)) != bytes)
        std::abort();
    return 0;
}
