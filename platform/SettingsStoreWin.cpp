#include "platform/SettingsStore.h"
#include "platform/WindowsRegistry.h"

namespace quorvane {

std::unique_ptr<Registry> openSettingsStore() {
    return std::make_unique<WindowsRegistry>();
}

} // namespace quorvane
