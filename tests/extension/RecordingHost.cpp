#include "RecordingHost.h"

namespace quorvane::test {

void RecordingHost::confirm(std::string question, std::function<void()> onYes) {
    questions.push_back(std::move(question));
    if (answerYes)
        onYes();
}

void RecordingHost::chooseFolder(std::string, std::filesystem::path start,
                                 std::function<void(std::filesystem::path)> onChosen) {
    calls.push_back("choose folder from " + start.string());
    if (chosenFolder)
        onChosen(*chosenFolder);
}

void RecordingHost::showItems(std::vector<std::string> uris) {
    for (const auto& uri : uris)
        calls.push_back("show " + uri);
}

void RecordingHost::showItemProperties(std::vector<std::string> uris) {
    for (const auto& uri : uris)
        calls.push_back("properties " + uri);
}

void RecordingHost::startProgram(std::vector<std::string> argv, std::filesystem::path folder) {
    started.push_back(std::move(argv));
    startedIn.push_back(std::move(folder));
}

} // namespace quorvane::test
