// SHA-256 throughput: long messages measure the compression function, short ones the
// per-message cost of Reset, padding and Result.
#include "sha.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

void sha256(benchmark::State& state)
{
    const std::vector<unsigned char> message(static_cast<std::size_t>(state.range(0)), 0x5A);
    unsigned char digest[SHA256HashSize];
    for (auto _ : state) {
        SHA256Context context;
        SHA256Reset(&context);
        SHA256Input(&context, message.data(), static_cast<unsigned int>(message.size()));
        SHA256Result(&context, digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

} // namespace

BENCHMARK(sha256)->Arg(64)->Arg(1 << 20);
