// A serial device for benchmarks without hardware: a pseudo-terminal whose slave appears as
// "cu.bench" in a scratch device folder that the shared device list scans. The benchmark
// plays the far end on the master. Make it before the first window, which scans on start-up.
#pragma once

#include "devices/DeviceList.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

class PtySerialDevice {
public:
    static constexpr const char* name = "cu.bench";

    PtySerialDevice()
    {
        char slavePath[256] = {};
        if (::openpty(&master_, &slave_, slavePath, nullptr, nullptr) != 0)
            throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
        try {
            // The slave stays open here too, so the port closing its descriptor never hangs
            // up the master under the writer.
            ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
            ::fcntl(master_, F_SETFD, FD_CLOEXEC);
            ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
            std::string pattern = (std::filesystem::temp_directory_path() / "serialterm-bench-XXXXXX").string();
            if (!::mkdtemp(pattern.data()))
                throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
            folder_ = pattern;
            std::filesystem::create_directory(folder_ + "/dev");
            std::filesystem::create_directory(folder_ + "/sys");
            std::filesystem::create_symlink(slavePath, folder_ + "/dev/" + name);
        } catch (...) {
            release();
            throw;
        }
        DeviceList::sharedDeviceList() = DeviceList({folder_ + "/dev", folder_ + "/sys"});
    }
    PtySerialDevice(const PtySerialDevice&) = delete;
    PtySerialDevice& operator=(const PtySerialDevice&) = delete;
    ~PtySerialDevice() { release(); }

    // Non-blocking.
    int master() const { return master_; }

private:
    void release()
    {
        ::close(master_);
        ::close(slave_);
        if (!folder_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }

    int master_ = -1;
    int slave_ = -1;
    std::string folder_;
};
