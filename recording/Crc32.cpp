#include "recording/Crc32.h"

#include <array>

namespace vqdrec
{
namespace
{

std::array<uint32_t, 256> makeTable()
{
    std::array<uint32_t, 256> table {};
    for (uint32_t i = 0; i < 256; ++i)
    {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) != 0 ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table[i] = value;
    }
    return table;
}

} // namespace

uint32_t crc32Update (uint32_t crc, const uint8_t* bytes, std::size_t count)
{
    static const std::array<uint32_t, 256> table = makeTable();

    uint32_t value = ~crc;
    for (std::size_t i = 0; i < count; ++i)
        value = table[(value ^ bytes[i]) & 0xFFu] ^ (value >> 8);
    return ~value;
}

} // namespace vqdrec
