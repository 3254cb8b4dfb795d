// Finds a sequence of clicks that solves a board, for tests that replay a real game.
// Single clicks get stuck in local optima, so the search works in larger steps: turning
// one ring by k places, and commutators A^a B^b A^-a B^-b of two rings, which move only a
// few chips. A beam keeps the boards with the most accepted cells at each depth.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "games/tintaro/wheel_game.h"

namespace tintarotest {

using Click = std::pair<int, int>;  // ring, direction
using Board = std::array<char, tintaro::kCells>;

class Solver {
public:
    Solver() {
        for (int r = 0; r < tintaro::kRings; ++r)
            for (int k = 1; k < tintaro::kRingSize; ++k) addMacro(turn(r, k));
        for (int a = 0; a < tintaro::kRings; ++a)
            for (int b = 0; b < tintaro::kRings; ++b) {
                if (a == b) continue;
                for (int i = 1; i < tintaro::kRingSize; ++i)
                    for (int j = 1; j < tintaro::kRingSize; ++j) {
                        std::vector<Click> clicks = turn(a, i);
                        append(clicks, turn(b, j));
                        append(clicks, turn(a, tintaro::kRingSize - i));
                        append(clicks, turn(b, tintaro::kRingSize - j));
                        addMacro(clicks);
                    }
            }
    }

    // Accepted cells summed over the rings, 36 when solved.
    static int accepted(const Board& cells) {
        int total = 0;
        for (int r = 0; r < tintaro::kRings; ++r)
            for (int k = 0; k < tintaro::kRingSize; ++k)
                if (std::strchr(tintaro::ringAccepted[r], cells[tintaro::ringCells[r][k]])) ++total;
        return total;
    }

    // The clicks from `start` to a solved board, or empty when none was found.
    std::vector<Click> solve(const std::string& start, int beamWidth = 400, int depth = 40) {
        struct Node {
            Board cells;
            int parent;
            int macro;
        };
        std::vector<Node> nodes;
        Board first{};
        std::memcpy(first.data(), start.data(), first.size());
        nodes.push_back({first, -1, -1});
        std::unordered_set<std::string> seen{key(first)};
        std::vector<int> beam{0};
        for (int d = 0; d < depth && !beam.empty(); ++d) {
            std::vector<std::pair<int, int>> children;  // score, node
            for (int n : beam) {
                for (int m = 0; m < static_cast<int>(macros_.size()); ++m) {
                    Board next;
                    const Board& from = nodes[static_cast<size_t>(n)].cells;
                    for (int i = 0; i < tintaro::kCells; ++i)
                        next[static_cast<size_t>(i)] =
                            from[static_cast<size_t>(macros_[static_cast<size_t>(m)].perm[i])];
                    if (!seen.insert(key(next)).second) continue;
                    nodes.push_back({next, n, m});
                    const int id = static_cast<int>(nodes.size()) - 1;
                    const int score = accepted(next);
                    if (score == 3 * tintaro::kRingSize) return path(nodes, id);
                    children.emplace_back(score, id);
                }
            }
            std::stable_sort(children.begin(), children.end(),
                             [](const auto& x, const auto& y) { return x.first > y.first; });
            if (static_cast<int>(children.size()) > beamWidth) children.resize(beamWidth);
            beam.clear();
            for (const auto& c : children) beam.push_back(c.second);
        }
        return {};
    }

private:
    struct Macro {
        std::array<int, tintaro::kCells> perm;  // new cell i takes old cell perm[i]
        std::vector<Click> clicks;
    };

    static std::vector<Click> turn(int ring, int k) {
        // k places forward along the list: k counter-clockwise clicks, or 12 - k clockwise.
        if (k <= tintaro::kRingSize / 2) return std::vector<Click>(k, Click{ring, 1});
        return std::vector<Click>(tintaro::kRingSize - k, Click{ring, 0});
    }
    static void append(std::vector<Click>& to, const std::vector<Click>& more) {
        to.insert(to.end(), more.begin(), more.end());
    }
    static std::string key(const Board& b) { return std::string(b.data(), b.size()); }

    // The macro's permutation, found by letting the game's own rotation move markers.
    void addMacro(const std::vector<Click>& clicks) {
        for (int i = 0; i < tintaro::kCells; ++i) scratch_.cells[i] = static_cast<char>(i);
        for (const Click& c : clicks) scratch_.rotateRing(c.first, c.second);
        Macro m{};
        for (int i = 0; i < tintaro::kCells; ++i)
            m.perm[static_cast<size_t>(i)] = scratch_.cells[i];
        m.clicks = clicks;
        macros_.push_back(std::move(m));
    }

    template <class Nodes>
    std::vector<Click> path(const Nodes& nodes, int id) const {
        std::vector<int> chain;
        for (int n = id; nodes[static_cast<size_t>(n)].parent >= 0;
             n = nodes[static_cast<size_t>(n)].parent)
            chain.push_back(nodes[static_cast<size_t>(n)].macro);
        std::vector<Click> clicks;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            append(clicks, macros_[static_cast<size_t>(*it)].clicks);
        return clicks;
    }

    WheelGame scratch_;
    std::vector<Macro> macros_;
};

}  // namespace tintarotest
