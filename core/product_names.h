// The product's identity as plain narrow literals, so that the resource script (version
// block) and the C++ constants take them from one place. Safe to include from windres.
#pragma once

#define CORVALE_PRODUCT_NAME "Corvale"
#define CORVALE_PRODUCT_VERSION "2.7.3"
#define CORVALE_VERSION_NUMBERS 2, 7, 3, 0
#define CORVALE_PUBLISHER_NAME "Wendrake Software"

// The web-site host is a build-time setting (CMake option CORVALE_WEBSITE_HOST).
#ifndef CORVALE_WEBSITE_HOST
#define CORVALE_WEBSITE_HOST "www.corvale.com"
#endif
