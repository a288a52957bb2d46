// Where the program's own files are: beside its executable once installed, or in the source
// tree it was built from while it runs from its build folder.
#pragma once

#include <string>

struct ProgramFolders {
    std::string program; // the running executable's folder; empty when it cannot be told
    std::string source;  // the source tree of the build
};

const ProgramFolders& ProgramPaths();
// Makes ProgramPaths() report folders (tests); nullptr restores the real ones.
void InstallProgramFolders(const ProgramFolders* folders);
