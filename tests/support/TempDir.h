// A fresh temporary folder made the working directory for one test, restored afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

class TempWorkDir {
public:
    TempWorkDir() {
        std::string name = (std::filesystem::temp_directory_path() / "quelto-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        dir = name;
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }
    ~TempWorkDir() {
        std::error_code ec;
        std::filesystem::current_path(previous, ec);
        std::filesystem::remove_all(dir, ec);
    }
    const std::filesystem::path& path() const { return dir; }
    // Writes a file in the folder with exactly these bytes.
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ostringstream s;
        s << std::ifstream(dir / name, std::ios::binary).rdbuf();
        return s.str();
    }

private:
    std::filesystem::path dir;
    std::filesystem::path previous;
};
