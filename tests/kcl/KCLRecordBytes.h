// Hand-built record bytes for the resource-list tests: little-endian
// integers, short strings, and a memory stream positioned at 0.
#pragma once

#include "platform/Classes.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void put32(Bytes &b, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

inline void putStr(Bytes &b, const std::string &s)
{
    b.push_back(uint8_t(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}

inline void append(Bytes &b, const Bytes &more) { b.insert(b.end(), more.begin(), more.end()); }

inline platform::TMemoryStream streamOf(const Bytes &b)
{
    platform::TMemoryStream s;
    if (!b.empty())
        s.WriteBuffer(b.data(), int32_t(b.size()));
    s.SetPosition(0);
    return s;
}
