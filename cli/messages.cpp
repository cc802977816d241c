// Messages on standard error, one line each, as every command writes them.

#include <iostream>

#include "cli/commands.h"

namespace kavro::cli {

int Fail(const std::string& message) {
    std::cerr << "kavro-switch: " << message << std::endl;
    return kFailed;
}

void Warn(const std::string& message) {
    std::cerr << "kavro-switch: warning: " << message << std::endl;
}

}  // namespace kavro::cli
