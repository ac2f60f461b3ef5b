// Cheap hashes that order the content stage's work. They never decide that files are equal: only
// bytes compared side by side do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

inline std::uint64_t Mix(std::uint64_t h, std::uint64_t v)
{
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h * 0xFF51AFD7ED558CCDull;
}

// A digest of a byte stream fed in pieces whose sizes are multiples of 32 (the last aside), four
// lanes wide so that their multiplications overlap. Each step is one-to-one in its lane, so two
// streams that differ in one word always end in different lanes.
class CDigest
{
public:
    void Add(const char* bytes, std::size_t length)
    {
        // The lanes are kept in locals: stored in the object, every step would go through memory,
        // since the bytes read may be any object as far as the compiler knows.
        std::uint64_t lane[4] = {m_lane[0], m_lane[1], m_lane[2], m_lane[3]};
        std::size_t at = 0;
        for (; at + 32 <= length; at += 32)
            for (int k = 0; k < 4; ++k)
                lane[k] = Step(lane[k], bytes + at + 8 * k);
        if (at < length) {
            char last[32] = {};
            std::memcpy(last, bytes + at, length - at);
            for (int k = 0; k < 4; ++k)
                lane[k] = Step(lane[k], last + 8 * k);
        }
        for (int k = 0; k < 4; ++k)
            m_lane[k] = lane[k];
        m_length += length;
    }

    std::uint64_t Value() const
    {
        return Mix(Mix(Mix(Mix(m_lane[0], m_lane[1]), m_lane[2]), m_lane[3]), m_length);
    }

private:
    static std::uint64_t Step(std::uint64_t lane, const char* bytes)
    {
        std::uint64_t word;
        std::memcpy(&word, bytes, sizeof word);
        const std::uint64_t x = (lane ^ word) * 0x9FB21C651E98DF25ull;
        return (x << 29) | (x >> 35);
    }

    std::uint64_t m_lane[4] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                               0x082EFA98EC4E6C89ull};
    std::uint64_t m_length = 0;
};

inline std::uint64_t DigestOf(const char* bytes, std::size_t length)
{
    CDigest digest;
    digest.Add(bytes, length);
    return digest.Value();
}
