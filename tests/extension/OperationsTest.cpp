#include "extension/Operations.h"

#include "RecordingHost.h"
#include "extension/Selection.h"
#include "settings/Schema.h"
#include "store/HiveRegistry.h"
#include "support/LockHolder.h"
#include "support/MenuFixture.h"
#include "support/TestFiles.h"

#include <chrono>
#include <cstdlib>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace quorvane::test {
namespace {

// A folder with two files and a subfolder, the store as first run leaves it, and a host that
// records what the extension asks of the file manager.
class Operations : public MenuFixture {
public:
    Operations() {
        fs::create_directories(temp / "here" / "sub");
        fs::create_directories(temp / "there");
        writeBytes(temp / "here" / "a.txt", "A");
        writeBytes(temp / "here" / "b.txt", "B");
        registry.setInteger(path, value::copyCrLf, 0);
    }

    ext::SelectedObject object(std::string_view name, bool isDirectory = false) const {
        const fs::path p = temp / "here" / name;
        return {ext::fileUri(p), p, isDirectory};
    }
    ext::Selection select(std::initializer_list<std::string_view> names) const {
        ext::Selection selection;
        for (std::string_view name : names)
            selection.objects.push_back(object(name, name == "sub"));
        return selection;
    }
    void run(OperationCode operation, const ext::Selection& selection) {
        const std::int32_t code = codeOf(operation);
        ext::activate({Kind::Operation,
                       std::string(operations()[static_cast<std::size_t>(code)].defaultCaption),
                       code,
                       {},
                       {}},
                      selection, host, registry, programs);
    }
    void runItem(Kind kind, std::string caption, std::string target,
                 const ext::Selection& selection) {
        ext::activate({kind, std::move(caption), -1, std::move(target), {}}, selection, host,
                      registry, programs);
    }
    std::string here(std::string_view name = {}) const {
        return (temp / "here" / name).lexically_normal().string();
    }

    TempFolder temp;
    RecordingHost host;
    ext::Programs programs{(temp / "bin").string() + "/"};
    const ext::SelectedObject remote{"sftp://host/file", std::nullopt, false};
};

TEST_F(Operations, CopyAndAppendNameFollowTheLineEndOptions) {
    struct Row {
        OperationCode operation;
        std::int32_t copyCrLf, appendCrLf;
        std::initializer_list<std::string_view> names;
        std::string expected; // "@" stands for the folder
    };
    const Row rows[] = {
        {OperationCode::NameToClipboard, 0, 1, {"a.txt"}, "@a.txt "},
        {OperationCode::NameToClipboard, 1, 0, {"a.txt"}, "@a.txt\n"},
        {OperationCode::NameToClipboard, 0, 0, {"a.txt", "sub"}, "@a.txt\n@sub\n"},
        {OperationCode::AppendToClipboard, 1, 0, {"a.txt"}, "old@a.txt "},
        {OperationCode::AppendToClipboard, 0, 1, {"a.txt", "b.txt"}, "old@a.txt\n@b.txt\n"},
    };
    for (const Row& row : rows) {
        registry.setInteger(path, value::copyCrLf, row.copyCrLf);
        registry.setInteger(path, value::appendCrLf, row.appendCrLf);
        host.clipboard = "old";
        run(row.operation, select(row.names));
        std::string expected;
        for (char c : row.expected)
            expected += c == '@' ? (temp / "here").string() + "/" : std::string(1, c);
        EXPECT_EQ(host.clipboard, expected);
    }
    host.clipboard.clear();
    run(OperationCode::NameToClipboard, {{remote}, {}});
    EXPECT_EQ(host.clipboard, "sftp://host/file ");
    // A name that is not UTF-8 goes as the file's URI, and a message shows it readable.
    writeBytes(temp / "here" / "bad\xff.txt", "X");
    run(OperationCode::NameToClipboard, select({"bad\xff.txt"}));
    EXPECT_EQ(host.clipboard, ext::fileUri(temp / "here") + "/bad%FF.txt ");
    host.answerYes = false;
    run(OperationCode::Remove, select({"bad\xff.txt"}));
    EXPECT_NE(host.questions.back().find("bad\uFFFD.txt' for good?"), std::string::npos);
}

TEST_F(Operations, TargetNamesResolveLinks) {
    fs::create_symlink(temp / "here" / "a.txt", temp / "here" / "link");
    const std::string target = fs::canonical(here("a.txt")).string();
    run(OperationCode::TargetNameToClipboard, select({"link", "b.txt"}));
    EXPECT_EQ(host.clipboard, target + "\n" + here("b.txt") + "\n");
    run(OperationCode::TargetProperties, select({"link"}));
    EXPECT_EQ(host.calls, std::vector<std::string>{"properties " + ext::fileUri(target)});
}

TEST_F(Operations, WhereYouClickedOpensWindowsAndShowsContainers) {
    run(OperationCode::ExploreFromHere, select({"a.txt"}));
    run(OperationCode::ExploreFromHere, select({"sub"}));
    ext::Selection background;
    background.background = object("sub", true);
    run(OperationCode::ExploreFromHere, background);
    run(OperationCode::OpenContainer, select({"a.txt", "sub"}));
    const std::string uri = ext::fileUri(temp / "here");
    EXPECT_EQ(host.calls, (std::vector<std::string>{
                              "open " + uri, "open " + uri + "/sub", "open " + uri + "/sub",
                              "show " + uri + "/a.txt", "show " + uri + "/sub"}));
}

TEST_F(Operations, ObjectsElsewhereAreRefusedWhereALocalPathIsNeeded) {
    using enum OperationCode;
    for (OperationCode operation : {DosPrompt, AlternativePrompt, AddThisExt, AddThisMoveDir,
                                    AddThisFile, Remove, Stamp, BrowseMove}) {
        host.messages.clear();
        run(operation, {{remote}, {}});
        ASSERT_EQ(host.messages.size(), 1u) << codeOf(operation);
        EXPECT_NE(host.messages[0].find("this computer only; 'sftp://host/"), std::string::npos)
            << host.messages[0];
    }
    EXPECT_TRUE(host.started.empty());
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(Operations, RemoveAsksOnceSayingHowManyThenDeletesForGood) {
    host.answerYes = false;
    run(OperationCode::Remove, select({"a.txt", "sub"}));
    EXPECT_TRUE(fs::exists(here("a.txt")));
    host.answerYes = true;
    run(OperationCode::Remove, select({"a.txt", "sub"}));
    EXPECT_EQ(host.questions,
              std::vector<std::string>(
                  2, "Remove these 2 objects for good? They do not go to the trash."));
    EXPECT_EQ(folderListing(temp / "here"), "b.txt");
    host.questions.clear();
    ext::Selection background;
    background.background = object("", true);
    run(OperationCode::Remove, background);
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(Operations, StampWithOnlyTheCreationDateSaysItCannotBeSet) {
    registry.setInteger(path, value::stampOptions, 1);
    run(OperationCode::Stamp, select({"a.txt"}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].find("creation date"), std::string::npos);
}

TEST_F(Operations, WhatChangesFilesIsLeftToTheBackground) {
    host.deferBackground = true;
    host.chosenFolder = temp / "there";
    const auto old = fs::last_write_time(here("a.txt")) - std::chrono::hours(1);
    fs::last_write_time(here("a.txt"), old);
    run(OperationCode::Stamp, select({"a.txt"}));
    runItem(Kind::Extension, "doc", "", select({"b.txt"}));
    run(OperationCode::BrowseCopy, select({"a.txt"}));
    run(OperationCode::Remove, select({"sub"}));
    EXPECT_EQ(fs::last_write_time(here("a.txt")), old);
    EXPECT_EQ(folderListing(temp / "here") + "|" + folderListing(temp / "there"),
              "a.txt b.txt sub|");
    for (const auto& job : host.deferred)
        job();
    EXPECT_NE(fs::last_write_time(here("a.txt")), old);
    EXPECT_EQ(folderListing(temp / "here") + "|" + folderListing(temp / "there"),
              "a.txt b.doc|a.txt");
}

TEST_F(Operations, ItemsMoveCopyRenameAndRun) {
    runItem(Kind::CopyTo, "Copy", (temp / "there").string(), select({"a.txt"}));
    runItem(Kind::MoveTo, "Move", (temp / "there").string(), select({"b.txt"}));
    EXPECT_EQ(folderListing(temp / "there"), "a.txt b.txt");
    EXPECT_EQ(folderListing(temp / "here"), "a.txt sub");
    runItem(Kind::SendTo, "Send", (temp / "there").string(), select({"a.txt"}));
    EXPECT_EQ(host.messages.size(), 1u); // a.txt is there already
    runItem(Kind::Extension, "doc", "", select({"a.txt"}));
    EXPECT_EQ(folderListing(temp / "here"), "a.doc sub");

    runItem(Kind::RunOpen, "Run", "/bin/echo", select({"a.doc", "sub"}));
    runItem(Kind::SendTo, "Send", "/bin/echo", select({"a.doc"}));
    runItem(Kind::RunOpen, "Open", here("a.doc"), select({"sub"}));
    EXPECT_EQ(host.started,
              (std::vector<std::vector<std::string>>{{"/bin/echo", here("a.doc"), here("sub")},
                                                     {"/bin/echo", here("a.doc")},
                                                     {"xdg-open", here("a.doc")}}));
    EXPECT_EQ(host.startedIn[0], temp / "here");
}

TEST_F(Operations, AnUnsetItemSaysSoAndDoesNothing) {
    for (Kind kind : {Kind::MoveTo, Kind::CopyTo, Kind::RunOpen, Kind::SendTo}) {
        for (const char* target : {"Unset Move Item", "a:\\", "/no/such/folder"}) {
            host.messages.clear();
            runItem(kind, "Drive A:", target, select({"a.txt"}));
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_NE(host.messages[0].find("\"Drive A:\" is not set"), std::string::npos);
        }
    }
    EXPECT_EQ(folderListing(temp / "here"), "a.txt b.txt sub");
    EXPECT_TRUE(host.started.empty());
}

// Browse Copy leaves the objects where they were, Browse Move takes them away; both start the
// chooser in the objects' folder (never in a selected folder itself) and do nothing on Cancel.
TEST_F(Operations, BrowseCopyAndMoveGoWhereTheUserChoosesFromTheObjectsFolderAndNothingOnCancel) {
    struct Row {
        OperationCode operation;
        const char* chosen;
        const char* leftHere;
    };
    const Row rows[] = {
        {OperationCode::BrowseCopy, "copies", "a.txt b.txt sub"},
        {OperationCode::BrowseMove, "moved", "a.txt"},
    };
    for (const Row& row : rows) {
        host.chosenFolder.reset();
        run(row.operation, select({"a.txt"}));
        fs::create_directories(temp / "there" / row.chosen);
        EXPECT_EQ(folderListing(temp / "there" / row.chosen), "") << row.chosen;
        host.chosenFolder = temp / "there" / row.chosen;
        run(row.operation, select({"b.txt"}));
        run(row.operation, select({"sub"}));
        EXPECT_EQ(folderListing(temp / "there" / row.chosen), "b.txt sub") << row.chosen;
        EXPECT_EQ(folderListing(temp / "here"), row.leftHere) << row.chosen;
    }
    EXPECT_EQ(host.calls,
              std::vector<std::string>(6, "choose folder from " + (temp / "here").string()));
}

TEST_F(Operations, AnAddThatFindsTheSettingsLockedSaysNothingWasAdded) {
    const fs::path hive = temp / "HKEY_CLASSES_ROOT.reg";
    HiveRegistry store(hive, {}, std::chrono::milliseconds(50));
    const LockHolder other(hive);
    ext::activate({Kind::Operation, "Add", codeOf(OperationCode::AddThisMoveDir), {}, {}},
                  select({"a.txt"}), host, store, programs);
    EXPECT_EQ(host.messages, std::vector<std::string>{"The settings are being changed by another "
                                                      "program (" +
                                                      other.lockFile().string() +
                                                      "). Nothing was added to the menu."});
}

TEST_F(Operations, PromptsOpenTheTerminalWhereYouClicked) {
    ::setenv("TERMINAL", "/bin/true", 1);
    set(value::dosPromptFile, "/usr/bin/env");
    run(OperationCode::DosPrompt, select({"a.txt"}));
    run(OperationCode::CPrompt, select({"a.txt"}));
    set(value::altPromptStart, "sh -i");
    run(OperationCode::AlternativePrompt, select({"sub"}));
    set(value::altPromptStart, "c:\\4dos\\4dos.com");
    run(OperationCode::AlternativePrompt, select({"sub"}));
    ::unsetenv("TERMINAL");
    ASSERT_EQ(host.started.size(), 3u);
    EXPECT_EQ(host.started[0][0], "/bin/true");
    EXPECT_EQ(host.started[0][1], "-e");
    EXPECT_EQ(host.started[0].back(), "/usr/bin/env");
    EXPECT_EQ(host.startedIn, (std::vector<fs::path>{temp / "here", "/", temp / "here" / "sub"}));
    EXPECT_EQ(host.started[2].back(), "sh -i");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].find("'c:\\4dos\\4dos.com' names no program"), std::string::npos);
}

TEST_F(Operations, AddOperationsStoreTheClickedObjectNamedByTheAddingOptions) {
    registry.setInteger(path, value::addPrePath, 1);
    registry.setInteger(path, value::addFileExt, 1);
    set(value::theMenu, "0,-2");
    run(OperationCode::AddThisFile, select({"a.txt"}));
    run(OperationCode::AddThisMoveDir, select({"a.txt"}));
    run(OperationCode::AddThisExt, select({"a.txt", "b.txt", "sub"}));
    EXPECT_EQ(host.messages,
              std::vector<std::string>{"'" + here("sub") + "' has no extension to add."});
    load("", LoadMode::Stored);
    EXPECT_EQ(outline(tree), "0:Explore From Here|run:a>" + here("a.txt") + "|move:here>" +
                                 (temp / "here").string() + "|ext:txt");
}

TEST_F(Operations, ConfigureStartsTheProgramFromItsFolder) {
    run(OperationCode::Configure, {});
    ASSERT_EQ(host.messages.size(), 1u);
    fs::create_directories(temp / "bin");
    writeBytes(temp / "bin" / "quorvane-setup", "#!/bin/sh\n");
    fs::permissions(temp / "bin" / "quorvane-setup", fs::perms::owner_all);
    run(OperationCode::Configure, {});
    ASSERT_EQ(host.started.size(), 1u);
    EXPECT_EQ(host.started[0][0], (temp / "bin" / "quorvane-setup").string());
}

} // namespace
} // namespace quorvane::test
