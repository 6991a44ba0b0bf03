#include "update/Checksums.h"

#include <array>

namespace
{
// One entry per value of the register's top byte: the remainder that byte
// leaves after eight shifts with the polynomial 0x1021.
constexpr std::array<uint16_t, 256> makeCrcTable()
{
    std::array<uint16_t, 256> table {};

    for (unsigned int value = 0; value < 256; ++value)
    {
        unsigned int crc = value << 8;

        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1;

        table[value] = (uint16_t) (crc & 0xFFFF);
    }

    return table;
}

constexpr auto crcTable = makeCrcTable();
} // namespace

uint16_t computeCrc16 (const uint8_t* bytes, size_t length) noexcept
{
    uint16_t crc = 0;

    for (size_t i = 0; i < length; ++i)
        crc = (uint16_t) ((crc << 8) ^ crcTable[((crc >> 8) ^ bytes[i]) & 0xFF]);

    return crc;
}

uint32_t byteSum (const uint8_t* bytes, size_t length) noexcept
{
    uint32_t sum = 0;

    for (size_t i = 0; i < length; ++i)
        sum += bytes[i];

    return sum;
}
