#include "store/SettingsStore.h"
#include "store/WindowsRegistry.h"

namespace quorvane {

std::unique_ptr<Registry> openSettingsStore() {
    return std::make_unique<WindowsRegistry>();
}

} // namespace quorvane
