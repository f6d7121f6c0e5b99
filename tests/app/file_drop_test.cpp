// Dropped files without a display: which URI of a list is opened, and how a
// drag's messages are answered.

#include "app/file_drop.h"

#include <gtest/gtest.h>

#include <map>

using namespace velmora;

namespace {

using Strings = std::vector<std::string>;

TEST(FirstLocalFile, TakesTheFirstFileOnThisHost) {
    const struct Row {
        const char* name;
        std::string uriList;
        std::optional<std::string> path;
    } rows[] = {
        {"plain", "file:///home/u/a.animesh\r\n", "/home/u/a.animesh"},
        {"escapes in either case", "file:///a%20b/%c3%A9%2Fc", "/a b/\xc3\xa9/c"},
        {"localhost", "file://localhost/x", "/x"},
        {"own host, any case", "file://Viewer-Host/x", "/x"},
        {"other host skipped", "file://elsewhere/x\r\nfile:///y", "/y"},
        {"comments and other schemes skipped", "# c\r\nhttp://e.com/a\r\nfile:///b", "/b"},
        {"lone LF, no last line end", "http://e\nfile:///c", "/c"},
        {"one slash", "file:/d", "/d"},
        {"scheme in capitals", "FILE:///e", "/e"},
        {"query and fragment cut", "file:///f?x#y", "/f"},
        {"broken escapes skipped", "file:///a%2\r\nfile:///a%zz\r\nfile:///ok", "/ok"},
        {"NUL byte", "file:///a%00b", std::nullopt},
        {"relative path, host alone", "file:relative\r\nfile://viewer-host", std::nullopt},
        {"empty list", "\r\n", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(firstLocalFile(row.uriList, "viewer-host"), row.path);
    }
}

constexpr XId kWindow = 100;
constexpr XId kSource = 200;
constexpr XId kOtherSource = 300;
constexpr XId kTextPlain = 20;
constexpr XId kPng = 21;
const DropAtoms kAtoms{1, 2, 3, 4, 5, 6, 7, 8};

// Writes what is asked of the X server into a log, messages decoded.
class LoggingConnection : public DropConnection {
  public:
    explicit LoggingConnection(Strings& log) : log_(log) {}

    std::vector<XId> offeredTypes(XId source) override {
        log_.push_back("types of " + std::to_string(source));
        return typeList;
    }

    void send(XId source, XId type, const MessageData& data) override {
        EXPECT_EQ(static_cast<XId>(data[0]), kWindow);
        const std::map<XId, std::string> names{{kAtoms.status, "status"},
                                               {kAtoms.finished, "finished"}};
        // The flag and action of a Status are in l[1] and l[4], of a Finished
        // in l[1] and l[2].
        const long action = type == kAtoms.status ? data[4] : data[2];
        log_.push_back(names.at(type) + " to " + std::to_string(source) + ": " +
                       std::to_string(data[1]) +
                       (action == long(kAtoms.actionCopy) ? " copy"
                        : action == 0                     ? " none"
                                                          : " ?"));
    }

    void requestUriList(XId time) override { log_.push_back("request at " + std::to_string(time)); }

    std::vector<XId> typeList;

  private:
    Strings& log_;
};

// One thing arriving at the target: a message, or the converted selection.
struct Step {
    XId type = 0;
    MessageData data{};
    std::optional<std::string> uriList;
};

Step message(XId type, const MessageData& data) {
    return {type, data, std::nullopt};
}
Step enter(XId source, long version, std::vector<XId> types) {
    const long moreThanThree = types.size() > 3 ? 1 : 0;
    types.resize(3);
    return message(kAtoms.enter, {long(source), (version << 24) | moreThanThree, long(types[0]),
                                  long(types[1]), long(types[2])});
}
Step enter(XId source, std::vector<XId> types) {
    return enter(source, 5, std::move(types));
}
Step position(XId source) {
    return message(kAtoms.position, {long(source), 0, (10 << 16) | 20, 0, long(kAtoms.actionCopy)});
}
Step leave(XId source) {
    return message(kAtoms.leave, {long(source), 0, 0, 0, 0});
}
Step drop(XId source, long time = 42) {
    return message(kAtoms.drop, {long(source), 0, time, 0, 0});
}
Step data(std::optional<std::string> uriList) {
    return {0, {}, std::move(uriList)};
}

TEST(FileDropTarget, AnswersEachDrag) {
    const Step gotA = data("file:///m/a.animesh\r\n");
    const struct Row {
        const char* name;
        std::vector<Step> steps;
        Strings log;
    } rows[] = {
        {"a file is opened",
         {enter(kSource, {kTextPlain, kAtoms.uriList}), position(kSource), drop(kSource), gotA},
         {"status to 200: 1 copy", "request at 42", "open /m/a.animesh",
          "finished to 200: 1 copy"}},
        {"no URI list offered",
         {enter(kSource, {kTextPlain, kPng}), position(kSource), drop(kSource)},
         {"status to 200: 0 none", "finished to 200: 0 none"}},
        {"more than three types are read from the source",
         {enter(kSource, {kTextPlain, kPng, 22, 23}), position(kSource)},
         {"types of 200", "status to 200: 1 copy"}},
        {"a drop without data",
         {enter(kSource, {kAtoms.uriList}), drop(kSource, 7), data(std::nullopt)},
         {"request at 7", "finished to 200: 0 none"}},
        {"a list without a local file",
         {enter(kSource, {kAtoms.uriList}), drop(kSource),
          data("http://e.com/a\r\nfile://elsewhere/b\r\n")},
         {"request at 42", "finished to 200: 0 none"}},
        {"a path the viewer refuses",
         {enter(kSource, {kAtoms.uriList}), drop(kSource), data("file:///refused")},
         {"request at 42", "open /refused", "finished to 200: 0 none"}},
        {"leave ends the drag",
         {enter(kSource, {kAtoms.uriList}), position(kSource), leave(kSource), drop(kSource)},
         {"status to 200: 1 copy"}},
        {"another source's messages and data before a drop are ignored",
         {enter(kSource, {kAtoms.uriList}), position(kOtherSource), drop(kOtherSource), gotA,
          position(kSource)},
         {"status to 200: 1 copy"}},
        {"a new drag gives up an unanswered drop",
         {enter(kSource, {kAtoms.uriList}), drop(kSource), enter(kOtherSource, {kAtoms.uriList}),
          gotA, position(kOtherSource)},
         {"request at 42", "finished to 200: 0 none", "status to 300: 1 copy"}},
        {"before version 5 Finished carries no outcome",
         {enter(kSource, 4, {kAtoms.uriList}), drop(kSource), gotA},
         {"request at 42", "open /m/a.animesh", "finished to 200: 0 none"}},
        {"sources before version 3 are not served",
         {enter(kSource, 2, {kAtoms.uriList}), position(kSource), drop(kSource)},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Strings log;
        LoggingConnection connection(log);
        connection.typeList = {kTextPlain, 22, kAtoms.uriList};
        FileDropTarget target(kWindow, kAtoms, connection, "viewer-host",
                              [&log](const std::string& path) {
                                  log.push_back("open " + path);
                                  return path != "/refused";
                              });
        for (const Step& step : row.steps) {
            if (step.type == 0) {
                target.onUriList(step.uriList);
            } else {
                target.onMessage(step.type, step.data);
            }
        }
        EXPECT_EQ(log, row.log);
    }
}

}  // namespace
