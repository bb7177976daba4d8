#include "tools/pictures/hex_grid.h"

#include <cmath>

HexCell nearestHexCell(float x, float y, float columnStep, float rowStep, float metricY) {
    HexCell cell{0, 0, 0.0f, 0.0f, 0.0f};
    float nearest = INFINITY;
    float second = INFINITY;
    const int row = int(std::floor(y / rowStep));
    for (int r = row - 1; r <= row + 2; ++r) {
        const float shift = (r & 1) ? columnStep * 0.5f : 0.0f;
        const int column = int(std::floor((x - shift) / columnStep));
        for (int c = column - 1; c <= column + 2; ++c) {
            const float cx = (float(c) + 0.5f) * columnStep + shift;
            const float cy = (float(r) + 0.5f) * rowStep;
            const float d = std::hypot(x - cx, (y - cy) * metricY);
            if (d < nearest) {
                second = nearest;
                nearest = d;
                cell = HexCell{c, r, cx, cy, 0.0f};
            } else if (d < second) {
                second = d;
            }
        }
    }
    // Half the gap between the two nearest centres' distances: close to the
    // distance to their shared border near it, which is all an edge needs.
    cell.edgeDistance = (second - nearest) * 0.5f;
    return cell;
}
