// Range-Doppler chain with reused plans against the same chain planned per
// call, the short-time spectrum, and the transmit-side generators. After the
// runs it prints the speed ratio of the two chains and how far their results
// differ on cells above the noise floor.

#include "noise.h"
#include "range_doppler.h"
#include "stft.h"
#include "waveform.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <string>

namespace {

using cf = std::complex<float>;

// The standard train, a stationary direct path, a target 37 samples behind
// it turning by 937.5 Hz of Doppler, and loopback noise.
const std::vector<cf>& sceneBlock()
{
    static const std::vector<cf> block = [] {
        const std::vector<cf> train = standardLfmPulseTrain();
        std::vector<cf> x = train;
        const double perPulse = 2 * M_PI * 937.5 * 4096 / 30.72e6;
        for (std::size_t i = 37; i < x.size(); ++i) {
            const std::size_t src = i - 37;
            x[i] += 0.5f * train[src] * std::polar(1.0f, float(perPulse * double(src / 4096)));
        }
        addGaussianNoise(x, 0.01f);
        return x;
    }();
    return block;
}

const RangeDopplerReferences& sceneReferences()
{
    static const RangeDopplerReferences refs = prepareRangeDopplerReferences(standardLfmPulseTrain());
    return refs;
}

void BM_ComputeRDData(benchmark::State& state)
{
    RangeDopplerProcessor processor;
    for (auto _ : state) {
        RDResult r = processor.process(sceneBlock(), sceneReferences());
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ComputeRDData)->Unit(benchmark::kMicrosecond);

void BM_ComputeRDDataPerCallPlanning(benchmark::State& state)
{
    for (auto _ : state) {
        RDResult r = computeRDDataPerCallPlanning(sceneBlock(), sceneReferences());
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ComputeRDDataPerCallPlanning)->Unit(benchmark::kMicrosecond);

void BM_ComputeSTFT4096(benchmark::State& state)
{
    const std::vector<cf> x(sceneBlock().begin(), sceneBlock().begin() + 4096);
    std::vector<std::vector<double>> s;
    std::vector<double> freqs, times;
    for (auto _ : state) {
        computeSTFT(x, s, freqs, times, 30.72e6);
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_ComputeSTFT4096)->Unit(benchmark::kMicrosecond);

void BM_GenerateLfmPulseTrain(benchmark::State& state)
{
    for (auto _ : state) {
        auto train = standardLfmPulseTrain();
        benchmark::DoNotOptimize(train.data());
    }
}
BENCHMARK(BM_GenerateLfmPulseTrain)->Unit(benchmark::kMillisecond);

void BM_AddGaussianNoise1M(benchmark::State& state)
{
    std::vector<cf> x(1 << 20);
    for (auto _ : state) {
        addGaussianNoise(x, 0.01f);
        benchmark::DoNotOptimize(x.data());
    }
}
BENCHMARK(BM_AddGaussianNoise1M)->Unit(benchmark::kMillisecond);

// Remembers the time per iteration of each benchmark (the median when runs are repeated).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.function_name;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !medians_.count(name))) {
                times_[name] = run.GetAdjustedRealTime();
                cpuTimes_[name] = run.GetAdjustedCPUTime();
            }
            if (median)
                medians_[name] = true;
        }
    }
    double time(const std::string& name) const { return lookup(times_, name); }
    double cpuTime(const std::string& name) const { return lookup(cpuTimes_, name); }

private:
    static double lookup(const std::map<std::string, double>& m, const std::string& name)
    {
        const auto it = m.find(name);
        return it == m.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> times_, cpuTimes_;
    std::map<std::string, bool> medians_;
};

// Largest relative difference of linear amplitudes over the cells that stand
// at least 20 dB above the median cell of the reference map.
void reportAgreement()
{
    RangeDopplerProcessor processor;
    const RDResult fast = processor.process(sceneBlock(), sceneReferences());
    const RDResult slow = computeRDDataPerCallPlanning(sceneBlock(), sceneReferences());

    std::vector<double> cells;
    for (const auto& row : slow.rdMap)
        cells.insert(cells.end(), row.begin(), row.end());
    std::nth_element(cells.begin(), cells.begin() + cells.size() / 2, cells.end());
    const double floorDb = cells[cells.size() / 2];

    std::vector<double> echoes;
    for (const auto& row : slow.compressedEcho)
        echoes.insert(echoes.end(), row.begin(), row.end());
    std::nth_element(echoes.begin(), echoes.begin() + echoes.size() / 2, echoes.end());
    const double echoFloor = echoes[echoes.size() / 2];

    double worstMap = 0, worstEcho = 0;
    int counted = 0;
    for (int c = 0; c < slow.rdMap.size(); ++c)
        for (int k = 0; k < slow.rdMap[c].size(); ++k) {
            const double a = slow.compressedEcho[c][k], b = fast.compressedEcho[c][k];
            if (a > 10 * echoFloor)
                worstEcho = std::max(worstEcho, std::abs(b - a) / a);
            if (slow.rdMap[c][k] < floorDb + 20)
                continue;
            ++counted;
            const double ref = std::pow(10, slow.rdMap[c][k] / 20);
            const double got = std::pow(10, fast.rdMap[c][k] / 20);
            worstMap = std::max(worstMap, std::abs(got - ref) / ref);
        }
    std::cout << "noise floor (median rdMap cell): " << floorDb << " dB; " << counted
              << " cells at least 20 dB above it\n"
              << "max relative difference, rdMap amplitude above the floor: " << worstMap << '\n'
              << "max relative difference, compressedEcho cells above 10x its median: " << worstEcho
              << '\n';
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double fast = reporter.time("BM_ComputeRDData");
    const double slow = reporter.time("BM_ComputeRDDataPerCallPlanning");
    if (fast > 0 && slow > 0)
        std::cout << "per-call planning chain / reused-plan chain: " << slow / fast
                  << "x (wall clock), "
                  << reporter.cpuTime("BM_ComputeRDDataPerCallPlanning") /
                         reporter.cpuTime("BM_ComputeRDData")
                  << "x (CPU time)\n";
    reportAgreement();
    return 0;
}
