// Embedding the library from C++: create objects by ProgID, drive them by member name with
// Values, catch Error, and choose the window system.
#pragma once

#include <kvrupload/Error.h>
#include <kvrupload/Object.h>
#include <kvrupload/Value.h>
#include <kvrupload/Version.h>
#include <kvrupload/Windows.h>
