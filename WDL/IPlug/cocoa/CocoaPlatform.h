// AppKit and the system services the Cocoa editor uses. On a Mac they come from the
// frameworks; elsewhere (GNUstep) from AppKit plus our stand-ins for what it lacks.
// Objective-C++ only.
#ifndef IPLUG_COCOA_COCOAPLATFORM_H_
#define IPLUG_COCOA_COCOAPLATFORM_H_

#ifdef __APPLE__
#import <Cocoa/Cocoa.h>
#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>
#include <ApplicationServices/ApplicationServices.h>
#else
#import <AppKit/AppKit.h>
#include "standins/CoreGraphicsStandIn.h"
#include "standins/SystemServicesStandIn.h"
#endif

#endif  // IPLUG_COCOA_COCOAPLATFORM_H_
