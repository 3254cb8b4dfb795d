// libFuzzer target for image-set descriptors: each input is an INI file listing images.
// It is read in a work folder holding one small picture; every listed image must arrive
// with a terminated name and the list must be one entry per listed key. Inputs naming
// paths outside the work folder are skipped, so no device or system file is ever opened.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/image.h"
#include "framework/image_set.h"
#include "framework/ptr_array.h"
#include "fuzz/fuzz_support.h"

namespace {

// A 2 x 2 24-bit picture, the file the seeds name.
const std::uint8_t kPicture[] = {
    'B', 'M', 70, 0, 0,  0, 0,   0, 0, 0, 54,  0, 0, 0, 40, 0, 0, 0,   2,   0,   0, 0, 2, 0,
    0,   0,   1,  0, 24, 0, 0,   0, 0, 0, 16,  0, 0, 0, 0,  0, 0, 0,   0,   0,   0, 0, 0, 0,
    0,   0,   0,  0, 0,  0, 255, 0, 0, 0, 255, 0, 0, 0, 0,  0, 0, 255, 255, 255, 0, 0};

const std::string& workFolder() {
    static const std::string folder = fuzzing::inputPath("fuzz_imageset", ".d");
    return folder;
}

bool setUpWorkFolder() {
    mkdir(workFolder().c_str(), 0700);
    return fuzzing::writeInput(workFolder() + "/a.bmp", kPicture, sizeof kPicture);
}

// Runs the check inside the work folder and comes back (libFuzzer reads its corpus
// folders by the paths it was given).
struct InWorkFolder {
    InWorkFolder()
        : ok(getcwd(previous, sizeof previous) != nullptr && chdir(workFolder().c_str()) == 0) {}
    ~InWorkFolder() {
        if (ok && chdir(previous) != 0) std::abort();
    }
    char previous[4096];
    bool ok;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = setUpWorkFolder();
    if (!ready) return 0;
    fuzzing::openDisplay();
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] == '/' || data[i] == '\\') return 0;
    InWorkFolder inside;
    if (!inside.ok || !fuzzing::writeInput("set.ini", data, size)) return 0;

    PtrArray images;
    if (loadImageSetInto(&images, "set.ini") != 0) std::abort();
    // One image per consecutive key, each listed section named as the key says.
    int listed = 0;
    for (;; ++listed) {
        char key[32];
        std::snprintf(key, sizeof key, "image%02d", listed + 1);
        char section[256];
        GetPrivateProfileStringA("images", key, "none", section, sizeof section, "set.ini");
        if (std::strcmp(section, "none") == 0) break;
        if (listed >= images.getCount()) std::abort();
        const Image* image = images.at<Image>(listed);
        if (std::memchr(image->getName(), '\0', 256) == nullptr) std::abort();
        if (std::strncmp(image->getName(), section, 255) != 0) std::abort();
    }
    if (listed != images.getCount()) std::abort();
    images.deleteAll<Image>();
    return 0;
}
