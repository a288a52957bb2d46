// A data file written as the program writes its own: a regular file appears whole under its
// name only when committed (written beside and renamed over, keeping its mode); a device or
// FIFO is written in place. Errors are quelto::Error (run failed) with the path and reason.
#pragma once

#include <quelto/Error.h>

#include <memory>
#include <string>
#include <string_view>

namespace quelto {

class OutputFile {
public:
    explicit OutputFile(const std::string& path);
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
