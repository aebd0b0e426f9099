// The run's registry, chosen once per run.
#include "registry/run_registry.h"

#include "driver/message_log.h"
#include "registry/hive_store.h"
#include "registry/rcm_file.h"

namespace rivel {

namespace {

struct RunRegistryState {
    std::shared_ptr<RegistryService> registry;
    int verbosity = 4;  // of the operation that last reached the registry, for the store's reports
};

RunRegistryState& State() {
    static RunRegistryState state;
    return state;
}

}  // namespace

RegistryService& RunRegistry(const RunOptions& options) {
    RunRegistryState& state = State();
    state.verbosity = options.VerboseMode;
    if (!state.registry) {
        state.registry = OpenSystemRegistry();
    }
    if (!state.registry) {
        state.registry =
            OpenHiveStore(RegistryStoreDirectory(),
                          [](int level, const std::string& label, const std::string& text) {
                              LogMessage(State().verbosity, level, label, text);
                          });
    }
    return *state.registry;
}

void FlushRunRegistry(const RunOptions& options) {
    RunRegistry(options).Flush();
}

void RunRcmFile(RunOptions& options, const std::string& rcmFile) {
    ProcessRcmFile(options, RunRegistry(options), rcmFile);
    FlushRunRegistry(options);
}

void SetRunRegistry(std::shared_ptr<RegistryService> registry) {
    State().registry = std::move(registry);
}

}  // namespace rivel
