#include "rules/ItemDetails.h"

#include <gtest/gtest.h>
#include <utility>

namespace quorvane {
namespace {

TEST(CaptionOfTarget, IsTheNameAfterTheLastSeparatorCutToWhatACaptionHolds) {
    const std::pair<std::string, std::string> rows[] = {
        {"C:\\Tools\\edit.exe", "edit.exe"},
        {"D:run.bat", "run.bat"},
        {"/usr/bin/tool.sh", "tool.sh"},
        {"C:\\a/b\\c:d/App.lnk", "App.lnk"},
        {"plain", "plain"},
        {"C:\\" + std::string(300, 'x'), std::string(255, 'x')},
    };
    for (const auto& [path, caption] : rows)
        EXPECT_EQ(captionOfTarget(path), caption) << path;
}

} // namespace
} // namespace quorvane
