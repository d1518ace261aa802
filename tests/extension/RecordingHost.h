#pragma once

#include "extension/Host.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvane::test {

// A host that answers at once and records what the extension asked of it: background work runs
// on the spot (or is kept for later, to see what was left to it), the user's answers are set in
// advance.
class RecordingHost : public ext::Host {
public:
    void message(std::string text) override { messages.push_back(std::move(text)); }
    void runInBackground(std::function<void()> job) override {
        if (deferBackground)
            deferred.push_back(std::move(job));
        else
            job();
    }
    void readClipboard(std::function<void(std::string)> done) override { done(clipboard); }
    void setClipboard(std::string text) override { clipboard = std::move(text); }
    void showText(std::string title, std::string text) override {
        shownTexts.push_back(title + ": " + text);
    }
    void confirm(std::string question, std::function<void()> onYes) override;
    void chooseFolder(std::string title, std::filesystem::path start,
                      std::function<void(std::filesystem::path)> onChosen) override;
    void openFolderWindow(std::string uri) override { calls.push_back("open " + uri); }
    void showItems(std::vector<std::string> uris) override;
    void showItemProperties(std::vector<std::string> uris) override;
    void startProgram(std::vector<std::string> argv, std::filesystem::path folder) override;

    bool deferBackground = false;
    std::vector<std::function<void()>> deferred;
    std::vector<std::string> messages;
    std::string clipboard;
    std::vector<std::string> shownTexts;
    std::vector<std::string> questions;
    bool answerYes = true;
    // The folder a chooser returns; none: the user cancels.
    std::optional<std::filesystem::path> chosenFolder;
    std::vector<std::string> calls;
    std::vector<std::vector<std::string>> started;
    std::vector<std::filesystem::path> startedIn;
};

} // namespace quorvane::test
