#pragma once

#include "extension/Host.h"

namespace quorvane::ext {

// The operations' host inside Explorer: message boxes, the clipboard, the shell's folder picker,
// Explorer windows and property sheets, programs started through the shell. One serves the
// whole process, as work in the background reports through it after the menu that started it
// has gone.
class WindowsHost final : public Host {
public:
    void message(std::string text) override;
    // On a thread of its own that keeps the DLL loaded (and DllCanUnloadNow answering S_FALSE)
    // until the work is done.
    void runInBackground(std::function<void()> job) override;

    void readClipboard(std::function<void(std::string text)> done) override;
    void setClipboard(std::string text) override;
    void showText(std::string title, std::string text) override;
    void confirm(std::string question, std::function<void()> onYes) override;
    void chooseFolder(std::string title, std::filesystem::path start,
                      std::function<void(std::filesystem::path folder)> onChosen) override;

    void openFolderWindow(std::string uri) override;
    void showItems(std::vector<std::string> uris) override;
    void showItemProperties(std::vector<std::string> uris) override;
    void startProgram(std::vector<std::string> argv, std::filesystem::path folder) override;
};

} // namespace quorvane::ext
