// Variable substitution. The "%" pass replaces %NAME% by environment values and leaves "$$" and
// "$(" alone; the "$" pass replaces $(NAME) references, resolving nested ones inside-out.
#include "script/substitution.h"

#include "base/message_log.h"
#include "platform/environment.h"
#include "text/strings.h"

namespace rivel {

namespace {

// A value is inserted up to its first line end. A line never holds one: the rest of the value
// would otherwise become lines of their own (sections, keys, commands) in what the line writes.
std::string OneLine(RunContext& run, const RunOptions& options, char marker,
                    const std::string& name, std::string value) {
    size_t end = value.find_first_of("\r\n");
    if (end != std::string::npos) {
        LogMessage(run.log, options.VerboseMode, 1,
                   "Line end in a variable's value, rest left out: ",
                   marker == '%' ? "%" + name + "%" : "$(" + name);
        NoteFailure(run, RunFailure::CommandError);
        value.erase(end);
    }
    return value;
}

std::string SubstPercent(RunContext& run, const RunOptions& options, const std::string& source,
                         const EFunc& efunc) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 99, "SubstVar with % called : ", source);
    std::string out;
    std::string name;
    bool inside = false;
    auto put = [&](std::string_view s) { (inside ? name : out).append(s); };
    size_t i = 0;
    while (i < source.size()) {
        char c = source[i];
        char d = CharAt(source, i + 1);
        if (c == '$' && d == '$') {
            put(std::string_view(source).substr(i, 2));
            i += 2;
        } else if (c == '$' && d == '(') {
            // "$(" and the character after it pass as a block: a "%" there is no marker.
            put(std::string_view(source).substr(i, 3));
            i += 3;
        } else if (c == '%' && d == '%') {
            put("%");
            i += 2;
        } else if (c == '%') {
            if (!inside) {
                name.clear();
                inside = true;
            } else {
                inside = false;
                std::string value = OneLine(run, options, '%', name, efunc(run, options, name));
                LogMessage(run.log, v, 9, "EFunc variable: ", name);
                LogMessage(run.log, v, 9, "EFunc returns : ", value);
                out += value;
            }
            ++i;
        } else {
            put(std::string_view(&source[i], 1));
            ++i;
        }
    }
    if (inside) {
        LogMessage(run.log, v, 3, "Unbalanced % found in: ", source);
        out += '%';
        out += name;
    }
    LogMessage(run.log, v, 99, "SubstVar return with   : ", out);
    return out;
}

std::string SubstDollar(RunContext& run, const RunOptions& options, const std::string& source,
                        const EFunc& efunc) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 99, "SubstVar with $ called : ", source);
    std::string out;
    size_t i = 0;
    while (i < source.size()) {
        char c = source[i];
        char d = CharAt(source, i + 1);
        if (c != '$') {
            out += c;
            ++i;
        } else if (d == '$') {
            out += "$$";
            i += 2;
        } else if (d == '(') {
            std::string name;
            int depth = 1;
            int maxDepth = 1;
            int nesting = 0;
            size_t j = i + 2;
            while (j < source.size() && depth > 0) {
                char e = source[j];
                char f = CharAt(source, j + 1);
                if (e == ')') {
                    name += e;
                    --depth;
                    ++j;
                } else if (e == '$' && (f == '$' || f == '(')) {
                    name += e;
                    name += f;
                    if (f == '(') {
                        ++depth;
                        ++nesting;
                        if (depth > maxDepth) {
                            maxDepth = depth;
                        }
                    }
                    j += 2;
                } else {
                    name += e;
                    ++j;
                }
            }
            if (maxDepth > kMaxReferenceNesting) {
                // Resolving this would recurse once per level: keep the reference as written.
                LogMessage(run.log, v, 1, "Variable references nested too deep, left as written: ",
                           source.substr(i, j - i));
                NoteFailure(run, RunFailure::CommandError);
                out.append(source, i, j - i);
                i = j;
                continue;
            }
            if (depth > 0) {
                LogMessage(run.log, v, 3, "Missing ) in line", source);
            }
            if (nesting != 0) {
                LogMessage(run.log, v, 99, "Nested Var found    : ", name);
                name = SubstDollar(run, options, name, efunc);
                LogMessage(run.log, v, 99, "Nested Var returned : ", name);
            }
            LogMessage(run.log, v, 99, "Envfound : ", name);
            std::string value = OneLine(run, options, '$', name, efunc(run, options, name));
            LogMessage(run.log, v, 99, "Returned : ", value);
            out += value;
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    LogMessage(run.log, v, 99, "SubstVar return with   : ", out);
    return out;
}

}  // namespace

std::string SubstVar(RunContext& run, const RunOptions& options, char marker,
                     const std::string& line, const EFunc& efunc) {
    if (line.find(marker) == std::string::npos) {
        // Nothing to substitute (most lines): the line as it is, with the same trace.
        LogMessage(run.log, options.VerboseMode, 99,
                   marker == '%' ? "SubstVar with % called : " : "SubstVar with $ called : ", line);
        LogMessage(run.log, options.VerboseMode, 99, "SubstVar return with   : ", line);
        return line;
    }
    return marker == '%' ? SubstPercent(run, options, line, efunc)
                         : SubstDollar(run, options, line, efunc);
}

std::string EnvValue(RunContext& run, const RunOptions& options, const std::string& name) {
    std::optional<std::string> value = GetEnvVar(name);
    if (!value) {
        LogMessage(run.log, options.VerboseMode, 3, "ENV Var not defined ", name);
        return "";
    }
    return *value;
}

std::string SubstEnv(RunContext& run, const RunOptions& options, const std::string& line) {
    return SubstVar(run, options, '%', line, EnvValue);
}

}  // namespace rivel
