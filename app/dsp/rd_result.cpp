#include "rd_result.h"

#include <algorithm>

RDResult::RDResult(int rows, int cols)
    : rawEcho(make2dVector(rows, cols)),
      compressedEcho(make2dVector(rows, cols)),
      pulseAxis(std::max(cols, 0), 0.0),
      rangeAxis(std::max(rows, 0), 0.0),
      rdMap(make2dVector(rows, cols))
{
}

QVector<QVector<double> > RDResult::make2dVector(int rows, int cols)
{
    return QVector<QVector<double> >(std::max(rows, 0), QVector<double>(std::max(cols, 0), 0.0));
}
