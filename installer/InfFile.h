#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// One line of a section: the key before an unquoted '=', when there is one, and the
// comma-separated fields, with quotes removed ("" standing for one quote) and outer blanks trimmed.
// %strings% are left as they stand: what they expand to depends on where they are used.
struct InfLine {
    std::size_t number = 0;
    std::optional<std::string> key;
    std::vector<std::string> fields;
};

struct InfSection {
    std::string name;
    std::vector<InfLine> lines;
};

// A set-up information file as the Windows installers read it: sections in brackets, ';' comments,
// a backslash at the end of a line continuing it. Section names compare without regard to case,
// and a section named twice is one section.
class InfFile {
public:
    // Throws Failure naming `fileName` and the line of the first thing it cannot read.
    static InfFile parse(std::string_view text, std::string fileName);
    // Throws Failure when the file cannot be read.
    static InfFile read(const std::filesystem::path& file);

    const InfSection* section(std::string_view name) const;
    const std::string& fileName() const { return m_fileName; }

    // Throws Failure with `text`, saying which file and line it concerns.
    [[noreturn]] void fail(std::size_t line, std::string_view text) const;

private:
    std::string m_fileName;
    std::vector<InfSection> m_sections;
};

} // namespace quorvane
