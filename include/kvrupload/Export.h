// What the shared library exports; everything else in it is hidden.
#pragma once

#if defined(_WIN32)
#define KVRUPLOAD_API
#else
#define KVRUPLOAD_API __attribute__((visibility("default")))
#endif
