#include "host/base/suggest.h"

#include <algorithm>
#include <cctype>

#include "host/base/error.h"

namespace host {
namespace {

char folded(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Edits (insert, delete, replace, swap of neighbours) from a to b.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = folded(a[i - 1]) == folded(b[j - 1]);
            row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) &&
                folded(a[i - 2]) == folded(b[j - 1]))
                row[j] = std::min(row[j], before[j - 2] + 1);
        }
        before.swap(previous);
        previous.swap(row);
    }
    return previous[b.size()];
}

}  // namespace

std::string nearestName(std::string_view wrong, const std::vector<std::string> &known) {
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(1, wrong.size() / 3) + 1;
    for (const std::string &name : known) {
        const std::size_t distance = editDistance(wrong, name);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = name;
        }
    }
    return best;
}

std::string suggestion(std::string_view wrong, const std::vector<std::string> &known,
                       std::string_view what) {
    if (known.empty()) return "; there are no " + std::string(what);
    std::string text;
    if (const std::string near = nearestName(wrong, known); !near.empty())
        text = "; did you mean " + inQuotes(near) + "?";
    std::string list;
    for (const std::string &name : known)
        list += (list.empty() ? "" : ", ") + inQuotes(name);
    return text + (text.empty() ? "; " : " ") + "known " + std::string(what) + ": " + list;
}

}  // namespace host
