#include "platform/desktop/RandomSource.h"

#include <random>

namespace {

class MersenneSource : public RandomSource
{
public:
    MersenneSource() : m_engine(std::random_device{}()) {}
    void seed(std::uint32_t value) override { m_engine.seed(value); }
    std::uint32_t next32() override { return std::uint32_t(m_engine()); }
    double nextDouble() override { return double(next32()) / 4294967296.0; }

private:
    std::mt19937 m_engine;
};

RandomSource *installed = nullptr;

} // namespace

RandomSource &RandomSource::current()
{
    static MersenneSource mersenne;
    return installed ? *installed : mersenne;
}

void RandomSource::install(RandomSource *source) { installed = source; }
