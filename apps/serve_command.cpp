// orvhost serve: a scene's node graphs, the module's panels and a live render
// in the browser, served on this machine to the page's own address only.
#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "host/base/error.h"
#include "serve_access.h"
#include "serve_session.h"

#ifndef ORV_WEB_DIR
#define ORV_WEB_DIR ""
#endif

namespace app {
namespace {

using json = nlohmann::json;
namespace fs = std::filesystem;

// Requests the page sends are a few hundred bytes; anything far larger is
// no edit.
constexpr std::size_t kMaxBody = 64 * 1024;
// Connections that may wait to be accepted.
constexpr int kListenQueue = 512;
// How long a request for the next picture waits before answering "none yet".
constexpr int kFrameWaitMs = 10000;

struct ServeOptions {
    std::string scene, listen;
    int port = 8765;
    int width = 0, height = 0;
};

// One file of the page, read once when the server starts, so that no request
// can name a file on disk.
struct PageFile {
    std::string content, type;
};

std::string contentType(const fs::path &file) {
    const std::string extension = file.extension().string();
    if (extension == ".html") return "text/html; charset=utf-8";
    if (extension == ".js") return "text/javascript; charset=utf-8";
    if (extension == ".css") return "text/css; charset=utf-8";
    if (extension == ".png") return "image/png";
    if (extension == ".svg") return "image/svg+xml";
    return "text/plain; charset=utf-8";
}

// The page's folder: $ORV_WEB, else web/ beside orvhost, else the source
// tree's.
fs::path webFolder() {
    if (const char *set = std::getenv("ORV_WEB"); set && *set) return set;
    std::error_code error;
    const fs::path beside = fs::read_symlink("/proc/self/exe", error).parent_path() / "web";
    if (!error && fs::is_regular_file(beside / "index.html")) return beside;
    return ORV_WEB_DIR;
}

std::map<std::string, PageFile> readPage(const fs::path &folder) {
    if (!fs::is_regular_file(folder / "index.html"))
        throw host::Error("the page's files are not in " + folder.string() +
                          " (set ORV_WEB to the project's web folder)");
    std::map<std::string, PageFile> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        const std::string url = "/" + fs::relative(entry.path(), folder).generic_string();
        files[url] = {content.str(), contentType(entry.path())};
    }
    files["/"] = files.at("/index.html");
    return files;
}

void sendError(httplib::Response &response, int status, const std::string &message) {
    response.status = status;
    response.set_content(json{{"error", message}}.dump(), "application/json");
}

void sendJson(httplib::Response &response, const json &body) {
    response.set_content(body.dump(), "application/json");
}

// The request's body as a JSON object; host::Error naming the position of a
// fault otherwise.
json bodyOf(const httplib::Request &request) {
    json body;
    try {
        body = json::parse(request.body.empty() ? std::string("{}") : request.body);
    } catch (const json::parse_error &error) {
        throw host::Error("request body: " + std::string(error.what()));
    }
    if (!body.is_object()) throw host::Error("request body: expected a JSON object");
    return body;
}

std::string textField(const json &body, const char *key, bool required = true) {
    const auto found = body.find(key);
    if (found == body.end()) {
        if (required) throw host::Error(std::string("request body: \"") + key + "\" is missing");
        return {};
    }
    if (!found->is_string())
        throw host::Error(std::string("request body: \"") + key + "\" is " + found->dump() +
                          ", expected a text");
    return found->get<std::string>();
}

NodePath pathField(const json &body, const char *key) {
    const auto found = body.find(key);
    if (found == body.end() || !found->is_array())
        throw host::Error(std::string("request body: \"") + key +
                          "\" must be a list of names, graph first");
    NodePath path;
    for (const json &part : *found) {
        if (!part.is_string())
            throw host::Error(std::string("request body: \"") + key + "\" holds " + part.dump() +
                              ", expected a name");
        path.push_back(part.get<std::string>());
    }
    return path;
}

int intField(const json &body, const char *key) {
    const auto found = body.find(key);
    if (found == body.end() || !found->is_number_integer())
        throw host::Error(std::string("request body: \"") + key + "\" must be a whole number");
    return found->get<int>();
}

// A picture and what it shows, in one answer: the length of the JSON header
// (4 bytes), the header, padding to 4 bytes, then the floats.
std::string framePayload(const ServedFrame &frame) {
    json header = frame.info;
    header["sequence"] = frame.sequence;
    header["aovChannels"] = frame.aovChannels;
    header["aovValues"] = frame.aov.size();
    const std::string text = header.dump();
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    std::string payload(4, '\0');
    std::memcpy(payload.data(), &length, 4);
    payload += text;
    payload.resize((payload.size() + 3) / 4 * 4, ' ');
    const auto append = [&payload](const std::vector<float> &values) {
        if (values.empty()) return;  // no output captured: nothing to copy from
        const std::size_t at = payload.size();
        payload.resize(at + values.size() * sizeof(float));
        std::memcpy(payload.data() + at, values.data(), values.size() * sizeof(float));
    };
    append(frame.beauty);
    append(frame.aov);
    return payload;
}

// SIGINT and SIGTERM are taken by one thread that stops the server, so that
// the scene is closed and the module unloaded as at any other end.
class SignalWatch {
  public:
    SignalWatch() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    }
    void start(httplib::Server &server) {
        thread_ = std::thread([this, &server] {
            int signal = 0;
            sigwait(&set_, &signal);
            if (ending_) return;
            std::fprintf(stderr, "orvhost serve: stopping\n");
            // A signal that comes before the server runs would be lost on a
            // server not yet listening: wait until it is.
            while (!server.is_running() && !ending_)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            server.stop();
        });
    }
    // Ends the watching thread, which has stopped the server or is woken
    // here to end without doing so.
    void finish() {
        if (!thread_.joinable()) return;
        ending_ = true;
        pthread_kill(thread_.native_handle(), SIGTERM);
        thread_.join();
    }
    ~SignalWatch() {
        finish();
        pthread_sigmask(SIG_UNBLOCK, &set_, nullptr);
    }

  private:
    sigset_t set_;
    std::thread thread_;
    std::atomic<bool> ending_{false};
};

void addRoutes(httplib::Server &server, ServeSession &session,
               const std::map<std::string, PageFile> &page) {
    const auto api = [&server](const std::string &route, auto handle) {
        server.Post(route, [handle](const httplib::Request &request, httplib::Response &response) {
            try {
                sendJson(response, handle(bodyOf(request)));
            } catch (const host::Error &error) {
                sendError(response, 400, error.what());
            }
        });
    };
    server.Get("/api/overview", [&session](const httplib::Request &, httplib::Response &response) {
        sendJson(response, session.overview());
    });
    server.Get("/api/images", [&session](const httplib::Request &, httplib::Response &response) {
        sendJson(response, session.folderImages());
    });
    api("/api/graph",
        [&session](const json &body) { return session.graph(pathField(body, "graph")); });
    api("/api/panel",
        [&session](const json &body) { return session.panel(pathField(body, "node")); });
    api("/api/edit", [&session](const json &body) {
        return session.edit(pathField(body, "node"), textField(body, "control"),
                            textField(body, "value"), textField(body, "file", false));
    });
    api("/api/press", [&session](const json &body) {
        return session.press(pathField(body, "node"), textField(body, "control"));
    });
    api("/api/undo", [&session](const json &) { return session.undo(); });
    api("/api/save", [&session](const json &body) {
        const auto replace = body.find("replace");
        return session.save(textField(body, "name", false),
                            replace != body.end() && replace->is_boolean() && replace->get<bool>());
    });
    api("/api/output", [&session](const json &body) {
        session.captureOutput(pathField(body, "node"), textField(body, "output", false));
        return json{{"ok", true}};
    });
    api("/api/value", [&session](const json &body) {
        return session.valueAt(pathField(body, "node"), textField(body, "output", false),
                               intField(body, "x"), intField(body, "y"));
    });
    server.Post("/api/thumbnail",
                [&session](const httplib::Request &request, httplib::Response &response) {
                    try {
                        const json body = bodyOf(request);
                        const host::Panel::Picture picture =
                            session.thumbnail(pathField(body, "node"), textField(body, "control"),
                                              intField(body, "width"), intField(body, "height"));
                        response.set_header("X-Width", std::to_string(picture.width));
                        response.set_header("X-Height", std::to_string(picture.height));
                        response.set_content(std::string(picture.rgb.begin(), picture.rgb.end()),
                                             "application/octet-stream");
                    } catch (const host::Error &error) {
                        sendError(response, 400, error.what());
                    }
                });
    server.Get(
        "/api/frame", [&session](const httplib::Request &request, httplib::Response &response) {
            std::uint64_t after = 0;
            const std::string text = request.get_param_value("after");
            if (!text.empty()) {
                char *end = nullptr;
                after = std::strtoull(text.c_str(), &end, 10);
                if (*end != '\0')
                    return sendError(response, 400, "after=" + text + ": expected a whole number");
            }
            const auto frame = session.frameAfter(after, kFrameWaitMs);
            if (!frame) {
                response.status = 204;
                return;
            }
            response.set_content(framePayload(*frame), "application/octet-stream");
        });
    server.Get(R"(/[^?]*)", [&page](const httplib::Request &request, httplib::Response &response) {
        const auto found = page.find(request.path);
        if (found == page.end()) return sendError(response, 404, request.path + ": no such page");
        response.set_content(found->second.content, found->second.type);
    });
}

}  // namespace

Run addServeCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "serve",
        "Show a scene in the browser: its node graphs, the module's panels to edit, and a live "
        "render that follows every edit; prints the address to open (with its access token)");
    auto o = std::make_shared<ServeOptions>();
    command->add_option("scene", o->scene, "Scene file")->required()->check(CLI::ExistingFile);
    command->add_option("--port", o->port, "Port to listen on (0: any free port)")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    command->add_option("--listen", o->listen,
                        "Address to listen on instead of 127.0.0.1, and to open the page at; "
                        "other machines can then reach it, and only the printed token keeps "
                        "them out");
    command->add_option("--width", o->width, "Image width in pixels (default: the camera's)")
        ->check(CLI::Range(1, 16384));
    command->add_option("--height", o->height, "Image height in pixels (default: the camera's)")
        ->check(CLI::Range(1, 16384));
    return [&common, o] {
        const auto page = readPage(webFolder());
        SignalWatch signals;  // before any thread starts, so that all inherit the mask
        ServeSession session(common, o->scene, {o->width, o->height});

        httplib::Server server;
        // The listening socket: reusable at once after a stop, but not
        // shared with another process that binds the same port.
        int listening = -1;
        server.set_socket_options([&listening](int socket) {
            const int yes = 1;
            setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
            listening = socket;
        });
        const std::string address = o->listen.empty() ? "127.0.0.1" : o->listen;
        if (!o->listen.empty() && o->listen != "127.0.0.1" && o->listen != "localhost" &&
            o->listen != "::1")
            std::fprintf(stderr,
                         "orvhost serve: warning: listening on %s: other machines can reach the "
                         "server; only the token keeps them from driving it\n",
                         address.c_str());
        const int port = o->port == 0 ? server.bind_to_any_port(address)
                                      : (server.bind_to_port(address, o->port) ? o->port : -1);
        if (port < 0)
            throw host::Error("cannot listen on " + address + ":" + std::to_string(o->port) +
                              " (in use? --port 0 picks a free one)");

        // The library's queue of five waiting connections would turn a burst
        // (a page opening, a script) into resets; a listening socket takes a
        // longer queue by listening again.
        if (listening >= 0) listen(listening, kListenQueue);

        std::vector<std::string> names{address};
        if (o->listen.empty()) names.push_back("localhost");
        ServeAccess access(names, port, randomToken());
        server.set_payload_max_length(kMaxBody);
        server.set_pre_routing_handler([&access](const httplib::Request &request,
                                                 httplib::Response &response) {
            using Result = httplib::Server::HandlerResponse;
            response.set_header("Cache-Control", "no-store");
            response.set_header("X-Content-Type-Options", "nosniff");
            response.set_header("Content-Security-Policy",
                                "default-src 'self'; img-src 'self' data: blob:");
            if (!access.hostAllowed(request.get_header_value("Host"))) {
                sendError(response, 403,
                          "Host " + request.get_header_value("Host") + " is not this server");
                return Result::Handled;
            }
            if (!access.originAllowed(request.get_header_value("Origin"))) {
                sendError(response, 403,
                          "Origin " + request.get_header_value("Origin") + " is not this server");
                return Result::Handled;
            }
            const std::string length = request.get_header_value("Content-Length");
            if (!length.empty() && std::strtoull(length.c_str(), nullptr, 10) > kMaxBody) {
                sendError(response, 413,
                          "request body of " + length + " bytes; the limit is " +
                              std::to_string(kMaxBody));
                return Result::Handled;
            }
            const std::string given = request.get_param_value("token");
            if (access.tokenMatches(given)) {
                response.set_header("Set-Cookie", std::string(access.cookieName()) + "=" +
                                                      access.token() +
                                                      "; Path=/; HttpOnly; SameSite=Strict");
                return Result::Unhandled;
            }
            if (!access.tokenMatches(access.tokenFromCookies(request.get_header_value("Cookie")))) {
                sendError(response, 403,
                          "missing or wrong token: open the address orvhost "
                          "serve printed");
                return Result::Handled;
            }
            return Result::Unhandled;
        });
        server.set_error_handler([](const httplib::Request &request, httplib::Response &response) {
            if (response.status == 413)
                sendError(response, 413, "request body too large");
            else if (response.body.empty())
                sendError(response, response.status,
                          request.method + " " + request.path + ": not served");
        });
        server.set_exception_handler(
            [](const httplib::Request &, httplib::Response &response, std::exception_ptr thrown) {
                std::string message = "internal error";
                try {
                    std::rethrow_exception(thrown);
                } catch (const std::exception &error) {
                    message = error.what();
                } catch (...) {
                }
                sendError(response, 500, message);
            });
        addRoutes(server, session, page);

        const std::string shown =
            address.find(':') != std::string::npos ? "[" + address + "]" : address;
        std::printf("http://%s:%d/?token=%s\n", shown.c_str(), port, access.token().c_str());
        std::fflush(stdout);
        if (!common.quiet)
            std::fprintf(stderr, "orvhost serve: %s; open the address above, Ctrl-C to stop\n",
                         o->scene.c_str());
        signals.start(server);
        server.listen_after_bind();
        signals.finish();
        session.stop();
        return 0;
    };
}

}  // namespace app
