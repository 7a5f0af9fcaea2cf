#include "serve_session.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#include "aov.h"
#include "host/base/error.h"
#include "host/io/io_state.h"
#include "host/module/module_node.h"
#include "host/raytracer/primary_spot.h"
#include "host/raytracer/renderer.h"
#include "host/scene/host.h"
#include "host/scene/nested_graph.h"
#include "node_setup.h"

namespace app {

using json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

// Rows rendered between two looks at whether an edit is waiting: one row of
// the renderer's 16-pixel tiles, short enough that an edit stops a heavy
// render within a few hundredths of a second, whole tiles so that the band
// costs no more than the same tiles in one render.
constexpr int kBandRows = 16;
// The coarse pass renders one pixel for every kCoarse × kCoarse.
constexpr int kCoarse = 4;
// How often a pass in progress is shown: often enough to watch it come,
// seldom enough that the browser drawing it takes little from the render.
constexpr std::chrono::milliseconds kPublishEvery{200};
// Edits that can be taken back.
constexpr std::size_t kUndoSteps = 64;

bool isImageFile(const fs::path &file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const char *const kImages[] = {".png",  ".jpg", ".jpeg", ".exr", ".hdr", ".tif",
                                          ".tiff", ".tga", ".bmp",  ".pfm", ".psd", ".gif"};
    return std::find(std::begin(kImages), std::end(kImages), extension) != std::end(kImages);
}

// A name the page may give a file it writes in the scene's folder: a plain
// name, not hidden. Anything with a folder in it could reach outside.
void checkPlainName(const std::string &name, const char *what) {
    if (name.empty() || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name.front() == '.' ||
        name.find('\0') != std::string::npos)
        throw host::Error(std::string(what) + " " + host::inQuotes(name) +
                          ": expected a plain file name in the scene's folder");
}

}  // namespace

ServeSession::ServeSession(const Common &common, const fs::path &sceneFile, ImageSize size)
    : host_(makeHost(common)), scene_(host::Scene::load(*host_, sceneFile)) {
    folder_ = fs::absolute(sceneFile).parent_path();
    threads_ = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
    frame_ = scene_->settings().firstFrame;
    full_ = std::make_unique<TracedScene>(*host_, *scene_, size, threads_);
    const ImageSize coarse{std::max(1, full_->settings().width / kCoarse),
                           std::max(1, full_->settings().height / kCoarse)};
    coarse_ = std::make_unique<TracedScene>(*host_, *scene_, coarse, threads_);
    renderer_ = std::thread([this] { renderLoop(); });
}

ServeSession::~ServeSession() {
    stop();
    if (renderer_.joinable()) renderer_.join();
}

void ServeSession::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        cancel_ = true;
    }
    changed_.notify_all();
    // Taken so that no frame waiter is between its look and its wait.
    { std::lock_guard frames(frameMutex_); }
    frameReady_.notify_all();
}

// ---- The scene as the page sees it ----

json ServeSession::overview() {
    std::lock_guard lock(mutex_);
    json outputs = json::array();
    for (const std::string &surface : scene_->surfaceNames())
        for (const auto &node : scene_->graph(surface).nodes())
            for (const auto &output : node->outputs())
                outputs.push_back({{"node", {surface, node->name()}}, {"output", output->name}});
    return {{"scene", scene_->file().filename().string()},
            {"graphs", graphList(*scene_)},
            {"outputs", std::move(outputs)},
            {"width", full_->settings().width},
            {"height", full_->settings().height},
            {"undo", undo_.size()}};
}

json ServeSession::graph(const NodePath &owners) {
    std::lock_guard lock(mutex_);
    return graphJson(graphAt(*scene_, owners));
}

host::ModuleNode &ServeSession::moduleNode(const NodePath &path) const {
    host::Node &node = nodeAt(*scene_, path);
    auto *module = dynamic_cast<host::ModuleNode *>(&node);
    if (!module) throw host::Error(host::inQuotes(node.name()) + " is a host node without a panel");
    return *module;
}

host::Panel &ServeSession::panelOf(const NodePath &path) const {
    host::ModuleNode &node = moduleNode(path);
    host::Panel *panel = node.panel();
    if (!panel) throw host::Error(host::inQuotes(node.name()) + " has no panel");
    return *panel;
}

json ServeSession::panelReply(const NodePath &path) {
    host::Node &node = nodeAt(*scene_, path);
    json reply{{"node", path}, {"name", node.name()}, {"kind", node.kindName()}};
    auto *module = dynamic_cast<host::ModuleNode *>(&node);
    host::Panel *panel = module ? module->panel() : nullptr;
    reply["items"] = panel ? panelJson(*panel, scene_->timeOfFrame(frame_)) : json();
    reply["undo"] = undo_.size();
    return reply;
}

json ServeSession::panel(const NodePath &path) {
    std::lock_guard lock(mutex_);
    return panelReply(path);
}

// ---- Edits ----

ServeSession::Pause::Pause(ServeSession &session) : session_(session), lock_(session.mutex_) {
    session_.cancel_ = true;
    session_.changed_.wait(lock_, [this] { return !session_.rendering_; });
}

ServeSession::Pause::~Pause() {
    ++session_.version_;
    session_.cancel_ = session_.stopping_.load();
    lock_.unlock();
    session_.changed_.notify_all();
}

void ServeSession::rememberState(const NodePath &path) {
    host::TextSaveState state;
    moduleNode(path).save(state);
    undo_.push_back({path, state.items()});
    if (undo_.size() > kUndoSteps) undo_.erase(undo_.begin());
}

json ServeSession::edit(const NodePath &path, const std::string &control, const std::string &value,
                        const std::string &file) {
    Pause pause(*this);
    host::ModuleNode &node = moduleNode(path);
    host::FileRequests &requests = host_->services().fileRequests();
    requests.clearAnswers();
    if (!file.empty()) {
        // Only what the page offered may be read: nothing that names its
        // way out of the scene's folder.
        const json offered = folderImages();
        if (std::find(offered.begin(), offered.end(), file) == offered.end())
            throw host::Error("image " + host::inQuotes(file) +
                              ": no such image in the scene's folder");
        requests.answer((folder_ / file).string());
    }
    rememberState(path);
    try {
        host::applySetting(node, control, json(value));
    } catch (const host::Error &) {
        requests.clearAnswers();
        undo_.pop_back();
        throw;
    }
    requests.clearAnswers();
    json reply = panelReply(path);
    reply["version"] = pause.nextVersion();  // the render that shows it
    return reply;
}

json ServeSession::press(const NodePath &path, const std::string &control) {
    Pause pause(*this);
    host::ModuleNode &node = moduleNode(path);
    host::Panel &panel = panelOf(path);
    const host::Panel::Control *button = panel.find(control);
    host::NestedEditor *editor = host::nestedEditorOf(node);
    const int opened = editor ? editor->openCount() : 0;
    rememberState(path);
    try {
        panel.press(button->id);
    } catch (const host::Error &) {
        undo_.pop_back();
        throw;
    }
    json reply = panelReply(path);
    if (editor && editor->openCount() > opened) reply["opened"] = path;
    reply["version"] = pause.nextVersion();  // the render that shows it
    return reply;
}

json ServeSession::undo() {
    Pause pause(*this);
    if (undo_.empty()) throw host::Error("nothing to undo");
    const UndoStep step = undo_.back();
    undo_.pop_back();
    host::ModuleNode &node = moduleNode(step.node);
    host::TextLoadState state(step.items);
    node.load(state);
    node.newTime(frame_, scene_->timeOfFrame(frame_));
    json reply = panelReply(step.node);
    reply["version"] = pause.nextVersion();  // the render that shows it
    return reply;
}

json ServeSession::save(const std::string &name, bool replace) {
    fs::path target = scene_->file();
    if (!name.empty()) {
        checkPlainName(name, "save as");
        if (fs::path(name).extension() != ".json")
            throw host::Error("save as " + host::inQuotes(name) + ": a scene file ends in .json");
        target = folder_ / name;
        std::error_code error;
        if (!replace && fs::exists(target, error) && !fs::equivalent(target, scene_->file(), error))
            return {{"exists", name}};
    }
    std::lock_guard lock(mutex_);
    scene_->saveTo(target, host::Scene::SaveForm::Settings);
    return {{"saved", target.filename().string()}};
}

host::Panel::Picture ServeSession::thumbnail(const NodePath &path, const std::string &control,
                                             int width, int height) {
    if (width < 1 || height < 1 || width > 1024 || height > 1024)
        throw host::Error("thumbnail size " + std::to_string(width) + " x " +
                          std::to_string(height) + ": expected 1 to 1024 pixels a side");
    std::lock_guard lock(mutex_);
    host::Panel &panel = panelOf(path);
    const host::Panel::Control *drawn = panel.find(control);
    if (!drawn->draw) throw host::Error("control " + control + " draws nothing");
    return panel.draw(drawn->id, width, height);
}

void ServeSession::captureOutput(const NodePath &path, const std::string &output) {
    Pause pause(*this);
    if (path.empty()) {
        capture_.reset();
    } else {
        const auto &surfaces = scene_->surfaceNames();
        if (std::find(surfaces.begin(), surfaces.end(), path.front()) == surfaces.end())
            throw host::Error("graph " + host::inQuotes(path.front()) +
                              " is no surface: no ray reaches it");
        nodeAt(*scene_, path).requireOutput(output);
        capture_ = Capture{path, output};
    }
}

json ServeSession::valueAt(const NodePath &path, const std::string &outputName, int x, int y) {
    std::lock_guard lock(mutex_);
    const render::Tracer &tracer = full_->tracer();
    const render::Camera &camera = tracer.scene().camera;
    if (x < 0 || y < 0 || x >= camera.width || y >= camera.height)
        throw host::Error("pixel " + std::to_string(x) + "," + std::to_string(y) +
                          ": outside the " + std::to_string(camera.width) + "x" +
                          std::to_string(camera.height) + " frame");
    host::Node &node = nodeAt(*scene_, path);
    host::OutputConnector &output = app::chooseOutput(node, outputName);
    json reply{{"x", x}, {"y", y}, {"output", output.name}, {"value", nullptr}};
    render::Vec origin, direction;
    tracer.cameraRay(x + 0.5, y + 0.5, origin, direction);
    render::ThreadState thread;
    render::SpotContext context{&tracer, &thread};
    HostSample spot{};
    if (!render::primarySpot(tracer, origin, direction, x, y, thread, context, spot)) return reply;
    const std::string &surface =
        scene_->surfaceNames().at(static_cast<std::size_t>(spot.surfaceIndex));
    reply["surface"] = surface;
    if (surface != path.front()) return reply;
    // Between two bands of a render the graphs are started already; else
    // they are started for this one evaluation, as eval does.
    const bool start = !graphsStarted_;
    if (start) {
        host_->services().setScene(full_->settings());
        scene_->renderStart();
        scene_->newTime(frame_);
    }
    double value[3] = {};
    const int channels = evaluateToNumbers(output, spot, value);
    if (start) scene_->renderEnd();
    reply["value"] = std::vector<double>(value, value + channels);
    return reply;
}

json ServeSession::folderImages() const {
    // The folder and the folders in it, as scenes keep their images beside
    // them or one folder down ("env/sky.exr").
    std::vector<std::string> names;
    std::error_code error;
    for (auto entry = fs::recursive_directory_iterator(folder_, error);
         !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.front() == '.') {
            if (entry->is_directory(error)) entry.disable_recursion_pending();
            continue;
        }
        if (entry.depth() >= 1) entry.disable_recursion_pending();
        if (entry->is_regular_file(error) && isImageFile(entry->path()))
            names.push_back(fs::relative(entry->path(), folder_).generic_string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ---- Rendering ----

void ServeSession::publish(std::shared_ptr<ServedFrame> frame) {
    {
        std::lock_guard lock(frameMutex_);
        frame->sequence = nextSequence_++;
        latest_ = std::move(frame);
    }
    frameReady_.notify_all();
}

std::shared_ptr<const ServedFrame> ServeSession::frameAfter(std::uint64_t after, int timeoutMs) {
    std::unique_lock lock(frameMutex_);
    frameReady_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return stopping_ || (latest_ && latest_->sequence > after); });
    if (latest_ && latest_->sequence > after) return latest_;
    return nullptr;
}

void ServeSession::renderLoop() {
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || version_ != renderedVersion_; });
        if (stopping_) return;
        const std::uint64_t version = version_;
        const int samples = full_->tracer().scene().samplesPerPixel;
        rendering_ = true;
        lock.unlock();
        if (renderPass(*coarse_, "coarse", 1)) renderPass(*full_, "full", samples);
        lock.lock();
        rendering_ = false;
        renderedVersion_ = version;
        changed_.notify_all();
    }
}

bool ServeSession::renderPass(TracedScene &traced, const char *pass, int samples) {
    const render::Tracer &tracer = traced.tracer();
    const int width = traced.settings().width, height = traced.settings().height;
    auto frame = std::make_shared<ServedFrame>();
    frame->beauty.assign(static_cast<std::size_t>(width) * height * 3, 0.0f);
    std::vector<Aov> aovs;
    json &info = frame->info;
    info = {{"pass", pass},       {"width", width},      {"height", height},
            {"samples", samples}, {"threads", threads_}, {"linear", tracer.scene().linearImage},
            {"rows", 0},          {"done", false},       {"cancelled", false}};
    {
        std::lock_guard lock(mutex_);
        if (cancel_) return false;
        info["version"] = version_;
        if (capture_ && std::string(pass) == "full") {
            try {
                Aov aov;
                aov.output = &nodeAt(*scene_, capture_->node).requireOutput(capture_->output);
                const auto &surfaces = scene_->surfaceNames();
                aov.surfaceIndex = static_cast<int>(
                    std::find(surfaces.begin(), surfaces.end(), capture_->node.front()) -
                    surfaces.begin());
                aovs.push_back(std::move(aov));
                info["aov"] = {{"node", capture_->node}, {"output", capture_->output}};
            } catch (const host::Error &) {
                capture_.reset();  // the node went with an undo
            }
        }
        host_->services().setScene(traced.settings());
        scene_->renderStart();
        scene_->newTime(frame_);
        graphsStarted_ = true;
    }
    // The chosen output, kept from the very evaluation that shaded each
    // spot, band by band.
    AovRecorder recorder(aovs, samples);
    std::vector<float> aovValues;  // handed on with the finished picture
    if (!aovs.empty()) {
        recorder.startFrame(width, 1);
        frame->aovChannels = aovs.front().image.channels;
        aovValues.assign(static_cast<std::size_t>(width) * height * frame->aovChannels, 0.0f);
    }

    render::RenderOptions options;
    options.threads = threads_;
    options.samplesPerPixel = samples;
    // A band ends when its last tile does: tiles go to whichever thread is
    // free, so that no thread waits long at the end of each band. (A live
    // picture need not repeat byte for byte.)
    options.dynamicTiles = true;
    std::uint64_t primary = 0, secondary = 0;
    const auto started = std::chrono::steady_clock::now();
    auto published = started;
    bool cancelled = false;
    for (int y0 = 0; y0 < height; y0 += kBandRows) {
        const int y1 = std::min(height, y0 + kBandRows);
        {
            std::lock_guard lock(mutex_);
            if (cancel_) {
                cancelled = true;
                break;
            }
            options.region = render::Region{0, y0, width, y1};
            if (!aovs.empty()) recorder.startFrame(width, y1 - y0);
            render::Image band;
            try {
                render::RenderStatistics figures = render::renderFrame(
                    tracer, options, band, {}, aovs.empty() ? nullptr : &recorder);
                if (!aovs.empty()) {
                    const render::RenderStatistics after = recorder.finishFrame(tracer, options);
                    figures.primaryRays += after.primaryRays;
                    figures.secondaryRays += after.secondaryRays;
                }
                host::checkDepthLimit(scene_->file().string());
                primary += figures.primaryRays;
                secondary += figures.secondaryRays;
            } catch (const std::exception &error) {
                info["error"] = error.what();
                break;
            }
            std::copy(band.values.begin(), band.values.end(),
                      frame->beauty.begin() + static_cast<std::ptrdiff_t>(y0) * width * 3);
            if (!aovs.empty()) {
                const std::vector<float> &values = aovs.front().image.values;
                std::copy(values.begin(), values.end(),
                          aovValues.begin() +
                              static_cast<std::ptrdiff_t>(y0) * width * frame->aovChannels);
            }
        }
        info["rows"] = y1;
        info["seconds"] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        info["primaryRays"] = primary;
        info["secondaryRays"] = secondary;
        if (y1 == height) {
            info["done"] = true;
            frame->aov = std::move(aovValues);
        }
        const auto now = std::chrono::steady_clock::now();
        if (y1 == height || now - published >= kPublishEvery) {
            published = now;
            publish(std::make_shared<ServedFrame>(*frame));
        }
    }
    {
        std::lock_guard lock(mutex_);
        scene_->renderEnd();
        graphsStarted_ = false;
    }
    if (cancelled || info.contains("error")) {
        info["cancelled"] = cancelled;
        publish(std::make_shared<ServedFrame>(*frame));
        return false;
    }
    return true;
}

}  // namespace app
