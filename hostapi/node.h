/* Node servers: the handler and interface records, the sample record with its
 * ray operations, and the node, input and output services. */
#ifndef HOSTAPI_NODE_H
#define HOSTAPI_NODE_H

#include "io.h"
#include "platform.h"

HOST_EXTERN_C_BEGIN

/* Opaque handles owned by the host. */
typedef struct HostNodeTy *HostNodeID;             /* a node in a graph */
typedef struct HostNodeInputTy *HostNodeInputID;   /* an input connector */
typedef struct HostNodeOutputTy *HostNodeOutputID; /* an output connector */
typedef struct HostNodeValueTy *HostNodeValue;     /* where evaluate delivers its result */
typedef struct HostChanGroupTy *HostChanGroupID;   /* a channel group of envelopes */
typedef struct HostPanelTy *HostPanelID;           /* a panel described by tables */
typedef void *HostInstance;                        /* a module's node instance */

/* Connector types. */
#define HOST_NOT_COLOR 1
#define HOST_NOT_SCALAR 2
#define HOST_NOT_VECTOR 3
#define HOST_NOT_INTEGER 4
#define HOST_NOT_FUNCTION 5
#define HOST_NOT_MATERIAL 6

/* A material value: colour followed by ten further channels. */
#define HOST_MATERIAL_DOUBLES 13

/* Preview shape a node asks for in the editor (2: shaded sphere). */
#define HOST_PREVIEW_NONE 0
#define HOST_PREVIEW_FLAT 1
#define HOST_PREVIEW_SPHERE 2

/* Input events: before and after a connection is made or broken. */
#define HOST_INPUT_EVENT_CHANGING 1
#define HOST_INPUT_EVENT_CHANGED 2

/* Trace modes, the low part of a trace mode word. */
#define HOST_TRACE_DISTANCE 0   /* only the hit distance; colour untouched */
#define HOST_TRACE_REFLECTION 1 /* the hit surface shaded as seen by a mirror ray */
#define HOST_TRACE_REFRACTION 2 /* as reflection, for a ray bent through a surface */
#define HOST_TRACE_DISSOLVE 3   /* surface colour without lighting */
#define HOST_TRACE_SHADOW \
    4 /* light let through: white on a miss, the hit surface's share on a hit */
#define HOST_TRACE_OCCLUSION 5 /* 1 - hit, as a grey level */
#define HOST_TRACE_BACKDROP 6  /* the backdrop along the ray, no geometry */
#define HOST_TRACE_MODE_MASK 0x07ffffffu
/* Trace flags, the high bits of a trace mode word. */
#define HOST_TRACE_BACKSHADE 0x08000000u /* back faces count as hits */
#define HOST_TRACE_BACKDROPF 0x10000000u /* a miss brings the backdrop colour */
#define HOST_TRACE_OBJECT 0x20000000u    /* the casting object is hit as well */
#define HOST_TRACE_SAMPLED 0x40000000u   /* the nested sample carries HOST_SAMPLE_SAMPLED */
#define HOST_TRACE_NOPOLYGON 0x80000000u /* the polygon that fires the ray is skipped */

/* Flags of a sample record. */
#define HOST_SAMPLE_SHADOW 1u   /* evaluated for a shadow ray: only transmission matters */
#define HOST_SAMPLE_REFLECT 2u  /* reached by a reflection ray */
#define HOST_SAMPLE_REFRACT 4u  /* reached by a refraction ray */
#define HOST_SAMPLE_SAMPLED 8u  /* reached by a sampled (blurred, stochastic) ray */
#define HOST_SAMPLE_PREVIEW 16u /* a preview: take single samples */

typedef struct HostSample HostSample;

/* What the shade operation reports of the surface a ray hits. */
typedef struct HostShadedSample {
    double color[3];    /* shaded colour of the hit, lighting included */
    double position[3]; /* world position of the hit */
    double normal[3];   /* shading normal at the hit */
    double rawColor[3]; /* surface colour before lighting */
    double luminosity;  /* surface channels at the hit */
    double diffuse;
    double eta;           /* refraction index of the hit surface */
    double distance;      /* ray length; negative for a miss */
    int32_t surfaceIndex; /* index of the hit surface; -1 for a miss */
    int32_t reserved[7];
} HostShadedSample;

/* Distance to the nearest hit along the ray; negative when nothing is hit. */
typedef double(HOST_CALL *HostRayCastFunc)(const HostSample *sample, const double origin[3],
                                           const double direction[3]);
/* Traces a ray by the mode word, leaving the colour it brings back in color;
 * returns the ray length (-1.0 for a miss). */
typedef double(HOST_CALL *HostRayTraceFunc)(const HostSample *sample, const double origin[3],
                                            const double direction[3], double color[3], double eta,
                                            uint32_t mode);
/* Fires a ray and shades the hit as a surface sample; returns the length. */
typedef double(HOST_CALL *HostRayShadeFunc)(const HostSample *sample, const double origin[3],
                                            const double direction[3], HostShadedSample *shaded);

/* The per-sample record handed to evaluate. */
struct HostSample {
    double worldPosition[3];   /* the shaded spot */
    double geometricNormal[3]; /* face normal, facing the incoming ray */
    double shadingNormal[3];   /* interpolated normal, facing the incoming ray */
    double raySource[3];       /* where the incoming ray started */
    double rayLength;          /* distance from the ray source to the spot */
    double spotSize;           /* world-space footprint of the sample */
    double refractionIndex;    /* refraction index of the medium the ray travels in */
    double textureUV[2];       /* surface parameterisation of the spot */
    int32_t pixelX, pixelY;    /* the image pixel being rendered */
    int32_t threadIndex;       /* render thread, 0 to threads - 1 */
    int32_t bounces;           /* rays between the camera and this spot, minus one */
    uint32_t flags;            /* HOST_SAMPLE_* */
    int32_t surfaceIndex;      /* the surface being shaded */
    HostRayCastFunc cast;
    HostRayTraceFunc trace;
    HostRayShadeFunc shade;
    void *hostContext; /* the host's own; modules leave it alone */
};

/* Error text returned by callbacks; null for none. */
typedef const char *HostError;

/* ---- Callbacks a node handler supplies ---- */

typedef HostInstance(HOST_CALL *HostCreateFunc)(void *privateData, HostNodeID node,
                                                HostError *error);
typedef void(HOST_CALL *HostDestroyFunc)(HostInstance instance);
typedef HostError(HOST_CALL *HostCopyFunc)(HostInstance to, HostInstance from);
typedef HostError(HOST_CALL *HostLoadFunc)(HostInstance instance, const HostLoadState *state);
typedef HostError(HOST_CALL *HostSaveFunc)(HostInstance instance, const HostSaveState *state);
typedef const char *(HOST_CALL *HostDescLineFunc)(HostInstance instance);
typedef HostError(HOST_CALL *HostRenderStartFunc)(HostInstance instance, int renderMode);
typedef void(HOST_CALL *HostRenderEndFunc)(HostInstance instance);
typedef HostError(HOST_CALL *HostNewTimeFunc)(HostInstance instance, int frame, double time);
typedef void(HOST_CALL *HostEvaluateFunc)(HostInstance instance, HostSample *sample,
                                          HostNodeOutputID output, HostNodeValue value);
typedef int(HOST_CALL *HostInputEventFunc)(HostInstance instance, HostNodeInputID input, int event);

/* Instance operations; the host provides the table, the activation fills it. */
typedef struct HostInstanceFuncs {
    void *privateData; /* handed back as create's first argument */
    HostCreateFunc create;
    HostDestroyFunc destroy;
    HostCopyFunc copy;
    HostLoadFunc load;
    HostSaveFunc save;
    HostDescLineFunc descln;
} HostInstanceFuncs;

/* Item operations (references to scene items); nodes of this kind leave them. */
typedef struct HostItemFuncs {
    const void *(HOST_CALL *useItems)(HostInstance instance);
    void(HOST_CALL *changeID)(HostInstance instance, const void *idList);
} HostItemFuncs;

/* Render operations. */
typedef struct HostRenderFuncs {
    HostRenderStartFunc init;
    HostRenderEndFunc cleanup;
    HostNewTimeFunc newTime;
} HostRenderFuncs;

/* The local record of a NodeHandler activation. */
typedef struct HostNodeHandler {
    HostInstanceFuncs *inst;
    HostItemFuncs *item;
    HostRenderFuncs *rend;
    HostEvaluateFunc evaluate;
} HostNodeHandler;

/* The local record of a NodeInterface activation. */
typedef struct HostNodeInterface {
    HostInstance instance; /* the node instance whose panel is wanted; may be null */
    HostPanelID panel;     /* filled by the activation */
    void *(HOST_CALL *options)(HostInstance instance);
    HostError(HOST_CALL *command)(HostInstance instance, const char *command);
} HostNodeInterface;

/* ---- Services ---- */

#define HOST_NODEFUNCS_GLOBAL "NodeFuncs"
#define HOST_NODEEDITORFUNCS_GLOBAL "NodeEditorFuncs"
#define HOST_NODEINPUTFUNCS_GLOBAL "NodeInputFuncs 2"
#define HOST_NODEOUTPUTFUNCS_GLOBAL "NodeOutputFuncs"
#define HOST_NODEUTILITYFUNCS_GLOBAL "NodeUtilityFuncs"

/* "NodeFuncs": the node's own place in its graph and editor. */
typedef struct HostNodeFuncs {
    const char *(HOST_CALL *nodeName)(HostNodeID node);
    const char *(HOST_CALL *serverUserName)(HostNodeID node);
    HostChanGroupID(HOST_CALL *chanGroup)(HostNodeID node);
    void(HOST_CALL *setNodeColor)(HostNodeID node, int red, int green, int blue);
    void(HOST_CALL *setNodePreviewType)(HostNodeID node, int type);
    void(HOST_CALL *updateNodePreview)(HostNodeID node);
} HostNodeFuncs;

/* "NodeInputFuncs 2". */
typedef struct HostNodeInputFuncs {
    HostNodeInputID(HOST_CALL *create)(HostNodeID node, int type, const char *name,
                                       HostInputEventFunc event);
    void(HOST_CALL *destroy)(HostNodeID node, HostNodeInputID input);
    /* Writes the upstream value into value and returns 1 when the input is
     * connected; leaves value alone and returns 0 otherwise. For a Function
     * input, value holds the argument on entry and the result on return. */
    int(HOST_CALL *evaluate)(HostNodeInputID input, HostSample *sample, void *value);
    int(HOST_CALL *check)(HostNodeInputID input); /* non-zero when connected */
    HostNodeID(HOST_CALL *node)(HostNodeInputID input);
} HostNodeInputFuncs;

/* "NodeOutputFuncs". */
typedef struct HostNodeOutputFuncs {
    HostNodeOutputID(HOST_CALL *create)(HostNodeID node, int type, const char *name);
    void(HOST_CALL *destroy)(HostNodeID node, HostNodeOutputID output);
    /* Delivers the value evaluate computed: a double for Scalar, three for
     * Color and Vector, an int32 for Integer, thirteen doubles for Material. */
    int(HOST_CALL *setValue)(HostNodeValue value, const void *data);
    int(HOST_CALL *getType)(HostNodeValue value);
} HostNodeOutputFuncs;

/* The record "NodeEditorFuncs" creates a nested editor with. */
typedef void(HOST_CALL *HostEditorColorFunc)(void *userData, HostSample *sample, double color[3]);
typedef struct HostEditorCreation {
    uint32_t member[6];
    HostEditorColorFunc colorCallback; /* the seventh member */
    uint32_t member8;
} HostEditorCreation;

typedef struct HostNodeEditorTy *HostNodeEditorID;
typedef void *(HOST_CALL *HostEditorUserDataFunc)(void *handle);
typedef void(HOST_CALL *HostEditorExtentFunc)(void *unused, HostInstance instance,
                                              double extent[6]);

/* "NodeEditorFuncs": nested node editors owned by a node. */
typedef struct HostNodeEditorFuncs {
    HostNodeEditorID(HOST_CALL *create)(const char *title, const char *identifier,
                                        const HostEditorCreation *creation, void *userData);
    void(HOST_CALL *destroy)(HostNodeEditorID editor);
    void(HOST_CALL *rename)(const char *title, HostNodeEditorID editor);
    void(HOST_CALL *setUserDataCallback)(HostNodeEditorID editor, HostEditorUserDataFunc callback);
    HostError(HOST_CALL *copy)(HostNodeEditorID to, HostNodeEditorID from);
    HostError(HOST_CALL *save)(HostNodeEditorID editor, const HostSaveState *state);
    HostError(HOST_CALL *load)(HostNodeEditorID editor, const HostLoadState *state);
    HostError(HOST_CALL *renderStart)(HostNodeEditorID editor, int renderMode);
    HostError(HOST_CALL *newTime)(HostNodeEditorID editor, int frame, double time);
    void(HOST_CALL *renderEnd)(HostNodeEditorID editor);
    HostNodeInputID(HOST_CALL *addRootInput)(HostNodeEditorID editor, int type, const char *name,
                                             HostInputEventFunc event);
    void(HOST_CALL *setChanGroup)(HostNodeEditorID editor, HostChanGroupID group);
    void(HOST_CALL *setExtentCallback)(HostNodeEditorID editor, HostEditorExtentFunc callback);
    void *(HOST_CALL *userData)(void *handle);
    int(HOST_CALL *open)(HostNodeEditorID editor);
    HostNodeID(HOST_CALL *rootNode)(HostNodeEditorID editor);
} HostNodeEditorFuncs;

/* "NodeUtilityFuncs". */
typedef struct HostNodeUtilityFuncs {
    /* Blends fg over bg at the opacity by a blend mode (0 Normal ... 13 Blue). */
    void(HOST_CALL *blend)(double result[3], const double fg[3], const double bg[3], double opacity,
                           int mode);
    /* Image coordinates at which a direction meets a spherical map whose seam
     * is turned by seamAngle radians. */
    void(HOST_CALL *sphericalMap)(double seamAngle, const double direction[3], double *u,
                                  double *v);
    /* The node's size in the editor, and a second vector the host may fill. */
    void(HOST_CALL *nodeSize)(HostNodeID node, double size[3], double center[3]);
} HostNodeUtilityFuncs;

HOST_EXTERN_C_END

#endif
