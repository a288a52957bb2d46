// A fresh temporary folder made the working directory for one test, restored afterwards.
#pragma once

#include <filesystem>
#include <string>

class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();
    const std::filesystem::path& path() const { return dir; }
    // Writes a file in the folder with exactly these bytes.
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::filesystem::path dir;
    std::filesystem::path previous;
};
