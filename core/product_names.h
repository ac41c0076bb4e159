// The product's identity as plain narrow literals, so that the resource script (version
// block) and the C++ constants take them from one place. Safe to include from windres.
#pragma once

#define CORVALE_PRODUCT_NAME "Corvale"

// The version is a build setting (CMake option CORVALE_VERSION, checked there): its three
// numbers and the text X.Y.Z, a single preprocessing number, come as definitions.
#if !defined(CORVALE_VERSION_MAJOR) || !defined(CORVALE_VERSION_MINOR) || !defined(CORVALE_VERSION_PATCH) || \
    !defined(CORVALE_VERSION_TEXT)
#error "the build defines the product version (CMake option CORVALE_VERSION)"
#endif
#define CORVALE_TEXT_OF_TOKEN(token) #token
#define CORVALE_TEXT_OF(token) CORVALE_TEXT_OF_TOKEN(token)
#define CORVALE_PRODUCT_VERSION CORVALE_TEXT_OF(CORVALE_VERSION_TEXT)
#define CORVALE_VERSION_NUMBERS CORVALE_VERSION_MAJOR, CORVALE_VERSION_MINOR, CORVALE_VERSION_PATCH, 0
// The publisher's name: CMakeLists.txt sets it, for the licence and the readme too.
#include "corvale_publisher.h"
// The setup's file description, also the program name its signature states.
#define CORVALE_SETUP_DESCRIPTION "Corvale Setup"

// The web-site host is a build-time setting (CMake option CORVALE_WEBSITE_HOST).
#ifndef CORVALE_WEBSITE_HOST
#define CORVALE_WEBSITE_HOST "www.corvale.com"
#endif
