// A lattice of hexagonal cells: rows rowStep apart, every odd row shifted by
// half a column. Distances are measured with y scaled by metricY, so a lattice
// squeezed to repeat on a square tile still has regular cells in that metric.
#pragma once

struct HexCell {
    int column;
    int row;
    float centreX;
    float centreY;
    float edgeDistance;  // metric distance to the nearest cell border
};

HexCell nearestHexCell(float x, float y, float columnStep, float rowStep, float metricY);
