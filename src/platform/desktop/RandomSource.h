#pragma once

#include <cstdint>

// Random numbers of the program (page identities and the like); injectable.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual void seed(std::uint32_t value) = 0;
    virtual std::uint32_t next32() = 0;   // full 32-bit range
    virtual double nextDouble() = 0;      // [0, 1)

    static RandomSource &current();
    static void install(RandomSource *source); // not owned; nullptr restores the default
};
