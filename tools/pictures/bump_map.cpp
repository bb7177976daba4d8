#include "tools/pictures/bump_map.h"

#include "content/show_data.h"
#include "gfx/texture.h"
#include "tools/pictures/hex_grid.h"
#include "tools/pictures/shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Plates: 4 columns by 4 rows per tile, every other row shifted half a
// column. Distances are measured with y squeezed so that the cells are
// regular hexagons in that metric (and a little tall in pixels), which lets
// the lattice repeat exactly every 256 pixels both ways.
constexpr int CELL_COLUMNS = 4;
constexpr int CELL_ROWS = 4;
constexpr float COLUMN_STEP = float(BUMP_MAP_SIZE) / CELL_COLUMNS;
constexpr float ROW_STEP = float(BUMP_MAP_SIZE) / CELL_ROWS;
constexpr float METRIC_Y = 0.8660254f;  // sqrt(3) / 2

// Heights in grey levels: the groove between plates, the plate face, and
// what the fittings add to it.
constexpr float GROOVE = 102.0f;
constexpr float PLATE = 142.0f;
static_assert(stretchedGrey(static_cast<int>(GROOVE), EMBOSS_CONTRAST) > 0 &&
                  stretchedGrey(static_cast<int>(PLATE), EMBOSS_CONTRAST) < 255,
              "the show's emboss stretch must not flatten the grooves or the plates");
constexpr float BEVEL_WIDTH = 6.0f;
constexpr float DOME = 7.0f;
constexpr float GRAIN = 5.0f;
constexpr int GRAIN_PERIOD = 16;  // lattice cells of the grain across the tile

// The fittings, one kind per plate in turn; sizes in pixels of the metric.
constexpr int FITTING_KINDS = 3;
constexpr float RIVET_RADIUS = 7.0f;
constexpr float RIVET_RISE = 16.0f;
constexpr float RIVET_RING_DEPTH = 8.0f;  // the seat groove around the rivet
constexpr float RECESS_RADIUS = 13.0f;
constexpr float RECESS_DEPTH = 22.0f;
constexpr float BOSS_RADIUS = 4.75f;
constexpr float SLOT_HALF_LENGTH = 10.0f;
constexpr float SLOT_HALF_WIDTH = 1.8f;
constexpr float SLOT_OFFSET = 8.0f;  // from the plate centre to each slot

int wrap(int value, int period) { return ((value % period) + period) % period; }

float latticeValue(int x, int y) {
    uint32_t h = uint32_t(wrap(x, GRAIN_PERIOD)) * 73856093u ^ uint32_t(wrap(y, GRAIN_PERIOD)) * 19349663u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xFFFFu) / 65535.0f * 2.0f - 1.0f;
}

// Value noise in -1 to 1 that repeats with the tile.
float grain(float x, float y) {
    const float scale = float(GRAIN_PERIOD) / float(BUMP_MAP_SIZE);
    const float gx = x * scale;
    const float gy = y * scale;
    const int ix = int(std::floor(gx));
    const int iy = int(std::floor(gy));
    const float tx = smoothstep(0.0f, 1.0f, gx - float(ix));
    const float ty = smoothstep(0.0f, 1.0f, gy - float(iy));
    const float top = latticeValue(ix, iy) + (latticeValue(ix + 1, iy) - latticeValue(ix, iy)) * tx;
    const float bottom = latticeValue(ix, iy + 1) + (latticeValue(ix + 1, iy + 1) - latticeValue(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

// What a plate carries, as a height added to its face: a domed rivet, a
// round recess with a boss, or a pair of slots.
float fitting(int kind, float dx, float dy) {
    const float r = std::hypot(dx, dy);
    switch (kind) {
    case 0: {
        const float dome = std::sqrt(std::max(0.0f, 1.0f - (r / RIVET_RADIUS) * (r / RIVET_RADIUS)));
        const float ring = smoothstep(RIVET_RADIUS, RIVET_RADIUS + 1.5f, r) *
                           (1.0f - smoothstep(RIVET_RADIUS + 2.0f, RIVET_RADIUS + 3.5f, r));
        return RIVET_RISE * dome - RIVET_RING_DEPTH * ring;
    }
    case 1: {
        const float recess = 1.0f - smoothstep(RECESS_RADIUS - 1.0f, RECESS_RADIUS + 1.0f, r);
        const float boss = 1.0f - smoothstep(BOSS_RADIUS - 0.75f, BOSS_RADIUS + 0.75f, r);
        return -RECESS_DEPTH * recess + RECESS_DEPTH * 0.8f * boss;
    }
    default: {
        const float slot = std::max(std::fabs(dy) - SLOT_HALF_LENGTH,
                                    std::fabs(std::fabs(dx) - SLOT_OFFSET) - SLOT_HALF_WIDTH);
        return -RECESS_DEPTH * (1.0f - smoothstep(-0.8f, 0.8f, slot));
    }
    }
}

}  // namespace

Canvas drawBumpMap() {
    Canvas canvas(BUMP_MAP_SIZE, BUMP_MAP_SIZE);
    for (int y = 0; y < BUMP_MAP_SIZE; ++y) {
        for (int x = 0; x < BUMP_MAP_SIZE; ++x) {
            const float fx = float(x) + 0.5f;
            const float fy = float(y) + 0.5f;
            const HexCell cell = nearestHexCell(fx, fy, COLUMN_STEP, ROW_STEP, METRIC_Y);
            const int kind = (wrap(cell.column, CELL_COLUMNS) + 2 * wrap(cell.row, CELL_ROWS)) % FITTING_KINDS;
            const float dx = fx - cell.centreX;
            const float dy = (fy - cell.centreY) * METRIC_Y;
            const float face = smoothstep(0.0f, BEVEL_WIDTH, cell.edgeDistance);
            const float domeShape = 1.0f - std::min(1.0f, (dx * dx + dy * dy) / (COLUMN_STEP * COLUMN_STEP * 0.25f));
            const float plate = PLATE + DOME * domeShape + fitting(kind, dx, dy);
            float height = GROOVE + (plate - GROOVE) * face;
            height += GRAIN * grain(fx, fy) + GRAIN * 0.4f * grain(fx * 4.0f, fy * 4.0f);
            const float grey = height / 255.0f;
            // A faint warm steel tint that keeps the channel mean at the height.
            constexpr float TINT = 4.0f / 255.0f;
            canvas.at(x, y) = Colour{grey + TINT, grey + TINT * 0.25f, grey - TINT * 1.25f};
        }
    }
    return canvas;
}
