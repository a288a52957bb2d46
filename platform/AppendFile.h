// A text file that a log appends whole lines to: buffered, so that no line costs a system
// call, and never left with a broken line or with anything lost from what it held before.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile() { Close(); }

    // Opens path for appending, creating it. Only a regular file is taken: a pipe would
    // hold the program until someone reads it. false with Error() set when it cannot.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    // Adds text (whole lines) to the buffer; written when the buffer fills or a second has
    // passed since the last write. false once anything failed.
    bool Write(std::string_view text);
    // Writes what is buffered and closes. On any failure the file is cut back to the last
    // whole write that reached it, never shorter than it was at Open. false on failure.
    bool Close();
    // Why the last Open, Write or Close failed, in English ("No space left on device").
    const std::string& Error() const { return error_; }

private:
    bool Flush();
    bool Fail(int error);

    int fd_ = -1;
    off_t committed_ = 0; // the file's length after the last complete write
    std::string buffer_;
    std::string error_;
    bool failed_ = false;
    std::chrono::steady_clock::time_point lastFlush_{};
};

// An advisory lock (flock) on a log for as long as a run writes it: a second run, of this
// program or another, finds it taken and writes elsewhere instead of between its lines.
class FileLock {
public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { Release(); }

    // Creates the file when it is missing and takes its lock; false when another run holds it
    // (Busy()) or when it is not a regular file that can be opened (for the writer to say why).
    bool Take(const std::string& path);
    bool Busy() const { return busy_; }
    void Release();

private:
    int fd_ = -1;
    bool busy_ = false;
};

// The write system call the files use; tests put a failing one in place. nullptr restores
// the real one.
using FileWriteFunction = ssize_t (*)(int fd, const void* data, size_t size);
void SetFileWriteFunction(FileWriteFunction write);
