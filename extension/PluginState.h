#pragma once

#include "extension/ExtensionMenu.h"
#include "extension/Operations.h"
#include "store/HiveRegistry.h"

#include <chrono>
#include <exception>
#include <functional>
#include <thread>

namespace quorvane::ext {

// A commit from an "Add" operation waits this long for another writer, then gives up and says so.
inline constexpr std::chrono::milliseconds addWait{2000};

// What a plug-in keeps from its first right-click for as long as its file manager runs: dialogs
// and background work refer to its host and store long after the menu that started them. Made
// once and never destroyed, as work may still run when the file manager ends.
template <typename HostType> struct PluginState {
    HiveRegistry store{HiveRegistry::defaultHiveFile(), {}, addWait};
    MenuReader menu;
    HostType host;
    Programs programs;
};

// Runs `job` on a thread of its own, which nobody waits for; what it throws reaches the user.
inline void runDetached(Host& host, std::function<void()> job) {
    std::thread([&host, job = std::move(job)] {
        try {
            job();
        } catch (const std::exception& error) {
            host.message(error.what());
        } catch (...) {
        }
    }).detach();
}

} // namespace quorvane::ext
