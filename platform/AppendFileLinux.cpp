#include "platform/AppendFile.h"

#include "platform/ErrnoText.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kBufferBytes = 64 * 1024;
constexpr auto kFlushInterval = std::chrono::seconds(1);

FileWriteFunction writeFunction = ::write;

} // namespace

void SetFileWriteFunction(FileWriteFunction write) {
    writeFunction = write != nullptr ? write : ::write;
}

bool AppendFile::Open(const std::string& path) {
    Close();
    failed_ = false;
    error_.clear();
    // Non-blocking, so that opening a pipe nobody reads does not hang before the check.
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd < 0) {
        return Fail(errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISREG(st.st_mode) ? errno : EINVAL;
        ::close(fd);
        Fail(error);
        if (error == EINVAL) {
            error_ = "it is not a regular file";
        }
        return false;
    }
    ::fcntl(fd, F_SETFL, O_WRONLY | O_APPEND);
    fd_ = fd;
    committed_ = st.st_size;
    buffer_.reserve(kBufferBytes + 4096);
    lastFlush_ = std::chrono::steady_clock::now();
    return true;
}

bool AppendFile::Write(std::string_view text) {
    if (fd_ < 0 || failed_) {
        return false;
    }
    buffer_.append(text);
    if (buffer_.size() >= kBufferBytes ||
        std::chrono::steady_clock::now() - lastFlush_ >= kFlushInterval) {
        return Flush();
    }
    return true;
}

bool AppendFile::Flush() {
    lastFlush_ = std::chrono::steady_clock::now();
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = writeFunction(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            // A write cut short would leave a broken line: back to the last whole write.
            [[maybe_unused]] const int cut = ::ftruncate(fd_, committed_);
            buffer_.clear();
            return Fail(error);
        }
        done += static_cast<size_t>(n);
    }
    committed_ += static_cast<off_t>(buffer_.size());
    buffer_.clear();
    return true;
}

bool AppendFile::Close() {
    if (fd_ < 0) {
        return !failed_;
    }
    bool ok = !failed_ && Flush();
    if (::close(fd_) != 0 && ok) {
        ok = Fail(errno);
    }
    fd_ = -1;
    return ok;
}

bool AppendFile::Fail(int error) {
    failed_ = true;
    error_ = ErrnoText(error);
    return false;
}

bool FileLock::Take(const std::string& path) {
    Release();
    busy_ = false;
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        busy_ = errno == EWOULDBLOCK;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void FileLock::Release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
