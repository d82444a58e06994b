// LZRW1 compression and decompression next to zlib at levels 9 and 1, on
// text-like data and on random data, in chunks of the compressed stream
// layout. Each benchmark reports its throughput and the size ratio
// (compressed / original) as the counter "ratio"; after the runs the program
// prints LZRW1 against zlib: the time ratios of compressing and decompressing
// and the ratio of the compressed sizes.
#include "BenchSupport.h"
#include "kcl/KCLUtils.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kTotal = 1 << 20;

std::vector<uint8_t> makeData(bool text)
{
    std::mt19937 rng(42);
    std::vector<uint8_t> v;
    v.reserve(kTotal);
    if (!text) {
        while (v.size() < kTotal)
            v.push_back(uint8_t(rng()));
        return v;
    }
    static const char *words[] = {"sekcja ",  "dzial ",      "grupa ",   "klasa ",       "podklasa ",
                                  "uprawy ",  "rolnictwo, ", "hodowla ", "przetworstwo ", "produkcja ",
                                  "wyrobow ", "z ",          "i ",       "pozostala ",    "dzialalnosc\r\n",
                                  "01.11.Z ", "10.13.A ",    "47.19.Z ", "Polska ",       "Klasyfikacja "};
    while (v.size() < kTotal) {
        const std::string w = words[rng() % 20];
        v.insert(v.end(), w.begin(), w.end());
    }
    v.resize(kTotal);
    return v;
}

const std::vector<uint8_t> &data(bool text)
{
    static const std::vector<uint8_t> t = makeData(true), r = makeData(false);
    return text ? t : r;
}

using Chunks = std::vector<std::vector<uint8_t>>;

Chunks lzrwCompressAll(const std::vector<uint8_t> &src)
{
    Chunks out;
    std::vector<uint8_t> buf(KCLLZRW1MaxBlock(KCLLZRW1ChunkSize));
    for (size_t at = 0; at < src.size(); at += KCLLZRW1ChunkSize) {
        const size_t n = std::min<size_t>(KCLLZRW1ChunkSize, src.size() - at);
        const uint16_t size = KCLLZRW1Compress(src.data() + at, buf.data(), uint16_t(n));
        out.emplace_back(buf.begin(), buf.begin() + size);
    }
    return out;
}

Chunks zlibCompressAll(const std::vector<uint8_t> &src, int level)
{
    Chunks out;
    for (size_t at = 0; at < src.size(); at += KCLZLibChunkSize) {
        const size_t n = std::min<size_t>(KCLZLibChunkSize, src.size() - at);
        uLongf size = compressBound(uLong(n));
        std::vector<uint8_t> buf(size);
        compress2(buf.data(), &size, src.data() + at, uLong(n), level);
        buf.resize(size);
        out.push_back(std::move(buf));
    }
    return out;
}

double ratio(const Chunks &chunks)
{
    size_t total = 0;
    for (const auto &c : chunks)
        total += 4 + c.size();
    return double(total + 4) / double(kTotal);
}

void LZRW1Compress(benchmark::State &state)
{
    const auto &src = data(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(lzrwCompressAll(src));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kTotal));
    state.counters["ratio"] = ratio(lzrwCompressAll(src));
}

void LZRW1Decompress(benchmark::State &state)
{
    const auto chunks = lzrwCompressAll(data(state.range(0) != 0));
    std::vector<uint8_t> out(65535);
    for (auto _ : state)
        for (const auto &c : chunks)
            benchmark::DoNotOptimize(KCLLZRW1Decompress(c.data(), out.data(), uint16_t(c.size()), out.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kTotal));
    state.counters["ratio"] = ratio(chunks);
}

void ZlibCompress(benchmark::State &state, int level)
{
    const auto &src = data(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(zlibCompressAll(src, level));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kTotal));
    state.counters["ratio"] = ratio(zlibCompressAll(src, level));
}

void ZlibDecompress(benchmark::State &state, int level)
{
    const auto chunks = zlibCompressAll(data(state.range(0) != 0), level);
    std::vector<uint8_t> out(KCLZLibChunkSize);
    for (auto _ : state)
        for (const auto &c : chunks) {
            uLongf size = uLongf(out.size());
            benchmark::DoNotOptimize(uncompress(out.data(), &size, c.data(), uLong(c.size())));
        }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kTotal));
    state.counters["ratio"] = ratio(chunks);
}

void Zlib9Compress(benchmark::State &s) { ZlibCompress(s, 9); }
void Zlib1Compress(benchmark::State &s) { ZlibCompress(s, 1); }
void Zlib9Decompress(benchmark::State &s) { ZlibDecompress(s, 9); }
void Zlib1Decompress(benchmark::State &s) { ZlibDecompress(s, 1); }

// Argument: 1 text, 0 random.
BENCHMARK(LZRW1Compress)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(Zlib9Compress)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(Zlib1Compress)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(LZRW1Decompress)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(Zlib9Decompress)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(Zlib1Decompress)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Prints one size comparison in the form of the time ratios.
void printSizeRatio(const char *label, const Chunks &a, const Chunks &b)
{
    std::printf("RATIO %-48s %8.2f   (compressed sizes; target none)\n", label, ratio(a) / ratio(b));
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchsupport::RecordingReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    benchmark::Shutdown();
    using benchsupport::PrintRatio;
    for (const char *kind : {"1", "0"}) {
        const std::string data = *kind == '1' ? "text" : "random";
        const std::string arg = std::string("/") + kind;
        for (const char *peer : {"Zlib1", "Zlib9"}) {
            const std::string zlib = std::string("zlib-") + peer[4];
            PrintRatio(rep, "LZRW1 / " + zlib + " compress, " + data, "LZRW1Compress" + arg,
                       std::string(peer) + "Compress" + arg, "none");
            PrintRatio(rep, "LZRW1 / " + zlib + " decompress, " + data, "LZRW1Decompress" + arg,
                       std::string(peer) + "Decompress" + arg, "none");
        }
    }
    for (const bool text : {true, false}) {
        const Chunks lzrw = lzrwCompressAll(data(text));
        printSizeRatio(text ? "LZRW1 / zlib-1 size, text" : "LZRW1 / zlib-1 size, random", lzrw,
                       zlibCompressAll(data(text), 1));
        printSizeRatio(text ? "LZRW1 / zlib-9 size, text" : "LZRW1 / zlib-9 size, random", lzrw,
                       zlibCompressAll(data(text), 9));
    }
    return 0;
}
