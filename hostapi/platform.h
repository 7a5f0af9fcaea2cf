/* Export, linkage and calling-convention macros of the plug-in interface.
 *
 * Every other header of hostapi/ takes these from here, so that the same
 * declarations compile into a Linux shared object and a Windows DLL. */
#ifndef HOSTAPI_PLATFORM_H
#define HOSTAPI_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define HOST_EXTERN_C_BEGIN extern "C" {
#define HOST_EXTERN_C_END }
#else
#define HOST_EXTERN_C_BEGIN
#define HOST_EXTERN_C_END
#endif

/* The one symbol a module exports. */
#if defined(_WIN32)
#define HOST_MODULE_EXPORT __declspec(dllexport)
#else
#define HOST_MODULE_EXPORT __attribute__((visibility("default")))
#endif

/* Calling convention of every function pointer that crosses the boundary. */
#if defined(_WIN32) && !defined(_WIN64)
#define HOST_CALL __cdecl
#else
#define HOST_CALL
#endif

#endif
