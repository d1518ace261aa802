#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quorvane::ext {

// What the extension needs from the file manager it runs in. Every call returns at once: what
// waits for the user or the system calls back later, on the file manager's main thread, and
// nothing is called back when the user cancels.
class Host {
public:
    virtual ~Host() = default;

    // Tells the user something (a failure, a refusal). The only call allowed from any thread, as
    // work running in the background reports through it.
    virtual void message(std::string text) = 0;
    // Runs file operations and store commits away from the file manager's main thread.
    virtual void runInBackground(std::function<void()> job) = 0;

    virtual void readClipboard(std::function<void(std::string text)> done) = 0;
    virtual void setClipboard(std::string text) = 0;
    // A small window showing a text.
    virtual void showText(std::string title, std::string text) = 0;
    virtual void confirm(std::string question, std::function<void()> onYes) = 0;
    // Opens at `start`, so that the folder the user is in can be chosen at once.
    virtual void chooseFolder(std::string title, std::filesystem::path start,
                              std::function<void(std::filesystem::path folder)> onChosen) = 0;

    // A new window of the file manager at `uri`.
    virtual void openFolderWindow(std::string uri) = 0;
    // The folders holding the objects, with the objects selected.
    virtual void showItems(std::vector<std::string> uris) = 0;
    virtual void showItemProperties(std::vector<std::string> uris) = 0;
    // Starts a program without waiting for it; tells the user when it cannot be started.
    virtual void startProgram(std::vector<std::string> argv, std::filesystem::path folder) = 0;
};

} // namespace quorvane::ext
