// A file written under a temporary name beside its place and put there whole by Commit: a
// reader never sees half of it, a failed write leaves what was there before, and a link
// planted under the name is replaced, never followed (the program may run as root).
#pragma once

#include <string>
#include <string_view>

class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile() { Discard(); }

    // false, with Error() set, when no file can be made in path's folder.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    bool Write(std::string_view text);
    // Puts the file in place under its name, on the disk before the name points at it. It
    // takes the permission bits (and, where allowed, the owner) of the regular file it
    // replaces; a first file gets 0666 less the umask.
    bool Commit();
    // Drops what was written; the name keeps what it held.
    void Discard();
    // Why the last call failed, in English ("No space left on device").
    const std::string& Error() const { return error_; }

    // Open, Write and Commit in one; false, with error set, when any of them fails.
    static bool WriteWhole(const std::string& path, std::string_view text, std::string& error);

private:
    bool Fail(int error);

    int fd_ = -1;
    std::string temp_;
    std::string path_;
    std::string error_;
};
