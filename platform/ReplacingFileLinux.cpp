#include "platform/ReplacingFile.h"

#include "platform/ErrnoText.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

namespace {

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

bool ReplacingFile::Open(const std::string& path) {
    Discard();
    const auto folder = std::filesystem::path(path).parent_path();
    temp_ =
        ((folder.empty() ? std::filesystem::path(".") : folder) / ".queltoeval.XXXXXX").string();
    fd_ = ::mkstemp(temp_.data());
    path_ = path;
    return fd_ >= 0 || Fail(errno);
}

bool ReplacingFile::Write(std::string_view text) {
    while (fd_ >= 0 && !text.empty()) {
        const ssize_t n = ::write(fd_, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail(n < 0 ? errno : ENOSPC);
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return fd_ >= 0;
}

bool ReplacingFile::Commit() {
    if (fd_ < 0) {
        return false;
    }
    const int fd = std::exchange(fd_, -1);
    if (::fchmod(fd, 0666 & ~CurrentUmask()) != 0 || ::close(fd) != 0 ||
        std::rename(temp_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp_.c_str());
        return Fail(error);
    }
    return true;
}

void ReplacingFile::Discard() {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
        ::unlink(temp_.c_str());
    }
}

bool ReplacingFile::Fail(int error) {
    error_ = ErrnoText(error);
    Discard();
    return false;
}
