// The module descriptor, the one symbol the module exports. Loading the
// module sets nothing up: every node kind is made ready by its activations.
#include "hostapi/module.h"
#include "module/server_table.h"

namespace {

int HOST_CALL startModule() {
    return HOST_MODULE_START_OK;
}
void HOST_CALL stopModule() {}

}  // namespace

extern "C" HOST_MODULE_EXPORT const HostModuleDescriptor _mod_descrip = {
    HOST_MODULE_SYNC, HOST_MODULE_VERSION, HOST_MODULE_MACHINE,
    startModule,      stopModule,          orv::kServerTable,
};
