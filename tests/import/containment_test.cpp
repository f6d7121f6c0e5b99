// The contained run and the confinement of the program it starts: whatever the
// program does, its caller gets its result or one sentence, never waits past
// what is needed, and the confined program reads only where it was allowed.

#include <gtest/gtest.h>

#include <linux/landlock.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "files/byte_codec.h"
#include "import/contained_run.h"
#include "import/conversion.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

const std::string kChild = VELMORA_CONTAINED_CHILD;

// A hang is ended at the time limit, which is short only for it; runaway
// allocation ends at the memory limit.
TEST(RunContained, ReturnsTheResultOrWhyThereIsNone) {
    struct Case {
        const char* how;
        bool finished;
        std::string outcome;  // the result, or part of the failure
    };
    const Case cases[] = {
        {"lines", true, std::string("bytes\0with a zero", 17)},
        {"throw", false, "failed: broken"},
        {"abort", false, "crashed (Aborted)"},
        {"hang", false, "took longer than 300 ms"},
        {"close-pipe", false, "closed its result pipe without a result"},
#if !defined(__SANITIZE_ADDRESS__)
        {"allocate", false, "ran out of memory"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        ContainmentLimits limits;
        limits.memoryBytes = std::uint64_t{256} << 20;
        limits.time = c.how == std::string("hang") ? std::chrono::milliseconds(300)
                                                   : std::chrono::milliseconds(60000);
        std::vector<std::string> lines;
        const ContainedOutcome outcome = runContained(
            kChild, {c.how}, limits, [&](const std::string& line) { lines.push_back(line); });
        EXPECT_EQ(outcome.finished, c.finished) << outcome.failure;
        if (c.finished) {
            EXPECT_EQ(outcome.result, c.outcome);
            EXPECT_EQ(lines, (std::vector<std::string>{"first", "second"}));
        } else {
            EXPECT_NE(outcome.failure.find(c.outcome), std::string::npos) << outcome.failure;
        }
    }
}

TEST(RunContained, AProgramThatCannotStartIsAFailure) {
    const ContainedOutcome outcome = runContained(kChild + "-missing", {"lines"},
                                                  defaultContainmentLimits(), [](const auto&) {});
    EXPECT_FALSE(outcome.finished);
    EXPECT_NE(outcome.failure.find("could not be started"), std::string::npos) << outcome.failure;
}

// Confined to folder A, the program reads A's files and no other: Landlock
// refuses the open, whatever the file's permissions allow. The system call
// filter refuses a socket.
TEST(Confinement, ReadsOnlyBeneathTheGivenFolder) {
    const TemporaryFolder allowed;
    const TemporaryFolder other;
    allowed.write("file", "inside");
    other.write("file", "outside");
    const ContainedOutcome outcome = runContained(kChild, {"confine", allowed.path(), other.path()},
                                                  defaultContainmentLimits(), [](const auto&) {});
    ASSERT_TRUE(outcome.finished) << outcome.failure;
    std::istringstream answer(outcome.result);
    int version = 0;
    int insideError = -1;
    int outsideError = -1;
    bool filtered = false;
    int socketError = -1;
    answer >> version >> insideError >> outsideError >> filtered >> socketError;
    // No sockets, whichever mechanisms the kernel has.
    EXPECT_TRUE(filtered);
    EXPECT_EQ(socketError, EPERM);
    if (syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION) < 1) {
        GTEST_SKIP() << "the kernel has no Landlock";
    }
    EXPECT_GT(version, 0);
    EXPECT_EQ(insideError, 0);
    EXPECT_EQ(outsideError, EACCES);
}

// Whatever a converter hands back is taken apart as untrusted bytes: only an
// answer whose every length fits and whose files are named plainly, the model
// among them, is a conversion; the folder is the caller's, not the answer's.
TEST(ConversionJob, ADamagedOrHostileAnswerIsOneProblem) {
    const auto answer = [](const std::string& modelFile,
                           const std::vector<std::pair<std::string, std::string>>& files) {
        std::string out = "C";
        putField(out, modelFile);
        putNumber(out, 0);  // animations
        putNumber(out, 0);  // files the conversion read
        for (const auto& [name, bytes] : files) {
            putField(out, name);
            putField(out, bytes);
        }
        return out;
    };
    const std::string plain = answer("m.vmodel", {{"m.vmodel", "bytes"}});
    struct Case {
        const char* name;
        std::string answer;
        bool converted;
    };
    const Case cases[] = {
        {"plain", plain, true},
        {"a name with a folder", answer("m.vmodel", {{"m.vmodel", ""}, {"../x", ""}}), false},
        {"a name of a folder", answer("..", {{"..", ""}}), false},
        {"the model file missing", answer("m.vmodel", {{"other", ""}}), false},
        {"cut short", plain.substr(0, plain.size() - 1), false},
        {"a length beyond the answer", plain + std::string(8, '\xff'), false},
        {"an unknown kind", "X" + plain.substr(1), false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TemporaryFolder folder;
        ConversionRequest options;
        options.inputPath = folder.write("answer", c.answer);
        options.outputFolder = "out";
        ConversionJob job(options, defaultContainmentLimits(), ConvertedForm::Model, kChild);
        while (!job.poll(std::chrono::milliseconds(100), [](const std::string&) {})) {
        }
        const ContainedConversion conversion = job.result();
        if (c.converted) {
            ASSERT_EQ(conversion.status, ContainedConversion::Status::Converted);
            EXPECT_EQ(conversion.character.folder, "out");
            EXPECT_EQ(conversion.character.files.size(), 1u);
        } else {
            EXPECT_EQ(conversion.status, ContainedConversion::Status::BadInput);
            EXPECT_EQ(conversion.problem,
                      options.inputPath + ": cannot convert: the import's answer is damaged");
        }
    }
}

}  // namespace
