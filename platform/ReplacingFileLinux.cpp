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

// A link in the file's place is replaced, not followed: only a regular file passes its
// mode on.
void TakeModeOf(int fd, const std::string& path) {
    struct stat old {};
    if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Only root may give a file away; anyone else makes it their own.
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        ::fchmod(fd, 0666 & ~CurrentUmask());
    }
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
    TakeModeOf(fd, path_);
    // Renamed before its data reach the disk, a power cut could leave the name empty.
    int error = ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && std::rename(temp_.c_str(), path_.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temp_.c_str());
        return Fail(error);
    }
    return true;
}

bool ReplacingFile::WriteWhole(const std::string& path, std::string_view text, std::string& error) {
    ReplacingFile file;
    const bool written = file.Open(path) && file.Write(text) && file.Commit();
    error = file.Error();
    return written;
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
