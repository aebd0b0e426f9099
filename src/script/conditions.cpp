// The condition evaluator. Operators are recognised in upper case by their letters alone;
// keywords of elementary conditions are compared upper-cased.
#include "script/conditions.h"

#include "base/message_log.h"
#include "netware/netware.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/name_case.h"
#include "script/ini_search.h"
#include "text/preview_texts.h"
#include "text/strings.h"
#include "text/tokens.h"

namespace rivel {

namespace {

struct Eval {
    RunContext& run;
    const RunOptions& options;
    const std::string& line;
    size_t& pos;
    const std::string& iniFile;
    int nesting = 0;
    bool tooDeep = false;
    // Reading, without evaluating, what a decided operand left unread inside a group.
    bool skipping = false;

    int V() const { return options.VerboseMode; }
};

int Or(Eval& e);
int And(Eval& e);
int Not(Eval& e);
int Token(Eval& e);

void SkipBlanks(Eval& e) {
    e.pos = rivel::SkipBlanks(e.line, e.pos);
}

bool PastEnd(const Eval& e) {
    return e.pos > e.line.size();
}

bool At(const Eval& e, const char* word) {
    std::string_view w(word);
    return e.pos <= e.line.size() && e.line.compare(e.pos, w.size(), w) == 0;
}

void ReportTooDeep(Eval& e) {
    LogMessage(e.run.log, e.V(), 1, "Condition nested too deep, taken as false: ", e.line);
    NoteFailure(e.run, RunFailure::CommandError);
}

// A condition the evaluator cannot read is an error of the command file, unless it lies in a
// part that is only passed over.
void NoteBadCondition(Eval& e) {
    if (!e.skipping) {
        NoteFailure(e.run, RunFailure::CommandError);
    }
}

// Entering one more level of parentheses or NOT. Beyond the limit the whole condition is false:
// the evaluation stops reading and every level returns at once.
bool Deeper(Eval& e) {
    if (e.tooDeep) {
        return false;
    }
    if (++e.nesting > kMaxConditionNesting) {
        e.tooDeep = true;
        if (!e.skipping) {
            ReportTooDeep(e);
        }
        e.pos = e.line.size();
        return false;
    }
    return true;
}

// Inside a group, an operand that decides its level (true before OR, false before AND) leaves
// the rest of that level unread. The rest is read here, operator by operator and operand by
// operand as the evaluation would read that level, so that the group's ")" is found where it
// stands; nothing in it is evaluated or logged. What the level would not read (an AND after a
// group that ends an operand) is left for the group's ")" test, which reports it.
void PassOverLevel(Eval& e, std::string_view op, int (*operand)(Eval&)) {
    RunOptions quiet = e.options;
    quiet.VerboseMode = -1;
    Eval rest{e.run, quiet, e.line, e.pos, e.iniFile, e.nesting, e.tooDeep, true};
    while (!rest.tooDeep && rest.pos < rest.line.size()) {
        SkipBlanks(rest);
        if (!At(rest, op.data())) {
            break;
        }
        rest.pos += op.size();
        operand(rest);
    }
    if (rest.tooDeep && !e.tooDeep) {
        e.tooDeep = true;
        if (!e.skipping) {
            ReportTooDeep(e);
        }
    }
}

// "(" condition ")": a wrong character where the ")" belongs is consumed as if it were one.
int Group(Eval& e) {
    if (!Deeper(e)) {
        return 0;
    }
    ++e.pos;
    int v = Or(e);
    --e.nesting;
    if (e.tooDeep) {
        return 0;
    }
    SkipBlanks(e);
    if (e.pos >= e.line.size() || e.line[e.pos] != ')') {
        LogMessagePos(e.run.log, e.V(), 1, "Missing ) in if line : ", e.line,
                      static_cast<int>(e.pos), "Pos");
        if (!e.skipping) {
            NoteFailure(e.run, RunFailure::CommandError);
        }
    }
    ++e.pos;
    return v;
}

int Or(Eval& e) {
    SkipBlanks(e);
    if (PastEnd(e)) {
        return 0;
    }
    int v = CharAt(e.line, e.pos) == '(' ? Group(e) : And(e);
    while (true) {
        if (e.tooDeep) {
            return 0;
        }
        if (v == 1 && !e.skipping) {
            if (e.nesting > 0) {
                PassOverLevel(e, "OR", And);
            }
            return e.tooDeep ? 0 : 1;
        }
        if (e.pos >= e.line.size()) {
            return v;
        }
        SkipBlanks(e);
        if (!At(e, "OR")) {
            return v;
        }
        LogMessagePos(e.run.log, e.V(), 9, "OR found at : ", e.line, static_cast<int>(e.pos),
                      "Pos");
        e.pos += 2;
        v = And(e);
    }
}

int And(Eval& e) {
    SkipBlanks(e);
    if (PastEnd(e)) {
        return 0;
    }
    if (CharAt(e.line, e.pos) == '(') {
        return Group(e);
    }
    int v = Not(e);
    while (true) {
        if (e.tooDeep) {
            return 0;
        }
        if (v == 0 && !e.skipping) {
            if (e.nesting > 0) {
                PassOverLevel(e, "AND", Not);
            }
            return 0;
        }
        if (e.pos >= e.line.size()) {
            return v;
        }
        SkipBlanks(e);
        if (!At(e, "AND")) {
            return v;
        }
        LogMessagePos(e.run.log, e.V(), 9, "AND found at : ", e.line, static_cast<int>(e.pos),
                      "Pos");
        e.pos += 3;
        v = Not(e);
    }
}

int Not(Eval& e) {
    SkipBlanks(e);
    if (PastEnd(e)) {
        return 0;
    }
    if (At(e, "NOT")) {
        LogMessagePos(e.run.log, e.V(), 9, "NOT found at : ", e.line, static_cast<int>(e.pos),
                      "Pos");
        e.pos += 3;
        if (!Deeper(e)) {
            return 0;
        }
        int v = Not(e);
        --e.nesting;
        if (e.tooDeep) {
            return 0;
        }
        return v == 0 ? 1 : 0;
    }
    if (CharAt(e.line, e.pos) == '(') {
        return Group(e);
    }
    return Token(e);
}

// ---- elementary conditions ----

std::string Operand(Eval& e) {
    return UpperCase(GetSToken(e.run, e.options, e.line, e.pos));
}

// A file name operand: upper-cased only where file names ignore case anyway.
std::string FileOperand(Eval& e) {
    std::string name = GetSToken(e.run, e.options, e.line, e.pos);
    return FileNamesIgnoreCase() ? UpperCase(name) : name;
}

int Exist(Eval& e, bool negate) {
    std::string kind = Operand(e);
    bool found = false;
    if (kind == "FILE" || kind == "DIR") {
        std::string path = FileOperand(e);
        // DIR is the same test as FILE: a file or a directory, also one a preview would create.
        found = ExistsAsLeft(e.run, path);
        if (kind == "FILE") {
            LogMessage(e.run.log, e.V(), 9, found ? "File exists : " : "File not exists : ", path);
        } else {
            LogMessage(e.run.log, e.V(), 9,
                       found ? "Directory exists : " : "Directory not exists : ", path);
        }
    } else if (kind == "ENV") {
        std::string name = Operand(e);
        std::optional<std::string> value = GetEnvVar(name);
        found = value.has_value() && !value->empty();
        LogMessage(e.run.log, e.V(), 9,
                   found ? "Environment var exists : " : "Environment var not exists : ", name);
    } else {
        LogMessage(e.run.log, e.V(), 3,
                   negate ? "Unknown NEXIST - Value : " : "Unknown EXIST - Value : ", kind);
        NoteBadCondition(e);
        return 0;
    }
    return found != negate ? 1 : 0;
}

const char* OpenFailureText(const std::string& kind) {
    if (kind == "SECTION") {
        return " INFILE / ININI SECTION";
    }
    if (kind == "KEY") {
        return " INFILE / ININI KEY";
    }
    return " INFILE / ININI VALUE";
}

// INFILE file kind ... and ININI kind ...
// CONTAINS SECTION: the text in a line of the section (the reader stands after its header).
int SectionHoldsText(Eval& e, LineReader& reader, const std::string& section,
                     const std::string& search) {
    std::string line;
    bool hit = false;
    // The next section's line is not part of this section, even when it holds the text.
    while (ReadTrimmed(reader, line) && CharAt(line, 0) != '[') {
        if (FindText(UpperCase(line), search, 0) != -1) {
            hit = true;
            break;
        }
    }
    LogMessage(
        e.run.log, e.V(), 9,
        (hit ? "Found <" : "Not found <") + search + "> in section <" + section + "> in line :",
        e.line);
    return hit ? 1 : 0;
}

// KEY, VALUE and CONTAINS KEY, with the reader standing after the section's header.
int KeyCondition(Eval& e, LineReader& reader, const std::string& kind, bool contains,
                 const std::string& key, std::string& value, const std::string& search) {
    const int v = e.V();
    std::string lineKey;
    std::string lineValue;
    KeySearch found = SeekKey(e.run, e.options, reader, key, kind == "VALUE" ? &value : nullptr,
                              lineKey, lineValue);
    if (found == KeySearch::EmptySection) {
        LogMessage(e.run.log, v, 9, "Empty section found", "");
        return 0;
    }
    bool hit = found == KeySearch::Found;
    if (kind == "VALUE") {
        if (hit) {
            LogMessage(e.run.log, v, 9, "Key <" + key + "> found", " value <" + value + ">");
        } else {
            LogMessage(e.run.log, v, 9, "Key <" + key + "> not found",
                       " with value <" + value + ">");
        }
        return hit ? 1 : 0;
    }
    if (!hit) {
        LogMessage(e.run.log, v, 9, "Key <" + key + "> not found", "");
        return 0;
    }
    if (!contains) {
        LogMessage(e.run.log, v, 9, "Key <" + key + "> found", "");
        return 1;
    }
    bool inValue = FindText(UpperCase(lineValue), search, 0) != -1;
    LogMessage(e.run.log, v, 9,
               (inValue ? "Value found in Key <" : "Value NOT found in Key <") + key + "> ",
               search);
    return inValue ? 1 : 0;
}

int IniCondition(Eval& e, const std::string& file) {
    const int v = e.V();
    std::string kind = Operand(e);
    bool contains = false;
    if (kind == "CONTAINS") {
        contains = true;
        kind = Operand(e);
        if (kind != "SECTION" && kind != "KEY") {
            LogMessage(e.run.log, v, 3,
                       "Unknown INFILE CONTAINS / ININI CONTAINS - Value : ", kind);
            NoteBadCondition(e);
            return 0;
        }
    } else if (kind != "SECTION" && kind != "KEY" && kind != "VALUE") {
        LogMessage(e.run.log, v, 3, "Unknown INFILE / ININI - Value : ", kind);
        NoteBadCondition(e);
        return 0;
    }
    std::string section = Operand(e);
    std::string key;
    std::string value;
    std::string search;
    if (kind == "KEY" || kind == "VALUE") {
        key = Operand(e);
    }
    if (kind == "VALUE") {
        value = Operand(e);
    }
    if (contains) {
        search = Operand(e);
    }
    if (e.skipping) {
        return 0;
    }

    LineReader reader;
    if (!OpenAsLeft(e.run, reader, file)) {
        LogMessage(e.run.log, v, 2, "Can't open <" + file + "> for reading ",
                   OpenFailureText(kind));
        return 0;
    }
    std::string last;
    bool sectionFound = SeekSection(reader, section, last);

    if (kind == "SECTION" && !contains) {
        LogMessage(e.run.log, v, 9, (sectionFound ? "Found <" : "NOT found <") + section + "> in ",
                   e.line);
        return sectionFound ? 1 : 0;
    }
    if (kind == "SECTION") {
        if (!sectionFound) {
            LogMessage(e.run.log, v, 9, "NOT found <" + section + "> in ", e.line);
            return 0;
        }
        LogMessage(e.run.log, v, 9, "Found section <" + section + "> in ", e.line);
        return SectionHoldsText(e, reader, section, search);
    }

    // KEY, VALUE and CONTAINS KEY.
    if (!sectionFound) {
        LogMessage(e.run.log, v, 9, "NOT found Section <" + section + "> in ", e.line);
        return 0;
    }
    LogMessage(e.run.log, v, 9, "Found Section <" + section + ">", "");
    return KeyCondition(e, reader, kind, contains, key, value, search);
}

int Token(Eval& e) {
    const int v = e.V();
    LogMessagePos(e.run.log, v, 9, "EvalToken from : ", e.line, static_cast<int>(e.pos),
                  "EvalToken from : ");
    std::string keyword = Operand(e);
    // The DOS-only tests read no operands: what follows is left for the enclosing level.
    if (keyword == "VIDEO" || keyword == "MONITOR") {
        LogMessage(e.run.log, v, 3, "IF VIDEO only supported with DOS", "");
        return 0;
    }
    if (keyword == "DEVICE") {
        LogMessage(e.run.log, v, 3, "IF DEVICE only supported with DOS", "");
        return 0;
    }
    if (keyword == "VESA") {
        LogMessage(e.run.log, v, 3, "IF VESA found : ", " only supported in plain DOS");
        return 0;
    }
    if (keyword == "IPXLOADED" || keyword == "NWNET" || keyword == "VLMLOADED" ||
        keyword == "NETX") {
        return 0;
    }
    if (keyword == "MEMBER") {
        Operand(e);  // the word OF, whatever it says
        std::string group = Operand(e);
        if (e.skipping) {
            return 0;
        }
        LogMessage(e.run.log, v, 9, "IF MEMBER OF found : ", group);
        return IsGroupMember(e.run, e.options, group) ? 1 : 0;
    }
    if (keyword == "ENV") {
        std::string name = Operand(e);
        std::string op = GetSToken(e.run, e.options, e.line, e.pos);
        std::string wanted = Operand(e);
        std::string value = UpperCase(GetEnvVar(name).value_or(""));
        bool equal = value == wanted;
        return (op == "==" ? equal : !equal) ? 1 : 0;
    }
    if (keyword == "EXIST") {
        return Exist(e, false);
    }
    if (keyword == "NEXIST") {
        return Exist(e, true);
    }
    if (keyword == "INFILE") {
        std::string file = FileOperand(e);
        return IniCondition(e, file);
    }
    if (keyword == "ININI") {
        return IniCondition(e, e.iniFile);
    }
    std::string op = GetSToken(e.run, e.options, e.line, e.pos);
    if (op == "==" || op == "!=") {
        std::string other = Operand(e);
        return (keyword == other) == (op == "==") ? 1 : 0;
    }
    if (e.skipping) {
        return 0;
    }
    LogMessagePos(e.run.log, v, 1, "---NOT IMPLEMENTED CONDITION  ", e.line,
                  static_cast<int>(e.pos), "---NOT IMPLEMENTED CONDITION  ");
    NoteFailure(e.run, RunFailure::CommandError);
    NoteFailure(e.run, RunFailure::CommandError);
    return 0;
}

template <int (*F)(Eval&)>
int Run(RunContext& run, const RunOptions& options, const std::string& line, size_t& position,
        const std::string& iniFile) {
    Eval e{run, options, line, position, iniFile};
    int v = F(e);
    return e.tooDeep ? 0 : v;
}

}  // namespace

int EvalOr(RunContext& run, const RunOptions& options, const std::string& line, size_t& position,
           const std::string& iniFile) {
    return Run<Or>(run, options, line, position, iniFile);
}

}  // namespace rivel
