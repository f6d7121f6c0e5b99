// The disk's two ways of reading a file (into a string, and into pages of its
// own for a load) give its bytes exactly, at the sizes where pages begin and
// end; and a load reads a model through the second as through a memory source.

#include <gtest/gtest.h>

#include <map>

#include "files/file_source.h"
#include "files/load.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

// Bytes that differ from place to place, so that a piece out of order shows.
std::string patterned(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    }
    return text;
}

TEST(DiskFileSource, ReadsEveryByteAtPageEdges) {
    const struct {
        const char* name;
        std::size_t size;
    } rows[] = {
        {"empty", 0},
        {"one byte", 1},
        {"one page", 4096},
        {"a page and a byte", 4097},
        {"one huge page", kHugePageBytes},
        {"a huge page less one byte", kHugePageBytes - 1},
        {"two huge pages and a byte", 2 * kHugePageBytes + 1},
    };
    TemporaryFolder folder;
    for (const auto& row : rows) {
        const std::string content = patterned(row.size);
        const std::string path = folder.write("file", content);
        const FileBytesRead bytes = DiskFileSource().readBytes(path, kMaxFileSize);
        EXPECT_EQ(bytes.status, FileRead::Status::Read) << row.name;
        EXPECT_TRUE(bytes.bytes.view() == content) << row.name;
        const FileRead read = DiskFileSource().read(path, kMaxFileSize);
        EXPECT_EQ(read.status, FileRead::Status::Read) << row.name;
        EXPECT_TRUE(read.bytes == content) << row.name;
        // One byte under the file's size is refused from the size alone.
        if (row.size > 0) {
            const FileBytesRead refused = DiskFileSource().readBytes(path, row.size - 1);
            EXPECT_EQ(refused.status, FileRead::Status::TooLarge) << row.name;
            EXPECT_EQ(refused.size, row.size) << row.name;
        }
    }
    EXPECT_EQ(DiskFileSource().readBytes(folder.path(), kMaxFileSize).status,
              FileRead::Status::CannotOpen);
    EXPECT_EQ(DiskFileSource().readBytes(folder.path() + "missing", kMaxFileSize).status,
              FileRead::Status::CannotOpen);
}

// A model whose last line has no line feed, and one padded with blank lines to
// a whole page, load from the disk as from memory.
TEST(DiskFileSource, LoadsAModelWithoutTrailingLineFeedOrEndingOnAPage) {
    std::map<std::string, std::string> files;
    const std::string model = addFigure(files, "");
    std::string text = files[model];
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    std::string paged = text + "\n";
    paged.resize((paged.size() / 4096 + 1) * 4096, '\n');
    for (const std::string& modelText : {text, paged}) {
        TemporaryFolder folder;
        for (const auto& [name, content] : files) {
            folder.write(name, name == model ? modelText : content);
        }
        folder.write(kFigureTexture, smallPng());
        TestFiles memory;
        for (const auto& [name, content] : files) {
            memory.files[folder.path() + name] = name == model ? modelText : content;
        }
        memory.files[folder.path() + kFigureTexture] = smallPng();
        LoadOptions fromMemory;
        fromMemory.files = &memory;
        const LoadResult disk = loadModelFile(folder.path() + model, {});
        const LoadResult served = loadModelFile(folder.path() + model, fromMemory);
        EXPECT_TRUE(disk.modelRead) << reportText(disk.problems);
        EXPECT_EQ(reportText(disk.problems), "");
        EXPECT_EQ(dump(disk.model), dump(served.model));
    }
}

}  // namespace
