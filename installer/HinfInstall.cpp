#include "installer/HinfInstall.h"

#include "installer/InfFile.h"
#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "store/HiveFile.h"
#include "store/HiveUpdate.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <system_error>

namespace quorvane {

namespace {

constexpr std::string_view programName = "rundll32.exe";
constexpr std::string_view hostDecoration = ".Unix";
constexpr std::string_view systemDirectoryId = "11";

constexpr std::uint32_t flagsString = 0;
constexpr std::uint32_t flagsDword = 0x00010001;

std::optional<std::uint32_t> readNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

std::string hexFlags(std::uint32_t flags) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(flags));
    return text;
}

std::string withSlashes(std::string text) {
    for (char& c : text)
        if (c == '\\')
            c = '/';
    return text;
}

// A name that stays inside the folder it is joined to.
bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

// Expands %strings% from [Strings] and the directory ids this installer knows, %% giving '%'.
class Expander {
public:
    Expander(const InfFile& inf, std::string systemDirectory)
        : m_inf(inf), m_strings(inf.section("Strings")),
          m_systemDirectory(std::move(systemDirectory)) {}

    std::string operator()(std::string_view text, std::size_t line) const;
    // A value that begins with a directory id names a file of this host: its Windows
    // backslashes become this host's separators.
    std::string path(std::string_view text, std::size_t line) const;

private:
    std::string token(std::string_view name, std::size_t line) const;

    const InfFile& m_inf;
    const InfSection* m_strings;
    std::string m_systemDirectory;
};

std::string Expander::operator()(std::string_view text, std::size_t line) const {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const std::size_t close = text.find('%', i + 1);
        if (close == std::string_view::npos)
            m_inf.fail(line, "a '%' is not closed: " + std::string(text));
        out += token(text.substr(i + 1, close - i - 1), line);
        i = close;
    }
    return out;
}

std::string Expander::token(std::string_view name, std::size_t line) const {
    if (name.empty())
        return "%";
    if (name.find_first_not_of("0123456789") == std::string_view::npos) {
        if (name != systemDirectoryId)
            m_inf.fail(line, "directory id " + std::string(name) +
                                 " is not known here; only 11, the system directory, is");
        return m_systemDirectory;
    }
    if (m_strings) {
        for (const InfLine& entry : m_strings->lines)
            if (entry.key && equalsIgnoringCase(*entry.key, name))
                return entry.fields.front();
    }
    m_inf.fail(line, "%" + std::string(name) + "% is not defined in [Strings]");
}

std::string Expander::path(std::string_view text, std::size_t line) const {
    const std::size_t close =
        text.size() > 1 && text.front() == '%' ? text.find('%', 1) : std::string_view::npos;
    const bool startsWithDirectoryId =
        close != std::string_view::npos && close > 1 &&
        text.substr(1, close - 1).find_first_not_of("0123456789") == std::string_view::npos;
    if (!startsWithDirectoryId)
        return (*this)(text, line);
    return (*this)(text.substr(0, close + 1), line) +
           withSlashes((*this)(text.substr(close + 1), line));
}

class Planner {
public:
    Planner(const InfFile& inf, std::filesystem::path sourceFolder, const std::string& systemDir)
        : m_inf(inf), m_expand(inf, systemDir), m_sourceFolder(std::move(sourceFolder)),
          m_systemDirectory(systemDir) {}

    InstallPlan run(std::string_view section);

private:
    void checkSignature() const;
    const InfSection& referenced(std::string_view name, std::size_t line) const;
    void copyFiles(const InfSection& list);
    std::filesystem::path destinationOf(const InfSection& list) const;
    void addReg(const InfSection& list);
    void addRegLine(const InfLine& line);
    std::string origin(std::size_t line) const {
        return m_inf.fileName() + ", line " + std::to_string(line);
    }

    const InfFile& m_inf;
    Expander m_expand;
    std::filesystem::path m_sourceFolder;
    std::filesystem::path m_systemDirectory;
    InstallPlan m_plan;
};

void Planner::checkSignature() const {
    if (const InfSection* version = m_inf.section("Version")) {
        for (const InfLine& line : version->lines) {
            if (!line.key || !equalsIgnoringCase(*line.key, "Signature"))
                continue;
            for (std::string_view known : {"$CHICAGO$", "$Windows NT$", "$Windows 95$"})
                if (equalsIgnoringCase(line.fields.front(), known))
                    return;
            m_inf.fail(line.number, "the signature " + line.fields.front() + " is not an INF's");
        }
    }
    throw Failure(m_inf.fileName() + " is not an INF file: [Version] has no Signature");
}

InstallPlan Planner::run(std::string_view section) {
    checkSignature();
    const InfSection* install = m_inf.section(std::string(section) + std::string(hostDecoration));
    if (!install)
        install = m_inf.section(section);
    if (!install)
        throw Failure(m_inf.fileName() + " has no section [" + std::string(section) + "]");

    for (const InfLine& line : install->lines) {
        if (!line.key)
            m_inf.fail(line.number, "[" + install->name + "] holds a line without a directive");
        const bool isCopy = equalsIgnoringCase(*line.key, "CopyFiles");
        if (!isCopy && !equalsIgnoringCase(*line.key, "AddReg"))
            m_inf.fail(line.number, "the directive " + *line.key +
                                        " is not one this installer carries out (only "
                                        "CopyFiles and AddReg are)");
        for (const std::string& name : line.fields) {
            if (name.empty())
                continue;
            if (isCopy && name.front() == '@')
                m_inf.fail(line.number, "copying a single file (" + name +
                                            ") is not supported; list it in a section");
            if (isCopy)
                copyFiles(referenced(name, line.number));
            else
                addReg(referenced(name, line.number));
        }
    }
    return std::move(m_plan);
}

const InfSection& Planner::referenced(std::string_view name, std::size_t line) const {
    const InfSection* found = m_inf.section(name);
    if (!found)
        m_inf.fail(line, "the section [" + std::string(name) + "] does not exist");
    return *found;
}

std::filesystem::path Planner::destinationOf(const InfSection& list) const {
    const InfLine* chosen = nullptr;
    const InfLine* fallback = nullptr;
    if (const InfSection* destinations = m_inf.section("DestinationDirs")) {
        for (const InfLine& line : destinations->lines) {
            if (line.key && equalsIgnoringCase(*line.key, list.name))
                chosen = &line;
            else if (line.key && equalsIgnoringCase(*line.key, "DefaultDestDir"))
                fallback = &line;
        }
    }
    if (!chosen)
        chosen = fallback;
    // Without any entry the Windows installers copy into the system directory, and so does this.
    if (!chosen)
        return m_systemDirectory;
    if (chosen->fields.front() != systemDirectoryId)
        m_inf.fail(chosen->number, "directory id " + chosen->fields.front() +
                                       " is not known here; only 11, the system directory, is");
    if (chosen->fields.size() < 2 || chosen->fields[1].empty())
        return m_systemDirectory;
    const std::string subfolder = withSlashes(m_expand(chosen->fields[1], chosen->number));
    const std::filesystem::path relative(subfolder);
    bool escapes = relative.is_absolute();
    for (const auto& part : relative)
        escapes = escapes || part == "..";
    if (escapes)
        m_inf.fail(chosen->number,
                   "the folder " + subfolder + " lies outside the system directory");
    return m_systemDirectory / relative;
}

void Planner::copyFiles(const InfSection& list) {
    const std::filesystem::path destination = destinationOf(list);
    for (const InfLine& line : list.lines) {
        if (line.key)
            m_inf.fail(line.number, "[" + list.name + "] lists files, not " + *line.key + "=");
        for (std::size_t i = 2; i < line.fields.size(); ++i)
            if (!line.fields[i].empty())
                m_inf.fail(line.number, "temporary names and copy flags are not supported");
        const std::string target = m_expand(line.fields.front(), line.number);
        const std::string source = line.fields.size() > 1 && !line.fields[1].empty()
                                       ? m_expand(line.fields[1], line.number)
                                       : target;
        if (!isPlainFileName(target) || !isPlainFileName(source))
            m_inf.fail(line.number, "'" + (isPlainFileName(target) ? source : target) +
                                        "' is not a plain file name");
        m_plan.copies.push_back(
            {m_sourceFolder / source, destination / target, origin(line.number)});
    }
}

void Planner::addReg(const InfSection& list) {
    for (const InfLine& line : list.lines) {
        if (line.key)
            m_inf.fail(line.number,
                       "[" + list.name + "] holds registry entries, not " + *line.key + "=");
        addRegLine(line);
    }
}

void Planner::addRegLine(const InfLine& line) {
    const std::size_t n = line.number;
    const std::string& root = line.fields.front();
    if (!equalsIgnoringCase(root, "HKCR") && !equalsIgnoringCase(root, "HKEY_CLASSES_ROOT")) {
        for (std::string_view other : {"HKLM", "HKCU", "HKU", "HKR", "HKEY_LOCAL_MACHINE",
                                       "HKEY_CURRENT_USER", "HKEY_USERS"}) {
            if (equalsIgnoringCase(root, other)) {
                m_plan.skipped.push_back(origin(n) + ": skipped, only HKCR is kept here, not " +
                                         root);
                return;
            }
        }
        m_inf.fail(n, "'" + root + "' is not a registry root");
    }
    if (line.fields.size() > 5)
        m_inf.fail(n, "too many fields for a string or number value");
    auto field = [&](std::size_t i) {
        return i < line.fields.size() ? line.fields[i] : std::string();
    };
    const std::string key = m_expand(field(1), n);
    if (key.empty() || key.front() == '\\' || key.back() == '\\' ||
        key.find("\\\\") != std::string::npos ||
        key.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        m_inf.fail(n, "'" + key + "' is not a key below HKCR");
    const std::string name = m_expand(field(2), n);
    const std::optional<std::uint32_t> flags =
        field(3).empty() ? std::optional<std::uint32_t>(flagsString) : readNumber(field(3));
    if (!flags)
        m_inf.fail(n, "'" + field(3) + "' is not a number of flags");
    if (*flags != flagsString && *flags != flagsDword)
        m_inf.fail(n, "the flags " + hexFlags(*flags) +
                          " are not supported; only 0 (a string) and 0x00010001 (a number) are");
    const bool hasData = line.fields.size() > 4;
    if (*flags == flagsDword) {
        const std::optional<std::uint32_t> number = hasData ? readNumber(field(4)) : std::nullopt;
        if (!number)
            m_inf.fail(n, "'" + field(4) + "' is not a number");
        m_plan.entries.push_back({key, RegistryValue{name, regtype::dword, dwordData(*number)}});
    } else if (!hasData && name.empty()) {
        // A key of its own, with no value.
        m_plan.entries.push_back({key, std::nullopt});
    } else {
        m_plan.entries.push_back(
            {key, RegistryValue{name, regtype::sz, m_expand.path(field(4), n)}});
    }
}

void applyEntries(Hive& hive, const std::vector<RegistryEntry>& entries) {
    for (const RegistryEntry& entry : entries) {
        HiveKey& key = hive.ensureKey(entry.key);
        if (entry.value)
            key.setValue(entry.value->name, entry.value->type, entry.value->data);
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The words before the path each end at a blank; the path begins after the one blank that ends
// the mode, and runs to the end whatever it holds.
std::vector<std::string> wordsAndPath(std::string_view line) {
    std::vector<std::string> parts;
    std::size_t p = 0;
    for (int word = 0; word < 3; ++word) {
        while (p < line.size() && isBlank(line[p]))
            ++p;
        const std::size_t start = p;
        while (p < line.size() && !isBlank(line[p]))
            ++p;
        if (p == start)
            return parts;
        parts.emplace_back(line.substr(start, p - start));
    }
    if (p + 1 < line.size())
        parts.emplace_back(line.substr(p + 1));
    return parts;
}

} // namespace

HinfCommand readHinfCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    if (args.size() == 1)
        args = wordsAndPath(args.front());
    if (args.empty())
        throw UsageError("no entry point given");
    const std::string& entry = args.front();
    bool known = false;
    for (std::string_view library : {"setupx", "syssetup"}) {
        for (std::string_view suffix : {".dll", ""}) {
            const std::string name =
                std::string(library) + std::string(suffix) + ",InstallHinfSection";
            known = known || equalsIgnoringCase(entry, name);
        }
    }
    if (!known)
        throw UsageError("'" + entry + "' is not available here; only InstallHinfSection of " +
                         "setupx.dll and syssetup.dll is");
    if (args.size() < 4)
        throw UsageError("InstallHinfSection needs a section, a mode and an INF file");
    if (!readNumber(args[2]))
        throw UsageError("the mode '" + args[2] + "' is not a number");
    std::string path = args[3];
    for (std::size_t i = 4; i < args.size(); ++i)
        path += ' ' + args[i];
    return {args[1], path};
}

InstallPlan planInstall(const InfFile& inf, std::string_view section,
                        const std::filesystem::path& sourceFolder,
                        const std::string& systemDirectory) {
    return Planner(inf, sourceFolder, systemDirectory).run(section);
}

void carryOut(const InstallPlan& plan, const std::filesystem::path& hiveFile) {
    std::vector<std::string> contents;
    contents.reserve(plan.copies.size());
    for (const FileCopy& copy : plan.copies) {
        std::optional<std::string> bytes;
        try {
            bytes = readFileBytes(copy.source);
        } catch (const std::system_error& error) {
            throw Failure(copy.origin + ": cannot read " + copy.source.string() + ": " +
                          error.code().message());
        }
        if (!bytes)
            throw Failure(copy.origin + ": the file " + copy.source.string() + " is missing");
        contents.push_back(std::move(*bytes));
    }
    // A settings file the update would refuse is found before anything is copied.
    readHiveFile(hiveFile);

    for (std::size_t i = 0; i < plan.copies.size(); ++i) {
        try {
            writeFileAtomically(plan.copies[i].destination, contents[i]);
        } catch (const std::exception& error) {
            throw Failure(plan.copies[i].origin + ": cannot copy to " +
                          plan.copies[i].destination.string() + ": " + error.what());
        }
    }
    try {
        updateHive(hiveFile, [&](Hive& hive) { applyEntries(hive, plan.entries); });
    } catch (const HiveBusy&) {
        throw;
    } catch (const UnstorableName& error) {
        throw Failure("Cannot write the settings file '" + hiveFile.string() +
                      "': " + error.what());
    } catch (const Failure&) {
        throw;
    } catch (const std::exception& error) {
        throw Failure("Cannot write the settings file '" + hiveFile.string() +
                      "': " + reasonOf(error));
    }
}

int installHinfSection(const std::vector<std::string>& args, const std::string& systemDirectory,
                       const std::filesystem::path& hiveFile, std::ostream& err) {
    try {
        const HinfCommand command = readHinfCommand(args);
        const InfFile inf = InfFile::read(command.infFile);
        const InstallPlan plan =
            planInstall(inf, command.section, command.infFile.parent_path(), systemDirectory);
        for (const std::string& note : plan.skipped)
            err << programName << ": " << note << '\n';
        carryOut(plan, hiveFile);
        return 0;
    } catch (const UsageError& error) {
        err << programName << ": " << error.what() << '\n'
            << "usage: " << programName << " setupx.dll,InstallHinfSection SECTION MODE INF-FILE\n";
        return 2;
    } catch (const std::exception& error) {
        err << programName << ": " << error.what() << '\n';
        return 1;
    }
}

} // namespace quorvane
