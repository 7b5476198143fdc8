// The process's resident memory now, in MiB, for benchmarks that check memory stays flat: VmRSS
// on Linux; elsewhere, where /proc is missing, the task's resident size through the Mach
// interface. Throws when neither answers.
#pragma once

#ifdef __APPLE__
#include <mach/mach.h>
#endif

#include <fstream>
#include <stdexcept>
#include <string>

inline double residentMiB()
{
#ifdef __APPLE__
    mach_task_basic_info info{};
    mach_msg_type_number_t count = MACH_TASK_BASIC_INFO_COUNT;
    if (::task_info(mach_task_self(), MACH_TASK_BASIC_INFO, reinterpret_cast<task_info_t>(&info), &count) != KERN_SUCCESS)
        throw std::runtime_error("task_info failed");
    return static_cast<double>(info.resident_size) / (1024 * 1024);
#else
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kib = 0;
            status >> kib;
            return kib / 1024;
        }
        status.ignore(1 << 16, '\n');
    }
    throw std::runtime_error("no VmRSS in /proc/self/status");
#endif
}
