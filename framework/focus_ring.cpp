#include "framework/focus_ring.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "framework/dirty_rect_manager.h"
#include "framework/surface_utils.h"

namespace {

int centre(int a, int b) {
    return (a + b) / 2;
}

// How far apart two spans are, 0 when they overlap.
int spanGap(int a0, int a1, int b0, int b1) {
    if (b0 >= a1) return b0 - a1;
    if (a0 >= b1) return a0 - b1;
    return 0;
}

// The image a button draws now, as its drawing chooses it: the glow hugs what is seen.
IDirectDrawSurface* shownImage(const Button* button) {
    if (!button || button->imageCount() == 0) return nullptr;
    if (button->singleImage) return button->imageSurface(0);
    const int index = button->state + button->frameOffset;
    return button->imageSurface(index < button->imageCount() ? index : button->imageCount() - 1);
}

// The glow's colours from the inside out: a light core, gold, and a dark plum edge that
// keeps it visible on light pages.
constexpr int kTones[4][3] = {{0, 0, 0}, {96, 40, 104}, {255, 184, 24}, {255, 246, 180}};

}  // namespace

void FocusRing::clear() {
    targets.clear();
    focus = -1;
    glow.clear();
    glowImage = nullptr;
}

void FocusRing::addButton(Button* button) {
    if (!button) return;
    Target t;
    t.button = button;
    targets.push_back(t);
}

void FocusRing::addButtons(ButtonList* list, const char* const* except) {
    if (!list) return;
    for (int i = 0; i < list->getCount(); ++i) {
        Button* button = list->get(i);
        bool skipped = false;
        for (const char* const* name = except; name && *name; ++name)
            skipped = skipped || std::strcmp(button->name, *name) == 0;
        if (!skipped) addButton(button);
    }
}

void FocusRing::addBox(int id, int x, int y, int width, int height) {
    Target t;
    t.id = id;
    t.x = x;
    t.y = y;
    t.width = width;
    t.height = height;
    targets.push_back(t);
}

bool FocusRing::usable(int i) const {
    if (i < 0 || i >= count()) return false;
    const Target& t = targets[static_cast<size_t>(i)];
    return t.button == nullptr || t.button->enabled != 0;
}

RECT FocusRing::boxOf(int i) const {
    const Target& t = targets[static_cast<size_t>(i)];
    if (t.button == nullptr) return RECT{t.x, t.y, t.x + t.width, t.y + t.height};
    const Button& b = *t.button;
    const int left = b.x + b.offsetX, top = b.y + b.offsetY;
    return RECT{left, top, left + b.width, top + b.height};
}

bool FocusRing::focusButton(const char* name) {
    for (int i = 0; i < count(); ++i) {
        const Button* b = targets[static_cast<size_t>(i)].button;
        if (b && name && std::strcmp(b->name, name) == 0) {
            focus = i;
            return true;
        }
    }
    return false;
}

bool FocusRing::focusBox(int id) {
    for (int i = 0; i < count(); ++i) {
        const Target& t = targets[static_cast<size_t>(i)];
        if (t.button == nullptr && t.id == id) {
            focus = i;
            return true;
        }
    }
    return false;
}

void FocusRing::focusFirst() {
    focus = -1;
    for (int i = 0; i < count() && focus < 0; ++i)
        if (usable(i)) focus = i;
}

Button* FocusRing::focusedButton() const {
    return usable(focus) ? targets[static_cast<size_t>(focus)].button : nullptr;
}

int FocusRing::focusedBox() const {
    return usable(focus) && targets[static_cast<size_t>(focus)].button == nullptr
               ? targets[static_cast<size_t>(focus)].id
               : -1;
}

int FocusRing::nearest(int from, NavAction direction) const {
    const RECT a = boxOf(from);
    const int ax = centre(a.left, a.right), ay = centre(a.top, a.bottom);
    int best = -1;
    long bestScore = LONG_MAX;
    for (int i = 0; i < count(); ++i) {
        if (i == from || !usable(i)) continue;
        const RECT b = boxOf(i);
        const int bx = centre(b.left, b.right), by = centre(b.top, b.bottom);
        // How far to go that way, and how far off to the side it lies. A choice counts as
        // that way only when its centre lies beyond the focused one's edge.
        int ahead = 0, aside = 0;
        bool beyond = false;
        switch (direction) {
            case NavAction::Left:
                beyond = bx < a.left;
                ahead = ax - bx;
                aside = spanGap(a.top, a.bottom, b.top, b.bottom);
                break;
            case NavAction::Right:
                beyond = bx > a.right;
                ahead = bx - ax;
                aside = spanGap(a.top, a.bottom, b.top, b.bottom);
                break;
            case NavAction::Up:
                beyond = by < a.top;
                ahead = ay - by;
                aside = spanGap(a.left, a.right, b.left, b.right);
                break;
            default:
                beyond = by > a.bottom;
                ahead = by - ay;
                aside = spanGap(a.left, a.right, b.left, b.right);
                break;
        }
        if (!beyond) continue;
        // A choice in line (overlapping across the way) wins over any off to the side;
        // among the others the nearer and the less aside win.
        const int across = direction == NavAction::Left || direction == NavAction::Right
                               ? std::abs(by - ay)
                               : std::abs(bx - ax);
        const long score = (aside > 0 ? 1000000L : 0L) + ahead + 3L * aside + across / 4;
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

int FocusRing::inReadingOrder(int from, int step) const {
    std::vector<int> order;
    for (int i = 0; i < count(); ++i)
        if (usable(i)) order.push_back(i);
    if (order.empty()) return -1;
    // Rows by the centre's height: a choice whose centre lies within the first of a row's
    // box joins that row; each row reads left to right.
    std::sort(order.begin(), order.end(), [this](int p, int q) {
        const RECT a = boxOf(p), b = boxOf(q);
        return centre(a.top, a.bottom) < centre(b.top, b.bottom);
    });
    std::vector<int> reading;
    for (size_t start = 0; start < order.size();) {
        const RECT first = boxOf(order[start]);
        size_t end = start + 1;
        while (end < order.size()) {
            const RECT b = boxOf(order[end]);
            if (centre(b.top, b.bottom) > first.bottom) break;
            ++end;
        }
        std::vector<int> row(order.begin() + static_cast<long>(start),
                             order.begin() + static_cast<long>(end));
        std::sort(row.begin(), row.end(),
                  [this](int p, int q) { return boxOf(p).left < boxOf(q).left; });
        reading.insert(reading.end(), row.begin(), row.end());
        start = end;
    }
    const auto at = std::find(reading.begin(), reading.end(), from);
    if (at == reading.end()) return reading.front();
    const long n = static_cast<long>(reading.size());
    const long next = ((at - reading.begin()) + step % n + n) % n;
    return reading[static_cast<size_t>(next)];
}

FocusRing::Taken FocusRing::take(const NavEvent& event, ButtonList* list) {
    if (!usable(focus)) focusFirst();
    switch (event.action) {
        case NavAction::Up:
        case NavAction::Down:
        case NavAction::Left:
        case NavAction::Right:
        case NavAction::Next:
        case NavAction::Previous: {
            if (event.revealing || focus < 0) return Taken::Walked;
            int to = -1;
            if (event.action == NavAction::Next || event.action == NavAction::Previous)
                to = inReadingOrder(focus, event.action == NavAction::Next ? 1 : -1);
            else
                to = nearest(focus, event.action);
            if (to >= 0) focus = to;
            return Taken::Walked;
        }
        case NavAction::Press: {
            if (focus < 0) return Taken::No;
            Button* button = targets[static_cast<size_t>(focus)].button;
            if (button == nullptr) return Taken::BoxPressed;
            click(list, button);
            return Taken::Pressed;
        }
        default:
            return Taken::No;
    }
}

bool FocusRing::click(ButtonList* list, const char* name) {
    Button* button = list ? list->find(name) : nullptr;
    if (!button) return false;
    click(list, button);
    return true;
}

void FocusRing::click(ButtonList* list, Button* button) {
    if (!button || !button->enabled) return;
    // Only the first clicked button answers: this click is the pressed button's alone.
    if (list)
        for (int i = 0; i < list->getCount(); ++i) list->get(i)->clicked = 0;
    button->clicked = 1;
    button->clickKind = 1;
}

bool FocusRing::glowBox(RECT* box) const {
    if (!usable(focus)) return false;
    const RECT r = boxOf(focus);
    if (r.right <= r.left || r.bottom <= r.top) return false;
    if (box) *box = RECT{r.left - kGlow, r.top - kGlow, r.right + kGlow, r.bottom + kGlow};
    return true;
}

void FocusRing::buildGlow(IDirectDrawSurface* image) {
    const RECT r = boxOf(focus);
    const IDirectDrawSurface* wanted = image;
    const int w = r.right - r.left, h = r.bottom - r.top;
    int iw = 0, ih = 0;
    if (image) getSurfaceSize(image, &iw, &ih);
    if (iw != w || ih != h) image = nullptr;  // stretched or missing: its box stands for it
    glowFor = r;
    glowImage = wanted;

    // The shape: the image's pixels that are not its transparent blue, or the whole box.
    std::vector<unsigned char> shape(static_cast<size_t>(w) * static_cast<size_t>(h), 1);
    if (image) {
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        if (const auto* bits = static_cast<const unsigned char*>(lockSurface(image, &desc))) {
            const unsigned key = colourValue(image, 0, 0, 255) & 0xFFFF;
            for (int y = 0; y < h; ++y) {
                const auto* row = reinterpret_cast<const std::uint16_t*>(bits + y * desc.lPitch);
                for (int x = 0; x < w; ++x)
                    shape[static_cast<size_t>(y * w + x)] = row[x] != key ? 1 : 0;
            }
            unlockSurface(image);
        }
    }
    auto inside = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && shape[static_cast<size_t>(y * w + x)] != 0;
    };
    // Each pixel outside the shape gets the tone of its distance from the shape's edge.
    const int gw = w + 2 * kGlow, gh = h + 2 * kGlow;
    std::vector<int> nearestSq(static_cast<size_t>(gw) * static_cast<size_t>(gh), INT_MAX);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!inside(x, y)) continue;
            if (inside(x - 1, y) && inside(x + 1, y) && inside(x, y - 1) && inside(x, y + 1))
                continue;  // not on the edge
            for (int oy = -kGlow; oy <= kGlow; ++oy) {
                for (int ox = -kGlow; ox <= kGlow; ++ox) {
                    const int gx = x + ox + kGlow, gy = y + oy + kGlow;
                    int& d = nearestSq[static_cast<size_t>(gy * gw + gx)];
                    d = std::min(d, ox * ox + oy * oy);
                }
            }
        }
    }
    // Only around the outside: a hole in the shape (a frame's window) gets no glow.
    std::vector<unsigned char> outside(nearestSq.size(), 0);
    std::vector<int> todo;
    auto reach = [&](int gx, int gy) {
        if (gx < 0 || gy < 0 || gx >= gw || gy >= gh) return;
        const size_t at = static_cast<size_t>(gy * gw + gx);
        if (outside[at] || inside(gx - kGlow, gy - kGlow)) return;
        outside[at] = 1;
        todo.push_back(static_cast<int>(at));
    };
    for (int gx = 0; gx < gw; ++gx) {
        reach(gx, 0);
        reach(gx, gh - 1);
    }
    for (int gy = 0; gy < gh; ++gy) {
        reach(0, gy);
        reach(gw - 1, gy);
    }
    while (!todo.empty()) {
        const int at = todo.back();
        todo.pop_back();
        const int gx = at % gw, gy = at / gw;
        reach(gx + 1, gy);
        reach(gx - 1, gy);
        reach(gx, gy + 1);
        reach(gx, gy - 1);
    }
    glow.assign(nearestSq.size(), 0);
    for (int gy = 0; gy < gh; ++gy) {
        for (int gx = 0; gx < gw; ++gx) {
            const int d = nearestSq[static_cast<size_t>(gy * gw + gx)];
            if (!outside[static_cast<size_t>(gy * gw + gx)] || d == INT_MAX) continue;
            glow[static_cast<size_t>(gy * gw + gx)] = d <= 5 ? 3 : d <= 26 ? 2 : d <= 49 ? 1 : 0;
        }
    }
}

void FocusRing::draw(IDirectDrawSurface* surface, const RECT* clip, bool queueRestore) {
    if (!surface || !focusShown()) return;
    if (!usable(focus)) focusFirst();
    RECT box{};
    if (!glowBox(&box)) return;
    const RECT r = boxOf(focus);
    const Button* button = targets[static_cast<size_t>(focus)].button;
    IDirectDrawSurface* image = shownImage(button);
    // A plain button also shows its highlighted look, as under the pointer. Not the arms,
    // whose lit look is the hint's, nor the switches, whose two looks are their two states.
    if (button && button->imageCount() >= 2 && !button->pixelHitTest && !button->singleImage &&
        button->state == 0 && button->frameOffset == 0) {
        IDirectDrawSurface* lit = button->imageSurface(1);
        int lw = 0, lh = 0;
        getSurfaceSize(lit, &lw, &lh);
        if (lw == r.right - r.left && lh == r.bottom - r.top) {
            blitAt(lit, surface, r.left, r.top);
            image = lit;
        }
    }
    if (glow.empty() || std::memcmp(&r, &glowFor, sizeof r) != 0 || image != glowImage)
        buildGlow(image);

    int sw = 0, sh = 0;
    getSurfaceSize(surface, &sw, &sh);
    RECT limit{0, 0, sw, sh};
    if (clip) {
        limit.left = std::max(limit.left, clip->left);
        limit.top = std::max(limit.top, clip->top);
        limit.right = std::min(limit.right, clip->right);
        limit.bottom = std::min(limit.bottom, clip->bottom);
    }
    unsigned colour[4];
    for (int t = 1; t < 4; ++t) colour[t] = colourValue(surface, kTones[t][0], kTones[t][1], kTones[t][2]);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    auto* bits = static_cast<unsigned char*>(lockSurface(surface, &desc));
    if (!bits) return;
    if (desc.lPitch < sw * 2) {  // not the 16-bit display the glow is written for
        unlockSurface(surface);
        return;
    }
    const int gw = box.right - box.left;
    for (int y = std::max(box.top, limit.top); y < std::min(box.bottom, limit.bottom); ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(bits + y * desc.lPitch);
        for (int x = std::max(box.left, limit.left); x < std::min(box.right, limit.right); ++x) {
            const unsigned char tone =
                glow[static_cast<size_t>((y - box.top) * gw + (x - box.left))];
            if (tone) row[x] = static_cast<std::uint16_t>(colour[tone]);
        }
    }
    unlockSurface(surface);
    if (queueRestore)
        dirtyRects.queueRect(box.left, box.top, gw, box.bottom - box.top,
                             DIRTY_ONESHOT | DIRTY_BOTHLISTS, DIRTY_RESTORE);
}
