// Files are read and written byte for byte on every host: no text mode turns CR LF into LF or
// stops at a 0x1A byte on the way.

#include "platform/AtomicFile.h"
#include "platform/FileBytes.h"
#include "settings/KeyPath.h"
#include "settings/MenuFile.h"
#include "store/MemoryRegistry.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvane {
namespace {

constexpr char awkward[] = "one\r\ntwo\nthree\rfour\x1A"
                           "five\0six\r\n\x1A";
const std::string awkwardBytes(awkward, sizeof awkward - 1);

TEST(BinaryFileTest, AtomicWriteAndReadKeepEveryByte) {
    const test::TempFolder folder;
    const auto file = folder / "bytes.bin";
    writeFileAtomically(file, awkwardBytes);
    EXPECT_EQ(readFileBytes(file), awkwardBytes);
    EXPECT_EQ(test::readBytes(file), awkwardBytes);
    EXPECT_EQ(std::filesystem::file_size(file), awkwardBytes.size());
}

// The reader asks for the size the file states and one byte more, and grows past that only when
// the file does: sizes around its buffer's bounds come back whole.
TEST(BinaryFileTest, FilesOfEverySizeReadWhole) {
    const test::TempFolder folder;
    for (const std::size_t size : {0, 1, 4095, 65535, 65536, 65537, 300000}) {
        std::string bytes(size, 'x');
        for (std::size_t i = 0; i < size; i += 7)
            bytes[i] = static_cast<char>(i % 251);
        const auto file = folder / ("size" + std::to_string(size));
        test::writeBytes(file, bytes);
        EXPECT_EQ(readFileBytes(file), bytes) << size;
    }
}

TEST(BinaryFileTest, MenuFileWithCrLfAndEndOfFileBytesRoundTrips) {
    const test::TempFolder folder;
    const std::string path = settingsKeyPath();
    MemoryRegistry saved;
    saved.setString(path, "TheMenu", "\"Explore\",0,-2");
    saved.setString(path, "Odd",
                    "before\x1A"
                    "after\x1A");
    saved.setInteger(path, "StampOptions", 7);
    const auto file = folder / "menu.drm";
    saveMenuFile(saved, file);

    const std::string bytes = readMenuFile(file);
    EXPECT_EQ(bytes, menuFileText(saved));
    EXPECT_NE(bytes.find("s:Odd:before\x1A"
                         "after\x1A\r\n"),
              std::string::npos);

    MemoryRegistry loaded;
    ASSERT_TRUE(loadMenuFile(loaded, bytes));
    EXPECT_EQ(loaded.find(path, "Odd")->data, "before\x1A"
                                              "after\x1A");
    EXPECT_EQ(loaded.find(path, "TheMenu")->data, "\"Explore\",0,-2");
}

} // namespace
} // namespace quorvane
