#pragma once

#include "extension/Host.h"

namespace quorvane::ext {

// The host in Dolphin, on Qt 5 and KIO: dialogs and windows without a parent, never modal,
// answered through their signals; the application's clipboard; Dolphin's own windows and
// properties dialog; programs started without waiting. Messages from other threads reach the
// application's event loop first.
class QtHost : public Host {
public:
    void message(std::string text) override;
    void runInBackground(std::function<void()> job) override;
    void readClipboard(std::function<void(std::string)> done) override;
    void setClipboard(std::string text) override;
    void showText(std::string title, std::string text) override;
    void confirm(std::string question, std::function<void()> onYes) override;
    void chooseFolder(std::string title, std::filesystem::path start,
                      std::function<void(std::filesystem::path)> onChosen) override;
    void openFolderWindow(std::string uri) override;
    void showItems(std::vector<std::string> uris) override;
    void showItemProperties(std::vector<std::string> uris) override;
    void startProgram(std::vector<std::string> argv, std::filesystem::path folder) override;
};

} // namespace quorvane::ext
