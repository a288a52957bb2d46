#include "tests/support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempWorkDir::TempWorkDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quelto-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir = tmpl;
    previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
}

TempWorkDir::~TempWorkDir() {
    std::error_code ec;
    std::filesystem::current_path(previous, ec);
    std::filesystem::remove_all(dir, ec);
}

void TempWorkDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

std::string TempWorkDir::Read(const std::string& name) const {
    std::ifstream in(dir / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
