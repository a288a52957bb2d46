// A data file written as the program writes its own: a regular file (or a new name) appears
// whole under its name only when committed, written beside and renamed over, keeping its mode;
// a link in its place is replaced, not followed. "-", or a name of the file standard output or
// standard error already writes to (/dev/stdout, /dev/fd/1), is that stream. A character
// device or a FIFO (or the user's own link to one) is written in place, never replaced; a FIFO
// nobody reads is refused rather than waited for. A folder, a block device or a socket is refused
// (usage). Errors are quelto::Error about the option given (the output's by default) with the path
// and reason.
#pragma once

#include <quelto/Error.h>

#include <memory>
#include <string>
#include <string_view>

namespace quelto {

class OutputFile {
public:
    explicit OutputFile(const std::string& path, std::string option = "output");
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view data);
    void commit();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace quelto
