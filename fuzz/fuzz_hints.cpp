// The hint-list decoder on lists built from arbitrary bytes. A hint list is
// words: tags, ids, counts, and pointers to texts and tables. The bytes pick
// words from an alphabet of those, so that every pointer the decoder follows
// is one a module could pass (a text, a text list, an int table), each at
// the start of a large zeroed block: reading a text as a table, or a table
// as a text, stays inside memory we own, as it would in a real module.
// Callback tags are left out: a module's callbacks are code, not data.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/panel/panel.h"
#include "hostapi/panel.h"

namespace {

constexpr std::uint32_t kTags[] = {
    HOST_XPTAG_ADD,    HOST_XPTAG_LABEL,     HOST_XPTAG_STRLIST, HOST_XPTAG_INTXFORM,
    HOST_XPTAG_MIN,    HOST_XPTAG_MAX,       HOST_XPTAG_RANGE,   HOST_XPTAG_HARDMINMAX,
    HOST_XPTAG_SLIDER, HOST_XPTAG_ENABLE,    HOST_XPTAG_STACK,   HOST_XPTAG_GROUP,
    HOST_XPTAG_TABS,   HOST_XPTAG_LEFTALIGN, HOST_XPTAG_NARROW,  HOST_XPTAG_BORDER,
    HOST_XPTAG_CTLCFG,
};

const char *const kTexts[] = {"integer",     "float",   "distance",   "angle-env", "color-env",
                              "percent-env", "iChoice", "iPopChoice", "iBoolean",  "sFileName",
                              "vButton",     "Mode",    "",           "On",        "Off"};
constexpr std::size_t kBlock = 1 << 19;  // beyond any table the decoder reads

struct Blocks {
    std::vector<std::vector<char>> blocks;
    std::vector<const void *> texts;
    const void *textList = nullptr, *table = nullptr, *zeros = nullptr;

    const void *add(const void *content, std::size_t bytes) {
        auto &block = blocks.emplace_back(kBlock, 0);
        std::memcpy(block.data(), content, bytes);
        return block.data();
    }
    Blocks() {
        blocks.reserve(32);
        for (const char *text : kTexts)
            texts.push_back(add(text, std::strlen(text) + 1));
        std::vector<const char *> list;
        for (int i = 0; i < 4; ++i)
            list.push_back(static_cast<const char *>(texts[static_cast<std::size_t>(i) + 11]));
        list.push_back(nullptr);
        textList = add(list.data(), list.size() * sizeof(const char *));
        const int ints[] = {0, 1, 2, 3, 1, 0, 7, -1};
        table = add(ints, sizeof ints);
        zeros = add("", 1);
    }
};

const HostPanelDataDesc kData[] = {
    {0x8001, "Mode", "integer"},    {0x8002, "Amount", "float"}, {0x8003, "Angle", "angle-env"},
    {0x8004, "Color", "color-env"}, {0x8005, "Name", "string"},  {0, nullptr, nullptr},
};

void *HOST_CALL getValue(void *, std::uint32_t) {
    static double value[3] = {};
    return value;
}
int HOST_CALL setValue(void *, std::uint32_t, void *) {
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const Blocks blocks;
    std::vector<HostPanelHint> hints;
    for (std::size_t i = 0; i + 1 < size && hints.size() < 4096; i += 2) {
        const std::uint8_t kind = data[i] % 8, value = data[i + 1];
        switch (kind) {
            case 0:
                hints.push_back(HOST_HINT_WORD(kTags[value % std::size(kTags)]));
                break;
            case 1:
                hints.push_back(HOST_HINT_WORD(0));
                break;
            case 2:
                hints.push_back(HOST_HINT_WORD(value));
                break;
            case 3:
                hints.push_back(HOST_HINT_WORD(0x8000u + value % 16));
                break;
            case 4:
                hints.push_back(blocks.texts[value % blocks.texts.size()]);
                break;
            case 5:
                hints.push_back(blocks.textList);
                break;
            case 6:
                hints.push_back(blocks.table);
                break;
            default:
                hints.push_back(blocks.zeros);
                break;
        }
    }
    // A list always ends, as the decoder is entitled to expect of a module.
    for (int i = 0; i < 8; ++i)
        hints.push_back(HOST_HINT_WORD(0));
    host::Panel *panel = host::Panel::create();
    panel->setDataDescription(kData, getValue, setValue);
    panel->addHints(0, hints.data());
    if (panel->error().empty()) (void)panel->describe(0.0);
    host::Panel::destroy(panel);
    return 0;
}
