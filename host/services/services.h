// The host's services as modules find them by name: the lookup handed to every
// activation, and the per-host records behind it. The service tables
// themselves are constant and live in the files that implement them.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/services/file_request.h"
#include "host/services/image_list.h"
#include "host/services/scene_settings.h"
#include "hostapi/hostapi.h"

namespace host {

class Services;

// The lookup given to activations. It serves the current host (see host.h),
// and nothing when there is none. Every name gets the same pointer on every
// call; unknown and withheld names get null.
extern "C" void *HOST_CALL hostServiceLookup(const char *serviceName, int useMode);

// Which host hostServiceLookup serves; null for none. The Host sets itself.
void setCurrentServices(Services *services);
Services *currentServicesOrNull();

// The backdrop colour seen along a direction at a time.
using BackdropFunction =
    std::function<void(double time, const double direction[3], double color[3])>;

class Services {
  public:
    Services();
    Services(const Services &) = delete;
    Services &operator=(const Services &) = delete;

    // What hostServiceLookup answers for this host; records the name asked.
    void *lookup(const char *serviceName);

    // Tests make a service missing, to see how a module copes.
    void withhold(std::string serviceName);
    // Tests hand out a table of their own under a name (one that records the
    // calls a module makes, or fails one of them); it must outlive the host.
    void substitute(std::string serviceName, const void *table);
    void restoreAll();

    // "System ID": the kind of host in the top four bits, a serial below.
    void setSystemId(std::uintptr_t value) { systemId_ = value; }
    std::uintptr_t systemId() const { return systemId_; }

    // The names asked for since the log was cleared, in order, withheld and
    // unknown ones included: the last kRequestLogSize of them, so that a
    // long session making node after node does not grow it without end.
    static constexpr std::size_t kRequestLogSize = 256;
    std::vector<std::string> requestLog() const;
    void clearRequestLog();

    // "LW Time Info": the render session sets it before each new-time.
    HostTimeInfo &timeInfo() { return timeInfo_; }

    // "LW Scene Info 5" follows these settings.
    void setScene(const SceneSettings &scene);
    const SceneSettings &scene() const { return scene_; }

    // "LW Backdrop Info 2": solid black until a renderer installs its own.
    void setBackdrop(BackdropFunction backdrop, int type = 0);
    void backdrop(double time, const double direction[3], double color[3]) const;

    FileRequests &fileRequests() { return fileRequests_; }
    // "LW Image List 5" walks this list.
    ImageList &images() { return images_; }

    // The "Instance Update" calls received: (server class, instance).
    std::vector<std::pair<std::string, HostInstance>> instanceUpdates() const;
    void noteInstanceUpdate(const char *serverClass, HostInstance instance);

  private:
    mutable std::mutex mutex_;  // guards the logs: lookups may come from render threads
    std::deque<std::string> requestLog_;
    std::vector<std::pair<std::string, HostInstance>> instanceUpdates_;
    std::set<std::string, std::less<>> withheld_;
    std::map<std::string, const void *, std::less<>> substitutes_;
    std::uintptr_t systemId_ = HOST_SYSTEMID_INTERACTIVE | 1u;
    HostTimeInfo timeInfo_{};
    SceneSettings scene_;
    HostSceneInfo sceneInfo_{};
    HostBackdropInfo backdropInfo_{};
    BackdropFunction backdrop_;
    FileRequests fileRequests_;
    ImageList images_;
};

// The constant service tables, for tests and for host code that calls them
// the way a module does.
const HostNodeFuncs *nodeFuncsService();
const HostNodeInputFuncs *nodeInputService();
const HostNodeOutputFuncs *nodeOutputService();
const HostNodeEditorFuncs *nodeEditorService();
const HostNodeUtilityFuncs *nodeUtilityService();
const HostVParmFuncs *vparmService();
const HostEnvelopeFuncs *envelopeService();
const HostImageList *imageListService();

// Channels of a vparm envelope type: 1 or 3, and 0 for a type the host does
// not know.
int vparmChannelCount(int envType);
// Names a vparm's setup gave it (empty for a null vparm).
std::string vparmChannelName(HostVParmID vparm);
std::string vparmGroupPath(HostVParmID vparm);

}  // namespace host
