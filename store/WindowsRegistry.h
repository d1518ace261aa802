#pragma once

#include "store/Registry.h"

#include <chrono>

namespace quorvane {

// HKEY_CLASSES_ROOT as Windows holds it, where the extension reads it. A key is opened (and
// created when missing) with RegCreateKeyExA and its values are read at once, while the named
// update mutex keeps commits out (waiting briefly for one under way, then reading all the same),
// so a reader never sees half of a commit; reads see that snapshot overlaid with this key's own
// writes. The writes wait in memory until commit() and are then set one after the other. The
// registry has no transaction: names it would refuse are refused when set, so a failure raised
// before the commit writes nothing, but one during the commit's own writes (the system's own
// refusal) leaves the values set before it written. A refused write names the value, with the
// reason on the next line.
class WindowsRegistry : public Registry {
public:
    // Whether opening a missing key creates it. The extension runs inside the shell and only
    // reads: a right-click must never leave a key behind that the program did not write.
    enum class Opening { CreateMissing, ExistingOnly };

    // `lockWait`: how long update() waits for another program's update of the settings.
    explicit WindowsRegistry(std::chrono::milliseconds lockWait = std::chrono::milliseconds(5000),
                             Opening opening = Opening::CreateMissing);

    std::unique_ptr<RegistryKey> openKey(std::string_view path) override;
    void update(std::string_view path, const std::function<void(RegistryKey&)>& change) override;

private:
    std::chrono::milliseconds m_lockWait;
    Opening m_opening;
};

} // namespace quorvane
