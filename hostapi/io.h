/* Scene persistence: the load and save states a node reads and writes its
 * settings through. Items are typed; blocks group items under a
 * four-character identifier (binary scenes) and a token (text scenes). */
#ifndef HOSTAPI_IO_H
#define HOSTAPI_IO_H

#include "platform.h"

HOST_EXTERN_C_BEGIN

/* Builds a block identifier: the first character in the most significant byte. */
#define HOST_ID4(a, b, c, d)                                               \
    ((((uint32_t)(uint8_t)(a)) << 24) | (((uint32_t)(uint8_t)(b)) << 16) | \
     (((uint32_t)(uint8_t)(c)) << 8) | ((uint32_t)(uint8_t)(d)))

/* One entry of a block identifier list, ended by { 0, null }. */
typedef struct HostBlockIdent {
    uint32_t id;
    const char *token;
} HostBlockIdent;

#define HOST_IO_BINARY 0
#define HOST_IO_TEXT 1

/* Reading side. Each read returns the number of values read, or -1 when the
 * current block (or the whole data) holds no further item of that kind. */
typedef struct HostLoadState {
    int ioMode; /* HOST_IO_BINARY or HOST_IO_TEXT */
    void *readData;
    int(HOST_CALL *readI1)(void *readData, char *values, int count);
    int(HOST_CALL *readI2)(void *readData, int16_t *values, int count);
    int(HOST_CALL *readI4)(void *readData, int32_t *values, int count);
    int(HOST_CALL *readFP)(void *readData, float *values, int count);
    int(HOST_CALL *readDP)(void *readData, double *values, int count);
    /* Reads a string into buffer (at most max bytes, terminated); returns its
     * length or -1. */
    int(HOST_CALL *readStr)(void *readData, char *buffer, int max);
    /* Enters the next block whose identifier is in the list, skipping others;
     * returns its identifier, or 0 when the current level holds none. */
    uint32_t(HOST_CALL *findBlock)(void *readData, const HostBlockIdent *list);
    /* Leaves the block entered last, skipping what was not read. */
    void(HOST_CALL *endBlock)(void *readData);
    int(HOST_CALL *depth)(void *readData);
} HostLoadState;

/* Writing side. */
typedef struct HostSaveState {
    int ioMode;
    void *writeData;
    void(HOST_CALL *writeI1)(void *writeData, const char *values, int count);
    void(HOST_CALL *writeI2)(void *writeData, const int16_t *values, int count);
    void(HOST_CALL *writeI4)(void *writeData, const int32_t *values, int count);
    void(HOST_CALL *writeFP)(void *writeData, const float *values, int count);
    void(HOST_CALL *writeDP)(void *writeData, const double *values, int count);
    void(HOST_CALL *writeStr)(void *writeData, const char *text);
    /* Opens a block; a leaf block holds only items, no further blocks. */
    void(HOST_CALL *beginBlock)(void *writeData, const HostBlockIdent *ident, int leaf);
    void(HOST_CALL *endBlock)(void *writeData);
    int(HOST_CALL *depth)(void *writeData);
} HostSaveState;

HOST_EXTERN_C_END

#endif
