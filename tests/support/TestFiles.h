#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// The file's bytes, or nothing when it does not exist.
std::optional<std::string> readBytes(const std::filesystem::path& file);
void writeBytes(const std::filesystem::path& file, std::string_view bytes);
// Makes `link` a symbolic link to `target`; false where the system makes none (Windows without
// the right to, Wine).
bool makeSymlink(const std::filesystem::path& target, const std::filesystem::path& link);
// Names of the entries of a folder, sorted.
std::string folderListing(const std::filesystem::path& folder);

} // namespace quorvane::test
