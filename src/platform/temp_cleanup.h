// New files that must not outlive the run: a file being written beside the one it will replace
// is registered here until it is in place or removed, so that a run ended by a signal, by an exit
// or by running out of memory removes what it had started instead of leaving it behind.
#pragma once

#include <cstdint>
#include <string>

namespace rivel {

struct TempRegistration;

// Registers a new file. directory is the platform handle of its directory (POSIX: a directory
// descriptor, and name is relative to it) or -1 (name is then a full path). Returns nullptr only
// when no memory was left for the entry.
TempRegistration* RegisterTempFile(intptr_t directory, const std::string& name);

// Forgets the entry (the file was put in place or removed by its owner). Null is ignored.
void UnregisterTempFile(TempRegistration* registration);

// Removes every registered file and forgets them all. Async-signal-safe on POSIX: it only walks
// the list and calls unlinkat.
void RemoveTempFiles();

// Installs the ends that clean up: SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the registered
// files and then end the process as the signal would have; exit() removes them too; SIGXFSZ is
// ignored so that writing past a file size limit fails (and is reported) instead of killing the
// run. The Windows build does the same for Ctrl-C and console close.
void InstallEndCleanup();

}  // namespace rivel
