// temp: the board temperature.
#include "cli/Command.h"
#include "cli/Formats.h"

Command TemperatureCommand() {
    return {"temp", "read the board temperature, degrees C",
            kBoard | kPort | kSweeps | kDataForm | kOutput, nullptr, [](Context& c) {
                const float t = c.Open(true).temperature();
                c.Write(c.Json() ? nlohmann::json{{"temperature_c", JsonNum(t)}}.dump() + "\n"
                                 : Fixed2(t) + "\n");
                c.Commit();
            }};
}
