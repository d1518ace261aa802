// The REGEDIT4 reader on any file. What it reads it writes back so that it reads the same; what
// it refuses it refuses by line, and the store then leaves the file exactly as it was.

#include "FuzzSupport.h"
#include "platform/Failure.h"
#include "store/HiveFile.h"
#include "store/HiveRegistry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

using namespace quorvane;

namespace {

const std::string fileName = "HKEY_CLASSES_ROOT.reg";
const std::string probeKey = "Fuzz\\Probe";
const std::string validHive = "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\App]\r\n\"One\"=\"1\"\r\n\r\n";

// One folder for the whole run, removed when the run ends.
class Folder {
public:
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-fuzz-XXXXXX");
        if (!::mkdtemp(pattern.data()))
            fuzz::fail("cannot create a temporary folder");
        m_path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::filesystem::path file() const { return m_path / fileName; }

private:
    std::filesystem::path m_path;
};

void writeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        fuzz::fail("cannot write the test file");
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void expectRefusal(const Failure& failure, const std::filesystem::path& file) {
    const std::string prefix = "Cannot read the settings file '" + file.string() + "': line ";
    fuzz::require(std::string_view(failure.what()).starts_with(prefix),
                  "a refusal does not name the file and the line", failure.what());
}

void checkRefused(std::string_view text, const std::filesystem::path& file) {
    // Opening a key refuses and leaves the file.
    writeFile(file, text);
    HiveRegistry registry(file, [](const std::filesystem::path&, std::string_view) {
        fuzz::fail("a refused file was written");
    });
    try {
        registry.openKey(probeKey);
        fuzz::fail("the store opened a file the reader refuses", text);
    } catch (const Failure& failure) {
        expectRefusal(failure, file);
    }
    fuzz::require(readFile(file) == text, "opening changed a refused file", text);

    // So does a commit, when the file broke after the key was opened.
    writeFile(file, validHive);
    auto key = registry.openKey("App");
    key->setValue("One", regtype::sz, "changed");
    writeFile(file, text);
    try {
        key->commit();
        fuzz::fail("the store committed over a file the reader refuses", text);
    } catch (const Failure& failure) {
        expectRefusal(failure, file);
    }
    fuzz::require(readFile(file) == text, "a commit changed a refused file", text);
}

void checkAccepted(const Hive& hive, std::string_view text, const std::filesystem::path& file) {
    std::string written;
    try {
        written = hive.serialize();
    } catch (const std::exception& error) {
        fuzz::fail("a file that reads cannot be written back", error.what());
    }
    const Hive again = Hive::parse(written, "written");
    fuzz::require(again == hive, "read, write, read gives other keys or values", written);
    fuzz::require(again.serialize() == written, "writing what was read back differs", written);

    // A commit through the store changes the one value it writes and carries everything else.
    writeFile(file, text);
    std::string committed;
    HiveRegistry registry(
        file, [&](const std::filesystem::path&, std::string_view bytes) { committed = bytes; });
    auto key = registry.openKey(probeKey);
    key->setValue("Probe", regtype::sz, "probe");
    key->commit();
    Hive expected = hive;
    expected.ensureKey(probeKey).setValue("Probe", regtype::sz, "probe");
    fuzz::require(Hive::parse(committed, "committed") == expected,
                  "a commit changed more than its own value", committed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    const std::string_view text = fuzz::bytes(data, size);
    std::optional<Hive> hive;
    try {
        hive = Hive::parse(text, folder.file().string());
    } catch (const Failure& failure) {
        expectRefusal(failure, folder.file());
        checkRefused(text, folder.file());
        return 0;
    }
    checkAccepted(*hive, text, folder.file());
    return 0;
}
