#include "disk_gauge.h"

#include "diskUsage.h"

#include <QProgressBar>

QString diskGaugeStyle(double usagePercent)
{
    if (usagePercent < 50)
        return QStringLiteral("QProgressBar::chunk { background-color: #4CAF50; }");
    if (usagePercent < 80)
        return QStringLiteral("QProgressBar::chunk { background-color: #FFC107; }");
    return QStringLiteral("QProgressBar::chunk { background-color: #F44336; }");
}

QString diskGaugeText(double usedGiB, double totalGiB)
{
    return QStringLiteral(" %1 / %2 GB ").arg(usedGiB, 0, 'f', 1).arg(totalGiB, 0, 'f', 1);
}

void applyDiskGauge(QProgressBar* bar, const DiskUsage& usage)
{
    bar->setStyleSheet(diskGaugeStyle(usage.getUsagePercent()));
    bar->setFormat(diskGaugeText(usage.getUsedSpace(), usage.getTotalSpace()));
}
