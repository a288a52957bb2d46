// The one exception the library throws: the program's own reason, whether the call was wrong
// (usage) or the run failed, and the parameter it is about, when it is about one.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace quelto {

enum class ErrorKind { Usage, RunFailed };

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& reason, std::string parameter = {})
        : std::runtime_error(reason), kind_(kind), parameter_(std::move(parameter)) {}
    ErrorKind kind() const { return kind_; }
    // The option or argument at fault ("channel", "settings"); empty when none is.
    const std::string& parameter() const { return parameter_; }

private:
    ErrorKind kind_;
    std::string parameter_;
};

} // namespace quelto
