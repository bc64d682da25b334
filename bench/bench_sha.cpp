// SHA-1, SHA-256 and SHA-512 throughput: long messages measure the compression function, short
// ones the per-message cost of Reset, padding and Result. The file case sets SHA-1 beside
// coreutils' sha1sum: both hash one 200 MB file, and it reports the user CPU time of each and
// their ratio (ours over sha1sum's).
#include "sha.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

template <typename C, int (*R)(C*), int (*I)(C*, const unsigned char*, unsigned int),
          int (*D)(C*, unsigned char*), int N>
struct Family {
    using Context = C;
    static constexpr auto reset = R;
    static constexpr auto input = I;
    static constexpr auto result = D;
    static constexpr int hashSize = N;
};

using Sha1 = Family<SHA1Context, SHA1Reset, SHA1Input, SHA1Result, SHA1HashSize>;
using Sha256 = Family<SHA256Context, SHA256Reset, SHA256Input, SHA256Result, SHA256HashSize>;
using Sha512 = Family<SHA512Context, SHA512Reset, SHA512Input, SHA512Result, SHA512HashSize>;

template <typename F>
void hashMessage(benchmark::State& state)
{
    const std::vector<unsigned char> message(static_cast<std::size_t>(state.range(0)), 0x5A);
    unsigned char digest[F::hashSize];
    for (auto _ : state) {
        typename F::Context context;
        F::reset(&context);
        F::input(&context, message.data(), static_cast<unsigned int>(message.size()));
        F::result(&context, digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

const long FileSize = 200'000'000;
// sha1sum reads in pieces of this size too.
const std::size_t ReadSize = 32768;

double seconds(const timeval& time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

double userSeconds()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime);
}

// Fills the file with xorshift32 bytes unless an earlier repetition already did.
bool makeFile(const std::string& path)
{
    if (FILE* existing = std::fopen(path.c_str(), "rb")) {
        std::fclose(existing);
        return true;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    std::vector<unsigned char> piece(1 << 20);
    std::uint32_t state = 2463534242u;
    bool written = true;
    for (long left = FileSize; left > 0 && written; left -= long(piece.size())) {
        for (unsigned char& byte : piece) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            byte = static_cast<unsigned char>(state);
        }
        const std::size_t size = std::min<std::size_t>(piece.size(), std::size_t(left));
        written = std::fwrite(piece.data(), 1, size, file) == size;
    }
    return std::fclose(file) == 0 && written;
}

std::string toHex(const unsigned char* bytes, int size)
{
    std::string hex;
    char pair[3];
    for (int i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        hex += pair;
    }
    return hex;
}

// Our SHA-1 of the file as lowercase hex, or "" if it cannot be read.
std::string sha1OfFile(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return {};
    }
    std::vector<unsigned char> piece(ReadSize);
    SHA1Context context;
    SHA1Reset(&context);
    std::size_t size;
    while ((size = std::fread(piece.data(), 1, piece.size(), file)) > 0) {
        SHA1Input(&context, piece.data(), static_cast<unsigned int>(size));
    }
    const bool complete = !std::ferror(file);
    std::fclose(file);
    unsigned char digest[SHA1HashSize];
    return complete && SHA1Result(&context, digest) == shaSuccess ? toHex(digest, SHA1HashSize)
                                                                  : std::string();
}

// sha1sum's digest of the file, or "" if it failed; userTime gets the user CPU time it took.
std::string sha1sumOfFile(const std::string& path, double& userTime)
{
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execlp("sha1sum", "sha1sum", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char hex[2 * SHA1HashSize];
    std::size_t got = 0;
    ssize_t size = 1;
    while (child > 0 && got < sizeof hex && size > 0) {
        size = read(out[0], hex + got, sizeof hex - got);
        got += size > 0 ? std::size_t(size) : 0;
    }
    close(out[0]);
    int status = 0;
    rusage usage;
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0 || got != sizeof hex) {
        return {};
    }
    userTime = seconds(usage.ru_utime);
    return std::string(hex, sizeof hex);
}

void sha1AgainstSha1sum(benchmark::State& state, const std::string& path)
{
    if (!makeFile(path)) {
        state.SkipWithError("cannot write the file");
        return;
    }
    for (auto _ : state) {
        const double before = userSeconds();
        const std::string ours = sha1OfFile(path);
        const double ourTime = userSeconds() - before;
        double theirTime = 0;
        const std::string theirs = sha1sumOfFile(path, theirTime);
        if (ours.empty() || ours != theirs) {
            state.SkipWithError("the digests differ or sha1sum failed");
            break;
        }
        state.counters["ours_user_s"] = ourTime;
        state.counters["sha1sum_user_s"] = theirTime;
        state.counters["ratio"] = ourTime / theirTime;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * FileSize);
}

double smallest(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

} // namespace

BENCHMARK_TEMPLATE(hashMessage, Sha1)->Arg(64)->Arg(1 << 20);
BENCHMARK_TEMPLATE(hashMessage, Sha256)->Arg(64)->Arg(1 << 20);
BENCHMARK_TEMPLATE(hashMessage, Sha512)->Arg(64)->Arg(1 << 20);

int main(int argc, char** argv)
{
    // Removed, with the file, when the program ends.
    const QTemporaryDir folder;
    benchmark::RegisterBenchmark("sha1/file-vs-sha1sum", sha1AgainstSha1sum,
                                 folder.filePath(QStringLiteral("message")).toStdString())
        ->Iterations(1)
        ->Repetitions(5)
        ->ComputeStatistics("min", smallest)
        ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
