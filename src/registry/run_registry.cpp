// The run's registry, chosen once per run.
#include "registry/run_registry.h"

#include <memory>

#include "base/message_log.h"
#include "base/preview.h"
#include "registry/hive_store.h"
#include "registry/preview_registry.h"
#include "registry/rcm_file.h"
#include "registry/reg_export.h"
#include "text/unified_diff.h"

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

void RunRcmFile(RunContext& run, RunOptions& options, const std::string& rcmFile) {
    RegistryService& reg = RunRegistry(run, options);
    if (options.Preview == 1) {
        // The changes go to a layer in memory that is dropped afterwards; the keys they touched
        // are shown as they are and as they would be.
        // The registry variables of the file read the layer too, as they would read the
        // changes of a real run.
        std::shared_ptr<RegistryService> real = run.registry;
        auto preview = std::make_shared<PreviewRegistry>(reg);
        run.registry = preview;
        ProcessRcmFile(run, options, *preview, rcmFile);
        run.registry = real;
        std::vector<std::string> keys = preview->ChangedKeys();
        if (!keys.empty()) {
            WritePreviewText(UnifiedDiff("registry", ExportRegistryKeys(reg, keys),
                                         ExportRegistryKeys(*preview, keys)));
        }
        return;
    }
    ProcessRcmFile(run, options, reg, rcmFile);
    if (reg.Flush() != kErrorSuccess) {
        NoteFailure(run, RunFailure::WriteFailed);
    }
}

}  // namespace rivel
