// The scene orvhost serve shows: one loaded scene, its node panels edited as
// a user would, and a render thread that renders it again after every edit,
// a coarse image first and then the full one in bands, giving up at once
// when the next edit comes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "serve_model.h"
#include "traced_scene.h"

namespace app {

// One published picture: the latest state of a render, copied out whole so
// that readers never see it change.
struct ServedFrame {
    std::uint64_t sequence = 0;
    nlohmann::json info;        // pass, size, rows done, figures, error
    std::vector<float> beauty;  // width × height × 3, linear
    std::vector<float> aov;     // width × height × aovChannels, or empty
    int aovChannels = 0;
};

class ServeSession {
  public:
    ServeSession(const Common &common, const std::filesystem::path &sceneFile, ImageSize size);
    ~ServeSession();
    ServeSession(const ServeSession &) = delete;
    ServeSession &operator=(const ServeSession &) = delete;

    const std::filesystem::path &folder() const { return folder_; }

    // What the page asks for; each throws host::Error for a bad request.
    nlohmann::json overview();
    nlohmann::json graph(const NodePath &owners);
    nlohmann::json panel(const NodePath &node);
    // Sets a control as a user would (the text as eval -s takes it); a choice
    // of "(load Image)" is answered with the named image of the scene's
    // folder. Re-renders; answers the node's panel afresh.
    nlohmann::json edit(const NodePath &node, const std::string &control, const std::string &value,
                        const std::string &file);
    // Presses a button; answers the panel and the nested graph it opened.
    nlohmann::json press(const NodePath &node, const std::string &control);
    // Takes back the last edit or press; answers the node it touched.
    nlohmann::json undo();
    // Writes the scene as orvhost save does, to its own file or to a new
    // name in its folder; another file of that name is replaced only when
    // asked to (else the answer says it exists).
    nlohmann::json save(const std::string &name, bool replace);
    // The picture of a drawn control: RGB bytes.
    host::Panel::Picture thumbnail(const NodePath &node, const std::string &control, int width,
                                   int height);
    // Which output is captured beside the picture; empty for none.
    void captureOutput(const NodePath &node, const std::string &output);
    // A node's output (its first when none is named) where the camera ray
    // through pixel (x, y) of the full picture first hits, evaluated as a
    // render would there; the surface hit, and null values off the node's
    // surface.
    nlohmann::json valueAt(const NodePath &node, const std::string &output, int x, int y);
    // The image files of the scene's folder, as "(load Image)" offers them.
    nlohmann::json folderImages() const;

    // The first frame newer than after, waiting up to the timeout for one;
    // null when none came.
    std::shared_ptr<const ServedFrame> frameAfter(std::uint64_t after, int timeoutMs);

    // Ends the render thread and wakes every waiting reader.
    void stop();

  private:
    struct UndoStep {
        NodePath node;
        nlohmann::json items;
    };
    struct Capture {
        NodePath node;
        std::string output;
    };

    // Stops the render in progress and holds the scene for a change; when it
    // ends, however the change went, the scene is rendered again (a failed
    // change must not leave the picture half done).
    class Pause {
      public:
        explicit Pause(ServeSession &session);
        ~Pause();
        Pause(const Pause &) = delete;
        Pause &operator=(const Pause &) = delete;
        // The version of the scene the next render shows.
        std::uint64_t nextVersion() const { return session_.version_ + 1; }

      private:
        ServeSession &session_;
        std::unique_lock<std::mutex> lock_;
    };
    host::ModuleNode &moduleNode(const NodePath &path) const;
    host::Panel &panelOf(const NodePath &path) const;
    void rememberState(const NodePath &path);
    nlohmann::json panelReply(const NodePath &path);

    void renderLoop();
    // One pass at the tracer's size in bands; false when cancelled.
    bool renderPass(TracedScene &traced, const char *pass, int samples);
    void publish(std::shared_ptr<ServedFrame> frame);

    std::unique_ptr<host::Host> host_;
    std::unique_ptr<host::Scene> scene_;
    std::filesystem::path folder_;
    std::unique_ptr<TracedScene> coarse_, full_;
    int threads_ = 1;
    int frame_ = 1;

    std::mutex mutex_;  // the scene: its nodes, panels and graphs
    std::condition_variable changed_;
    std::uint64_t version_ = 1, renderedVersion_ = 0;
    bool rendering_ = false;
    bool graphsStarted_ = false;         // between render-start and render-end
    std::atomic<bool> stopping_{false};  // read by frame waiters under their own lock
    std::atomic<bool> cancel_{false};
    std::vector<UndoStep> undo_;
    std::optional<Capture> capture_;

    std::mutex frameMutex_;
    std::condition_variable frameReady_;
    std::shared_ptr<const ServedFrame> latest_;
    std::uint64_t nextSequence_ = 1;

    std::thread renderer_;
};

}  // namespace app
