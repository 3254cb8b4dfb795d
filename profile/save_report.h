// Tells the player when something could not be saved. The first failed save of a run shows
// one message box saying what, why and where ("Your game could not be saved: the disk is
// full (~/.local/share/Gatefold)."); later failures of the same run say nothing more, so a
// save retried every frame never floods the screen. The old file stays as it was.
#pragma once

// Called right after a failed save, while the last error still says why. `what` begins the
// sentence ("Your game", "Your settings", "The hall of fame"); `path` is the file, in the
// programs' Windows spelling.
void reportFailedSave(const char* what, const char* path);

// Whether this run has reported a failed save yet; the reset is for tests.
bool failedSaveReported();
void resetFailedSaveReport();
