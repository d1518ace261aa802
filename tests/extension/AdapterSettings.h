#pragma once

#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/HiveRegistry.h"
#include "support/TestFiles.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string_view>

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

} // namespace quorvane::test
