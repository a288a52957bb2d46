#include <quelto/OutputFile.h>

#include "platform/ErrnoText.h"
#include "platform/ReplacingFile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace quelto {

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The descriptor the path stands for: N for /dev/fd/N or /proc/self/fd/N (a shell's
// "-o >(...)"), 1 or 2 when standard output or error already writes to that file
// (/dev/stdout); -1 for any other path.
int DescriptorFor(const std::string& path, const struct stat& st) {
    const std::filesystem::path name(path);
    std::error_code error;
    const auto folder = std::filesystem::canonical(
        name.has_parent_path() ? name.parent_path() : std::filesystem::path("."), error);
    const std::string number = name.filename().string();
    static const std::regex descriptors("/proc/[0-9]+/fd");
    if (!error && std::regex_match(folder.string(), descriptors) && !number.empty() &&
        number.find_first_not_of("0123456789") == std::string::npos && number.size() < 9) {
        return std::stoi(number);
    }
    for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat stream {};
        if (::fstat(fd, &stream) == 0 && SameFile(stream, st)) {
            return fd;
        }
    }
    return -1;
}

} // namespace

struct OutputFile::State {
    ReplacingFile file;
    int fd = -1; // written in place
    std::string path;
    std::string option;

    [[noreturn]] void Fail(ErrorKind kind, const std::string& reason) const {
        throw Error(kind, reason, option);
    }
    [[noreturn]] void Fail(const std::string& what, int error) const {
        Fail(ErrorKind::RunFailed, what + path + ": " + ErrnoText(error));
    }

    // A device or a FIFO, opened where it is: replacing it would put a file where a device
    // was (as root, even in /dev). Opening does not wait for a FIFO's reader.
    void OpenInPlace(bool followLink, const struct stat& expected) {
        fd = ::open(path.c_str(),
                    O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
        if (fd < 0) {
            if (errno == ENXIO) {
                Fail(ErrorKind::RunFailed, "cannot write " + path + ": nothing reads that FIFO");
            }
            Fail("cannot write ", errno);
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !SameFile(st, expected)) {
            Fail(ErrorKind::RunFailed, "cannot write " + path + ": it changed while opened");
        }
        ::fcntl(fd, F_SETFL, O_WRONLY);
    }
};

OutputFile::OutputFile(const std::string& path, std::string option)
    : state_(std::make_unique<State>()) {
    auto& s = *state_;
    s.path = path;
    s.option = std::move(option);
    struct stat here {};
    struct stat target {};
    const bool exists = path != "-" && ::lstat(path.c_str(), &here) == 0;
    const bool link = exists && S_ISLNK(here.st_mode);
    const bool reaches = exists && ::stat(path.c_str(), &target) == 0;
    const int given = path == "-" ? STDOUT_FILENO : reaches ? DescriptorFor(path, target) : -1;
    if (given >= 0) {
        s.fd = ::fcntl(given, F_DUPFD_CLOEXEC, 3);
        if (s.fd < 0) {
            s.Fail("cannot write ", errno);
        }
        return;
    }
    if (reaches && S_ISDIR(target.st_mode)) {
        s.Fail(ErrorKind::Usage, path + " is a folder");
    }
    if (reaches && (S_ISCHR(target.st_mode) || S_ISFIFO(target.st_mode))) {
        // As the kernel's protected links would: a link someone else planted does not lead
        // this user's (or root's) data into a device.
        if (link && here.st_uid != ::geteuid() && here.st_uid != 0) {
            s.Fail(ErrorKind::Usage, path + " is another user's link to a device or a FIFO");
        }
        s.OpenInPlace(link, target);
        return;
    }
    if (reaches && !S_ISREG(target.st_mode)) {
        s.Fail(ErrorKind::Usage, path + " is neither a file, a character device nor a FIFO");
    }
    if (!s.file.Open(path)) {
        throw Error(ErrorKind::RunFailed, "cannot write " + path + ": " + s.file.Error(), s.option);
    }
}

OutputFile::~OutputFile() {
    if (state_->fd >= 0) {
        ::close(state_->fd);
    }
}

void OutputFile::write(std::string_view data) {
    auto& s = *state_;
    if (s.fd < 0) {
        if (!s.file.Write(data)) {
            s.Fail(ErrorKind::RunFailed, "writing " + s.path + " failed: " + s.file.Error());
        }
        return;
    }
    while (!data.empty()) {
        const ssize_t n = ::write(s.fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            s.Fail(ErrorKind::RunFailed,
                   "writing " + s.path + " failed: " + ErrnoText(n < 0 ? errno : ENOSPC));
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
}

void OutputFile::commit() {
    auto& s = *state_;
    if (s.fd >= 0) {
        const int fd = std::exchange(s.fd, -1);
        if (::close(fd) != 0) {
            s.Fail(ErrorKind::RunFailed, "writing " + s.path + " failed: " + ErrnoText(errno));
        }
        return;
    }
    if (!s.file.Commit()) {
        s.Fail(ErrorKind::RunFailed, "cannot write " + s.path + ": " + s.file.Error());
    }
}

} // namespace quelto
