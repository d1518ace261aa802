#pragma once

#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/HiveRegistry.h"
#include "support/TestFiles.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string_view>
#include <thread>

namespace quorvane::test {

// What a plug-in's load test works in: a file `files/a.txt` to right-click, and the settings file
// the plug-in reads. The plug-in finds its settings file once, as it does in a file manager, so
// every test of the process works in the same configuration folder, starting without one.
class AdapterSettings : public ::testing::Test {
public:
    AdapterSettings() {
        static TempFolder* config = new TempFolder;
        ::setenv("XDG_CONFIG_HOME", config->path().c_str(), 1);
        std::filesystem::remove_all(config->path());
        std::filesystem::create_directories(config->path());
        std::filesystem::create_directories(temp / "files");
        writeBytes(temp / "files" / "a.txt", "A");
    }

    // `menu` with the extension items "doc" and "my_ext", and the captions of Copy Name and Stamp.
    void store(std::string_view menu, std::string_view copyName = "Copy Name") {
        HiveRegistry registry(HiveRegistry::defaultHiveFile());
        SettingsKey key(registry);
        key.writeString(value::theMenu, menu);
        key.writeString(value::extItems, "doc,my_ext");
        key.writeString("NameToClipboard", copyName);
        key.writeString("Stamp", "Stamp");
        key.writeString(value::moveItems, "");
        key.writeString(value::moveDirItems, "");
        key.close();
    }

    TempFolder temp;
};

// What the plug-in leaves to a thread of its own is waited for, a minute at most, while `pump`
// runs the file manager's event loop once, as the plug-in reports through it.
inline bool eventually(const std::function<bool()>& done, const std::function<void()>& pump) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        pump();
        std::this_thread::yield();
    }
    return true;
}

} // namespace quorvane::test
