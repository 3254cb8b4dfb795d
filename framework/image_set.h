// Image sets: a descriptor in INI syntax that lists images in order ("images" section,
// keys image01, image02, ...), each with its own section giving "file", "x" and "y".
#pragma once

#include "framework/ptr_array.h"

// Appends one Image per listed entry to images (whether or not its bitmap loaded), named
// after its section and placed at its x and y. Returns 0.
int loadImageSetInto(PtrArray* images, const char* iniFile);
