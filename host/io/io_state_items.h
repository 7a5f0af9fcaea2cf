// The item tree both state forms share. A save state records the items a node
// writes as a tree (blocks hold their items); the text and binary forms only
// differ in how that tree is turned into bytes and back. A load state parses
// its input into the same tree up front and reads it through a cursor, so
// neither form can read outside its data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/base/envelope_data.h"
#include "host/io/io_state.h"
#include "hostapi/io.h"

namespace host::io {

enum class Kind : std::uint8_t {
    I1 = 1,
    I2 = 2,
    I4 = 3,
    FP = 4,
    DP = 5,
    Str = 6,
    Envelope = 7,
    Block = 8,
    // Data that could not be parsed; `text` says why. Reading stops here.
    Corrupt = 9,
};

// "i2", "fp", "block": the names the text form tags items with, also used in
// error messages.
const char *kindName(Kind kind);

struct Item {
    Kind kind = Kind::Corrupt;
    std::vector<std::int32_t> ints;  // I1, I2, I4
    std::vector<float> floats;       // FP
    std::vector<double> doubles;     // DP
    std::string text;                // Str, a text block's token, Corrupt's reason
    std::uint32_t id = 0;            // a binary block's identifier
    EnvelopeData envelope;
    std::vector<Item> children;  // Block

    std::size_t valueCount() const;
};

// Blocks nest no deeper than this in data we read: deeper data is corrupt,
// rather than a way to exhaust the stack.
constexpr int kMaxBlockDepth = 512;

// "RPOS", or "0x00000001" for an identifier that is not printable.
std::string idText(std::uint32_t id);

// Builds the tree of one node's items as its save callback writes them.
class ItemWriter {
  public:
    void add(Item item);
    void begin(const HostBlockIdent *ident, int mode);
    void end();
    int depth() const { return static_cast<int>(open_.size()); }
    // The tree so far; blocks left open end where the data ends.
    const std::vector<Item> &items() const { return root_; }

    // Writes cannot report failure through the C table, so an allocation
    // failure is remembered here and surfaces when the data is taken.
    void noteFailure(const char *what);
    const std::string &failure() const { return failure_; }

  private:
    std::vector<Item> &level() { return open_.empty() ? root_ : open_.back()->children; }

    std::vector<Item> root_;
    // The open blocks, outermost first. Each is the last item of its parent,
    // which gains no item while it is open, so the pointers stay valid.
    std::vector<Item *> open_;
    std::string failure_;
};

// Reads a parsed tree: typed reads, block search and leave, with every
// problem reported once, with its place, and sticking: after the first error
// every read fails, so a loader never goes on with misread data.
class ItemReader {
  public:
    ItemReader(std::vector<Item> items, int mode);

    int readChars(char *values, int count);
    int readI2(std::int16_t *values, int count);
    int readI4(std::int32_t *values, int count);
    int readFloats(float *values, int count);
    int readDoubles(double *values, int count);
    int readString(char *buffer, int max);
    bool readEnvelope(EnvelopeData &envelope);
    std::uint32_t findBlock(const HostBlockIdent *list);
    void endBlock();
    int depth() const { return static_cast<int>(frames_.size()) - 1; }

    void fail(const std::string &what);
    const std::string &error() const { return error_; }

  private:
    struct Frame {
        const std::vector<Item> *items;
        std::size_t index = 0;   // the item the cursor is at
        std::size_t offset = 0;  // values of that item already read
        std::string name;        // the block's name, for messages
    };

    template <class Out, class Get>
    int readValues(Kind kind, Out *values, int count, Get get);
    // The item at the cursor, or null at the end of the current level.
    const Item *current() const;
    // Fails with a message for the item at the cursor not being `wanted`.
    void mismatch(const char *wanted);
    void advance();
    std::string where() const;
    bool matches(const Item &block, const HostBlockIdent &entry) const;

    std::vector<Item> root_;
    int mode_;
    std::vector<Frame> frames_;
    std::string error_;
};

// The C tables over a writer and a reader. `Access::of(data)` maps the
// table's data pointer (the state object) to the object holding the writer
// or reader; each state class supplies it from its private part.
struct SaveCore {
    ItemWriter writer;
    HostSaveState table{};
};

struct LoadCore {
    explicit LoadCore(std::vector<Item> items, int mode) : reader(std::move(items), mode) {}
    ItemReader reader;
    HostLoadState table{};
};

namespace detail {
void writeChars(ItemWriter &writer, const char *values, int count);
void writeI2(ItemWriter &writer, const std::int16_t *values, int count);
void writeI4(ItemWriter &writer, const std::int32_t *values, int count);
void writeFloats(ItemWriter &writer, const float *values, int count);
void writeDoubles(ItemWriter &writer, const double *values, int count);
void writeString(ItemWriter &writer, const char *text);
void writeEnvelope(ItemWriter &writer, const EnvelopeData &envelope);
void beginBlock(ItemWriter &writer, const HostBlockIdent *ident, int leaf, int mode);
void endBlock(ItemWriter &writer);
}  // namespace detail

template <class Access>
HostSaveState saveTable(int mode, SaveState *state) {
    HostSaveState table{};
    table.ioMode = mode;
    table.writeData = state;
    table.writeI1 = [](void *data, const char *values, int count) {
        detail::writeChars(Access::of(data).writer, values, count);
    };
    table.writeI2 = [](void *data, const std::int16_t *values, int count) {
        detail::writeI2(Access::of(data).writer, values, count);
    };
    table.writeI4 = [](void *data, const std::int32_t *values, int count) {
        detail::writeI4(Access::of(data).writer, values, count);
    };
    table.writeFP = [](void *data, const float *values, int count) {
        detail::writeFloats(Access::of(data).writer, values, count);
    };
    table.writeDP = [](void *data, const double *values, int count) {
        detail::writeDoubles(Access::of(data).writer, values, count);
    };
    table.writeStr = [](void *data, const char *text) {
        detail::writeString(Access::of(data).writer, text);
    };
    table.beginBlock = [](void *data, const HostBlockIdent *ident, int leaf) {
        SaveCore &core = Access::of(data);
        detail::beginBlock(core.writer, ident, leaf, core.table.ioMode);
    };
    table.endBlock = [](void *data) { detail::endBlock(Access::of(data).writer); };
    table.depth = [](void *data) { return Access::of(data).writer.depth(); };
    return table;
}

template <class Access>
HostLoadState loadTable(int mode, LoadState *state) {
    HostLoadState table{};
    table.ioMode = mode;
    table.readData = state;
    table.readI1 = [](void *data, char *values, int count) {
        return Access::of(data).reader.readChars(values, count);
    };
    table.readI2 = [](void *data, std::int16_t *values, int count) {
        return Access::of(data).reader.readI2(values, count);
    };
    table.readI4 = [](void *data, std::int32_t *values, int count) {
        return Access::of(data).reader.readI4(values, count);
    };
    table.readFP = [](void *data, float *values, int count) {
        return Access::of(data).reader.readFloats(values, count);
    };
    table.readDP = [](void *data, double *values, int count) {
        return Access::of(data).reader.readDoubles(values, count);
    };
    table.readStr = [](void *data, char *buffer, int max) {
        return Access::of(data).reader.readString(buffer, max);
    };
    table.findBlock = [](void *data, const HostBlockIdent *list) {
        return Access::of(data).reader.findBlock(list);
    };
    table.endBlock = [](void *data) { Access::of(data).reader.endBlock(); };
    table.depth = [](void *data) { return Access::of(data).reader.depth(); };
    return table;
}

}  // namespace host::io
