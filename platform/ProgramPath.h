// Where the program's own files are: in the data folder of the prefix it is installed in, or in
// the source tree it was built from while it runs from its build folder.
#pragma once

#include <string>

struct ProgramFolders {
    std::string program; // the running executable's folder; empty when it cannot be told
    std::string source;  // the source tree of the build
    std::string data;    // share/quelto-eval of the executable's prefix; empty with program
};

const ProgramFolders& ProgramPaths();
// Makes ProgramPaths() report folders (tests); nullptr restores the real ones.
void InstallProgramFolders(const ProgramFolders* folders);
