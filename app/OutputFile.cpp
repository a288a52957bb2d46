#include <quelto/OutputFile.h>

#include "platform/ReplacingFile.h"

namespace quelto {

struct OutputFile::State {
    ReplacingFile file;
    std::string path;
};

OutputFile::OutputFile(const std::string& path) : state_(std::make_unique<State>()) {
    state_->path = path;
    if (!state_->file.Open(path)) {
        throw Error(ErrorKind::RunFailed, "cannot write " + path + ": " + state_->file.Error(),
                    "output");
    }
}

OutputFile::~OutputFile() = default;

void OutputFile::write(std::string_view data) {
    if (!state_->file.Write(data)) {
        throw Error(ErrorKind::RunFailed,
                    "writing " + state_->path + " failed: " + state_->file.Error(), "output");
    }
}

void OutputFile::commit() {
    if (!state_->file.Commit()) {
        throw Error(ErrorKind::RunFailed,
                    "cannot write " + state_->path + ": " + state_->file.Error(), "output");
    }
}

} // namespace quelto
