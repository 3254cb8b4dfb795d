#include "menu/publisher_site.h"

#include <cstring>

#include "platform/win32/win32.h"

namespace {

constexpr const char* kDefaultSite = "http://www.example.com";
char site[200] = "http://www.example.com";

}  // namespace

void loadPublisherSite() {
    GetPrivateProfileStringA("setup", "website", kDefaultSite, site, sizeof site, ".\\setup.ini");
    size_t n = std::strlen(site);
    while (n > 0 && site[n - 1] == '/') site[--n] = '\0';
    if (n == 0) std::strcpy(site, kDefaultSite);
}

const char* publisherSite() {
    return site;
}
