// Registry key and value operations of RCM files: root key names, context lines and their keys,
// and the command lines that set, create, delete and replace, written once against the registry
// service.
#pragma once

#include <optional>
#include <string>

#include "base/run_context.h"
#include "platform/registry.h"

namespace rivel {

// An error in an RCM file or line (one that could not be read, or an operation that could not be
// carried out): reported at level 1 and kept for the exit status of /x.
void ReportRcmError(RunContext& run, int verbosity, const std::string& label,
                    const std::string& text);

// The key that the last context line named.
struct RcmContext {
    RegKey key = 0;      // 0 when there is none (before the first context line, or not opened)
    std::string subKey;  // the subkey path of the context line
    bool recurse = false;
};

// The root handle named exactly so (HKEY_CLASSES_ROOT, ...); nothing, after "RootKey not
// supported" at level 6, for any other name.
std::optional<RegKey> RootKeyFromName(RunContext& run, const RunOptions& options,
                                      const std::string& name);

struct ParsedContext {
    std::string root;
    std::string subKey;
    bool recurse = false;
};
ParsedContext ParseContext(RunContext& run, const RunOptions& options, const std::string& line);

// Opens (REGEDIT, REGEDIT4: creates) the key of a context line.
RcmContext OpenContextKey(RunContext& run, const RunOptions& options, RegistryService& reg,
                          const std::string& line);
void CloseContextKey(RegistryService& reg, RcmContext& context);

struct ValueTokens {
    std::string name;
    std::string value;
    bool valueQuoted = false;  // the value was written in quotes
};
// The name and the value of a command line from position start: 'Name'="Value" or similar.
ValueTokens SplitValueTokens(RunContext& run, const RunOptions& options, size_t start,
                             const std::string& line);

// Carries out one command line on the context.
void ProcessKey(RunContext& run, const RunOptions& options, RegistryService& reg,
                const RcmContext& context, const std::string& line);

// Replaces text in the string values of key (of its subkeys too when recurse is set).
void ReplaceInValues(RunContext& run, const RunOptions& options, RegistryService& reg, RegKey key,
                     bool recurse, const std::string& keyToMatch, const std::string& match,
                     const std::string& replacement);

// A REGEDIT4 line "[-ROOT\path]": deletes the key with everything below it.
void DeleteContextKey(RunContext& run, const RunOptions& options, RegistryService& reg,
                      const std::string& line);

// Deletes subKey below key with all its subkeys; the registry functions delete only keys
// without subkeys.
long DeleteKeyTree(RegistryService& reg, RegKey key, const std::string& subKey);

}  // namespace rivel
