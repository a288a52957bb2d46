// adapters: the USB adapters found.
#include "cli/Command.h"
#include "cli/Formats.h"

Command AdaptersCommand() {
    return {"adapters", "list the USB adapters found", kDataForm | kOutput, nullptr,
            [](Context& c) {
                const auto adapters = c.Open(false).adapters();
                c.Write(c.Json() ? AdaptersJson(adapters).dump(2) + "\n"
                                 : AdaptersText(adapters, c.Separator()));
                c.Commit();
            }};
}
