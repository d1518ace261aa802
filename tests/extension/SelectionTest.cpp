#include "extension/Selection.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

using ext::SelectedObject;

TEST(Selection, WhereYouClickedIsTheFolderOfTheFirstObjectOrTheBackground) {
    struct Row {
        SelectedObject first;
        std::string uri;
    };
    const Row rows[] = {
        {{"file:///a/b.txt", "/a/b.txt", false}, "file:///a"},
        {{"file:///a/dir", "/a/dir/", true}, "file:///a/dir"},
        {{"file:///top", "/top", false}, "file:///"},
        {{"sftp://host/x/y.txt", std::nullopt, false}, "sftp://host/x/"},
        {{"sftp://host/x/", std::nullopt, false}, "sftp://host/"},
        {{"smb://host", std::nullopt, false}, "smb://host"},
    };
    for (const Row& row : rows) {
        ext::Selection selection;
        selection.objects = {row.first, {"file:///other/z", "/other/z", false}};
        EXPECT_EQ(ext::whereClicked(selection).uri, row.uri) << row.first.uri;
    }
    ext::Selection background;
    background.background = SelectedObject{"file:///bg", "/bg", true};
    EXPECT_EQ(ext::whereClicked(background).uri, "file:///bg");
}

TEST(Selection, FileUrisEscapeWhatUrisReserve) {
    EXPECT_EQ(ext::fileUri("/a b/c%d/é#?"), "file:///a%20b/c%25d/%C3%A9%23%3F");
}

TEST(Selection, NamesAreShownAsUtf8AndLongOnesWithoutTheirMiddle) {
    const std::string longName = "/f/" + std::string(100, 'x') + "é.txt";
    struct Row {
        std::string name, shown, clipboard;
    };
    const Row rows[] = {
        {"/a/é.txt", "/a/é.txt", "/a/é.txt"},
        {"/a/bad\xff\xfe.txt", "/a/bad\uFFFD\uFFFD.txt", "file:///a/bad%FF%FE.txt"},
        {"/a/cut\xc3", "/a/cut\uFFFD", "file:///a/cut%C3"},
        {longName, "/f/" + std::string(22, 'x') + "…" + std::string(29, 'x') + "é.txt", longName},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ext::shownName(row.name), row.shown);
        EXPECT_EQ(ext::clipboardName(row.name), row.clipboard);
    }
}

} // namespace
} // namespace quorvane::test
