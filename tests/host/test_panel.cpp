// The panel model, driven through the "LWXPanel" table with hand-written hint
// lists and a fake node behind its get and set callbacks.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "framework/hints.h"
#include "host/base/error.h"
#include "host/panel/panel.h"

namespace {

using host::Panel;

// Vparms as plain arrays, so that a test sees what the panel wrote and when.
struct FakeVParm {
    int count = 1;
    double values[3] = {0, 0, 0};
};

int HOST_CALL fakeGetVal(HostVParmID id, double, void *, double *values) {
    auto *vparm = reinterpret_cast<FakeVParm *>(id);
    std::copy(vparm->values, vparm->values + vparm->count, values);
    return vparm->count;
}
int HOST_CALL fakeSetVal(HostVParmID id, const double *values) {
    auto *vparm = reinterpret_cast<FakeVParm *>(id);
    std::copy(values, values + vparm->count, vparm->values);
    return vparm->count;
}
const HostVParmFuncs kFakeVParms = {nullptr, nullptr,    nullptr,    nullptr, nullptr,
                                    nullptr, fakeGetVal, fakeSetVal, nullptr, nullptr};

struct Node {
    int mode = 0, samples = 27, polar = 3, ranged = 1, trace = 4, image = 0;
    FakeVParm cone{1, {std::numbers::pi / 4}}, brightness{1, {1.0}}, color{3, {1, 0.5, 0}};
    std::string name = "first";
    std::set<std::uint32_t> connected;
    bool refuse = false;
    int images = 2;
    std::vector<std::string> log;  // "set 0x8002" and the value seen by the node
};

HostVParmID handle(FakeVParm &vparm) {
    return reinterpret_cast<HostVParmID>(&vparm);
}

void *HOST_CALL nodeGet(HostInstance instance, std::uint32_t id) {
    auto *node = static_cast<Node *>(instance);
    if (node->connected.count(id)) return nullptr;
    switch (id) {
        case 0x8001:
            return &node->mode;
        case 0x8002:
            return &node->samples;
        case 0x8003:
            return &node->polar;
        case 0x8004:
            return handle(node->cone);
        case 0x8005:
            return &node->ranged;
        case 0x8006:
            return handle(node->brightness);
        case 0x8007:
            return handle(node->color);
        case 0x8008:
            return &node->trace;
        case 0x8009:
            return &node->image;
        case 0x800a:
            return node->name.data();
    }
    return nullptr;
}

int HOST_CALL nodeSet(HostInstance instance, std::uint32_t id, void *value) {
    auto *node = static_cast<Node *>(instance);
    if (node->refuse) return 0;
    int *slot = static_cast<int *>(nodeGet(instance, id));
    if (id == 0x8004 || id == 0x8006 || id == 0x8007) {
        // The vparm is already edited when the node hears of it.
        node->log.push_back("set vparm " +
                            std::to_string(reinterpret_cast<FakeVParm *>(value)->values[0]));
        return 1;
    }
    if (id == 0x800a) {
        node->name = static_cast<const char *>(value);
        return 1;
    }
    if (!slot) return 0;
    *slot = *static_cast<int *>(value);
    node->log.push_back("set " + std::to_string(*slot));
    return 1;
}

std::vector<std::tuple<std::uint32_t, std::uint32_t, int>> changes;
int HOST_CALL onChange(HostPanelID, std::uint32_t control, std::uint32_t value, int event) {
    changes.emplace_back(control, value, event);
    return HOST_XPANEL_REFRESH_NONE;
}
int destroyed = 0;
void HOST_CALL onDestroy(void *) {
    ++destroyed;
}

int HOST_CALL imageCount(void *data) {
    return static_cast<Node *>(data)->images + 2;
}
const char *HOST_CALL imageName(void *data, int index) {
    static const char *const kNames[] = {"(none)", "wood", "stone", "brick"};
    const int count = static_cast<Node *>(data)->images + 2;
    return index == count - 1 ? "(load Image)" : kNames[index];
}
void HOST_CALL pressLoad(HostPanelID panel, std::uint32_t) {
    host::xpanelService()->destroy(panel);  // a node may close its panel from a button
}
void HOST_CALL drawSwatch(HostPanelID, std::uint32_t, HostDrawAreaID area, int w, int h) {
    const HostPanelDrawFuncs *draw = host::xpanelService()->drawFuncs;
    draw->drawRGBBox(area, 300, 0, 0, -1, -1, w + 5, h + 5);  // clipped, channel limited
    draw->drawRGBPixel(area, 0, 0, 255, 1, 0);
    draw->drawRGBPixel(area, 0, 255, 0, w, 0);  // outside: ignored
}

const char *const kModes[] = {"Random", "Polar", nullptr};
const char *const kTraces[] = {"Distance", "Shadow", "Backdrop", nullptr};
const int kTraceValues[] = {0, 4, 6};
const int kRandomOnly[] = {1, 0};

const HostPanelDataDesc kData[] = {
    {0x8001, "Mode", "integer"},    {0x8002, "Samples", "integer"},
    {0x8003, "Polar", "integer"},   {0x8004, "Cone", "angle-env"},
    {0x8005, "Ranged", "integer"},  {0x8006, "Brightness", "percent-env"},
    {0x8007, "Color", "color-env"}, {0x8008, "Trace", "integer"},
    {0x8009, "Image", "integer"},   {0x800a, "Name", "string"},
    {0, nullptr, nullptr},
};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY(onChange),
    FW_HINT_CONTROL(0x8001, "iChoice", "Mode"),
    FW_HINT_CHOICES(0x8001, kModes),
    FW_HINT_CONTROL(0x8002, "integer", "Samples"),
    FW_HINT_MIN(0x8002, 1),
    FW_HINT_HARD_MIN_MAX(0x8002, 1, 0),
    FW_HINT_CONTROL(0x8003, "integer", "Polar"),
    FW_HINT_RANGE(0x8003, 1, 10, 1),
    FW_HINT_CONTROL(0x8004, "angle-env", "Cone"),
    FW_HINT_RANGE(0x8004, 0, 90, 1),
    FW_HINT_LABEL(0x800d, "Polar Settings"),  // before its group: resolved at the end
    FW_HINT_GROUP(0x800d, FW_ID(0x8003), FW_ID(0x8004)),
    FW_HINT_STACK(0x800c, 0x8001, nullptr, FW_ID(0x8002), FW_ID(0x800d)),
    FW_HINT_CONTROL(0x8005, "iBoolean", "Ranged"),
    FW_HINT_CONTROL(0x8006, "percent-env", "Brightness"),
    FW_HINT_MIN(0x8006, 0),
    FW_HINT_MAX(0x8006, 1),
    FW_HINT_HARD_MIN_MAX(0x8006, 0, 1),
    FW_HINT_SLIDER(0x8006, 1),
    FW_HINT_CONTROL(0x8007, "color-env", "Color"),
    FW_HINT_CONTROL(0x8008, "iPopTransform", "Trace"),
    FW_HINT_CHOICES(0x8008, kTraces),
    FW_HINT_INT_TRANSFORM(0x8008, 3, kTraceValues),
    FW_HINT_CONTROL(0x8009, "iPopChoice", "Image"),
    FW_HINT_POPUP_FUNCS(0x8009, imageCount, imageName),
    FW_HINT_CONTROL(0x800a, "string", "Name"),
    FW_HINT_CONTROL(0x800b, "vButton", "Load"),
    FW_HINT_BUTTON(0x800b, pressLoad),
    FW_HINT_ADD(0x8011, "dThumbnail"),
    FW_WORD(HOST_XPTAG_DRAWFUNC),
    FW_WORD(0x8011),
    FW_CALLBACK(drawSwatch),
    FW_WORD(HOST_XPTAG_CTLCFG),
    FW_WORD(0x8011),
    FW_WORD(0),
    FW_WORD(2),
    FW_HINT_ENABLE(0x8005, nullptr, nullptr, FW_ID(0x8006)),
    FW_HINT_ENABLE(0x8001, nullptr, kRandomOnly, FW_ID(0x8007)),
    FW_HINT_ENABLE(0x8005, "Only when ranged", nullptr, FW_ID(0x8007)),
    FW_HINT_BORDER(0x8012, FW_ID(0x8006), FW_ID(0x8007)),
    FW_HINT_LEFT_ALIGN(FW_ID(0x8005)),
    FW_HINT_NARROW(FW_ID(0x8006), FW_ID(0x8007)),
    FW_HINT_GROUP(0x800e, FW_ID(0x8001), FW_ID(0x800c), FW_ID(0x8005), FW_ID(0x8006)),
    FW_HINT_LABEL(0x800e, "Sampling"),
    FW_HINT_GROUP(0x800f, FW_ID(0x8007), FW_ID(0x8008), FW_ID(0x8009), FW_ID(0x800a), FW_ID(0x800b),
                  FW_ID(0x8011)),
    FW_HINT_LABEL(0x800f, "Look"),
    FW_HINT_TABS(0x8010, FW_ID(0x800e), FW_ID(0x800f)),
    FW_HINT_DESTROY_NOTIFY(onDestroy),
    FW_HINT_END,
};

class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::setPanelVParmFuncs(&kFakeVParms);
        changes.clear();
        destroyed = 0;
        handle_ = make(kHints);
        panel_ = Panel::from(handle_);
        ASSERT_NE(panel_, nullptr);
        ASSERT_EQ(panel_->error(), "");
    }
    void TearDown() override {
        xp_->destroy(handle_);
        host::setPanelVParmFuncs(nullptr);
    }
    HostPanelID make(const HostPanelHint *hints) {
        HostPanelID id = xp_->create(HOST_XPANEL_VIEW, nullptr);
        xp_->hint(id, 0, hints);
        xp_->describe(id, kData, nodeGet, nodeSet);
        xp_->viewInst(id, &node_);
        xp_->setData(id, 0, &node_);
        xp_->setData(id, 0x8009, &node_);
        return id;
    }
    // The error a hint list leaves on a fresh panel.
    std::string errorOf(const HostPanelHint *hints) {
        HostPanelID id = make(hints);
        std::string error = Panel::from(id)->error();
        xp_->destroy(id);
        return error;
    }

    const HostXPanelFuncs *xp_ = host::xpanelService();
    Node node_;
    HostPanelID handle_ = nullptr;
    Panel *panel_ = nullptr;
};

TEST_F(PanelTest, DecodesControlsLimitsAndLayout) {
    const Panel::Control &samples = *panel_->control(0x8002);
    EXPECT_EQ(samples.type, "integer");
    EXPECT_EQ(samples.label, "Samples");
    EXPECT_EQ(samples.kind, Panel::ValueKind::Integer);
    EXPECT_EQ(samples.min, 1);
    EXPECT_TRUE(samples.hardMin);
    EXPECT_FALSE(samples.hardMax);
    EXPECT_EQ(samples.parent, 0x800cu);

    const Panel::Control &trace = *panel_->control(0x8008);
    EXPECT_EQ(trace.choices, (std::vector<std::string>{"Distance", "Shadow", "Backdrop"}));
    EXPECT_EQ(trace.intTransform, (std::vector<int>{0, 4, 6}));

    const Panel::Control &brightness = *panel_->control(0x8006);
    EXPECT_EQ(brightness.slider, 1);
    EXPECT_TRUE(brightness.narrow);
    EXPECT_EQ(brightness.borders, std::vector<std::uint32_t>{0x8012});
    EXPECT_TRUE(panel_->control(0x8005)->leftAlign);
    EXPECT_EQ(panel_->control(0x8011)->config, (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_EQ(panel_->control(0x8011)->kind, Panel::ValueKind::None);

    EXPECT_EQ(panel_->layout(0x800d)->label, "Polar Settings");
    EXPECT_EQ(panel_->layout(0x800d)->parent, 0x800cu);
    EXPECT_EQ(panel_->layout(0x800c)->controller, 0x8001u);
    EXPECT_EQ(panel_->layout(0x800e)->parent, 0x8010u);
    EXPECT_EQ(panel_->enableRules().size(), 3u);
    EXPECT_EQ(panel_->enableRules()[2].note, "Only when ranged");
    EXPECT_EQ(panel_->changeNotify(), &onChange);
    EXPECT_EQ(panel_->instance(), &node_);

    EXPECT_EQ(panel_->find("0x8005"), panel_->control(0x8005));
    EXPECT_EQ(panel_->find("32773"), panel_->control(0x8005));
    EXPECT_EQ(panel_->find("brightness"), panel_->control(0x8006));
    EXPECT_THROW(panel_->find("0x8099"), host::Error);
}

TEST_F(PanelTest, ReadsValuesInPanelUnits) {
    EXPECT_EQ(panel_->intValue(0x8002), 27);
    EXPECT_NEAR(panel_->numbers(0x8004, 0.0)->at(0), 45.0, 1e-12);
    EXPECT_NEAR(panel_->numbers(0x8006, 0.0)->at(0), 100.0, 1e-12);
    EXPECT_EQ(panel_->numbers(0x8007, 0.0)->size(), 3u);
    EXPECT_EQ(panel_->text(0x800a), "first");
    EXPECT_EQ(panel_->vparm(0x8007), handle(node_.color));
    EXPECT_EQ(panel_->vparm(0x8002), nullptr);
    EXPECT_EQ(panel_->valueText(0x8008, 0.0), "Shadow");  // stored 4 is position 1
    EXPECT_EQ(panel_->valueText(0x8005, 0.0), "on");

    node_.connected = {0x8002, 0x8004};
    EXPECT_EQ(panel_->intValue(0x8002), std::nullopt);
    EXPECT_EQ(panel_->numbers(0x8004, 0.0), std::nullopt);
    EXPECT_EQ(panel_->vparm(0x8004), nullptr);
    EXPECT_EQ(panel_->valueText(0x8004, 0.0), "(no value)");
    EXPECT_THROW(panel_->setValue(0x8002, "5"), host::Error);
}

TEST_F(PanelTest, SetsIntegersAndChoicesAsAUserWould) {
    panel_->setValue(0x8001, "Polar");
    EXPECT_EQ(node_.mode, 1);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], std::make_tuple(0x8001u, 0x8001u, HOST_XPANEL_EVENT_VALUE));
    panel_->setValue(0x8001, "random");
    EXPECT_EQ(node_.mode, 0);
    panel_->setValue(0x8001, "1");
    EXPECT_EQ(node_.mode, 1);
    EXPECT_THROW(panel_->setValue(0x8001, "2"), host::Error);
    EXPECT_THROW(panel_->setValue(0x8001, "Grid"), host::Error);

    panel_->setValue(0x8008, "Backdrop");  // position 2 stores 6
    EXPECT_EQ(node_.trace, 6);
    panel_->setInt(0x8008, 0);  // the stored value, as is
    EXPECT_EQ(node_.trace, 0);

    panel_->setValue(0x8005, "off");
    EXPECT_EQ(node_.ranged, 0);
    EXPECT_THROW(panel_->setValue(0x8005, "maybe"), host::Error);

    panel_->setValue(0x8002, "0");  // hard minimum
    EXPECT_EQ(node_.samples, 1);
    panel_->setValue(0x8003, "+40");  // a range always binds
    EXPECT_EQ(node_.polar, 10);
    EXPECT_THROW(panel_->setValue(0x8002, "2.5"), host::Error);

    panel_->setValue(0x800a, "second");
    EXPECT_EQ(node_.name, "second");

    node_.refuse = true;
    const std::size_t before = changes.size();
    EXPECT_THROW(panel_->setInt(0x8002, 5), host::Error);
    EXPECT_EQ(changes.size(), before);  // a refused value is no change
}

TEST_F(PanelTest, SetsEnvelopesThroughTheirVParm) {
    panel_->setValue(0x8004, "30\u00b0");
    EXPECT_NEAR(node_.cone.values[0], std::numbers::pi / 6, 1e-12);
    panel_->setValue(0x8004, "120");  // range 0 to 90 is in whole degrees
    EXPECT_DOUBLE_EQ(node_.cone.values[0], std::numbers::pi / 2);
    panel_->setValue(0x8006, "150%");  // hard maximum 1 is 100 %
    EXPECT_DOUBLE_EQ(node_.brightness.values[0], 1.0);
    panel_->setValue(0x8006, "-50 %");  // a soft minimum binds only sliders
    EXPECT_DOUBLE_EQ(node_.brightness.values[0], -0.5);
    EXPECT_EQ(node_.log.back(), "set vparm -0.500000");

    panel_->setValue(0x8007, "0.25,0.5, 1");
    EXPECT_EQ(std::vector<double>(node_.color.values, node_.color.values + 3),
              (std::vector<double>{0.25, 0.5, 1}));
    panel_->setValue(0x8007, "0.5");
    EXPECT_EQ(node_.color.values[2], 0.5);
    EXPECT_THROW(panel_->setValue(0x8007, "1 2"), host::Error);
    EXPECT_THROW(panel_->setValue(0x8004, "30%"), host::Error);
    EXPECT_THROW(panel_->setValue(0x8004, "nan"), host::Error);
    EXPECT_THROW(panel_->setValue(0x800b, "1"), host::Error);  // a button holds no value
    EXPECT_EQ(std::get<0>(changes.back()), 0x8007u);
}

TEST_F(PanelTest, EnableRulesCombineAndSpareConnectedControllers) {
    EXPECT_TRUE(panel_->enabled(0x8006));
    EXPECT_TRUE(panel_->enabled(0x8007));
    node_.ranged = 0;  // null table: the value itself
    EXPECT_FALSE(panel_->enabled(0x8006));
    EXPECT_FALSE(panel_->enabled(0x8007));
    node_.ranged = 1;
    node_.mode = 1;  // table entry 0 at "Polar"
    EXPECT_FALSE(panel_->enabled(0x8007));
    EXPECT_TRUE(panel_->enabled(0x8006));
    node_.mode = 7;  // beyond the table: no entry, so disabled
    EXPECT_FALSE(panel_->enabled(0x8007));
    node_.connected = {0x8001};
    EXPECT_TRUE(panel_->enabled(0x8007));

    // A rule on a group reaches its members.
    const HostPanelHint hints[] = {
        FW_HINT_CONTROL(0x8005, "iBoolean", "Ranged"), FW_HINT_CONTROL(0x8002, "integer", "N"),
        FW_HINT_GROUP(0x8020, FW_ID(0x8002)),
        FW_HINT_ENABLE(0x8005, nullptr, nullptr, FW_ID(0x8020)), FW_HINT_END};
    Panel *grouped = Panel::from(make(hints));
    node_.ranged = 0;
    EXPECT_FALSE(grouped->enabled(0x8002));
    EXPECT_NE(grouped->describe(0).find("0x8002 N (integer) = 27 [disabled]"), std::string::npos);
    xp_->destroy(grouped->id());
}

TEST_F(PanelTest, StacksShowTheBranchTheirControllerPicks) {
    EXPECT_TRUE(panel_->visible(0x8002));
    EXPECT_FALSE(panel_->visible(0x800d));
    EXPECT_FALSE(panel_->visible(0x8004));  // inside the hidden group
    node_.mode = 1;
    EXPECT_FALSE(panel_->visible(0x8002));
    EXPECT_TRUE(panel_->visible(0x8004));

    const int inverted[] = {1, 0};
    const HostPanelHint hints[] = {
        FW_HINT_CONTROL(0x8005, "iBoolean", "Ranged"), FW_HINT_CONTROL(0x8002, "integer", "N"),
        FW_HINT_CONTROL(0x8003, "integer", "P"),
        FW_HINT_STACK(0x8020, 0x8005, inverted, FW_ID(0x8002), FW_ID(0x8003)), FW_HINT_END};
    Panel *stacked = Panel::from(make(hints));
    node_.ranged = 1;
    EXPECT_TRUE(stacked->visible(0x8002));
    EXPECT_FALSE(stacked->visible(0x8003));
    xp_->destroy(stacked->id());
}

TEST_F(PanelTest, RunTimeChoicesAreAskedAfresh) {
    EXPECT_EQ(panel_->choices(0x8009),
              (std::vector<std::string>{"(none)", "wood", "stone", "(load Image)"}));
    node_.images = 1;
    EXPECT_EQ(panel_->choices(0x8009),
              (std::vector<std::string>{"(none)", "wood", "(load Image)"}));
    panel_->setValue(0x8009, "wood");
    EXPECT_EQ(node_.image, 1);

    // The node's own form set reaches it through set, without a notification.
    const std::size_t before = changes.size();
    int zero = 0;
    xp_->formSet(handle_, 0x8009, &zero);
    EXPECT_EQ(node_.image, 0);
    EXPECT_EQ(changes.size(), before);
    EXPECT_EQ(*static_cast<int *>(xp_->formGet(handle_, 0x8002)), 27);
    node_.connected = {0x8002};
    EXPECT_EQ(*static_cast<int *>(xp_->formGet(handle_, 0x8002)), 27);  // last value shown
    EXPECT_EQ(xp_->formGet(handle_, 0x8099), nullptr);
}

TEST_F(PanelTest, ButtonsAndDrawingCallbacks) {
    const Panel::Picture picture = panel_->draw(0x8011, 3, 2);
    ASSERT_EQ(picture.rgb.size(), 18u);
    EXPECT_EQ(std::vector<int>(picture.rgb.begin(), picture.rgb.begin() + 6),
              (std::vector<int>{255, 0, 0, 0, 0, 255}));
    EXPECT_EQ(picture.rgb[17], 0);
    EXPECT_THROW(panel_->draw(0x8002, 3, 2), host::Error);

    // A panel closed from its own button goes once the press returns.
    HostPanelID other = make(kHints);
    Panel::from(other)->press(0x800b);
    EXPECT_EQ(Panel::from(other), nullptr);
    EXPECT_EQ(destroyed, 1);
    xp_->destroy(other);  // a stale handle is harmless
    EXPECT_EQ(destroyed, 1);
}

TEST_F(PanelTest, MalformedListsLeaveAClearErrorAndNoCrash) {
    const HostPanelHint unknown[] = {FW_HINT_CONTROL(0x8002, "integer", "N"), FW_WORD(0x3d0abc02),
                                     FW_WORD(0x8002), FW_WORD(1), FW_HINT_END};
    EXPECT_EQ(errorOf(unknown), "hint list: unknown tag 0x3d0abc02 at word 8");

    const HostPanelHint unended[] = {FW_HINT_CONTROL(0x8002, "integer", "N"),
                                     FW_WORD(HOST_XPTAG_GROUP),
                                     FW_WORD(0x8020),
                                     FW_WORD(0x8002),
                                     FW_HINT_LABEL(0x8020, "G"),
                                     FW_HINT_END};
    EXPECT_EQ(errorOf(unended),
              "hint 0x3d01fe81 (group) at word 8: its id list runs into tag 0x3d000b03 at word 11; "
              "is its closing 0 missing?");

    const HostPanelHint missing[] = {FW_HINT_CONTROL(0x8002, "integer", "N"),
                                     FW_HINT_ENABLE(0x8002, nullptr, nullptr, FW_ID(0x8044)),
                                     FW_HINT_END};
    EXPECT_EQ(errorOf(missing),
              "hint 0x3d01f984 (enable map) at word 8: 0x8044 is not on the panel");

    const HostPanelHint early[] = {FW_HINT_MIN(0x8002, 1), FW_HINT_END};
    EXPECT_NE(errorOf(early).find("0x3d014002 (minimum) at word 0"), std::string::npos);

    const HostPanelHint loop[] = {FW_HINT_CONTROL(0x8002, "integer", "N"),
                                  FW_HINT_GROUP(0x8020, FW_ID(0x8021)),
                                  FW_HINT_GROUP(0x8021, FW_ID(0x8020)), FW_HINT_END};
    EXPECT_NE(errorOf(loop).find("lies inside itself"), std::string::npos);

    const HostPanelHint twice[] = {FW_HINT_CONTROL(0x8002, "integer", "N"),
                                   FW_HINT_ADD(0x8002, "integer"), FW_HINT_END};
    EXPECT_NE(errorOf(twice).find("already in use"), std::string::npos);

    // Every C++ use of a broken panel says why; the C table stays quiet.
    HostPanelID broken = make(unknown);
    Panel *panel = Panel::from(broken);
    EXPECT_TRUE(panel->controls().empty());  // the list was not taken
    EXPECT_THROW(panel->describe(0), host::Error);
    EXPECT_THROW(panel->setValue(0x8002, "1"), host::Error);
    EXPECT_EQ(xp_->formGet(broken, 0x8002), nullptr);
    xp_->hint(broken, 0, kHints);
    EXPECT_EQ(panel->error(), "hint list: unknown tag 0x3d0abc02 at word 8");
    xp_->destroy(broken);

    const HostPanelDataDesc badData[] = {{0x8001, "Mode", "integr"}, {0, nullptr, nullptr}};
    HostPanelID typo = xp_->create(HOST_XPANEL_VIEW, nullptr);
    xp_->describe(typo, badData, nodeGet, nodeSet);
    EXPECT_NE(Panel::from(typo)->error().find("unknown data type \"integr\""), std::string::npos);
    xp_->destroy(typo);
    EXPECT_EQ(xp_->create(2, nullptr), nullptr);
}

TEST_F(PanelTest, DescribesThePanelAsIndentedText) {
    node_.ranged = 0;
    EXPECT_EQ(panel_->describe(0.0),
              "Tabs 0x8010\n"
              "  Tab \"Sampling\" (0x800e)\n"
              "    0x8001 Mode (iChoice) = Random; choices: Random, Polar\n"
              "    Stack 0x800c, switched by 0x8001 Mode\n"
              "      0x8002 Samples (integer) = 27; min 1 (hard)\n"
              "      Group 0x800d \"Polar Settings\" [hidden]\n"
              "        0x8003 Polar (integer) = 3; range 1 to 10 [hidden]\n"
              "        0x8004 Cone (angle-env) = 45\u00b0; range 0\u00b0 to 90\u00b0 [hidden]\n"
              "    0x8005 Ranged (iBoolean) = off\n"
              "    0x8006 Brightness (percent-env) = 100%; min 0%, max 100% (hard) [disabled]\n"
              "  Tab \"Look\" (0x800f)\n"
              "    0x8007 Color (color-env) = 1 0.5 0 [disabled: Only when ranged]\n"
              "    0x8008 Trace (iPopTransform) = Shadow; choices: Distance, Shadow, Backdrop\n"
              "    0x8009 Image (iPopChoice) = (none); choices: (none), wood, stone, (load Image)\n"
              "    0x800a Name (string) = \"first\"\n"
              "    0x800b Load (vButton)\n"
              "    0x8011 (no label) (dThumbnail)\n"
              "Border 0x8012 around 0x8006, 0x8007\n");
}

}  // namespace
