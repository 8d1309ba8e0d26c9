#include "pathmaps/rebuild.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace tw::pathmaps {
namespace {

constexpr int kCellMetres = 64;

// The even bits of a 64-bit word packed into its low 32 bits.
uint64_t evenBits(uint64_t x) {
    x &= 0x5555555555555555ull;
    x = (x | x >> 1) & 0x3333333333333333ull;
    x = (x | x >> 2) & 0x0F0F0F0F0F0F0F0Full;
    x = (x | x >> 4) & 0x00FF00FF00FF00FFull;
    x = (x | x >> 8) & 0x0000FFFF0000FFFFull;
    x = (x | x >> 16) & 0x00000000FFFFFFFFull;
    return x;
}

// The Info pixels whose four map pixels are all blocked ("closed"), as a
// side x side grid of flags.
std::vector<uint8_t> closedPixels(const Bitmap& map) {
    const int side = map.side() / 2;
    std::vector<uint8_t> closed(static_cast<size_t>(side) * side);
    for (int z = 0; z < side; ++z) {
        const uint64_t* a = map.row(2 * z);
        const uint64_t* b = map.row(2 * z + 1);
        for (int w = 0; w < map.wordsPerRow(); ++w) {
            const uint64_t both = a[w] & b[w];
            const uint64_t pairs = evenBits(both & (both >> 1));  // bit i: pixels 2i and 2i+1 blocked in both rows
            for (int i = 0; i < 32; ++i)
                closed[static_cast<size_t>(z) * side + static_cast<size_t>(w) * 32 + i] = (pairs >> i) & 1u;
        }
    }
    return closed;
}

// The geometry shared by building and checking: Info pixels per cell side
// and the pixel size in metres.
struct Geometry {
    int level, world, infoSide, perCell, cells;
    explicit Geometry(const Bitmap& map, int level_)
        : level(level_), world(map.side() << level_), infoSide(map.side() / 2),
          perCell(kCellMetres >> (level_ + 1)), cells(world / kCellMetres) {}
    double infoMetres() const { return double(1 << (level + 1)); }
};

} // namespace

Bitmap coarser(const Bitmap& finer) {
    if (finer.side() < 128) throw PathmapError("A map of " + std::to_string(finer.side()) + " pixels has no coarser level.");
    Bitmap out(finer.side() / 2);
    for (int z = 0; z < out.side(); ++z) {
        const uint64_t* a = finer.row(2 * z);
        const uint64_t* b = finer.row(2 * z + 1);
        uint64_t* o = out.row(z);
        for (int w = 0; w < out.wordsPerRow(); ++w) {
            const uint64_t lo = a[2 * w] | b[2 * w], hi = a[2 * w + 1] | b[2 * w + 1];
            o[w] = evenBits(lo | lo >> 1) | evenBits(hi | hi >> 1) << 32;
        }
    }
    return out;
}

namespace {

// For each Info row, one bit a pixel: set where all four map pixels under it
// are blocked. 32 pixels to a word.
struct ClosedRows {
    int words = 0;
    std::vector<uint32_t> bits;
    explicit ClosedRows(const Bitmap& map) : words(map.wordsPerRow()), bits(static_cast<size_t>(map.side() / 2) * words) {
        for (int z = 0; z < map.side() / 2; ++z) {
            const uint64_t* a = map.row(2 * z);
            const uint64_t* b = map.row(2 * z + 1);
            uint32_t* out = bits.data() + static_cast<size_t>(z) * words;
            for (int w = 0; w < words; ++w) {
                const uint64_t both = a[w] & b[w];
                out[w] = static_cast<uint32_t>(evenBits(both & (both >> 1)));
            }
        }
    }
    // The open pixels (not closed) of row z from x on, n <= 32 of them, as bits.
    uint32_t open(int z, int x, int n) const {
        const uint32_t closed = bits[static_cast<size_t>(z) * words + static_cast<size_t>(x >> 5)] >> (x & 31);
        return ~closed & (n == 32 ? ~0u : (1u << n) - 1);
    }
};

// A run of open pixels in one row of a cell: columns a..b.
struct Run {
    int row, a, b;
    int parent;
};

int findRoot(std::vector<Run>& runs, int i) {
    while (runs[i].parent != i) i = runs[i].parent = runs[runs[i].parent].parent;
    return i;
}

} // namespace

Strategic buildStrategic(const Bitmap& map, int level) {
    if (!levelFits(map.side() << level, level))
        throw PathmapError("Level " + std::to_string(level) + " has no regions in a world of " +
                           std::to_string(map.side() << level) + " m.");
    const Geometry g(map, level);
    const ClosedRows closed(map);
    Strategic s{InfoMap(g.infoSide, 3), StrategicMap{g.cells, g.cells, {}}};
    s.map.cells.resize(static_cast<size_t>(g.cells) * g.cells);

    const int n = g.perCell;
    std::vector<Run> runs;
    std::vector<int> groupOfRoot, rowStart(static_cast<size_t>(n) + 1);
    std::vector<uint64_t> sizes;
    for (int cz = 0; cz < g.cells; ++cz)
        for (int cx = 0; cx < g.cells; ++cx) {
            const int x0 = cx * n, z0 = cz * n;
            // Runs of open pixels, row by row, joined to the runs they touch
            // in the row before.
            runs.clear();
            for (int r = 0; r < n; ++r) {
                rowStart[static_cast<size_t>(r)] = static_cast<int>(runs.size());
                uint64_t bits = closed.open(z0 + r, x0, n);
                while (bits) {
                    const int a = std::countr_zero(bits);
                    const int b = a + std::countr_one(bits >> a) - 1;
                    bits &= ~(((uint64_t{2} << (b - a)) - 1) << a);
                    const int id = static_cast<int>(runs.size());
                    runs.push_back({r, a, b, id});
                    if (r == 0) continue;
                    for (int p = rowStart[static_cast<size_t>(r - 1)]; p < rowStart[static_cast<size_t>(r)]; ++p)
                        if (runs[p].a <= b && a <= runs[p].b) {
                            const int x = findRoot(runs, p), y = findRoot(runs, id);
                            if (x != y) runs[std::max(x, y)].parent = std::min(x, y);
                        }
                }
            }
            if (runs.empty()) continue;
            // Groups in the order of their first pixel; their sizes.
            groupOfRoot.assign(runs.size(), -1);
            sizes.clear();
            std::vector<int> groupOfRun(runs.size());
            for (size_t i = 0; i < runs.size(); ++i) {
                const int root = findRoot(runs, static_cast<int>(i));
                if (groupOfRoot[static_cast<size_t>(root)] < 0) {
                    groupOfRoot[static_cast<size_t>(root)] = static_cast<int>(sizes.size());
                    sizes.push_back(0);
                }
                groupOfRun[i] = groupOfRoot[static_cast<size_t>(root)];
                sizes[static_cast<size_t>(groupOfRun[i])] += static_cast<uint64_t>(runs[i].b - runs[i].a + 1);
            }
            // Largest first; equal sizes keep the row order of their first pixel.
            std::vector<int> order(sizes.size());
            for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return sizes[a] > sizes[b]; });
            std::vector<uint8_t> regionOf(sizes.size());
            for (size_t rank = 0; rank < order.size(); ++rank)
                regionOf[static_cast<size_t>(order[rank])] = static_cast<uint8_t>(std::min<size_t>(rank, 3));

            std::array<double, 4> sumX{}, sumZ{};
            std::array<double, 4> count{};
            for (size_t i = 0; i < runs.size(); ++i) {
                const Run& run = runs[i];
                const uint8_t region = regionOf[static_cast<size_t>(groupOfRun[i])];
                const int length = run.b - run.a + 1;
                std::fill_n(s.info.row(z0 + run.row) + x0 + run.a, length, region);
                sumX[region] += (run.a + run.b) * 0.5 * length;
                sumZ[region] += double(run.row) * length;
                count[region] += length;
            }
            // Each region's Info pixel nearest its centre (the first in row
            // order on a tie): in a run, the column nearest the centre.
            std::array<int, 4> bestX{}, bestZ{};
            std::array<double, 4> bestDistance{};
            std::array<bool, 4> found{};
            for (size_t i = 0; i < runs.size(); ++i) {
                const Run& run = runs[i];
                const int k = regionOf[static_cast<size_t>(groupOfRun[i])];
                const double mx = sumX[k] / count[k], mz = sumZ[k] / count[k];
                const int c1 = std::clamp(static_cast<int>(std::floor(mx)), run.a, run.b);
                const int c2 = std::min(c1 + 1, run.b);
                const int c = (c2 - mx) * (c2 - mx) < (c1 - mx) * (c1 - mx) ? c2 : c1;
                const double d = (c - mx) * (c - mx) + (run.row - mz) * (run.row - mz);
                if (!found[k] || d < bestDistance[k]) {
                    found[k] = true;
                    bestDistance[k] = d;
                    bestX[k] = c;
                    bestZ[k] = run.row;
                }
            }
            StrategicCell& cell = s.map.cell(cx, cz);
            for (int k = 0; k < 4; ++k) {
                if (!found[k]) continue;
                // The first free map pixel under that Info pixel, in row order.
                const int mx0 = 2 * (x0 + bestX[k]), mz0 = 2 * (z0 + bestZ[k]);
                int px = mx0, pz = mz0;
                for (int i = 0; i < 4; ++i)
                    if (!map.blocked(mx0 + i % 2, mz0 + i / 2)) {
                        px = mx0 + i % 2, pz = mz0 + i / 2;
                        break;
                    }
                cell.points[k] = {static_cast<uint8_t>((px << level) - cx * kCellMetres),
                                  static_cast<uint8_t>((pz << level) - cz * kCellMetres)};
                cell.flags = static_cast<uint8_t>(cell.flags | 1u << (4 + k));
            }
        }
    // Links across each cell's +z and +x borders, where open pixels meet.
    for (int cz = 0; cz < g.cells; ++cz)
        for (int cx = 0; cx < g.cells; ++cx) {
            StrategicCell& cell = s.map.cell(cx, cz);
            const int x0 = cx * n, z0 = cz * n;
            if (cz + 1 < g.cells) {
                const int z = z0 + n - 1;
                for (uint32_t both = closed.open(z, x0, n) & closed.open(z + 1, x0, n); both; both &= both - 1) {
                    const int x = x0 + std::countr_zero(both);
                    cell.linksZ = static_cast<uint16_t>(cell.linksZ | 1u << (4 * s.info.value(x, z) + s.info.value(x, z + 1)));
                }
            }
            if (cx + 1 < g.cells) {
                const int x = x0 + n - 1;
                for (int i = 0; i < n; ++i) {
                    const int z = z0 + i;
                    if ((closed.open(z, x, 1) & closed.open(z, x + 1, 1)) != 0)
                        cell.linksX = static_cast<uint16_t>(cell.linksX |
                                                            1u << (4 * s.info.value(x, z) + s.info.value(x + 1, z)));
                }
            }
        }
    return s;
}

std::vector<Contradiction> checkStrategic(const Bitmap& map, int level, const InfoMap& info,
                                          const StrategicMap& strategic) {
    std::vector<Contradiction> out;
    if (!levelFits(map.side() << level, level)) return out;
    const Geometry g(map, level);
    if (info.side() != g.infoSide || strategic.width != g.cells || strategic.height != g.cells) {
        out.push_back({g.world / 2.0, g.world / 2.0, "its size does not match the map"});
        return out;
    }
    const std::vector<uint8_t> closed = closedPixels(map);
    const double m = g.infoMetres();
    // Each kind of contradiction once, at its first place, with a count.
    struct Kind {
        const char* one;
        const char* many;
        uint64_t count = 0;
        double x = 0, z = 0;
        void add(double px, double pz) {
            if (count++ == 0) x = px, z = pz;
        }
    };
    Kind notThree{"an Info pixel over four blocked pixels is not 3", "Info pixels over four blocked pixels are not 3"};
    Kind badPoint{"a region's point is not on a free pixel of that region",
                  "region points are not on a free pixel of their region"};
    Kind badLink{"a link joins regions that do not touch across the cell border",
                 "links join regions that do not touch across the cell border"};

    for (int z = 0; z < g.infoSide; ++z)
        for (int x = 0; x < g.infoSide; ++x)
            if (closed[static_cast<size_t>(z) * g.infoSide + x] && info.value(x, z) != 3)
                notThree.add((x + 0.5) * m, (z + 0.5) * m);

    const int n = g.perCell;
    auto open = [&](int x, int z) { return !closed[static_cast<size_t>(z) * g.infoSide + x]; };
    for (int cz = 0; cz < g.cells; ++cz)
        for (int cx = 0; cx < g.cells; ++cx) {
            const StrategicCell& cell = strategic.cell(cx, cz);
            for (int k = 0; k < 4; ++k) {
                if (!cell.used(k)) continue;
                const int px = cell.points[k][0], pz = cell.points[k][1];
                const double wx = cx * kCellMetres + px, wz = cz * kCellMetres + pz;
                if (px >= kCellMetres || pz >= kCellMetres) {
                    badPoint.add(cx * kCellMetres + 32.0, cz * kCellMetres + 32.0);
                    continue;
                }
                const int mx = static_cast<int>(wx) >> level, mz = static_cast<int>(wz) >> level;
                if (map.blocked(mx, mz) || info.value(mx / 2, mz / 2) != k) badPoint.add(wx, wz);
            }
            for (int alongX = 0; alongX < 2; ++alongX) {
                const uint16_t links = alongX ? cell.linksX : cell.linksZ;
                for (int bit = 0; bit < 16; ++bit) {
                    if (!((links >> bit) & 1u)) continue;
                    const int own = bit / 4, other = bit % 4;
                    const bool inside = alongX ? cx + 1 < g.cells : cz + 1 < g.cells;
                    bool touches = false;
                    for (int i = 0; inside && i < n && !touches; ++i) {
                        const int x = alongX ? cx * n + n - 1 : cx * n + i, z = alongX ? cz * n + i : cz * n + n - 1;
                        const int x2 = alongX ? x + 1 : x, z2 = alongX ? z : z + 1;
                        touches = open(x, z) && open(x2, z2) && info.value(x, z) == own && info.value(x2, z2) == other;
                    }
                    if (!touches)
                        badLink.add(cx * kCellMetres + (alongX ? 64.0 : 32.0), cz * kCellMetres + (alongX ? 32.0 : 64.0));
                }
            }
        }
    for (const Kind* k : {&notThree, &badPoint, &badLink})
        if (k->count > 0)
            out.push_back({k->x, k->z,
                           k->count == 1 ? std::string(k->one)
                                         : std::to_string(k->count) + " " + k->many + " (the first here)"});
    return out;
}

} // namespace tw::pathmaps
