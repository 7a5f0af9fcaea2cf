// Load and save states: both forms carry every item exactly, find blocks in
// any order, skip what a loader does not know, and fail cleanly, with a
// place, on data that is corrupt or cut short.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "host/io/io_state.h"
#include "host/services/services.h"

namespace host {
namespace {

enum class Form { Text, Binary };

constexpr HostBlockIdent kPos = {HOST_ID4('R', 'P', 'O', 'S'), "Position"};
constexpr HostBlockIdent kMode = {HOST_ID4('M', 'O', 'D', 'E'), "Mode"};
constexpr HostBlockIdent kNode = {HOST_ID4('N', 'O', 'D', 'E'), "NodeEditor"};
constexpr HostBlockIdent kExtra = {HOST_ID4('X', 'T', 'R', 'A'), "Extra"};
constexpr HostBlockIdent kKnown[] = {kPos, kMode, kNode, {0, nullptr}};

std::unique_ptr<SaveState> makeSave(Form form) {
    if (form == Form::Text) return std::make_unique<TextSaveState>();
    return std::make_unique<BinarySaveState>();
}

// Saved data goes to disk: the text form through its printed JSON.
std::unique_ptr<LoadState> reload(Form form, SaveState &saved) {
    if (form == Form::Text)
        return std::make_unique<TextLoadState>(
            nlohmann::json::parse(static_cast<TextSaveState &>(saved).items().dump()));
    return std::make_unique<BinaryLoadState>(static_cast<BinarySaveState &>(saved).bytes());
}

template <class T>
bool sameBits(T a, T b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

double nanWithPayload() {
    const std::uint64_t bits = 0x7ff8000000012345ull;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

EnvelopeData sampleEnvelope() {
    EnvelopeData envelope;
    envelope.envType = HOST_VP_COLOR;
    envelope.channels.resize(3);
    envelope.channels[0].value = 0.78431;
    envelope.channels[1].keys = {{0.0, 1.0 / 3.0, KeyShape::Stepped},
                                 {1.5, -2.0, KeyShape::Smooth}};
    envelope.channels[2].value = -0.0;
    return envelope;
}

void expectSameEnvelope(const EnvelopeData &a, const EnvelopeData &b) {
    EXPECT_EQ(a.envType, b.envType);
    ASSERT_EQ(a.channels.size(), b.channels.size());
    for (std::size_t c = 0; c < a.channels.size(); ++c) {
        EXPECT_TRUE(sameBits(a.channels[c].value, b.channels[c].value));
        ASSERT_EQ(a.channels[c].keys.size(), b.channels[c].keys.size());
        for (std::size_t k = 0; k < a.channels[c].keys.size(); ++k) {
            EXPECT_TRUE(sameBits(a.channels[c].keys[k].time, b.channels[c].keys[k].time));
            EXPECT_TRUE(sameBits(a.channels[c].keys[k].value, b.channels[c].keys[k].value));
            EXPECT_EQ(a.channels[c].keys[k].shape, b.channels[c].keys[k].shape);
        }
    }
}

class IoStateTest : public testing::TestWithParam<Form> {};

TEST_P(IoStateTest, EveryItemTypeRoundTripsExactly) {
    const double doubles[] = {1.0 / 3.0,
                              -0.0,
                              std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              nanWithPayload()};
    const float floats[] = {0.1f, -0.0f, std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::max()};
    const char chars[] = {'a', '\0', static_cast<char>(-128), 127};
    const std::int16_t shorts[] = {-32768, 32767, -5};
    const std::int32_t ints[] = {std::numeric_limits<std::int32_t>::min(), 0,
                                 std::numeric_limits<std::int32_t>::max()};

    auto saver = makeSave(GetParam());
    const HostSaveState *out = saver->api();
    EXPECT_EQ(out->ioMode, GetParam() == Form::Text ? HOST_IO_TEXT : HOST_IO_BINARY);
    out->writeI1(out->writeData, chars, 4);
    out->writeI2(out->writeData, shorts, 3);
    out->beginBlock(out->writeData, &kPos, 0);
    EXPECT_EQ(out->depth(out->writeData), 1);
    out->writeI4(out->writeData, ints, 3);
    out->beginBlock(out->writeData, &kMode, 1);
    out->writeFP(out->writeData, floats, 5);
    out->endBlock(out->writeData);
    out->writeDP(out->writeData, doubles, 7);
    out->endBlock(out->writeData);
    out->writeStr(out->writeData, "grün \"quoted\"");
    out->writeStr(out->writeData, "");
    saver->writeEnvelope(sampleEnvelope());
    EXPECT_EQ(out->depth(out->writeData), 0);

    auto loader = reload(GetParam(), *saver);
    const HostLoadState *in = loader->api();
    char readChars[4] = {};
    std::int16_t readShorts[3] = {};
    std::int32_t readInts[3] = {};
    float readFloats[5] = {};
    double readDoubles[7] = {};
    char text[64];
    EXPECT_EQ(in->readI1(in->readData, readChars, 4), 4);
    EXPECT_EQ(std::memcmp(readChars, chars, 4), 0);
    // A read may take an item's values in parts.
    EXPECT_EQ(in->readI2(in->readData, readShorts, 1), 1);
    EXPECT_EQ(in->readI2(in->readData, readShorts + 1, 2), 2);
    EXPECT_EQ(std::memcmp(readShorts, shorts, sizeof shorts), 0);
    EXPECT_EQ(in->findBlock(in->readData, kKnown), kPos.id);
    EXPECT_EQ(in->readI4(in->readData, readInts, 3), 3);
    EXPECT_EQ(std::memcmp(readInts, ints, sizeof ints), 0);
    EXPECT_EQ(in->findBlock(in->readData, kKnown), kMode.id);
    EXPECT_EQ(in->depth(in->readData), 2);
    EXPECT_EQ(in->readFP(in->readData, readFloats, 5), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(sameBits(readFloats[i], floats[i])) << i;
    in->endBlock(in->readData);
    EXPECT_EQ(in->readDP(in->readData, readDoubles, 7), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(sameBits(readDoubles[i], doubles[i])) << i;
    in->endBlock(in->readData);
    EXPECT_EQ(in->readStr(in->readData, text, sizeof text), 14);
    EXPECT_STREQ(text, "grün \"quoted\"");
    EXPECT_EQ(in->readStr(in->readData, text, sizeof text), 0);
    EnvelopeData envelope;
    ASSERT_TRUE(loader->readEnvelope(envelope));
    expectSameEnvelope(envelope, sampleEnvelope());
    // The end of the data: no further item, and no error either.
    EXPECT_EQ(in->readI2(in->readData, readShorts, 1), -1);
    EXPECT_EQ(loader->error(), "");
}

TEST_P(IoStateTest, BlocksAreFoundInAnyOrderSkippingUnknownOnes) {
    auto saver = makeSave(GetParam());
    const HostSaveState *out = saver->api();
    const std::int16_t two = 2, three = 3, seven = 7;
    // An unknown block with nested blocks of a known name inside it, then the
    // known ones in reverse order, one of them twice.
    out->beginBlock(out->writeData, &kExtra, 0);
    out->beginBlock(out->writeData, &kMode, 1);
    out->writeI2(out->writeData, &seven, 1);
    out->endBlock(out->writeData);
    out->endBlock(out->writeData);
    out->writeStr(out->writeData, "loose item between blocks");
    out->beginBlock(out->writeData, &kMode, 1);
    out->writeI2(out->writeData, &two, 1);
    out->writeI2(out->writeData, &seven, 1);  // left unread: endBlock skips it
    out->endBlock(out->writeData);
    out->beginBlock(out->writeData, &kPos, 1);
    out->endBlock(out->writeData);
    out->beginBlock(out->writeData, &kMode, 1);
    out->writeI2(out->writeData, &three, 1);
    out->endBlock(out->writeData);

    auto loader = reload(GetParam(), *saver);
    const HostLoadState *in = loader->api();
    std::vector<std::pair<std::uint32_t, int>> seen;
    while (std::uint32_t id = in->findBlock(in->readData, kKnown)) {
        std::int16_t values[4] = {};
        seen.emplace_back(id, in->readI2(in->readData, values, id == kMode.id ? 1 : 4));
        if (id == kMode.id) seen.back().second = values[0];
        in->endBlock(in->readData);
    }
    const std::vector<std::pair<std::uint32_t, int>> expected = {
        {kMode.id, 2}, {kPos.id, -1}, {kMode.id, 3}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(in->depth(in->readData), 0);
    EXPECT_EQ(loader->error(), "");
}

TEST_P(IoStateTest, ReadsPastABlockEndComeBackShortWithoutError) {
    auto saver = makeSave(GetParam());
    const HostSaveState *out = saver->api();
    const double values[2] = {1.0, 2.0};
    out->beginBlock(out->writeData, &kNode, 0);
    out->writeDP(out->writeData, values, 2);
    out->endBlock(out->writeData);
    out->writeStr(out->writeData, "after");

    auto loader = reload(GetParam(), *saver);
    const HostLoadState *in = loader->api();
    double read[5] = {};
    ASSERT_EQ(in->findBlock(in->readData, kKnown), kNode.id);
    EXPECT_EQ(in->readDP(in->readData, read, 5), 2);
    EXPECT_EQ(in->readDP(in->readData, read, 1), -1);
    EXPECT_EQ(in->findBlock(in->readData, kKnown), 0u);
    in->endBlock(in->readData);
    char text[8];
    EXPECT_EQ(in->readStr(in->readData, text, sizeof text), 5);
    EXPECT_EQ(loader->error(), "");
}

TEST_P(IoStateTest, ATypeMismatchFailsWithItsPlaceAndStopsReading) {
    auto saver = makeSave(GetParam());
    const HostSaveState *out = saver->api();
    const float one = 1.0f;
    const std::int16_t two = 2;
    out->beginBlock(out->writeData, &kPos, 0);
    out->writeI2(out->writeData, &two, 1);
    out->writeFP(out->writeData, &one, 1);
    out->endBlock(out->writeData);
    out->beginBlock(out->writeData, &kMode, 0);
    out->endBlock(out->writeData);

    auto loader = reload(GetParam(), *saver);
    const HostLoadState *in = loader->api();
    std::int16_t values[2] = {};
    ASSERT_EQ(in->findBlock(in->readData, kKnown), kPos.id);
    // A read that runs into an item of another kind stops short of it...
    EXPECT_EQ(in->readI2(in->readData, values, 2), 1);
    EXPECT_EQ(loader->error(), "");
    // ...and the next one fails there.
    EXPECT_EQ(in->readI2(in->readData, values, 1), -1);
    const std::string block = GetParam() == Form::Text ? "\"Position\"" : "\"RPOS\"";
    EXPECT_EQ(loader->error(), "expected i2, found fp at item 1 of block " + block);
    EnvelopeData envelope;
    EXPECT_FALSE(loader->readEnvelope(envelope));
    in->endBlock(in->readData);
    EXPECT_EQ(in->findBlock(in->readData, kKnown), 0u);
    EXPECT_EQ(loader->error(), "expected i2, found fp at item 1 of block " + block);
}

TEST_P(IoStateTest, ABlockLeftOpenEndsWithTheData) {
    auto saver = makeSave(GetParam());
    const HostSaveState *out = saver->api();
    const std::int32_t value = 9;
    out->beginBlock(out->writeData, &kNode, 0);
    out->beginBlock(out->writeData, &kPos, 1);
    out->writeI4(out->writeData, &value, 1);

    auto loader = reload(GetParam(), *saver);
    const HostLoadState *in = loader->api();
    std::int32_t read = 0;
    EXPECT_EQ(in->findBlock(in->readData, kKnown), kNode.id);
    EXPECT_EQ(in->findBlock(in->readData, kKnown), kPos.id);
    EXPECT_EQ(in->readI4(in->readData, &read, 1), 1);
    EXPECT_EQ(read, 9);
}

INSTANTIATE_TEST_SUITE_P(BothForms, IoStateTest, testing::Values(Form::Text, Form::Binary),
                         [](const auto &info) {
                             return info.param == Form::Text ? "Text" : "Binary";
                         });

TEST(IoStateBinary, EveryTruncationFailsCleanly) {
    BinarySaveState saver;
    const HostSaveState *out = saver.api();
    const double values[3] = {1.0, 2.0, 3.0};
    out->beginBlock(out->writeData, &kPos, 0);
    out->writeDP(out->writeData, values, 3);
    out->writeStr(out->writeData, "name");
    out->endBlock(out->writeData);
    saver.writeEnvelope(sampleEnvelope());
    const std::vector<std::uint8_t> whole = saver.bytes();

    for (std::size_t size = 0; size < whole.size(); ++size) {
        BinaryLoadState loader(std::vector<std::uint8_t>(whole.begin(), whole.begin() + size));
        const HostLoadState *in = loader.api();
        double read[3];
        char text[8];
        EnvelopeData envelope;
        const bool complete = in->findBlock(in->readData, kKnown) == kPos.id &&
                              in->readDP(in->readData, read, 3) == 3 &&
                              in->readStr(in->readData, text, sizeof text) == 4;
        in->endBlock(in->readData);
        EXPECT_FALSE(complete && loader.readEnvelope(envelope)) << size;
        // An empty input is no data, not bad data; every other cut is reported.
        if (size > 0) {
            EXPECT_NE(loader.error(), "") << size;
        }
    }
}

TEST(IoStateBinary, CorruptBytesFailWithAMessage) {
    const std::vector<std::uint8_t> unknownKind = {0x42, 0, 0, 0, 1};
    BinaryLoadState loader(unknownKind);
    std::int16_t value;
    EXPECT_EQ(loader.api()->readI2(loader.api()->readData, &value, 1), -1);
    EXPECT_EQ(loader.error(),
              "unknown item kind 66 (byte 0 of its level) at item 0 of the top level");

    // A count far beyond the data is caught before anything is reserved.
    const std::vector<std::uint8_t> hugeCount = {5, 0xff, 0xff, 0xff, 0xff, 0, 0};
    BinaryLoadState huge(hugeCount);
    double real;
    EXPECT_EQ(huge.api()->readDP(huge.api()->readData, &real, 1), -1);
    EXPECT_NE(huge.error().find("truncated data"), std::string::npos);
}

TEST(IoStateText, MalformedItemsFailWithAMessage) {
    const auto error = [](const char *text) {
        TextLoadState loader(nlohmann::json::parse(text));
        const HostLoadState *in = loader.api();
        std::int16_t value;
        EXPECT_EQ(in->readI2(in->readData, &value, 1), -1) << text;
        return loader.error();
    };
    EXPECT_EQ(error(R"({"i2": 1})"), "text data is not a list of items at item 0 of the top level");
    EXPECT_EQ(error(R"([{"i2": 40000}])"),
              "i2 value 40000 out of range at item 0 of the top level");
    EXPECT_EQ(error(R"([{"i2": 1.5}])"), "i2 value is not an integer at item 0 of the top level");
    EXPECT_EQ(error(R"([{"i9": 1}])"), "unknown item tag \"i9\" at item 0 of the top level");
    EXPECT_EQ(error(R"([{"fp": "0x7fc0"}])"),
              "fp value \"0x7fc0\" is neither a number nor a 8-digit bit pattern at item 0 of "
              "the top level");

    TextLoadState badShape(nlohmann::json::parse(
        R"([{"envelope": {"type": 16, "channels": [{"value": 0, "keys": [{"time": 0, "value": 1,
        "shape": "bouncy"}]}]}}])"));
    EnvelopeData envelope;
    EXPECT_FALSE(badShape.readEnvelope(envelope));
    EXPECT_EQ(badShape.error(), "unknown envelope key shape \"bouncy\" at item 0 of the top level");
}

TEST(IoState, TextAndBinaryCarryTheSameValues) {
    TextSaveState text;
    BinarySaveState binary;
    for (SaveState *saver : {static_cast<SaveState *>(&text), static_cast<SaveState *>(&binary)}) {
        const HostSaveState *out = saver->api();
        const double third = 1.0 / 3.0;
        const std::int16_t negative = -5;
        out->beginBlock(out->writeData, &kMode, 1);
        out->writeI2(out->writeData, &negative, 1);
        out->endBlock(out->writeData);
        out->writeDP(out->writeData, &third, 1);
    }
    EXPECT_EQ(text.items(), nlohmann::json::parse(R"([{"block": "Mode", "items": [{"i2": -5}]},
                                                      {"dp": 0.3333333333333333}])"));
    TextLoadState fromText(text.items());
    BinaryLoadState fromBinary(binary.bytes());
    for (LoadState *loader :
         {static_cast<LoadState *>(&fromText), static_cast<LoadState *>(&fromBinary)}) {
        const HostLoadState *in = loader->api();
        std::int16_t mode = 0;
        double third = 0.0;
        EXPECT_EQ(in->findBlock(in->readData, kKnown), kMode.id);
        EXPECT_EQ(in->readI2(in->readData, &mode, 1), 1);
        in->endBlock(in->readData);
        EXPECT_EQ(in->readDP(in->readData, &third, 1), 1);
        EXPECT_EQ(mode, -5);
        EXPECT_EQ(third, 1.0 / 3.0);
    }
}

TEST(IoState, VParmsSaveAndLoadThroughTheStates) {
    const HostVParmFuncs *vparms = vparmService();
    HostVParmID saved = vparms->create(HOST_VP_FLOAT, -1);
    const double value = 0.25;
    vparms->setVal(saved, &value);
    TextSaveState text;
    BinarySaveState binary;
    EXPECT_EQ(&saveStateOf(text.api()), &text);
    EXPECT_EQ(vparms->save(saved, text.api()), nullptr);
    EXPECT_EQ(vparms->save(saved, binary.api()), nullptr);

    TextLoadState fromText(text.items());
    BinaryLoadState fromBinary(binary.bytes());
    for (LoadState *loader :
         {static_cast<LoadState *>(&fromText), static_cast<LoadState *>(&fromBinary)}) {
        EXPECT_EQ(&loadStateOf(loader->api()), loader);
        HostVParmID loaded = vparms->create(HOST_VP_FLOAT, -1);
        EXPECT_EQ(vparms->load(loaded, loader->api()), nullptr);
        double read = 0.0;
        vparms->getVal(loaded, 0.0, nullptr, &read);
        EXPECT_EQ(read, 0.25);
        // Nothing further: a second load says why it failed.
        const char *error = vparms->load(loaded, loader->api());
        ASSERT_NE(error, nullptr);
        EXPECT_NE(std::string(error).find("found the end of the data"), std::string::npos);
        vparms->destroy(loaded);
    }
    vparms->destroy(saved);
    EXPECT_THROW(saveStateOf(nullptr), DataError);
}

}  // namespace
}  // namespace host
