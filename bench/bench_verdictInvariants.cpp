// The verdict's rules under many random sequences (at least 100,000), as the
// suite runs a few thousand: prints how many ran, the units in them, any
// broken rule with its seed, and the time taken. Seeds continue after the
// suite's: bench_verdictInvariants [count] [first seed].
#include "verdictRandomRun.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    const std::uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
    const std::uint64_t first = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000001;
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t units = 0, steps = 0, broken = 0;
    for (std::uint64_t seed = first; seed < first + count; ++seed) {
        const verdictRandom::Outcome outcome = verdictRandom::run(seed);
        units += std::uint64_t(outcome.units);
        steps += std::uint64_t(outcome.steps);
        if (!outcome.violation.empty()) {
            ++broken;
            std::printf("seed %llu (replay with TKT_VERDICT_SEED=%llu): %s\n", static_cast<unsigned long long>(seed),
                        static_cast<unsigned long long>(seed), outcome.violation.c_str());
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("verdict rules: %llu sequences, %llu units, %llu steps, %llu broken, %.1f s\n",
                static_cast<unsigned long long>(count), static_cast<unsigned long long>(units),
                static_cast<unsigned long long>(steps), static_cast<unsigned long long>(broken), seconds);
    return broken == 0 ? 0 : 1;
}
