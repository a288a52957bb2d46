#include "platform/ErrnoText.h"

#include <cstring>

std::string ErrnoText(int error) {
    // strerror follows LC_MESSAGES, which the GUI toolkit sets from the environment.
    if (const char* text = strerrordesc_np(error)) {
        return text;
    }
    return "error " + std::to_string(error);
}
