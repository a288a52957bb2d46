// The input as a regular file in memory, reopened by path as the readers do.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

class MemFile {
public:
    MemFile() : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC)) {
        if (fd_ < 0) {
            std::abort();
        }
    }
    ~MemFile() { ::close(fd_); }
    // Replaces the contents; the path then reads them from the start.
    void Write(const uint8_t* data, size_t size) {
        if (::ftruncate(fd_, 0) != 0 ||
            (size > 0 && ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size))) {
            std::abort();
        }
    }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};
