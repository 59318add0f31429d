#pragma once
// Disk gauge of the main window: colour by fill level and a "used / total" text.

#include <QString>

class DiskUsage;
class QProgressBar;

// Green below 50 %, amber below 80 %, red from 80 %.
QString diskGaugeStyle(double usagePercent);
// " <used> / <total> GB " in GiB with one decimal.
QString diskGaugeText(double usedGiB, double totalGiB);
void applyDiskGauge(QProgressBar* bar, const DiskUsage& usage);
