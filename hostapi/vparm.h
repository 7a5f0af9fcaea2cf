/* Envelope parameters (vparms) and channel groups. */
#ifndef HOSTAPI_VPARM_H
#define HOSTAPI_VPARM_H

#include "io.h"
#include "node.h"

HOST_EXTERN_C_BEGIN

#define HOST_VPARMFUNCS_GLOBAL "LWVParmFuncs 2"
#define HOST_ENVELOPEFUNCS_GLOBAL "Animation Envelopes"

/* Envelope types: the low nibble tells one value (0) or three (1), the rest
 * the unit the panel shows. */
#define HOST_VP_FLOAT 16   /* "float-env" */
#define HOST_VP_FLOAT3 17  /* "float3-env", "distance3-env" */
#define HOST_VP_PERCENT 32 /* "percent-env" */
#define HOST_VP_DIST 48    /* "distance-env" */
#define HOST_VP_ANGLE 64   /* "angle-env" */
#define HOST_VP_COLOR 81   /* "color-env" */

typedef struct HostVParmTy *HostVParmID;

/* "LWVParmFuncs 2". */
typedef struct HostVParmFuncs {
    /* Creates a vparm of an envelope type; the second argument is -1. */
    HostVParmID(HOST_CALL *create)(int envType, int flags);
    void(HOST_CALL *destroy)(HostVParmID vparm);
    /* Names the vparm's channels after channelName inside group. */
    void(HOST_CALL *setup)(HostVParmID vparm, const char *channelName, HostChanGroupID group,
                           void *reserved1, void *reserved2, void *reserved3, void *reserved4);
    HostError(HOST_CALL *copy)(HostVParmID to, HostVParmID from);
    HostError(HOST_CALL *load)(HostVParmID vparm, const HostLoadState *state);
    HostError(HOST_CALL *save)(HostVParmID vparm, const HostSaveState *state);
    /* Writes the value at time (one or three doubles); returns the count. */
    int(HOST_CALL *getVal)(HostVParmID vparm, double time, void *reserved, double *values);
    /* Makes the vparm constant at the given value(s); returns the count. */
    int(HOST_CALL *setVal)(HostVParmID vparm, const double *values);
    int(HOST_CALL *getState)(HostVParmID vparm);
    void(HOST_CALL *setState)(HostVParmID vparm, int state);
} HostVParmFuncs;

/* "Animation Envelopes". */
typedef struct HostEnvelopeFuncs {
    HostChanGroupID(HOST_CALL *createGroup)(HostChanGroupID parent, const char *name);
    void(HOST_CALL *destroyGroup)(HostChanGroupID group);
    const char *(HOST_CALL *groupName)(HostChanGroupID group);
    HostChanGroupID(HOST_CALL *groupParent)(HostChanGroupID group);
} HostEnvelopeFuncs;

HOST_EXTERN_C_END

#endif
