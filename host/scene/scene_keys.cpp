#include "host/scene/scene_keys.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

#include "host/base/error.h"

namespace host {
namespace {

using nlohmann::json;

// THE list of the scene format's keys, one row per kind of object. A new key
// goes here, in the row of the object that holds it, and nowhere else.
//
// A row is named by the path of its objects with the names and list
// positions taken out: "objects[].mesh" is the mesh of any object,
// "surfaces.*" any surface. A "*" among the keys marks an object of named
// entries (any key goes; its values are checked by the row "path.*").
// Objects no row names are not checked here: node data is the node's own.
const std::map<std::string, std::vector<std::string>> &knownKeys() {
    static const std::map<std::string, std::vector<std::string>> table{
        {"",
         {"scene", "camera", "backdrop", "lights", "objects", "surfaces", "graphs", "image",
          "images", "fileRequests"}},
        {"scene", {"name", "firstFrame", "lastFrame", "frameStep", "fps", "recursionDepth"}},
        {"camera", {"position", "target", "up", "fov", "width", "height"}},
        {"backdrop",
         {"type", "color", "zenith", "sky", "ground", "nadir", "image", "seamAngle", "intensity"}},
        {"lights[]", {"type", "direction", "position", "color", "intensity", "shadows"}},
        {"objects[]", {"name", "mesh", "surface", "scale", "rotate", "position"}},
        {"objects[].mesh", {"type", "file", "size", "radius", "segments"}},
        {"image", {"encoding", "samples"}},
        {"images[]", {"file", "colorspace"}},
        {"surfaces", {"*"}},
        {"graphs", {"*"}},
        {"surfaces.*", {"nodes", "connections"}},
        {"graphs.*", {"nodes", "connections"}},
        {"surfaces.*.nodes[]", {"name", "server", "native", "settings", "data", "binary", "graph"}},
        {"graphs.*.nodes[]", {"name", "server", "native", "settings", "data", "binary", "graph"}},
        // A Group Node's nested graph; the nested graph reader checks the
        // levels below.
        {"surfaces.*.nodes[].graph", {"nodes", "connections", "root"}},
        {"graphs.*.nodes[].graph", {"nodes", "connections", "root"}},
        // Settings map panel controls, which the panel checks itself;
        // envelopes among them are objects of their own.
        {"surfaces.*.nodes[].settings", {"*"}},
        {"graphs.*.nodes[].settings", {"*"}},
        {"surfaces.*.nodes[].settings.*", {"keys", "shape"}},
        {"graphs.*.nodes[].settings.*", {"keys", "shape"}},
    };
    return table;
}

}  // namespace

std::vector<std::string> sceneFormatKeys() {
    std::vector<std::string> keys;
    for (const auto &[row, names] : knownKeys())
        for (const std::string &name : names)
            if (name != "*" && std::find(keys.begin(), keys.end(), name) == keys.end())
                keys.push_back(name);
    return keys;
}

namespace {

void check(const json &value, const std::string &row, const std::string &path,
           const std::filesystem::path &file) {
    const auto &table = knownKeys();
    if (value.is_array()) {
        if (table.count(row + "[]"))
            for (std::size_t i = 0; i < value.size(); ++i)
                check(value[i], row + "[]", path + "[" + std::to_string(i) + "]", file);
        return;
    }
    if (!value.is_object()) return;
    const auto found = table.find(row);
    const bool named = found != table.end() && found->second == std::vector<std::string>{"*"};
    for (auto item = value.begin(); item != value.end(); ++item) {
        const std::string childPath = (path.empty() ? "" : path + ".") + item.key();
        std::string childRow = (row.empty() ? "" : row + ".") + item.key();
        if (named) {
            childRow = row + ".*";
        } else if (found != table.end()) {
            const auto &keys = found->second;
            if (std::find(keys.begin(), keys.end(), item.key()) == keys.end()) {
                const std::string near = nearestKey(item.key(), keys);
                std::string known;
                for (const std::string &key : keys)
                    known += (known.empty() ? "" : ", ") + key;
                throw Error(file.string() + ": " + childPath + ": unknown key " +
                            inQuotes(item.key()) +
                            (near.empty() ? "; the keys here are " + known
                                          : "; did you mean " + inQuotes(near) + "?"));
            }
        } else {
            continue;  // an object no row describes: its keys are not ours
        }
        if (table.count(childRow) || table.count(childRow + "[]"))
            check(item.value(), childRow, childPath, file);
    }
}

std::size_t editDistance(const std::string &a, const std::string &b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string nearestKey(const std::string &key, const std::vector<std::string> &known) {
    std::string best;
    std::size_t bestDistance = 0;
    for (const std::string &candidate : known) {
        const std::size_t distance = editDistance(key, candidate);
        if (best.empty() || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    // More than a third of the letters wrong is no longer a misspelling.
    return bestDistance <= std::max<std::size_t>(2, key.size() / 3) ? best : "";
}

void checkKnownKeys(const json &document, const std::filesystem::path &file) {
    check(document, "", "", file);
}

}  // namespace host
