#include "framework/image_set.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/image.h"
#include "platform/win32/win32.h"

int loadImageSetInto(PtrArray* images, const char* iniFile) {
    if (!images || !iniFile) return 0;
    for (long n = 1;; ++n) {
        char key[32];
        std::snprintf(key, sizeof key, "image%02ld", n);
        char section[256];
        GetPrivateProfileStringA("images", key, "none", section, sizeof section, iniFile);
        if (std::strcmp(section, "none") == 0) return 0;

        char file[256];
        GetPrivateProfileStringA(section, "file", "none", file, sizeof file, iniFile);
        Image* image;
        if (std::strcmp(file, "none") != 0) {
            image = new Image(file);
        } else {
            const std::string fallback = std::string(section) + ".bmp";
            image = new Image(fallback.c_str());
        }
        images->add(image);
        image->setName(section);

        char value[256];
        GetPrivateProfileStringA(section, "x", "", value, sizeof value, iniFile);
        image->x = std::atoi(value);
        GetPrivateProfileStringA(section, "y", "", value, sizeof value, iniFile);
        image->y = std::atoi(value);
    }
}
