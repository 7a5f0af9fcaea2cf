/* The host's plug-in interface, shared by modules and hosts. */
#ifndef HOSTAPI_HOSTAPI_H
#define HOSTAPI_HOSTAPI_H

#include "globals.h"
#include "io.h"
#include "module.h"
#include "node.h"
#include "platform.h"
#include "vparm.h"
#include "xpanel.h"

#endif
