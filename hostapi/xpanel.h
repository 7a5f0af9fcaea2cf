/* Panels described by tables: a data description and a hint list. */
#ifndef HOSTAPI_XPANEL_H
#define HOSTAPI_XPANEL_H

#include "node.h"

HOST_EXTERN_C_BEGIN

#define HOST_XPANEL_GLOBAL "LWXPanel"
#define HOST_INSTUPDATE_GLOBAL "Instance Update"

/* Panel type of a panel whose values live in a node instance. */
#define HOST_XPANEL_VIEW 1

/* Change-notify events: a value moving (preview), and a value set. */
#define HOST_XPANEL_EVENT_TRACK 1
#define HOST_XPANEL_EVENT_VALUE 2
/* What a change-notify may answer: nothing, or redraw the panel's choices. */
#define HOST_XPANEL_REFRESH_NONE 0
#define HOST_XPANEL_REFRESH_CHOICES 2

/* One value of a panel: id, name, data type. Ended by an entry with id 0. */
typedef struct HostPanelDataDesc {
    uint32_t id;
    const char *name;
    const char *dataType;
} HostPanelDataDesc;

/* A hint list: words (tags, ids, texts, tables, callbacks) ended by 0.
 * The low seven bits of a tag give its fixed argument count; with the 0x80
 * bit set, a list of ids ended by 0 follows the fixed arguments. */
typedef const void *HostPanelHint;
#define HOST_HINT_WORD(w) ((HostPanelHint)(uintptr_t)(w))

#define HOST_XPTAG_CHGNOTIFY 0x3d000f01u     /* callback */
#define HOST_XPTAG_DESTROYNOTIFY 0x3d001302u /* callback, 0 */
#define HOST_XPTAG_ADD 0x3d000d03u           /* control id, control type, value id */
#define HOST_XPTAG_LABEL 0x3d000b03u         /* id, label, 0 */
#define HOST_XPTAG_STRLIST 0x3d014503u       /* control id, null-ended texts, 0 */
#define HOST_XPTAG_INTXFORM 0x3d016303u      /* control id, count, ints */
#define HOST_XPTAG_POPFUNCS 0x3d016203u      /* control id, count callback, name callback */
#define HOST_XPTAG_BUTNOTIFY 0x3d015f02u     /* control id, callback */
#define HOST_XPTAG_MIN 0x3d014002u           /* control id, minimum */
#define HOST_XPTAG_MAX 0x3d014102u           /* control id, maximum */
#define HOST_XPTAG_RANGE 0x3d014304u         /* control id, minimum, maximum, step */
#define HOST_XPTAG_HARDMINMAX 0x3d014703u    /* control id, minimum is hard, maximum is hard */
#define HOST_XPTAG_SLIDER 0x3d014402u        /* control id, slider kind */
#define HOST_XPTAG_ENABLE 0x3d01f984u        /* controlling id, text, 0, table; ids */
#define HOST_XPTAG_STACK 0x3d020983u         /* stack id, controlling id, table; ids */
#define HOST_XPTAG_GROUP 0x3d01fe81u         /* group id; member ids */
#define HOST_XPTAG_TABS 0x3d020a81u          /* tab set id; group ids */
#define HOST_XPTAG_LEFTALIGN 0x3d021280u     /* ids drawn without a label column */
#define HOST_XPTAG_NARROW 0x3d021380u        /* ids drawn at half width */
#define HOST_XPTAG_BORDER 0x3d021481u        /* border id; ids framed together */
#define HOST_XPTAG_CTLCFG 0x3d017403u        /* control id, option, value */
#define HOST_XPTAG_DRAWFUNC 0x3d016502u      /* control id, drawing callback */

/* Callbacks a node hands its panel. */
typedef void *(HOST_CALL *HostPanelGetFunc)(HostInstance instance, uint32_t valueId);
typedef int(HOST_CALL *HostPanelSetFunc)(HostInstance instance, uint32_t valueId, void *value);
typedef int(HOST_CALL *HostPanelChangeFunc)(HostPanelID panel, uint32_t controlId, uint32_t valueId,
                                            int event);
typedef void(HOST_CALL *HostPanelDestroyFunc)(void *panelData);
typedef int(HOST_CALL *HostPopCountFunc)(void *userData);
typedef const char *(HOST_CALL *HostPopNameFunc)(void *userData, int index);
typedef void(HOST_CALL *HostButtonFunc)(HostPanelID panel, uint32_t controlId);

typedef struct HostDrawAreaTy *HostDrawAreaID;
typedef void(HOST_CALL *HostPanelDrawFunc)(HostPanelID panel, uint32_t controlId,
                                           HostDrawAreaID area, int width, int height);

/* Drawing in a thumbnail control, values 0 to 255. */
typedef struct HostPanelDrawFuncs {
    void(HOST_CALL *drawRGBPixel)(HostDrawAreaID area, int r, int g, int b, int x, int y);
    void(HOST_CALL *drawRGBBox)(HostDrawAreaID area, int r, int g, int b, int x, int y, int w,
                                int h);
} HostPanelDrawFuncs;

/* "LWXPanel". */
typedef struct HostXPanelFuncs {
    HostPanelID(HOST_CALL *create)(int type, const void *controls);
    void(HOST_CALL *destroy)(HostPanelID panel);
    void(HOST_CALL *describe)(HostPanelID panel, const HostPanelDataDesc *data,
                              HostPanelGetFunc get, HostPanelSetFunc set);
    void(HOST_CALL *hint)(HostPanelID panel, uint32_t id, const HostPanelHint *hints);
    void *(HOST_CALL *getData)(HostPanelID panel, uint32_t id);
    void(HOST_CALL *setData)(HostPanelID panel, uint32_t id, void *data);
    void(HOST_CALL *viewInst)(HostPanelID panel, HostInstance instance);
    void(HOST_CALL *viewRefresh)(HostPanelID panel);
    void *(HOST_CALL *formGet)(HostPanelID panel, uint32_t id);
    void(HOST_CALL *formSet)(HostPanelID panel, uint32_t id, void *value);
    const HostPanelDrawFuncs *drawFuncs;
} HostXPanelFuncs;

/* "Instance Update": tells the host that an instance of a class changed. */
typedef int(HOST_CALL *HostInstUpdateFunc)(const char *serverClass, HostInstance instance);

HOST_EXTERN_C_END

#endif
