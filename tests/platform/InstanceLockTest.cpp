#include "platform/InstanceLock.h"

#include "support/TestFiles.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Sets environment variables for one test and puts the old values back.
class Variables {
public:
    ~Variables() {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    void set(const std::string& name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST(PrivateDirectory, OnlyTheUsersOwnClosedFolderIs) {
    test::TempFolder folder;
    const struct {
        const char* name;
        mode_t mode;
        bool isPrivate;
    } cases[] = {
        {"closed", 0700, true},
        {"readable", 0755, false},
        {"shared", 01777, false},
        {"group", 0770, false},
    };
    for (const auto& c : cases) {
        fs::create_directory(folder / c.name);
        ASSERT_EQ(::chmod((folder / c.name).c_str(), c.mode), 0);
        EXPECT_EQ(isPrivateDirectory(folder / c.name), c.isPrivate) << c.name;
    }
    test::writeBytes(folder / "file", "");
    ::chmod((folder / "file").c_str(), 0600);
    EXPECT_FALSE(isPrivateDirectory(folder / "file"));
    EXPECT_FALSE(isPrivateDirectory(folder / "missing"));
}

class RuntimeDirectory : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder / "runtime");
        ::chmod((folder / "runtime").c_str(), 0700);
        variables.set("XDG_CACHE_HOME", (folder / "cache").string());
        variables.set("HOME", (folder / "home").string());
    }
    // The folder the program makes for itself when the runtime directory will not do.
    fs::path ownFolder(const fs::path& cache) const {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        return cache / "quorvane" / (std::string("runtime-") + host);
    }

    test::TempFolder folder;
    Variables variables;
};

TEST_F(RuntimeDirectory, IsTheUsersRuntimeDirectoryWhenPrivate) {
    variables.set("XDG_RUNTIME_DIR", (folder / "runtime").string());
    EXPECT_EQ(privateRuntimeDirectory(), folder / "runtime");
    EXPECT_FALSE(fs::exists(folder / "cache"));
}

// Never a folder that others can write or that is not the user's: there anyone could put up a
// socket of the instance's name and have every start of the program end at once.
TEST_F(RuntimeDirectory, IsAFolderOfItsOwnOtherwise) {
    fs::create_directory(folder / "shared");
    ::chmod((folder / "shared").c_str(), 01777);
    const std::optional<std::string> runtimes[] = {std::nullopt, "", (folder / "shared").string(),
                                                   "relative/runtime",
                                                   (folder / "missing").string()};
    for (const auto& runtime : runtimes) {
        variables.set("XDG_RUNTIME_DIR", runtime);
        const auto chosen = privateRuntimeDirectory();
        ASSERT_TRUE(chosen) << runtime.value_or("(unset)");
        EXPECT_EQ(*chosen, ownFolder(folder / "cache")) << runtime.value_or("(unset)");
        EXPECT_EQ(modeOf(*chosen), 0700u);
    }
}

TEST_F(RuntimeDirectory, OwnFolderIsClosedAgainAndFoundBelowHomeWithoutACacheVariable) {
    variables.set("XDG_RUNTIME_DIR", std::nullopt);
    variables.set("XDG_CACHE_HOME", std::nullopt);
    const fs::path own = ownFolder(folder / "home/.cache");
    fs::create_directories(own);
    ::chmod(own.c_str(), 0777);
    EXPECT_EQ(privateRuntimeDirectory(), own);
    EXPECT_EQ(modeOf(own), 0700u);
}

TEST_F(RuntimeDirectory, IsNoneWhereOnlyALinkOrAFileStands) {
    variables.set("XDG_RUNTIME_DIR", std::nullopt);
    const fs::path own = ownFolder(folder / "cache");
    fs::create_directories(own.parent_path());
    fs::create_directory_symlink(folder / "runtime", own);
    EXPECT_EQ(privateRuntimeDirectory(), std::nullopt);
    fs::remove(own);
    test::writeBytes(own, "");
    EXPECT_EQ(privateRuntimeDirectory(), std::nullopt);
    variables.set("XDG_CACHE_HOME", std::nullopt);
    variables.set("HOME", std::nullopt);
    EXPECT_EQ(privateRuntimeDirectory(), std::nullopt);
}

TEST(InstanceLock, IsHeldByOneHolderAtATime) {
    test::TempFolder folder;
    const fs::path file = folder / "lock";
    {
        const InstanceLock first(file);
        EXPECT_EQ(first.state(), InstanceLock::State::Held);
        // Another open of the file is another holder, as another process would be.
        const InstanceLock second(file);
        EXPECT_EQ(second.state(), InstanceLock::State::HeldElsewhere);
    }
    const InstanceLock after(file);
    EXPECT_EQ(after.state(), InstanceLock::State::Held);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(InstanceLock(folder / "missing/lock").state(), InstanceLock::State::Unavailable);
}

} // namespace
} // namespace quorvane
