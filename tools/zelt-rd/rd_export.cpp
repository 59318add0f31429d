#include "rd_export.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

static_assert(sizeof(double) == 8, "float64 files");

bool writeMatrixF64(const std::string& path, const QVector<QVector<double> >& m)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = true;
    for (const auto& row : m)
        ok = ok && std::fwrite(row.constData(), sizeof(double), row.size(), f) ==
                       static_cast<std::size_t>(row.size());
    return std::fclose(f) == 0 && ok;
}

StrongestCell strongestCell(const QVector<QVector<double> >& rdMap)
{
    StrongestCell best;
    best.db = -std::numeric_limits<double>::infinity();
    for (int r = 0; r < rdMap.size(); ++r)
        for (int d = 0; d < rdMap[r].size(); ++d)
            if (rdMap[r][d] > best.db)
                best = {r, d, rdMap[r][d]};
    return best;
}

bool writeMapPng(const std::string& path, const QVector<QVector<double> >& rdMap)
{
    const int height = rdMap.size();
    const int width = height ? rdMap[0].size() : 0;
    if (width == 0)
        return false;
    const double top = strongestCell(rdMap).db;
    const double span = 60.0;
    QImage image(width, height, QImage::Format_RGB32);
    for (int r = 0; r < height; ++r) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(r));
        for (int d = 0; d < width; ++d) {
            double t = std::isfinite(top) ? (rdMap[r][d] - (top - span)) / span : 0.0;
            if (!(t > 0.0))
                t = 0.0;  // also -inf and NaN
            t = std::min(t, 1.0);
            // Blue through cyan, yellow to red: hue 240 down to 0.
            line[d] = QColor::fromHsvF((1.0 - t) * 240.0 / 360.0, 1.0, 0.25 + 0.75 * t).rgb();
        }
    }
    return image.save(QString::fromStdString(path), "PNG");
}
