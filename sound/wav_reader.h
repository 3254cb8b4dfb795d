// The WAV file reader's shared pieces: the chunk header as read from a RIFF file and the
// four-character codes the reader looks for. The reader itself is a set of members of
// QVSound (the replaceable open and close hooks) and SNDSample (opening, header check,
// chunk search), defined in wav_reader.cpp.
#pragma once

#include "platform/win32/win32.h"

// One RIFF chunk header: four-character code and body size in bytes.
struct _ChunkHeader {
    DWORD dwID;
    DWORD dwSize;
};

// Four-character codes as little-endian 32-bit values.
#define SND_FOURCC_RIFF 0x46464952u
#define SND_FOURCC_WAVE 0x45564157u
#define SND_FOURCC_FMT 0x20746D66u
#define SND_FOURCC_SMPL 0x6C706D73u
#define SND_FOURCC_DATA 0x61746164u

// The file-open hook: a file name in, a handle that ReadFile and SetFilePointer accept out,
// or INVALID_HANDLE_VALUE (all bits set) on failure. The close hook closes such a handle.
using SNDOpenFileFunc = void* (*)(const char* name);
using SNDCloseFileFunc = int (*)(void* file);
