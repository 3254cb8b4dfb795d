// The WAV file reader: file hooks, the RIFF chunk search and the header check that fills
// a sample record's format fields and leaves the file at the first byte of the audio.
// Every size read from the file is checked against the file's end before it is trusted.
#include <cstdint>
#include <cstring>

#include "sound/qv_sound.h"

SNDOpenFileFunc QVSound::g_pOpenFile = nullptr;
SNDCloseFileFunc QVSound::g_pCloseFile = nullptr;

namespace {

// The formats the library can play: 8 or 16-bit PCM, mono or stereo, at a sane rate.
constexpr DWORD kMaxRate = 1000000;

DWORD get32(const unsigned char* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

WORD get16(const unsigned char* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

bool readExactly(void* file, void* buffer, DWORD bytes) {
    DWORD got = 0;
    return ReadFile(file, buffer, bytes, &got, nullptr) != 0 && got == bytes;
}

// The current position, or INVALID_SET_FILE_POINTER.
DWORD tell(void* file) {
    return SetFilePointer(file, 0, nullptr, FILE_CURRENT);
}

bool seekTo(void* file, std::uint64_t position) {
    if (position > 0x7FFFFFFFu) return false;
    return SetFilePointer(file, static_cast<LONG>(position), nullptr, FILE_BEGIN) ==
           static_cast<DWORD>(position);
}

// Bytes from `position` to the end of the file (0 when the size is unknown or smaller).
std::uint64_t bytesAfter(void* file, DWORD position) {
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    if (low == 0xFFFFFFFFu && high == 0) return 0;
    const std::uint64_t size = (std::uint64_t{high} << 32) | low;
    return size > position ? size - position : 0;
}

}  // namespace

// ---- Hooks ---------------------------------------------------------------------

void QVSound::SetFileOpenFunc(SNDOpenFileFunc open) {
    g_pOpenFile = open != nullptr ? open : DefaultOpenFile;
}

void QVSound::SetFileCloseFunc(SNDCloseFileFunc close) {
    g_pCloseFile = close != nullptr ? close : DefaultCloseFile;
}

void* QVSound::DefaultOpenFile(const char* name) {
    if (name == nullptr) return INVALID_HANDLE_VALUE;
    return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int QVSound::DefaultCloseFile(void* file) {
    return CloseHandle(file);
}

// ---- Reading -------------------------------------------------------------------

void* SNDSample::OpenSoundFile(const char* name) {
    // Hooks not installed yet (no Init so far) behave as the defaults.
    if (QVSound::g_pOpenFile == nullptr) QVSound::SetFileOpenFunc(nullptr);
    if (QVSound::g_pCloseFile == nullptr) QVSound::SetFileCloseFunc(nullptr);
    SNDOpenFileFunc open = QVSound::g_pOpenFile;
    SNDCloseFileFunc close = QVSound::g_pCloseFile;
    void* file = open(name);
    if (file == INVALID_HANDLE_VALUE) return file;
    if (IsWavFile(file) == 0) {
        close(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

int SNDSample::FindRiffChunk(void* file, long id, _ChunkHeader* header, unsigned long start) {
    if (header == nullptr || !seekTo(file, start)) return 0;
    for (;;) {
        unsigned char raw[8];
        if (!readExactly(file, raw, sizeof raw)) return 0;
        header->dwID = get32(raw);
        header->dwSize = get32(raw + 4);
        if (header->dwID == static_cast<DWORD>(id)) return 1;
        // A body that runs past the end of the file ends the search: the file is damaged.
        const DWORD here = tell(file);
        if (here == INVALID_SET_FILE_POINTER || header->dwSize > bytesAfter(file, here)) return 0;
        if (!seekTo(file, std::uint64_t{here} + header->dwSize)) return 0;
    }
}

int SNDSample::IsWavFile(void* file) {
    unsigned char riff[12];
    if (!readExactly(file, riff, sizeof riff)) return 0;
    if (get32(riff) != SND_FOURCC_RIFF || get32(riff + 8) != SND_FOURCC_WAVE) return 0;
    const DWORD start = tell(file);
    if (start == INVALID_SET_FILE_POINTER) return 0;

    _ChunkHeader chunk{};
    if (!FindRiffChunk(file, SND_FOURCC_FMT, &chunk, start)) return 0;
    unsigned char fmt[20];
    if (!readExactly(file, fmt, sizeof fmt)) return 0;
    const WORD tag = get16(fmt);
    const WORD channels = get16(fmt + 2);
    const DWORD rate = get32(fmt + 4);
    const WORD bits = get16(fmt + 14);
    if (tag != WAVE_FORMAT_PCM) return 0;
    // Zero or unplayable channels, rate or sample size would make every length computed
    // from the format meaningless (or a division by zero).
    if (channels != 1 && channels != 2) return 0;
    if (bits != 8 && bits != 16) return 0;
    if (rate == 0 || rate > kMaxRate) return 0;
    m_dwRate = rate;
    m_dwChannels = channels;
    m_dwBits = bits;
    m_dwFlags |= SNDF_FORMAT;

    if (FindRiffChunk(file, SND_FOURCC_SMPL, &chunk, start)) {
        unsigned char head[36];
        unsigned char loop[24];
        // A truncated chunk gives no loop rather than whatever a short read left behind.
        if (chunk.dwSize >= sizeof head + sizeof loop && readExactly(file, head, sizeof head) &&
            get32(head + 28) != 0 && readExactly(file, loop, sizeof loop)) {
            const unsigned shift = bits / 8;
            m_dwLoopStart = get32(loop + 8) << shift;
            m_dwLoopEnd = get32(loop + 12) << shift;
            m_dwLoopCount = get32(loop + 20);
            m_dwFlags |= SNDF_LOOP;
        }
    }

    if (!FindRiffChunk(file, SND_FOURCC_DATA, &chunk, start)) return 0;
    const DWORD dataStart = tell(file);
    if (dataStart == INVALID_SET_FILE_POINTER) return 0;
    // A data chunk that claims more than the file holds is refused.
    if (chunk.dwSize > bytesAfter(file, dataStart)) return 0;
    m_dwLength = chunk.dwSize;
    return 1;
}
