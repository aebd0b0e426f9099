// The run's registry, chosen once per run.
#include "registry/run_registry.h"

#include <memory>

#include "base/message_log.h"
#include "registry/hive_store.h"

namespace rivel {

RegistryService& RunRegistry(RunContext& run, const RunOptions& options) {
    if (!run.registry) {
        run.registry = OpenSystemRegistry();
    }
    if (!run.registry) {
        // The store's own reports (damaged or busy files) at the verbosity of the run that
        // first reached the registry.
        RunContext* context = &run;
        int verbosity = options.VerboseMode;
        run.registry = OpenHiveStore(
            RegistryStoreDirectory(),
            [context, verbosity](int level, const std::string& label, const std::string& text) {
                LogMessage(context->log, verbosity, level, label, text);
            });
    }
    return *run.registry;
}

}  // namespace rivel
