// The hint-list decoder on lists built from arbitrary bytes. A hint list is
// words: tags, then each tag's arguments (ids, numbers, texts, text lists,
// int tables). The bytes pick the tags and the value of every argument,
// each argument of the kind its tag takes, as any module's list has: the
// decoder must cope with wrong ids, counts, limits, layouts and orders, not
// with an int where a module passes a pointer, which no host could. Every
// pointer is the start of a large zeroed block, so that a table read longer
// than it was written stays inside memory we own, as it would in a module.
// Callback tags are left out: a module's callbacks are code, not data.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/panel/panel.h"
#include "hostapi/xpanel.h"

namespace {

// What each argument of a tag is.
enum class Arg { Id, Int, Text, TextList, Table, Zero, Ids };
struct TagShape {
    std::uint32_t tag;
    std::vector<Arg> args;
};
const TagShape kShapes[] = {
    {HOST_XPTAG_ADD, {Arg::Id, Arg::Text, Arg::Id}},
    {HOST_XPTAG_LABEL, {Arg::Id, Arg::Text, Arg::Zero}},
    {HOST_XPTAG_STRLIST, {Arg::Id, Arg::TextList, Arg::Zero}},
    {HOST_XPTAG_INTXFORM, {Arg::Id, Arg::Int, Arg::Table}},
    {HOST_XPTAG_MIN, {Arg::Id, Arg::Int}},
    {HOST_XPTAG_MAX, {Arg::Id, Arg::Int}},
    {HOST_XPTAG_RANGE, {Arg::Id, Arg::Int, Arg::Int, Arg::Int}},
    {HOST_XPTAG_HARDMINMAX, {Arg::Id, Arg::Int, Arg::Int}},
    {HOST_XPTAG_SLIDER, {Arg::Id, Arg::Int}},
    {HOST_XPTAG_ENABLE, {Arg::Id, Arg::Text, Arg::Zero, Arg::Table, Arg::Ids}},
    {HOST_XPTAG_STACK, {Arg::Id, Arg::Id, Arg::Table, Arg::Ids}},
    {HOST_XPTAG_GROUP, {Arg::Id, Arg::Ids}},
    {HOST_XPTAG_TABS, {Arg::Id, Arg::Ids}},
    {HOST_XPTAG_LEFTALIGN, {Arg::Ids}},
    {HOST_XPTAG_NARROW, {Arg::Ids}},
    {HOST_XPTAG_BORDER, {Arg::Id, Arg::Ids}},
    {HOST_XPTAG_CTLCFG, {Arg::Id, Arg::Int, Arg::Int}},
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

// Reads the input a byte at a time, zeros once it runs out.
class Bytes {
  public:
    Bytes(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    bool more() const { return at_ < size_; }
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

  private:
    const std::uint8_t *data_;
    std::size_t size_, at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const Blocks blocks;
    Bytes in(data, size);
    std::vector<HostPanelHint> hints;
    auto id = [&] { return HOST_HINT_WORD(in.next() < 16 ? 0u : 0x8000u + in.next() % 24); };
    while (in.more() && hints.size() < 4096) {
        const TagShape &shape = kShapes[in.next() % std::size(kShapes)];
        hints.push_back(HOST_HINT_WORD(shape.tag));
        for (Arg arg : shape.args) {
            switch (arg) {
                case Arg::Id:
                    hints.push_back(id());
                    break;
                case Arg::Int: {
                    // Small numbers mostly, now and then a large or negative one.
                    const std::uint8_t b = in.next();
                    const std::int32_t value =
                        b < 240 ? b % 16 : static_cast<std::int32_t>(in.next() * 0x01010101u);
                    hints.push_back(HOST_HINT_WORD(
                        static_cast<std::uintptr_t>(static_cast<std::intptr_t>(value))));
                    break;
                }
                case Arg::Text: {
                    const std::uint8_t b = in.next();
                    hints.push_back(b == 255 ? nullptr : blocks.texts[b % blocks.texts.size()]);
                    break;
                }
                case Arg::TextList:
                    hints.push_back(in.next() == 255 ? blocks.zeros : blocks.textList);
                    break;
                case Arg::Table:
                    hints.push_back(in.next() == 255 ? nullptr : blocks.table);
                    break;
                case Arg::Zero:
                    hints.push_back(HOST_HINT_WORD(0));
                    break;
                case Arg::Ids:
                    for (int n = in.next() % 6; n > 0; --n)
                        hints.push_back(id());
                    hints.push_back(HOST_HINT_WORD(0));
                    break;
            }
        }
    }
    hints.push_back(HOST_HINT_WORD(0));
    // As a module builds its panel: the hints, then the values they show.
    host::Panel *panel = host::Panel::create();
    panel->addHints(0, hints.data());
    panel->setDataDescription(kData, getValue, setValue);
    if (panel->error().empty()) (void)panel->describe(0.0);
    host::Panel::destroy(panel);
    return 0;
}
