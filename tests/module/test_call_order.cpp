// The order in which nodes call the host's services, seen through tables
// that record each call and pass it on to the host's own.
#include <string>
#include <vector>

#include "host/services/services.h"
#include "support/module_fixture.h"

namespace {

using testing_support::ModuleTest;

std::vector<std::string> calls;
HostVParmFuncs recordingVParms;
HostNodeEditorFuncs recordingEditors;
HostNodeOutputFuncs recordingOutputs;
bool editorsFail = false;

HostError HOST_CALL recordCopy(HostVParmID to, HostVParmID from) {
    calls.push_back("copy " + host::vparmChannelName(from));
    return host::vparmService()->copy(to, from);
}

int HOST_CALL recordGetVal(HostVParmID vparm, double time, void *reserved, double *values) {
    calls.push_back("get " + host::vparmChannelName(vparm));
    return host::vparmService()->getVal(vparm, time, reserved, values);
}

HostNodeEditorID HOST_CALL recordEditorCreate(const char *title, const char *identifier,
                                              const HostEditorCreation *creation, void *data) {
    calls.push_back("editor");
    return editorsFail ? nullptr
                       : host::nodeEditorService()->create(title, identifier, creation, data);
}

HostNodeInputID HOST_CALL recordRootInput(HostNodeEditorID editor, int type, const char *name,
                                          HostInputEventFunc event) {
    calls.push_back(std::string("root input ") + name);
    return host::nodeEditorService()->addRootInput(editor, type, name, event);
}

HostNodeOutputID HOST_CALL recordOutput(HostNodeID node, int type, const char *name) {
    calls.push_back(std::string("output ") + name);
    return host::nodeOutputService()->create(node, type, name);
}

class CallOrder : public ModuleTest {
  protected:
    CallOrder() {
        calls.clear();
        editorsFail = false;
        recordingVParms = *host::vparmService();
        recordingVParms.copy = recordCopy;
        recordingVParms.getVal = recordGetVal;
        recordingEditors = *host::nodeEditorService();
        recordingEditors.create = recordEditorCreate;
        recordingEditors.addRootInput = recordRootInput;
        recordingOutputs = *host::nodeOutputService();
        recordingOutputs.create = recordOutput;
        host.services().substitute(HOST_VPARMFUNCS_GLOBAL, &recordingVParms);
        host.services().substitute(HOST_NODEEDITORFUNCS_GLOBAL, &recordingEditors);
        host.services().substitute(HOST_NODEOUTPUTFUNCS_GLOBAL, &recordingOutputs);
    }
    ~CallOrder() override { host.services().restoreAll(); }

    // The calls one operation makes.
    std::vector<std::string> callsOf(const std::function<void()> &operation) {
        calls.clear();
        operation();
        return calls;
    }
};

// Copy and new-time take the vparms in the order the scene saves them, not
// the order they were made in.
TEST_F(CallOrder, GaussianNodesCopyAndRefreshTheirVParmsInSaveOrder) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> kinds = {
        {"Gaussian Reflections", {"Image Seam Angle", "Color", "Reflection Blur"}},
        {"Gaussian Refractions",
         {"Image Seam Angle", "Refraction Index", "Color", "Refraction Blur"}},
    };
    for (const auto &[kind, order] : kinds) {
        SCOPED_TRACE(kind);
        host::ModuleNode &from = add(kind);
        host::ModuleNode &to = add(kind);
        std::vector<std::string> copies, refreshes;
        for (const std::string &name : order) {
            copies.push_back("copy " + name);
            refreshes.push_back("get " + name);
        }
        EXPECT_EQ(callsOf([&] { to.copyFrom(from); }), copies);
        EXPECT_EQ(callsOf([&] { to.newTime(2, 0.5); }), refreshes);
    }
}

// The outputs come last, after the nested editor and its root inputs, so that
// a node whose editor cannot be made never had outputs.
TEST_F(CallOrder, GroupNodeMakesItsOutputsAfterItsEditor) {
    add("Group Node");
    const std::vector<std::string> kinds = {"Color", "Scalar", "Vector", "Integer", "Material"};
    std::vector<std::string> expected = {"editor"};
    for (const std::string &kind : kinds)
        expected.push_back("root input " + kind);
    for (const std::string &kind : kinds)
        expected.push_back("output " + kind);
    EXPECT_EQ(calls, expected);

    calls.clear();
    editorsFail = true;
    try {
        add("Group Node");
        ADD_FAILURE() << "a Group Node without its editor was made";
    } catch (const host::Error &error) {
        EXPECT_NE(std::string(error.what()).find("Node editor creation failed!"),
                  std::string::npos);
    }
    EXPECT_EQ(calls, std::vector<std::string>{"editor"});
}

}  // namespace
