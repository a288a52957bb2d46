#include "commands/UtilityCommands.h"

#include "platform/Frontend.h"
#include "platform/ProgramPath.h"
#include "sensors/Acquisition.h"

#include <filesystem>
#include <system_error>

void mnuPrint_Click() {
    // The printer dialog holds everything, as a modal window does.
    bool printed = false;
    WhileHeld([&printed] { printed = Ui().PrintPlots(); });
    if (!printed) {
        Ui().MsgBox("Error Printing");
    }
}

std::vector<std::string> HelpLocations() {
    const ProgramFolders& folders = ProgramPaths();
    std::vector<std::string> locations;
    if (!folders.data.empty()) {
        locations.push_back(folders.data + "/help/index.html");
    }
    locations.push_back(folders.source + "/docs/help/index.html");
    return locations;
}

void mnuHelp_Click() {
    const std::vector<std::string> locations = HelpLocations();
    for (const auto& path : locations) {
        // Only a regular file: the viewer would wait forever on a FIFO of that name.
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            Ui().ShowHelp(path);
            return;
        }
    }
    std::string where;
    for (const auto& path : locations) {
        where += (where.empty() ? "" : " or ") + path;
    }
    Ui().MsgBox("The help could not be found at " + where + ".");
}
