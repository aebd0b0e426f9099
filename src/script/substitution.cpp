// Placeholder until substitution is built: lines pass unchanged.
#include "script/substitution.h"

namespace rivel {

std::string SubstVar(const RunOptions&, char, const std::string& line, EFunc) {
    return line;
}

std::string EnvValue(const RunOptions&, const std::string&) {
    return "";
}

std::string SubstEnv(const RunOptions&, const std::string& line) {
    return line;
}

}  // namespace rivel
