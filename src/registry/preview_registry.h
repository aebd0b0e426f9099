// The registry of a preview run: reads what the run's registry holds, keeps every change in memory
// and never writes through, so the system registry and the registry files stay as they are. It
// remembers the keys it changed, for the diff the preview shows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace rivel {

class PreviewRegistry : public RegistryService {
  public:
    explicit PreviewRegistry(RegistryService& base);
    ~PreviewRegistry() override;

    long OpenKey(RegKey parent, const std::string& subKey, RegAccess access,
                 RegKey& result) override;
    long CreateKey(RegKey parent, const std::string& subKey, RegKey& result) override;
    long CloseKey(RegKey key) override;
    long SetValue(RegKey key, const std::string& name, uint32_t type,
                  const std::string& data) override;
    // Kept as the ANSI functions read it back, as every value here is.
    long SetStoredValue(RegKey key, const std::string& name, uint32_t type,
                        const std::string& data) override;
    long QueryValue(RegKey key, const std::string& name, size_t maxBytes, uint32_t& type,
                    std::string& data) override;
    long DeleteValue(RegKey key, const std::string& name) override;
    long DeleteKey(RegKey key, const std::string& subKey) override;
    long EnumValue(RegKey key, uint32_t index, size_t maxBytes, std::string& name, uint32_t& type,
                   std::string& data) override;
    long EnumKey(RegKey key, uint32_t index, std::string& name) override;
    // Nothing is ever written.
    long Flush() override { return kErrorSuccess; }

    // The full paths ("HKEY_LOCAL_MACHINE\Software\Firm") of the keys created, deleted or given
    // other values, each once, spelt as the run first named them.
    std::vector<std::string> ChangedKeys() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace rivel
