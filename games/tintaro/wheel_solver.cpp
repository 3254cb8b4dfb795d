#include "games/tintaro/wheel_solver.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

namespace tintaro {
namespace {

// Per cell, a bit per colour letter index ("MCYRGB") that every ring through it accepts.
struct Acceptance {
    std::uint8_t mask[kCells];
    Acceptance() {
        static const char kLetters[] = "MCYRGB";
        for (int cell = 0; cell < kCells; ++cell) mask[cell] = 0x3F;
        for (int r = 0; r < kRings; ++r) {
            std::uint8_t ring = 0;
            for (int c = 0; c < 6; ++c)
                if (std::strchr(ringAccepted[r], kLetters[c])) ring |= 1 << c;
            for (int k = 0; k < kRingSize; ++k) mask[ringCells[r][k]] &= ring;
        }
    }
};

const Acceptance& acceptance() {
    static const Acceptance a;
    return a;
}

std::uint8_t colourBit(char letter) {
    static const char kLetters[] = "MCYRGB";
    const char* at = letter != '\0' ? std::strchr(kLetters, letter) : nullptr;
    return at ? static_cast<std::uint8_t>(1 << (at - kLetters)) : 0;
}

int wrongCount(const char* cells) {
    int n = 0;
    for (int cell = 0; cell < kCells; ++cell)
        n += (colourBit(cells[cell]) & acceptance().mask[cell]) == 0 ? 1 : 0;
    return n;
}

std::vector<Click> turn(int ring, int places) {
    // Places forward along the ring's list: counter-clockwise clicks, or the fewer
    // clockwise ones.
    places = ((places % kRingSize) + kRingSize) % kRingSize;
    if (places <= kRingSize / 2) return std::vector<Click>(places, Click{ring, 1});
    return std::vector<Click>(kRingSize - places, Click{ring, 0});
}

void append(std::vector<Click>& to, const std::vector<Click>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// A small deterministic generator, so that a board always gets the same plan.
struct Random {
    std::uint32_t state;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

}  // namespace

std::vector<Click> reduceClicks(const std::vector<Click>& clicks) {
    // Runs of one ring as net places counter-clockwise; neighbouring runs turn other rings.
    std::vector<std::pair<int, int>> runs;
    for (const Click& c : clicks) {
        if (c.ring < 0 || c.ring >= kRings) continue;
        const int step = c.direction != 0 ? 1 : -1;
        if (!runs.empty() && runs.back().first == c.ring) {
            runs.back().second = (runs.back().second + step + kRingSize) % kRingSize;
            if (runs.back().second == 0) runs.pop_back();
        } else {
            runs.push_back({c.ring, (step + kRingSize) % kRingSize});
        }
    }
    std::vector<Click> out;
    for (const auto& [ring, places] : runs) append(out, turn(ring, places));
    return out;
}

WheelSolver::WheelSolver() {
    for (int r = 0; r < kRings; ++r)
        for (int k = 1; k < kRingSize; ++k) addMove(turn(r, k));
    std::vector<std::vector<Click>> commutators;
    for (int a = 0; a < kRings; ++a)
        for (int b = 0; b < kRings; ++b) {
            if (a == b) continue;
            for (int i = 1; i < kRingSize; ++i)
                for (int j = 1; j < kRingSize; ++j) {
                    std::vector<Click> clicks = turn(a, i);
                    append(clicks, turn(b, j));
                    append(clicks, turn(a, -i));
                    append(clicks, turn(b, -j));
                    commutators.push_back(clicks);
                    addMove(clicks);
                }
        }
    // Each commutator carried to other cells by a turn before it and the turn back after.
    for (const auto& inner : commutators)
        for (int r = 0; r < kRings; ++r)
            for (int k = 1; k < kRingSize; ++k) {
                std::vector<Click> clicks = turn(r, k);
                append(clicks, inner);
                append(clicks, turn(r, -k));
                addMove(clicks);
            }
    // Of moves with the same effect only the shortest is kept.
    std::unordered_map<std::string, std::size_t> shortest;
    std::vector<Move> kept;
    for (Move& m : moves_) {
        const std::string key(reinterpret_cast<const char*>(m.from), kCells);
        auto [at, fresh] = shortest.emplace(key, kept.size());
        if (fresh) {
            kept.push_back(std::move(m));
        } else if (m.clicks.size() < kept[at->second].clicks.size()) {
            kept[at->second] = std::move(m);
        }
    }
    moves_ = std::move(kept);
}

void WheelSolver::addMove(const std::vector<Click>& clicks) {
    char marks[kCells];
    for (int i = 0; i < kCells; ++i) marks[i] = static_cast<char>(i);
    for (const Click& c : clicks) turnRing(marks, c.ring, c.direction);
    Move m{};
    for (int i = 0; i < kCells; ++i) {
        m.from[i] = static_cast<std::uint8_t>(marks[i]);
        if (marks[i] != i) m.moved.push_back(static_cast<std::uint8_t>(i));
    }
    if (m.moved.empty()) return;
    m.clicks = clicks;
    moves_.push_back(std::move(m));
}

bool WheelSolver::solved(const char* cells) {
    return cells != nullptr && wrongCount(cells) == 0;
}

std::vector<Click> WheelSolver::search(const char* start, std::uint32_t seed) const {
    constexpr int kMaxSteps = 400;
    constexpr int kMaxSideways = 12;
    const std::uint8_t* mask = acceptance().mask;
    // Each cell's colour as its bit, and whether the cell holds a colour it does not accept.
    std::uint8_t bits[kCells];
    std::uint8_t wrongHere[kCells];
    int wrong = 0;
    for (int cell = 0; cell < kCells; ++cell) {
        bits[cell] = colourBit(start[cell]);
        wrongHere[cell] = (bits[cell] & mask[cell]) == 0;
        wrong += wrongHere[cell];
    }
    std::vector<Click> plan;
    Random random{seed | 1u};
    int sideways = 0;
    std::vector<std::size_t> level;  // moves that keep the count, for a sideways step
    for (int step = 0; step < kMaxSteps && wrong > 0; ++step) {
        int bestDelta = 1;
        std::size_t best = 0;
        level.clear();
        for (std::size_t i = 0; i < moves_.size(); ++i) {
            const Move& m = moves_[i];
            int delta = 0;
            for (std::uint8_t cell : m.moved)
                delta += ((bits[m.from[cell]] & mask[cell]) == 0) - wrongHere[cell];
            if (delta < bestDelta ||
                (delta == bestDelta && delta < 0 && m.clicks.size() < moves_[best].clicks.size())) {
                bestDelta = delta;
                best = i;
            }
            if (delta == 0) level.push_back(i);
        }
        std::size_t chosen;
        if (bestDelta < 0) {
            chosen = best;
        } else if (!level.empty() && sideways < kMaxSideways) {
            // No move improves: a random one that keeps the count, to leave the plateau.
            chosen = level[random.next() % level.size()];
            ++sideways;
        } else {
            return {};
        }
        const Move& m = moves_[chosen];
        std::uint8_t before[kCells];
        std::memcpy(before, bits, kCells);
        for (std::uint8_t cell : m.moved) {
            bits[cell] = before[m.from[cell]];
            wrongHere[cell] = (bits[cell] & mask[cell]) == 0;
        }
        append(plan, m.clicks);
        wrong += bestDelta < 0 ? bestDelta : 0;
    }
    if (wrong != 0) return {};
    return reduceClicks(plan);
}

std::vector<Click> WheelSolver::solve(const char* cells, int attempts) const {
    if (cells == nullptr || solved(cells)) return {};
    std::vector<Click> best;
    std::uint32_t seed = 0x9E3779B9u;
    // A search that stalls is tried again from the start with other random choices.
    for (int tries = 0; tries < 64 && (attempts > 0 || best.empty()); ++tries) {
        seed = seed * 1664525u + 1013904223u;
        std::vector<Click> plan = search(cells, seed);
        if (plan.empty()) continue;
        --attempts;
        if (best.empty() || plan.size() < best.size()) best = std::move(plan);
    }
    return best;
}

}  // namespace tintaro
