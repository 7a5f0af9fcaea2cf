// The service lookup and the per-host records behind it.
#include "host/services/services.h"

#include <atomic>
#include <cstring>

#include "host/panel/panel.h"

namespace host {
namespace {

// The host whose services activations see. A process runs one host at a time;
// tests make and drop hosts one after another.
std::atomic<Services *> currentServices{nullptr};

int HOST_CALL instanceUpdate(const char *serverClass, HostInstance instance) {
    if (Services *services = currentServices.load())
        services->noteInstanceUpdate(serverClass, instance);
    return 0;
}

void HOST_CALL backdropColor(double time, const double direction[3], double color[3]) {
    if (Services *services = currentServices.load())
        services->backdrop(time, direction, color);
    else
        color[0] = color[1] = color[2] = 0.0;
}

// The gradient colours of a solid backdrop are all its colour.
void HOST_CALL backdropGradient(double time, double zenith[3], double sky[3], double ground[3],
                                double nadir[3]) {
    const double up[3] = {0.0, 1.0, 0.0}, down[3] = {0.0, -1.0, 0.0};
    const double horizonUp[3] = {1.0, 1e-6, 0.0}, horizonDown[3] = {1.0, -1e-6, 0.0};
    backdropColor(time, up, zenith);
    backdropColor(time, horizonUp, sky);
    backdropColor(time, horizonDown, ground);
    backdropColor(time, down, nadir);
}

}  // namespace

void setCurrentServices(Services *services) {
    currentServices.store(services);
}
Services *currentServicesOrNull() {
    return currentServices.load();
}

extern "C" void *HOST_CALL hostServiceLookup(const char *serviceName, int /*useMode*/) {
    Services *services = currentServices.load();
    return services && serviceName ? services->lookup(serviceName) : nullptr;
}

Services::Services() {
    backdropInfo_.backdrop = backdropColor;
    backdropInfo_.type = 0;
    backdropInfo_.color = backdropGradient;
    setScene(SceneSettings{});
    timeInfo_.framesPerSecond = scene_.framesPerSecond;
    setPanelVParmFuncs(vparmService());
}

void *Services::lookup(const char *serviceName) {
    const std::string_view name(serviceName);
    {
        std::lock_guard lock(mutex_);
        requestLog_.emplace_back(name);
        if (requestLog_.size() > kRequestLogSize) requestLog_.pop_front();
        if (withheld_.find(name) != withheld_.end()) return nullptr;
        if (auto found = substitutes_.find(name); found != substitutes_.end())
            return const_cast<void *>(found->second);
    }
    auto table = [](const void *pointer) { return const_cast<void *>(pointer); };
    if (name == HOST_NODEFUNCS_GLOBAL) return table(nodeFuncsService());
    if (name == HOST_NODEEDITORFUNCS_GLOBAL) return table(nodeEditorService());
    if (name == HOST_NODEINPUTFUNCS_GLOBAL) return table(nodeInputService());
    if (name == HOST_NODEOUTPUTFUNCS_GLOBAL) return table(nodeOutputService());
    if (name == HOST_NODEUTILITYFUNCS_GLOBAL) return table(nodeUtilityService());
    if (name == HOST_VPARMFUNCS_GLOBAL) return table(vparmService());
    if (name == HOST_ENVELOPEFUNCS_GLOBAL) return table(envelopeService());
    if (name == HOST_XPANEL_GLOBAL) return table(xpanelService());
    if (name == HOST_INSTUPDATE_GLOBAL) return reinterpret_cast<void *>(&instanceUpdate);
    if (name == HOST_SYSTEMID_GLOBAL) return reinterpret_cast<void *>(systemId_);
    if (name == HOST_TIMEINFO_GLOBAL) return &timeInfo_;
    if (name == HOST_SCENEINFO_GLOBAL) return &sceneInfo_;
    if (name == HOST_BACKDROPINFO_GLOBAL) return &backdropInfo_;
    if (name == HOST_IMAGELIST_GLOBAL) return table(imageListService());
    if (name == HOST_FILEREQ_GLOBAL) return reinterpret_cast<void *>(fileRequestFunction());
    return nullptr;
}

void Services::withhold(std::string serviceName) {
    std::lock_guard lock(mutex_);
    withheld_.insert(std::move(serviceName));
}

void Services::substitute(std::string serviceName, const void *table) {
    std::lock_guard lock(mutex_);
    substitutes_[std::move(serviceName)] = table;
}

void Services::restoreAll() {
    std::lock_guard lock(mutex_);
    withheld_.clear();
    substitutes_.clear();
}

std::vector<std::string> Services::requestLog() const {
    std::lock_guard lock(mutex_);
    return {requestLog_.begin(), requestLog_.end()};
}

void Services::clearRequestLog() {
    std::lock_guard lock(mutex_);
    requestLog_.clear();
}

void Services::setScene(const SceneSettings &scene) {
    scene_ = scene;
    sceneInfo_.frameStart = scene_.firstFrame;
    sceneInfo_.frameEnd = scene_.lastFrame;
    sceneInfo_.recursionDepth = scene_.recursionDepth;
    sceneInfo_.frameStep = scene_.frameStep;
    sceneInfo_.framesPerSecond = scene_.framesPerSecond;
    sceneInfo_.frameWidth = scene_.width;
    sceneInfo_.frameHeight = scene_.height;
    sceneInfo_.renderThreads = scene_.renderThreads;
    sceneInfo_.name = scene_.name.c_str();
    sceneInfo_.filename = scene_.filename.c_str();
    timeInfo_.framesPerSecond = scene_.framesPerSecond;
}

void Services::setBackdrop(BackdropFunction backdrop, int type) {
    backdrop_ = std::move(backdrop);
    backdropInfo_.type = type;
}

void Services::backdrop(double time, const double direction[3], double color[3]) const {
    if (backdrop_) {
        backdrop_(time, direction, color);
    } else {
        color[0] = color[1] = color[2] = 0.0;
    }
}

std::vector<std::pair<std::string, HostInstance>> Services::instanceUpdates() const {
    std::lock_guard lock(mutex_);
    return instanceUpdates_;
}

void Services::noteInstanceUpdate(const char *serverClass, HostInstance instance) {
    std::lock_guard lock(mutex_);
    instanceUpdates_.emplace_back(serverClass ? serverClass : "", instance);
}

}  // namespace host
