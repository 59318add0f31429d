#include "sample_types.h"

#include "rd_result.h"

void registerSampleTypes()
{
    qRegisterMetaType<QVector<std::complex<float>>>("QVector<std::complex<float>>");
    qRegisterMetaType<std::vector<std::complex<float>>>("std::vector<std::complex<float>>");
    qRegisterMetaType<std::vector<int16_t>>("std::vector<int16_t>");
    qRegisterMetaType<RDResult>("RDResult");
    qRegisterMetaType<QVector<float>>("QVector<float>");
}
