// The publisher's web site: the "website" key of section "setup" in the menu folder's
// setup.ini, read once at start-up (the working folder changes while the menu runs).
#pragma once

// Reads the setting from ".\\setup.ini" of the current folder (the menu folder at start-up).
void loadPublisherSite();
// The site's address without a trailing "/", e.g. "http://www.example.com".
const char* publisherSite();
