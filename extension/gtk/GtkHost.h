#pragma once

#include "extension/Host.h"

#include <string>
#include <vector>

namespace quorvane::ext {

// The host on the GTK family of file managers (GTK 3 or GTK 4, whichever the adapter is built
// for): dialogs and windows without a parent, non-modal, answered through their signals; the
// clipboard of the default display; the file manager's own D-Bus interface for showing items;
// programs started without waiting. Messages from other threads reach the main loop first.
class GtkHost : public Host {
public:
    // `openWindow`: the command that opens a new window of this file manager; the URI follows.
    explicit GtkHost(std::vector<std::string> openWindow) : m_openWindow(std::move(openWindow)) {}

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

private:
    std::vector<std::string> m_openWindow;
};

} // namespace quorvane::ext
