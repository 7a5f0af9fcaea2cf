/* Scene-wide services: system identity, time, scene facts, backdrop, images
 * and file requests. */
#ifndef HOSTAPI_GLOBALS_H
#define HOSTAPI_GLOBALS_H

#include "io.h"
#include "platform.h"

HOST_EXTERN_C_BEGIN

#define HOST_SYSTEMID_GLOBAL "System ID"
#define HOST_TIMEINFO_GLOBAL "LW Time Info"
#define HOST_SCENEINFO_GLOBAL "LW Scene Info 5"
#define HOST_BACKDROPINFO_GLOBAL "LW Backdrop Info 2"
#define HOST_IMAGELIST_GLOBAL "LW Image List 5"
#define HOST_FILEREQ_GLOBAL "File Request 2"

/* "System ID" is a value, not a table: its top four bits tell the kind of
 * host process, the rest a serial number. */
#define HOST_SYSTEMID_KIND_MASK 0xF0000000u
#define HOST_SYSTEMID_INTERACTIVE 0x00000000u /* full host: backdrop and time served */
#define HOST_SYSTEMID_RENDER_NODE 0x10000000u /* batch render node without them */

/* "LW Time Info": the time and frame of the current evaluation. */
typedef struct HostTimeInfo {
    double time; /* seconds */
    int32_t frame;
    double framesPerSecond;
} HostTimeInfo;

/* "LW Scene Info 5". */
typedef struct HostSceneInfo {
    int32_t frameStart;
    int32_t frameEnd;
    int32_t recursionDepth; /* ray recursion limit */
    int32_t frameStep;
    double framesPerSecond;
    int32_t frameWidth;
    int32_t frameHeight;
    int32_t renderThreads;
    const char *name;
    const char *filename;
} HostSceneInfo;

/* "LW Backdrop Info 2". */
typedef struct HostBackdropInfo {
    /* The backdrop colour seen along a direction at a time. */
    void(HOST_CALL *backdrop)(double time, const double direction[3], double color[3]);
    int32_t type; /* 0 solid, 1 gradient, 2 image */
    void(HOST_CALL *color)(double time, double zenith[3], double sky[3], double ground[3],
                           double nadir[3]);
} HostBackdropInfo;

/* An image of the scene's image list. */
typedef struct HostImageTy *HostImageID;

/* "LW Image List 5". */
typedef struct HostImageList {
    HostImageID(HOST_CALL *first)(void);
    HostImageID(HOST_CALL *next)(HostImageID image);
    /* Loads an image file and appends it to the list; null on failure. */
    HostImageID(HOST_CALL *load)(const char *filename);
    const char *(HOST_CALL *name)(HostImageID image);
    const char *(HOST_CALL *filename)(HostImageID image, int frame);
    /* Filtered colour around (u, v) in 0..1 over a footprint of spotSize. */
    void(HOST_CALL *spot)(HostImageID image, double u, double v, double spotSize, int blend,
                          double color[3]);
    void(HOST_CALL *sceneSave)(const HostSaveState *state, HostImageID image);
    HostImageID(HOST_CALL *sceneLoad)(const HostLoadState *state);
    void(HOST_CALL *size)(HostImageID image, int *width, int *height);
    void(HOST_CALL *RGB)(HostImageID image, int x, int y, float color[3]);
    int(HOST_CALL *hasAlpha)(HostImageID image);
    float(HOST_CALL *alpha)(HostImageID image, int x, int y);
} HostImageList;

/* Request types of "File Request 2". */
#define HOST_FREQ_LOAD 1
#define HOST_FREQ_SAVE 2
#define HOST_FREQ_DIRECTORY 3
/* Version the module passes when it calls the request function. */
#define HOST_FILEREQ_VERSION 3

typedef struct HostFileRequest {
    int32_t reqType;
    int32_t result; /* > 0: the user chose a file */
    const char *title;
    const char *fileType;
    char *path;
    char *baseName;
    char *fullName;
    int32_t bufLen;
    int(HOST_CALL *pickName)(void);
} HostFileRequest;

/* "File Request 2" is the request function itself; 0 when the request
 * could be made. */
typedef int(HOST_CALL *HostFileReqFunc)(int version, HostFileRequest *request);

HOST_EXTERN_C_END

#endif
