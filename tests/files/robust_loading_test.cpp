// Bad input is rejected with "path:line: what is wrong" and leaves nothing half
// loaded; input that the format allows loads as before; named files that are not
// regular files, and oversized images, are refused without hanging.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "files/load.h"
#include "files/model.h"
#include "files/model_reader.h"
#include "files/png_image.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

enum File { kModel, kWalk };

// Ends a replacement after which the file ends.
const std::string kEnd = "<end>";

struct BadCase {
    File file;
    int line;                 // in kFigureModel or kFigureWalk
    std::string replacement;  // the new text of that line, maybe ending in kEnd
    int errorLine;            // in the changed file
    const char* problem;      // part of the message
};

// clang-format off
const BadCase kBadCases[] = {
    // The end of the input before the last section or inside a block.
    {kModel,  2, kEnd, 1, "unexpected end of file while looking for the first line"},
    {kModel,  6, kEnd, 5, "unexpected end of file while looking for \"MAX native mesh data:\""},
    {kModel, 12, kEnd, 11, "looking for \"Bones ID:\""},
    {kModel, 18, kEnd, 17, "looking for the offset of influence 3"},
    {kModel, 23, kEnd, 22, "looking for skeleton row 3"},
    {kModel, 28, "0 1 2 0 1 2, a comment as long as two rows" + kEnd, 28, "looking for face 2"},
    {kModel, 31, kEnd, 30, "looking for \"Texture:\""},
    {kModel, 33, kEnd, 32, "looking for \"Count:\""},
    {kModel, 35, kEnd, 34, "looking for the motion file name of animation 2"},
    {kWalk,   2, kEnd, 1, "unexpected end of file while looking for \"Number of bones:\""},
    {kWalk,   4, kEnd, 3, "looking for the bone index of bone block 1"},
    {kWalk,  21, kEnd, 20, "looking for the translation of key 2 of bone 2"},
    {kWalk,  21, "(0, -1, 0) (0, 0, 0", 21, "looking for the rotation of key 2 of bone 2"},
    // A value that is not a number, or a number out of range.
    {kModel,  5, "Playback rate: fast", 5, "playback rate: expected a number, found \"fast\""},
    {kModel,  5, "Playback rate: 99999999999", 5, "\"99999999999\" is out of range"},
    {kModel,  8, "many vertices", 8, "vertex count: expected a number"},
    {kModel, 13, "0 1 x 2 2", 13, "bone of influence 3: expected a whole number, found \"x\""},
    {kModel, 15, "1 1 0.5 1e999 1", 15, "influence 4: the number \"1e999\" is out of range"},
    {kModel, 18, "(0, 1, 0) (0, y, 0) (1, 1, 0)", 18, "offset of influence 4: expected 3 numbers"},
    {kModel, 19, "Skeletal information: three", 19, "bone count: expected a whole number"},
    {kModel, 22, "1 spine", 22, "skeleton row 2: expected a bone index and a parent index"},
    {kModel, 29, "0 2 3 0 2", 29, "face 2: expected three vertex and three mapping indices"},
    {kWalk,   2, "Number of bones: many", 2, "number of bones: expected a number"},
    {kWalk,   5, "Frames: lots", 5, "frame count: expected a number"},
    {kWalk,   9, "(2, 0, 0) (0, 0, zero, 1)", 9, "rotation of key 2 of bone 0: expected 4 numbers"},
    // Counts: negative, or more than the rest of the file could hold.
    {kModel,  7, "-2 faces", 7, "face count -2 is negative"},
    {kModel,  9, "-1 mapping coordinates", 9, "mapping count -1 is negative"},
    {kModel,  8, "2000000000 vertices", 8, "vertex count 2000000000 is larger than the rest"},
    {kModel,  7, "300 faces", 27, "face count 300 is larger than the rest"},
    {kModel, 29, kEnd, 27, "face count 2 is larger than the rest"},
    {kModel, 15, kEnd, 12, "influence total 5 is larger than the rest"},
    {kModel, 11, "1 1 200 1", 12, "influence total 203 is larger than the rest"},
    {kModel, 33, "Count: 1000", 33, "animation count 1000 is larger than the rest"},
    {kWalk,   2, "Number of bones: -1", 2, "number of bones -1 is negative"},
    {kWalk,   2, "Number of bones: 1000", 2, "number of bones 1000 is larger than the rest"},
    {kWalk,   5, "Frames: 99999999", 5, "frame count 99999999 is larger than the rest"},
    // The skeleton.
    {kModel, 19, "Skeletal information: 106", 19, "bone count 106 is more than 105"},
    {kModel, 23, "105 0", 23, "bone index 105 is out of range (0 to 104)"},
    {kModel, 23, "1 0 again", 23, "bone 1 is listed twice"},
    {kModel, 22, "1 2", 22, "parent 2 of bone 1 is not a bone listed earlier"},
    {kModel, 21, "0 0", 21, "parent 0 of bone 0 is not a bone listed earlier"},
    {kModel, 19, "Skeletal information: 0", 20, "the skeleton has no root bone"},
    {kModel, 13, "0 1 1 2 7", 23, "influence 5 names bone 7, which is not in the skeleton"},
    {kModel, 13, "0 1 1 2 360", 23, "influence 5 names bone 104, which is not in the skeleton"},
    // Faces.
    {kModel, 28, "0 1 4 0 1 2", 28, "face 1: vertex index 4 is outside the 4 vertices"},
    {kModel, 29, "0 2 3 0 2 -1", 29, "face 2: mapping index -1 is outside the 4 mapping"},
    // Motion blocks.
    {kWalk,  10, "Bone: 105", 10, "bone index 105 is out of range (0 to 104)"},
    {kWalk,  10, "Bone: -1", 10, "bone index -1 is out of range"},
    {kWalk,  16, "Bone: 0", 16, "bone 0 has two blocks"},
    {kWalk,   5, "Frames: 0", 5, "frame count of bone 0 is 0"},
    {kWalk,  11, "Frames: 3", 11, "frame count 3 of bone 1 differs from the 2 frames"},
    {kWalk,   2, "Number of bones: 2", 21, "bone 2 of the skeleton has no block"},
};
// clang-format on

std::string changed(const BadCase& c) {
    const std::string text = c.file == kModel ? kFigureModel : kFigureWalk;
    const std::size_t end = c.replacement.size() - std::min(c.replacement.size(), kEnd.size());
    if (c.replacement.compare(end, std::string::npos, kEnd) == 0) {
        return linesBefore(text, c.line) + c.replacement.substr(0, end);
    }
    return replaceLine(text, c.line, c.replacement);
}

int occupied(const Animation& animation) {
    int count = 0;
    for (const auto& track : animation.tracks) {
        count += track ? 1 : 0;
    }
    return count;
}

void expectEmpty(const Model& model) {
    for (const auto& bone : model.bones) {
        EXPECT_FALSE(bone);
    }
    EXPECT_FALSE(model.texture);
    EXPECT_TRUE(model.animations.empty());
    EXPECT_EQ(model.vertexCount(), 0u);
    EXPECT_TRUE(model.influences.empty());
    EXPECT_TRUE(model.faces.empty());
}

}  // namespace

TEST(RobustLoading, EveryBadInputIsRejectedWithItsPathAndLine) {
    for (const BadCase& c : kBadCases) {
        SCOPED_TRACE(std::string(c.file == kModel ? "model" : "walk") + " line " +
                     std::to_string(c.line) + ": " + c.replacement);
        TestFiles files;
        const std::string path = files.addFigure();
        const std::string walk = "figure/figure-walk.motion";
        files.files[c.file == kModel ? path : walk] = changed(c);
        const LoadResult loaded = files.load(path);
        const bool read = loaded.modelRead;
        const Model& model = loaded.model;

        const std::string place =
            (c.file == kModel ? path : walk) + ":" + std::to_string(c.errorLine) + ": ";
        const std::string message = reportText(loaded.problems);
        EXPECT_EQ(message.rfind(place, 0), 0u) << message;
        EXPECT_NE(message.find(c.problem), std::string::npos) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        EXPECT_EQ(loaded.problems[0].path, c.file == kModel ? path : walk);
        if (c.file == kModel) {
            EXPECT_FALSE(read);
            expectEmpty(model);
        } else {
            ASSERT_TRUE(read);
            ASSERT_EQ(model.animations.size(), 2u);
            const Animation& rejected = model.animations[0];
            EXPECT_EQ(rejected.name, walk);
            EXPECT_NE(rejected.rejection.find(c.problem), std::string::npos);
            EXPECT_EQ(occupied(rejected), 0);
            EXPECT_EQ(rejected.frameCount, 0u);
            EXPECT_TRUE(model.animations[1].rejection.empty());
            EXPECT_EQ(occupied(model.animations[1]), 3);
        }
    }
}

// Layouts that the format allows, and values that it leaves alone, load just
// like the figure. Line numbers refer to the unchanged files.
TEST(RobustLoading, WellFormedVariantsLoadUnchanged) {
    auto replaceAll = [](std::string text, const std::string& from, const std::string& to) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
        return text;
    };
    const std::string model = kFigureModel;
    const std::string walk = kFigureWalk;
    struct Case {
        const char* what;
        std::string model, walk;
    };
    const Case cases[] = {
        {"CRLF line ends", replaceAll(model, "\n", "\r\n"), replaceAll(walk, "\n", "\r\n")},
        {"no comment line", replaceLine(model, 1, ""), walk},
        {"several comment lines", replaceLine(model, 1, "// a\n//b\n\n// c"), walk},
        {"indented lines", replaceAll(model, "\n", "\n \t "), replaceAll(walk, "\n", "\n  ")},
        {"extra lines between sections",
         replaceLine(replaceLine(replaceLine(model, 30, "end of faces\n\nTEXTURES"), 24,
                                 "// uv\nMapping coordinates:"),
                     10, "vertex influences\nBones Nb:"),
         replaceLine(replaceLine(walk, 3, "// any line\nMotion type: q"), 1, "title\n\nnotes")},
        {"keywords with a trailing blank are passed over",
         replaceLine(replaceLine(model, 30, "TEXTURES \nTEXTURES"), 26,
                     "Faces: \nnot the header\nFaces:"),
         walk},
        {"prefix keywords followed by more text",
         replaceLine(replaceLine(replaceLine(model, 33, "Count: 2 motions"), 31,
                                 "Texture: skin.png 512x512"),
                     19, "Skeletal information: 3 bones"),
         replaceLine(walk, 2, "Number of bones: 3 blocks")},
        {"count without a blank", replaceLine(model, 33, "Count:2"), walk},
        {"vectors in any bracket style and layout",
         replaceLine(replaceLine(model, 18, ""), 17, "[0 0 0]\n<1,0,0>\n{0 1 0} 0 -1 0\n(1 1 0)"),
         replaceLine(replaceLine(walk, 9, ""), 8, "0 0 0 0 0 0 1 [2 0 0] <0,0,0,1>")},
        {"influence counts and bone ids keep their low 8 bits",
         replaceLine(replaceLine(model, 13, "256 1 257 2 258"), 11, "257 1 258 1"), walk},
        {"rows with trailing text", replaceLine(model, 28, "0 1 2 0 1 2 front"), walk},
        {"third mapping component dropped",
         replaceLine(model, 25, "(0, 0, 7) (1, 0, -1) (1, 1, 1e3) (0, 1, 0)"), walk},
    };
    auto loaded = [](const std::string& modelText, const std::string& walkText) {
        TestFiles files;
        const std::string path = files.addFigure();
        files.files[path] = modelText;
        files.files["figure/figure-walk.motion"] = walkText;
        const LoadResult loaded = files.load(path);
        EXPECT_TRUE(loaded.modelRead);
        EXPECT_EQ(reportText(loaded.problems), "");
        return dump(loaded.model);
    };
    const std::string expected = loaded(model, walk);
    for (const Case& c : cases) {
        EXPECT_EQ(loaded(c.model, c.walk), expected) << c.what;
    }
}

// The motion reader passes over any lines around its keywords (a frame count
// is whatever follows the colon of the line after "Bone:") and reads keys in
// free layout, stopping after the last one.
TEST(RobustLoading, MotionKeywordsAndKeysInFreeLayout) {
    TextInput input(
        "title\n// comment\nNumber of bones: 2 blocks\nmore\nMotion type:\n"
        "any label without a colon: 0\nframes here:2\nfree\nfree\n"
        "0 0 0 0 0 0 1 [1,1,1] <0,0,0,1>\n"
        "Bone:3\nFrames: 2\nfree\nfree\n"
        "(1,\n2,\n3)\n{0 0 0 1}\n(0 0 0)(0 0 0 1)\n"
        "text after the last key is not read");
    Animation animation;
    readMotion(input, animation, "test.motion");
    EXPECT_EQ(occupied(animation), 2);
    EXPECT_EQ(animation.tracks[0]->keys[1].translation.y, 1);
    EXPECT_EQ(animation.tracks[3]->keys[0].translation.z, 3);
    EXPECT_EQ(animation.tracks[3]->keys[1].rotation.w, 1);
}

TEST(RobustLoading, NamedFilesThatAreNotRegularFilesAreRefusedWithoutHanging) {
    TemporaryFolder folder;
    std::map<std::string, std::string> files;
    const std::string path = addFigure(files, folder.path());
    for (const auto& [name, text] : files) {
        std::ofstream(name, std::ios::binary) << text;
    }
    ASSERT_EQ(::mkfifo((folder.path() + "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (folder.path() + "zero").c_str()), 0);
    std::filesystem::create_directory(folder.path() + "folder");

    for (const std::string name : {"fifo", "zero", "folder"}) {
        std::string model = replaceLine(kFigureModel, 31, "Texture: " + name);
        model = replaceLine(model, 35, name);
        folder.write("figure.animesh", model);
        std::string report;
        finishWithin(20, [&] {
            const LoadResult loaded = loadModelFile(path, {});
            EXPECT_TRUE(loaded.modelRead);
            EXPECT_FALSE(loaded.model.texture->image);
            EXPECT_FALSE(loaded.model.animations[1].rejection.empty());
            report = reportText(loaded.problems);
        });
        EXPECT_EQ(report, "Failed to open \"" + folder.path() + name + "\"\n\n" +
                              "Failed to open \"" + name + "\"\n\n");
    }
}

// A PNG of width x height RGBA pixels, all zero, compressed a row at a time: a
// small file that decodes to width * height * 4 bytes.
std::string zeroPng(uint32_t width, uint32_t height) {
    std::string png = "\x89PNG\r\n\x1a\n";
    const auto put32 = [](std::string& out, uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out += static_cast<char>(value >> shift);
        }
    };
    const auto chunk = [&](const char* type, const std::string& data) {
        const std::string body = type + data;
        put32(png, static_cast<uint32_t>(data.size()));
        png += body;
        put32(png, static_cast<uint32_t>(
                       crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
    };
    std::string header;
    put32(header, width);
    put32(header, height);
    header += std::string("\x08\x06\0\0\0", 5);  // 8 bits, RGBA, no interlace
    chunk("IHDR", header);
    std::string row(1 + std::size_t{width} * 4, '\0');
    std::string compressed;
    z_stream stream{};
    // Runs only: fast, and as dense as deflate gets for a plain image.
    deflateInit2(&stream, 9, Z_DEFLATED, 15, 8, Z_RLE);
    char out[65536];
    for (uint32_t y = 0; y <= height; ++y) {
        stream.next_in = reinterpret_cast<Bytef*>(row.data());
        stream.avail_in = y < height ? static_cast<uInt>(row.size()) : 0;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out);
            stream.avail_out = sizeof out;
            deflate(&stream, y < height ? Z_NO_FLUSH : Z_FINISH);
            compressed.append(out, sizeof out - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    chunk("IDAT", compressed);
    chunk("IEND", "");
    return png;
}

// Images decode to what was encoded, or say why not; a budget refuses an image
// after its header, and the row-by-row check needs no memory for the pixels.
TEST(RobustLoading, ImagesDecodeOrSayWhyNot) {
    struct Case {
        const char* name;
        uint32_t width, height;
        std::size_t kept;  // bytes of the encoded image given to the decoder
        uint64_t budget;
        PngProblem decoded;
        PngProblem checked;
    };
    using P = PngProblem;
    const Case cases[] = {
        {"largest side", 16384, 1, SIZE_MAX, UINT64_MAX, P::None, P::None},
        {"too wide", 16385, 1, SIZE_MAX, UINT64_MAX, P::TooLarge, P::TooLarge},
        {"too tall", 1, 16385, SIZE_MAX, UINT64_MAX, P::TooLarge, P::TooLarge},
        {"cut short", 4, 3, 40, UINT64_MAX, P::Damaged, P::Damaged},
        {"exactly the budget", 64, 64, SIZE_MAX, 4096, P::None, P::None},
        {"over the budget", 64, 64, SIZE_MAX, 4095, P::TooLarge, P::None},
        // Its header and no more: a budget refuses it before any pixel data.
        {"bomb's header", 16384, 16384, 64, 64 << 20, P::TooLarge, P::Damaged},
        {"not a PNG", 0, 0, 0, UINT64_MAX, P::NotPng, P::NotPng},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool bomb = std::size_t{c.width} * c.height > 1 << 20;
        const Image image{c.width, c.height, 1,
                          std::vector<uint8_t>(bomb ? 0 : std::size_t{c.width} * c.height, 7)};
        const std::string png = bomb          ? zeroPng(c.width, c.height)
                                : c.width > 0 ? encodePng(image)
                                              : "not a png at all";
        const std::string given = png.substr(0, c.kept);
        const DecodedPng decoded = decodePng(given, c.budget);
        EXPECT_EQ(decoded.problem, c.decoded) << describe(decoded.problem);
        EXPECT_EQ(decodePng(given).has_value(), c.checked == P::None);
        if (decoded.problem == P::None) {
            EXPECT_EQ(decoded.image.pixels, image.pixels);
        }
        const DecodedPng checked = checkPng(given);
        EXPECT_EQ(checked.problem, c.checked) << describe(checked.problem);
        EXPECT_TRUE(checked.image.pixels.empty());
    }
}

// A 1 GiB decompression bomb is checked in full with one row in memory.
TEST(RobustLoading, CheckingABombTakesOneRow) {
    const std::string bomb = zeroPng(16384, 16384);
    EXPECT_LT(bomb.size(), 2u << 20);
    EXPECT_EQ(decodePng(bomb, 256 << 20).problem, PngProblem::TooLarge);
    const DecodedPng checked = checkPng(bomb);
    EXPECT_EQ(checked.problem, PngProblem::None);
    EXPECT_EQ(checked.image.width, 16384u);
    EXPECT_EQ(checked.image.channels, 4u);
}

// One budget covers everything a load reads and decodes, and a confined load
// opens nothing outside the model's folder; what is refused is reported as a
// file that could not be opened, with the reason for the tools.
TEST(RobustLoading, TheBudgetAndTheModelFolderBoundWhatALoadReads) {
    struct Case {
        const char* what;
        std::size_t budget;
        bool confined;
        const char* textureName;
        bool modelRead;
        const char* refused;  // the name in the "Failed to open" report, or ""
        const char* reason;   // part of the reason
    };
    const std::size_t figureBytes = std::string(kFigureModel).size();
    const Case cases[] = {
        {"within budget", 1 << 20, false, "skin.png", true, "", ""},
        {"model over budget", figureBytes - 1, false, "skin.png", false, "figure/figure.animesh",
         "bytes of memory left"},
        {"pixels over budget", figureBytes + 1000, false, "big.png", true, "figure/big.png",
         "the memory allowed"},
        {"sibling folder", 1 << 20, false, "../common/skin.png", true, "", ""},
        {"sibling folder, confined", 1 << 20, true, "../common/skin.png", true,
         "figure/../common/skin.png", "outside the model's folder"},
        {"subfolder, confined", 1 << 20, true, "textures/skin.png", true, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestFiles files;
        const std::string path = files.addFigure();
        files.files[path] = replaceLine(kFigureModel, 31, std::string("Texture: ") + c.textureName);
        files.files["figure/../common/skin.png"] = smallPng();
        files.files["figure/textures/skin.png"] = smallPng();
        files.files["figure/big.png"] = encodePng({100, 100, 4, std::vector<uint8_t>(40000, 1)});
        LoadOptions options;
        options.files = &files;
        options.memoryBudget = c.budget;
        options.confineToModelFolder = c.confined;
        const LoadResult loaded = loadModelFile(path, options);
        EXPECT_EQ(loaded.modelRead, c.modelRead);
        if (std::string(c.refused).empty()) {
            EXPECT_EQ(reportText(loaded.problems), "");
            continue;
        }
        ASSERT_FALSE(loaded.problems.empty());
        EXPECT_EQ(loaded.problems[0].message, "Failed to open \"" + std::string(c.refused) + "\"");
        EXPECT_EQ(loaded.problems[0].path, c.refused);
        EXPECT_NE(loaded.problems[0].reason.find(c.reason), std::string::npos)
            << loaded.problems[0].reason;
    }
}
