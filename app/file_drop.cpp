#include "app/file_drop.h"

#include <algorithm>
#include <cctype>

namespace velmora {
inline namespace app {

namespace {

// Bits of a Status message's flags.
constexpr long kWillAccept = 1;
// Bits of a Finished message's flags (version 5).
constexpr long kDropAccepted = 1;
// An Enter's flags: the source offers more than three types.
constexpr long kMoreThanThreeTypes = 1;
// Sources older than this send no time with a Drop and no action with a
// Position; they are not served.
constexpr long kOldestVersion = 3;
// From this version on, Finished says whether the drop succeeded.
constexpr long kFinishedOutcomeVersion = 5;

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// text with its %XX escapes decoded; nothing for a broken escape or a NUL byte,
// which no file name holds.
std::optional<std::string> percentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            const int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
            if (low < 0) {
                return std::nullopt;
            }
            c = static_cast<char>(high * 16 + low);
            i += 2;
        }
        if (c == '\0') {
            return std::nullopt;
        }
        decoded += c;
    }
    return decoded;
}

// The path of one URI naming a file on this host.
std::optional<std::string> localPath(const std::string& uri, const std::string& hostName) {
    const std::string scheme = "file:";
    if (uri.size() < scheme.size() || !equalsIgnoringCase(uri.substr(0, scheme.size()), scheme)) {
        return std::nullopt;
    }
    std::string rest = uri.substr(scheme.size());
    // A query or fragment is no part of the file's name.
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (rest.rfind("//", 0) == 0) {
        const std::size_t slash = rest.find('/', 2);
        if (slash == std::string::npos) {
            return std::nullopt;
        }
        const std::string host = rest.substr(2, slash - 2);
        if (!host.empty() && !equalsIgnoringCase(host, "localhost") &&
            !equalsIgnoringCase(host, hostName)) {
            return std::nullopt;
        }
        rest = rest.substr(slash);
    }
    if (rest.empty() || rest[0] != '/') {
        return std::nullopt;
    }
    return percentDecoded(rest);
}

}  // namespace

std::optional<std::string> firstLocalFile(const std::string& uriList, const std::string& hostName) {
    std::size_t start = 0;
    while (start < uriList.size()) {
        std::size_t end = uriList.find('\n', start);
        if (end == std::string::npos) {
            end = uriList.size();
        }
        std::string line = uriList.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (auto path = localPath(line, hostName)) {
            return path;
        }
    }
    return std::nullopt;
}

FileDropTarget::FileDropTarget(XId window, const DropAtoms& atoms, DropConnection& connection,
                               std::string hostName, std::function<bool(const std::string&)> open)
    : window_(window),
      atoms_(atoms),
      connection_(connection),
      hostName_(std::move(hostName)),
      open_(std::move(open)) {}

void FileDropTarget::onMessage(XId type, const MessageData& data) {
    const XId source = static_cast<XId>(data[0]);
    if (type == atoms_.enter) {
        // A source that starts again has given up its earlier drop.
        if (awaitingData_) {
            finish(source_, false);
        }
        const long version = (data[1] >> 24) & 0xff;
        source_ = version >= kOldestVersion ? source : 0;
        version_ = std::min(version, kDropProtocolVersion);
        std::vector<XId> types;
        if (source_ != 0 && (data[1] & kMoreThanThreeTypes)) {
            types = connection_.offeredTypes(source);
        } else if (source_ != 0) {
            types.assign(data.begin() + 2, data.end());
        }
        offersUriList_ = std::find(types.begin(), types.end(), atoms_.uriList) != types.end();
        return;
    }
    if (source == 0 || source != source_ || awaitingData_) {
        return;
    }
    if (type == atoms_.position) {
        connection_.send(source, atoms_.status,
                         {static_cast<long>(window_), offersUriList_ ? kWillAccept : 0, 0, 0,
                          offersUriList_ ? static_cast<long>(atoms_.actionCopy) : 0});
    } else if (type == atoms_.leave) {
        source_ = 0;
    } else if (type == atoms_.drop) {
        if (!offersUriList_) {
            finish(source, false);
            return;
        }
        awaitingData_ = true;
        connection_.requestUriList(static_cast<XId>(data[2]));
    }
}

void FileDropTarget::onUriList(const std::optional<std::string>& uriList) {
    if (!awaitingData_) {
        return;
    }
    const auto path = uriList ? firstLocalFile(*uriList, hostName_) : std::nullopt;
    finish(source_, path && open_(*path));
}

void FileDropTarget::finish(XId source, bool success) {
    const bool reportsOutcome = version_ >= kFinishedOutcomeVersion;
    connection_.send(source, atoms_.finished,
                     {static_cast<long>(window_), reportsOutcome && success ? kDropAccepted : 0,
                      reportsOutcome && success ? static_cast<long>(atoms_.actionCopy) : 0, 0, 0});
    source_ = 0;
    awaitingData_ = false;
}

}  // namespace app
}  // namespace velmora
