#pragma once
// Fill level of the file system that holds a path. "Used" is capacity minus
// what an unprivileged user may still write, so reserved blocks count as used.

#include <cstdint>
#include <string>

class DiskUsage {
public:
    explicit DiskUsage(const std::string& path);

    // Queries the file system again; a failed query reads as an empty 0-byte disk.
    void updateUsage();

    double getUsagePercent() const { return usage_percent; }
    double getUsedSpace() const;   // GiB
    double getTotalSpace() const;  // GiB

private:
    double usage_percent = 0;
    std::uint64_t available_bytes = 0;
    std::uint64_t capacity_bytes = 0;
    std::string path;
};
