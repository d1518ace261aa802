#include "store/SettingsStore.h"

#include "store/HiveRegistry.h"

namespace quorvane {

std::unique_ptr<Registry> openSettingsStore() {
    return std::make_unique<HiveRegistry>(HiveRegistry::defaultHiveFile());
}

} // namespace quorvane
