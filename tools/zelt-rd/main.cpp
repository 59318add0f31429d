// zelt-rd: the range-Doppler chain of varnex on a recorded capture file.

#include "options.h"
#include "range_doppler.h"
#include "rd_export.h"
#include "sample_file.h"
#include "waveform.h"

#include <QDir>
#include <QString>

#include <cstdio>
#include <exception>
#include <iostream>

namespace {

constexpr std::size_t kBlockSamples = 1u << 20;

int fail(int code, const std::string& message)
{
    std::cerr << "zelt-rd: " << message << std::endl;
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    RdOptions options;
    std::string error;
    if (!parseRdOptions(argc, argv, options, error))
        return fail(2, error + " (zelt-rd --help for usage)");
    if (options.help) {
        std::cout << rdUsage();
        return 0;
    }

    try {
        std::vector<std::complex<float>> capture;
        if (!readSampleFile(options.capture, kBlockSamples, capture, error))
            return fail(2, error);
        capture.resize(kBlockSamples);

        std::vector<std::complex<float>> tx;
        if (options.ref.empty())
            tx = standardLfmPulseTrain();
        else if (!readSampleFile(options.ref, rangedoppler::kPulseInterval, tx, error))
            return fail(2, error);

        const RangeDopplerReferences refs = prepareRangeDopplerReferences(tx);
        RangeDopplerProcessor processor;
        const RDResult result = processor.process(capture, refs);

        if (!QDir().mkpath(QString::fromStdString(options.outDir)))
            return fail(1, options.outDir + ": cannot create the output directory");
        const std::string dir = options.outDir + "/";
        const std::pair<const char*, const QVector<QVector<double> >*> matrices[] = {
            {"rdMap.f64", &result.rdMap},
            {"rawEcho.f64", &result.rawEcho},
            {"compressedEcho.f64", &result.compressedEcho},
        };
        for (const auto& [name, m] : matrices)
            if (!writeMatrixF64(dir + name, *m))
                return fail(1, dir + name + ": cannot write");
        if (!writeMapPng(dir + "rdMap.png", result.rdMap))
            return fail(1, dir + "rdMap.png: cannot write");

        const StrongestCell cell = strongestCell(result.rdMap);
        std::printf("synchronisation index: %d\n", processor.lastSyncIndex());
        std::printf("strongest cell: range bin %d, Doppler bin %d, %.2f dB\n", cell.rangeBin,
                    cell.dopplerBin, cell.db);
        return 0;
    } catch (const std::exception& e) {
        return fail(1, std::string("processing failed: ") + e.what());
    }
}
