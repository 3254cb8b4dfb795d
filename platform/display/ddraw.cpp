// DirectDraw: the object that makes surfaces (RGB565, RGB555 or 8-bit palette, in system
// memory) and reports the display mode; the display's own object lives until the process ends.
#include <SDL.h>

#include <cstring>

#include "platform/display/ddraw_internal.h"
#include "platform/display/ddraw_surface.h"
#include "platform/faults.h"

namespace platform {
namespace {

class DirectDraw final : public IDirectDraw {
public:
    // The display's own object is never deleted: a program that releases what
    // QVGetLPDD gave it must not pull it from under the display.
    explicit DirectDraw(bool immortal = false) : immortal_(immortal) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_INVALIDARG;
        *object = nullptr;
        if (iid == IID_IDirectDraw7) {
            if (faultActive("directdraw7")) return E_NOINTERFACE;
        } else if (!(iid == IID_IDirectDraw)) {
            return E_NOINTERFACE;
        }
        AddRef();
        *object = static_cast<IDirectDraw*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (immortal_) return refs_ > 1 ? --refs_ : ULONG{1};
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT CreateSurface(LPDDSURFACEDESC desc, IDirectDrawSurface** out, void*) override {
        if (!desc || !out) return DDERR_INVALIDPARAMS;
        *out = nullptr;
        if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT))
            return DDERR_INVALIDPARAMS;
        if (faultActive("create-surface")) return DDERR_OUTOFMEMORY;
        Uint32 format = SDL_PIXELFORMAT_RGB565;
        if (desc->dwFlags & DDSD_PIXELFORMAT) {
            const DDPIXELFORMAT& pf = desc->ddpfPixelFormat;
            if (pf.dwFlags & DDPF_PALETTEINDEXED8)
                format = SDL_PIXELFORMAT_INDEX8;
            else if (pf.dwRGBBitCount == 16 && pf.dwGBitMask == 0x03E0)
                format = SDL_PIXELFORMAT_RGB555;
            else if (pf.dwRGBBitCount == 16 && pf.dwGBitMask == 0x07E0)
                format = SDL_PIXELFORMAT_RGB565;
            else
                return DDERR_INVALIDPIXELFORMAT;
        }
        SDL_Surface* s = newSdlSurface(static_cast<int>(desc->dwWidth),
                                       static_cast<int>(desc->dwHeight), format);
        if (!s) return DDERR_INVALIDPARAMS;
        *out = surfaceFromSdl(s);
        return DD_OK;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD) override { return DD_OK; }

    HRESULT GetDisplayMode(LPDDSURFACEDESC desc) override {
        if (!desc) return DDERR_INVALIDPARAMS;
        std::memset(desc, 0, sizeof *desc);
        desc->dwSize = sizeof *desc;
        desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc->dwWidth = 800;
        desc->dwHeight = 600;
        desc->ddpfPixelFormat = {sizeof(DDPIXELFORMAT), DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
        return DD_OK;
    }

private:
    ~DirectDraw() override = default;
    const bool immortal_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace

IDirectDraw* directDrawInstance() {
    // Made without the fault checks: the display's object always exists.
    static IDirectDraw* instance = new DirectDraw(true);
    return instance;
}

}  // namespace platform

HRESULT DirectDrawCreate(GUID*, IDirectDraw** directDraw, void*) {
    if (!directDraw) return DDERR_INVALIDPARAMS;
    *directDraw = nullptr;
    if (platform::faultActive("directdraw-create")) return DDERR_NODIRECTDRAWHW;
    *directDraw = new platform::DirectDraw;
    return DD_OK;
}
