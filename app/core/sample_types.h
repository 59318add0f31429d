#pragma once
// Sample vectors that cross threads in queued signals.

#include <QMetaType>
#include <QVector>

#include <complex>
#include <cstdint>
#include <vector>

Q_DECLARE_METATYPE(std::vector<std::complex<float>>)
Q_DECLARE_METATYPE(QVector<std::complex<float>>)
Q_DECLARE_METATYPE(std::vector<int16_t>)

// Registers the sample vectors and RDResult with the meta-type system under
// the names queued connections look them up by. Safe to call repeatedly.
void registerSampleTypes();
