// splitmix64: the same seed gives the same numbers on every machine, so a
// fuzz input or a storm is made again from its seed.
#pragma once

#include <stdint.h>

class SeededRandom
{
public:
    explicit SeededRandom(uint64_t nState) : m_nState(nState) {}
    // The generator of input nIndex of a run seeded with nSeed.
    static SeededRandom ForInput(uint64_t nSeed, uint64_t nIndex)
    {
        SeededRandom r(nSeed ^ (nIndex * 0xD1B54A32D192ED03ull));
        r.Next();
        return r;
    }
    uint64_t Next()
    {
        uint64_t z = (m_nState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1; 0 when n is 0.
    uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
    bool OneIn(uint32_t n) { return Below(n) == 0; }

private:
    uint64_t m_nState;
};
