// Malformed scenes, node data, meshes and command lines, each run through
// orvhost as a user would: every one must end with exit code 1 and one
// clear error naming the file, the place and the value, with no sanitizer
// report, no hang (the test's timeout) and no output file written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Case {
    const char *name;
    std::string scene;                // written to <name>.json; empty: none
    std::vector<std::string> expect;  // fragments the error must hold
    std::string command = "render";   // or "save", or a whole command line after orvhost
};

std::string nested(int depth) {
    return std::string(static_cast<std::size_t>(depth), '[') + "0" +
           std::string(static_cast<std::size_t>(depth), ']');
}

// A chain of `count` Color Math nodes, each feeding the next.
std::string chain(int count) {
    std::string nodes, connections;
    for (int i = 0; i < count; ++i) {
        nodes += std::string(i ? "," : "") + R"({"name": "N)" + std::to_string(i) +
                 R"(", "native": "Color Math"})";
        if (i)
            connections += std::string(i > 1 ? "," : "") + R"(["N)" + std::to_string(i - 1) +
                           R"(", "Color", "N)" + std::to_string(i) + R"(", "A"])";
    }
    return R"({"graphs": {"Chain": {"nodes": [)" + nodes + R"(], "connections": [)" + connections +
           "]}}}";
}

const std::string kBox = R"("objects": [{"mesh": {"type": "box"}, "surface": "S"}])";
const std::string kSurface = R"("surfaces": {"S": {"nodes": []}})";

std::string withObj(const std::string &file) {
    return R"({"surfaces": {"S": {"nodes": []}}, "objects": [{"mesh": {"file": ")" + file +
           R"("}, "surface": "S"}]})";
}

std::vector<Case> cases() {
    return {
        // Memory faults and crashes.
        {"envelope_key_short",
         R"({"graphs": {"G": {"nodes": [{"name": "AO", "server": "Ambient Occlusion",
             "settings": {"Srf Color": {"keys": [[0, 1, 0]]}}}]}}})",
         {"graphs.G.nodes[0].settings.Srf Color", "[time, 3 values]", "[0,1,0]"}},
        {"deep_unread_key",
         "{\"surfaces\": {}, \"notes\": " + nested(5000) + "}",
         {"notes", "nested more than 100 levels"}},
        {"deep_settings",
         R"({"graphs": {"G": {"nodes": [{"name": "AO", "server": "Ambient Occlusion",
             "settings": {"Max": )" +
             nested(3000) + "}}]}}}",
         {"graphs.G.nodes[0].settings.Max", "nested more than"}},
        {"deep_data",
         R"({"graphs": {"G": {"nodes": [{"name": "AO", "server": "Ambient Occlusion", "data": )" +
             nested(3000) + "}]}}}",
         {"graphs.G.nodes[0].data", "nested more than"}},
        {"camera_default_target",
         "{" + kSurface + ", \"camera\": {\"position\": [0, 0, 0]}}",
         {"camera.target", "must be given", "[0.0,0.0,0.0]"}},
        {"obj_vertex_index",
         withObj("two_vertices.obj"),
         {"objects[0].mesh.file", "two_vertices.obj", "uses vertex 7, but the file has 2"}},
        {"obj_normal_index",
         withObj("bad_normal.obj"),
         {"bad_normal.obj", "uses normal 5, but the file has 1"}},
        {"obj_texcoord_index",
         withObj("bad_texcoord.obj"),
         {"bad_texcoord.obj", "uses texture coordinate 3, but the file has 1"}},
        {"render_last_frame",
         "{" + kSurface + "," + kBox + "}",
         {"--frames 2147483647-2147483648", "beyond the frame numbers"},
         "render {dir}/render_last_frame.json -o {dir}/out.png --frames 2147483647-2147483648"},
        // Hangs and runaway work.
        {"mesh_pipe", withObj("pipe.obj"), {"pipe.obj", "not a regular file"}},
        {"mesh_device", withObj("/dev/zero"), {"/dev/zero", "not a regular file"}},
        {"mesh_directory", withObj("."), {"objects[0].mesh.file", "not a regular file"}},
        {"chain_too_deep",
         chain(300),
         {"graph \"Chain\"", "\"N0\" to \"N299\" is 300 nodes long", "256"}},
        // Failures reported as success.
        {"first_frame_huge",
         R"({"scene": {"firstFrame": 1000000000000}})",
         {"scene.firstFrame", "-2147483648 to 2147483647", "1000000000000"}},
        {"first_frame_float",
         R"({"scene": {"firstFrame": 1e12}})",
         {"scene.firstFrame", "whole number", "1000000000000.0"}},
        {"duplicate_surface",
         R"({"surfaces": {"S": {"nodes": []}, "S": {"nodes": []}}})",
         {"surfaces", "the key \"S\" appears twice"}},
        {"duplicate_node",
         R"({"graphs": {"G": {"nodes": [{"name": "A", "native": "Constant Scalar"},
             {"name": "A", "native": "Constant Scalar"}]}}})",
         {"graphs.G.nodes[1].name", "\"A\" exists already"}},
        {"data_and_binary",
         R"({"graphs": {"G": {"nodes": [{"name": "C", "server": "Counter", "data": [],
             "binary": ""}]}}})",
         {"graphs.G.nodes[0]", "\"data\" or as \"binary\", not both"}},
        {"misspelt_camera",
         "{" + kSurface + ", \"camera\": {\"positon\": [0, 1, 5]}}",
         {"camera.positon", "did you mean \"position\""}},
        {"misspelt_width", "{\"camera\": {\"widht\": 64}}", {"camera.widht", "\"width\""}},
        // The nodes are told the depth and size the renderer uses: refused
        // alike without rays.
        {"recursion_depth_huge",
         R"({"scene": {"recursionDepth": 1000}, "graphs": {"G": {"nodes": [{"name": "C", "server": "Counter"}]}}})",
         {"scene.recursionDepth", "0 to 64", "1000"},
         "eval C --scene {dir}/recursion_depth_huge.json"},
        {"camera_width_zero",
         R"({"camera": {"width": 0}, "graphs": {"G": {"nodes": [{"name": "C", "server": "Counter"}]}}})",
         {"camera.width", "1 to 16384", "0"},
         "eval C --scene {dir}/camera_width_zero.json"},
        {"misspelt_light",
         "{\"lights\": [{\"type\": \"point\"}, {\"intensty\": 2}]}",
         {"lights[1].intensty", "\"intensity\""}},
        {"misspelt_node",
         R"({"graphs": {"G": {"nodes": [{"name": "A", "nativ": "Checker"}]}}})",
         {"graphs.G.nodes[0].nativ", "\"native\""}},
        {"misspelt_envelope",
         R"({"graphs": {"G": {"nodes": [{"name": "AO", "server": "Ambient Occlusion",
             "settings": {"Max": {"keys": [[0, 1]], "shap": "linear"}}}]}}})",
         {"graphs.G.nodes[0].settings.Max.shap", "\"shape\""}},
        // Unclear messages.
        {"scene_name_number", R"({"scene": {"name": 5}})", {"scene.name", "expected a text", "5"}},
        {"envelope_shape_number",
         R"({"graphs": {"G": {"nodes": [{"name": "AO", "server": "Ambient Occlusion",
             "settings": {"Max": {"keys": [[0, 1]], "shape": 3}}}]}}})",
         {"settings.Max", "key shape is a text", "3"}},
        {"number_overflow",
         R"({"scene": {"fps": 1e400}})",
         {":1", "scene.fps", "1e400", "beyond the range"}},
        {"empty_node_name",
         R"({"graphs": {"G": {"nodes": [{"name": "", "server": "Counter"}]}}})",
         {"graphs.G.nodes[0].name", "needs a name"}},
        {"not_json", "{\"scene\": {\n \"fps\": 30,,\n}}", {":2:", "not valid JSON"}},
        // Node data, text and binary.
        {"binary_odd_hex",
         R"({"graphs": {"G": {"nodes": [{"name": "C", "server": "Counter", "binary": "abc"}]}}})",
         {"graphs.G.nodes[0].binary", "odd number of hex digits"}},
        {"binary_not_hex",
         R"({"graphs": {"G": {"nodes": [{"name": "C", "server": "Counter", "binary": "zz"}]}}})",
         {"graphs.G.nodes[0].binary", "not a hex digit: 'z'"}},
        {"native_with_data",
         R"({"graphs": {"G": {"nodes": [{"name": "C", "native": "Checker", "data": []}]}}})",
         {"graphs.G.nodes[0].data", "takes no \"data\""}},
        // Command lines.
        {"unknown_command", "", {"nonsense"}, "nonsense"},
        {"eval_count_zero", "", {"--count", "0"}, "eval Sqrt -n 0"},
        {"eval_time_nan", "", {"--time", "nan"}, "eval Sqrt -t nan"},
        {"eval_input_nan", "", {"--input In=nan", "finite"}, "eval Sqrt -i In=nan"},
        {"eval_input_three_on_scalar",
         "",
         {"--input In=1,2,3", "one number, found 3"},
         "eval Sqrt -i In=1,2,3"},
        {"eval_input_int_huge",
         "",
         {"--input", "1e20", "whole number"},
         "eval Counter -i Mode=1e20"},
        {"render_empty_output",
         "{" + kSurface + "," + kBox + "}",
         {"--output", "file name"},
         "render {dir}/render_empty_output.json -o \"\""},
    };
}

struct Result {
    int status = -1;
    std::string output;
};

Result run(const std::string &command) {
    Result result;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> buffer;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        result.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class MalformedInputs : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("orv-malformed-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "two_vertices.obj") << "v 0 0 0\nv 1 0 0\nf 1 2 7\n";
        std::ofstream(dir_ / "bad_normal.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n"
                                                  "f 1//1 2//1 3//5\n";
        std::ofstream(dir_ / "bad_texcoord.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n"
                                                    "f 1/1 2/1 3/3\n";
        mkfifo((dir_ / "pipe.obj").c_str(), 0600);
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }
    static fs::path dir_;
};
fs::path MalformedInputs::dir_;

TEST_F(MalformedInputs, EachEndsInOneClearErrorAndWritesNothing) {
    const std::vector<Case> all = cases();
    int passed = 0;
    for (const Case &c : all) {
        SCOPED_TRACE(c.name);
        const fs::path scene = dir_ / (std::string(c.name) + ".json");
        if (!c.scene.empty()) std::ofstream(scene) << c.scene;
        const fs::path output = dir_ / "out.png";
        std::string arguments =
            c.command == "render"
                ? "render " + scene.string() + " -o " + output.string() + " --width 8 --height 8"
            : c.command == "save" ? "save " + scene.string() + " -o " + output.string()
                                  : replaced(c.command, "{dir}", dir_.string());
        const Result result = run(std::string(ORVHOST) + " " + arguments);
        bool ok = result.status == 1 && result.output.find("Sanitizer") == std::string::npos &&
                  result.output.find("runtime error") == std::string::npos && !fs::exists(output);
        EXPECT_EQ(result.status, 1) << result.output;
        EXPECT_EQ(result.output.find("Sanitizer"), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find("runtime error"), std::string::npos) << result.output;
        EXPECT_FALSE(fs::exists(output));
        if (!c.scene.empty() && c.command == "render") {
            EXPECT_NE(result.output.find(scene.string()), std::string::npos) << result.output;
            ok = ok && result.output.find(scene.string()) != std::string::npos;
        }
        for (const std::string &fragment : c.expect) {
            EXPECT_NE(result.output.find(fragment), std::string::npos)
                << "missing \"" << fragment << "\" in: " << result.output;
            ok = ok && result.output.find(fragment) != std::string::npos;
        }
        fs::remove(output);
        passed += ok ? 1 : 0;
    }
    std::printf("malformed inputs: %d of %zu cases end in a clear error\n", passed, all.size());
}

}  // namespace
