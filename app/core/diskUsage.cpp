#include "diskUsage.h"

#include <filesystem>

namespace {
constexpr double kBytesPerGiB = 1073741824.0;
}

DiskUsage::DiskUsage(const std::string& path) : path(path)
{
    updateUsage();
}

void DiskUsage::updateUsage()
{
    std::error_code error;
    const std::filesystem::space_info info = std::filesystem::space(path, error);
    if (error) {
        usage_percent = 0;
        available_bytes = 0;
        capacity_bytes = 0;
        return;
    }
    available_bytes = info.available;
    capacity_bytes = info.capacity;
    usage_percent = capacity_bytes == 0
                        ? 0.0
                        : static_cast<double>(capacity_bytes - available_bytes) / static_cast<double>(capacity_bytes) * 100.0;
}

double DiskUsage::getUsedSpace() const
{
    return static_cast<double>(capacity_bytes - available_bytes) / kBytesPerGiB;
}

double DiskUsage::getTotalSpace() const
{
    return static_cast<double>(capacity_bytes) / kBytesPerGiB;
}
