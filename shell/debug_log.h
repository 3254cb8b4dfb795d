// A printf-style debug log written to "debug.log" in the folder current at the first message.
// Off unless enabled; once enabled, every message is appended to the one open file.
#pragma once

void setLogEnabled(int enabled);
int isLogEnabled();
// Returns 1 when the message was written, 0 when logging is off or the file cannot be opened
// (then the next message tries to open it again).
int logMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Closes the file; the next message starts a new log. For tests and orderly ends.
void closeDebugLog();
