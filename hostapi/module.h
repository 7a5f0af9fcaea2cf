/* Module descriptor, server records and the server activation protocol. */
#ifndef HOSTAPI_MODULE_H
#define HOSTAPI_MODULE_H

#include "platform.h"

HOST_EXTERN_C_BEGIN

/* Values the host checks in a module descriptor. */
#define HOST_MODULE_SYNC 0x04121994u
#define HOST_MODULE_VERSION 3u
#define HOST_MODULE_MACHINE 0x300u
/* What a module's start function returns when it is ready. */
#define HOST_MODULE_START_OK 4

/* Server classes. */
#define HOST_CLASS_NODE_HANDLER "NodeHandler"
#define HOST_CLASS_NODE_INTERFACE "NodeInterface"

/* Tag words of a server's tag list. */
#define HOST_SRVTAG_USERNAME 0x00000u  /* name shown in the host's menus */
#define HOST_SRVTAG_NODEGROUP 0x70000u /* Node Editor add-menu group */

/* Activation results. */
#define HOST_AFUNC_OK 0
#define HOST_AFUNC_BADVERSION 1
#define HOST_AFUNC_BADGLOBAL 2

/* Activation versions of the two node server classes. */
#define HOST_NODE_HANDLER_VERSION 1
#define HOST_NODE_INTERFACE_VERSION 4

/* Service lookup use mode: the module keeps the result for its lifetime. */
#define HOST_GLOBAL_TRANSIENT 0

/* Looks up a host service by name: a table of operations, a record, or, for
 * "System ID", the pointer-sized value itself. Null when the host has none. */
typedef void *(HOST_CALL *HostServiceLookup)(const char *serviceName, int useMode);

/* Activates a server: version, lookup, the class's local record, server data. */
typedef int(HOST_CALL *HostActivateFunc)(int version, HostServiceLookup lookup, void *local,
                                         void *serverData);

/* One (text, tag word) pair of a server's tag list, ended by a pair of zeros. */
typedef struct HostServerTag {
    const char *text;
    uint32_t tag;
} HostServerTag;

/* One server record; the table ends with a record whose class is null. */
typedef struct HostServerRecord {
    const char *serverClass;
    const char *name;
    HostActivateFunc activate;
    const HostServerTag *tags;
} HostServerRecord;

/* The module descriptor, exported as _mod_descrip. */
typedef struct HostModuleDescriptor {
    uint32_t sync;
    uint32_t version;
    uint32_t machine;
    int(HOST_CALL *start)(void);
    void(HOST_CALL *stop)(void);
    const HostServerRecord *servers;
} HostModuleDescriptor;

#define HOST_MODULE_DESCRIPTOR_SYMBOL "_mod_descrip"

HOST_EXTERN_C_END

#ifdef __cplusplus
#if UINTPTR_MAX == 0xffffffffu
static_assert(sizeof(HostModuleDescriptor) == 6 * 4, "six 32-bit words on a 32-bit target");
static_assert(sizeof(HostServerRecord) == 4 * 4, "four 32-bit words on a 32-bit target");
#endif
#else
#if UINTPTR_MAX == 0xffffffffu
_Static_assert(sizeof(HostModuleDescriptor) == 6 * 4, "six 32-bit words on a 32-bit target");
#endif
#endif

#endif
