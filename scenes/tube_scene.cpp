#include "scenes/tube_scene.h"

#include <cmath>

#include "base/desktop_maths.h"
#include "scenes/bump_mesh_scene.h"

namespace {

// Base coordinates are TUBE_ORIGIN + TUBE_STEP * (an integer), all exact.
constexpr float TUBE_ORIGIN = -0.5f;
constexpr float TUBE_STEP = 0.0625f;

// theta = sin(TWIST_WAVE_NUMBER * y + u * TWIST_WAVE_SPEED) + u * TWIST_SPIN_SPEED
constexpr double TWIST_WAVE_NUMBER = 3.5f;
constexpr float TWIST_WAVE_SPEED = 50.265484f;  // 16 pi: 8 periods along the tube per half cycle
constexpr float TWIST_SPIN_SPEED = 4.0f;

constexpr int32_t BASE_FLOATS = sizeof(TubeBaseVertex) / sizeof(float);

// A base coordinate in steps from TUBE_ORIGIN: constant + perColumn * c + perRow * r.
struct AxisSteps {
    int32_t constant;
    int32_t perColumn;
    int32_t perRow;
};
// x, y and z of each wall. Walls 2 and 3 run backwards in both directions.
constexpr AxisSteps WALL_LAYOUT[TUBE_FACES][3] = {
    {{0, 1, 0}, {0, 0, 1}, {0, 0, 0}},      // z = -0.5
    {{15, 0, 0}, {0, 0, 1}, {0, 1, 0}},     // x = 0.4375
    {{15, -1, 0}, {31, 0, -1}, {15, 0, 0}},  // z = 0.4375
    {{0, 0, 0}, {31, 0, -1}, {15, -1, 0}},   // x = -0.5
};

constexpr int32_t X = 0;
constexpr int32_t Y = 1;
constexpr int32_t Z = 2;
// Unit 0 takes (x, y) or (z, y) of the base position; the backward walls
// turn their normals outwards with the sign -1.
constexpr MeshFace TUBE_WALLS[TUBE_FACES] = {
    {tubeVertex(0, 0, 0), 1.0f, X, Y},
    {tubeVertex(1, 0, 0), 1.0f, Z, Y},
    {tubeVertex(2, 0, 0), -1.0f, X, Y},
    {tubeVertex(3, 0, 0), -1.0f, Z, Y},
};

constexpr BumpMeshKind tubeKind() {
    BumpMeshKind kind;
    kind.drawParity = 0;  // the first half of each unit of progress
    kind.rows = TUBE_ROWS;
    kind.columns = TUBE_COLUMNS;
    kind.faces = TUBE_WALLS;
    kind.faceCount = TUBE_FACES;
    kind.baseStride = BASE_FLOATS;
    kind.lightThreshold = 0.0;

    kind.lightTransform.shift = {2.2f, 0.35f, 3.0f};
    kind.lightTransform.slideSign = -1.0f;
    kind.lightTransform.addTurn(fixedTurn(10.0f, X_AXIS));
    kind.lightTransform.addTurn(turnPerPhase(-850.0f, Y_AXIS));

    kind.objectTransform.shift = {-2.2f, -0.35f, -3.0f};
    kind.objectTransform.slideSign = 1.0f;
    kind.objectTransform.addTurn(fixedTurn(-10.0f, X_AXIS));
    kind.objectTransform.addTurn(turnPerPhase(850.0f, Y_AXIS));

    kind.light.amplitude = {1.0f, 2.0f, 0.5f};
    kind.light.rate = {7.0f, 9.0f, 13.0f};
    kind.light.offset = {1.0f, 3.0f, 2.0f};
    kind.light.centre = {0.0f, 0.0f, -5.0f};

    kind.passes.pushBeforeEmboss = GL_CURRENT_BIT;
    kind.passes.enablesDepthTest = true;
    kind.passes.colourDepthFunc = GL_LEQUAL;
    kind.passes.disablesLighting = true;
    // Pass 1 leaves out cells turned away from the eye direction (0.3, 0, 1),
    // which points from the tube back towards the viewer.
    kind.passes.skipsCellsFacingAway = true;
    kind.passes.facingDirection = {0.3f, 0.0f, 1.0f};
    kind.passes.facingLimit = -0.1f;
    return kind;
}
constexpr BumpMeshKind TUBE_KIND = tubeKind();

class TubeScene : public BumpMeshScene {
public:
    TubeScene() : BumpMeshScene(TUBE_KIND) {}

protected:
    void buildMesh() override {
        vertices.assign(TUBE_VERTICES, MeshVertex{});
        baseVertices.assign(size_t{TUBE_VERTICES} * BASE_FLOATS, 0.0f);
        for (int32_t f = 0; f < TUBE_FACES; ++f) {
            for (int32_t r = 0; r < TUBE_ROWS; ++r) {
                for (int32_t c = 0; c < TUBE_COLUMNS; ++c) {
                    float* base = &baseVertices[tubeVertex(f, r, c) * BASE_FLOATS];
                    for (int axis = 0; axis < 3; ++axis) {
                        const AxisSteps& steps = WALL_LAYOUT[f][axis];
                        const int32_t count = steps.constant + steps.perColumn * c + steps.perRow * r;
                        base[axis] = static_cast<float>(count) * TUBE_STEP + TUBE_ORIGIN;
                    }
                }
            }
        }
    }

    // A turn of every vertex by theta about the y axis. theta depends on y
    // alone and every row of a wall shares one y, so it is worked out once
    // per row.
    void movePositions(float u) override {
        const double phase = u * TWIST_WAVE_SPEED;
        const double spin = u * TWIST_SPIN_SPEED;
        for (int32_t row = 0; row < TUBE_FACES * TUBE_ROWS; ++row) {
            const int32_t first = row * TUBE_COLUMNS;
            const float y = baseVertices[first * BASE_FLOATS + Y];
            const double theta = desktopSin(TWIST_WAVE_NUMBER * y + phase) + spin;
            // sin rounded to float, cos not: the frames are defined so, and a last-place slip moves pixels.
            const double sinTheta = static_cast<float>(desktopSin(theta));
            const double cosTheta = desktopCos(theta);
            for (int32_t n = first; n < first + TUBE_COLUMNS; ++n) {
                const float* base = &baseVertices[n * BASE_FLOATS];
                float* p = vertices[n].position;
                p[X] = static_cast<float>(sinTheta * base[Z] + cosTheta * base[X]);
                p[Y] = base[Y];
                p[Z] = static_cast<float>(cosTheta * base[Z] - sinTheta * base[X]);
            }
        }
    }
};

}  // namespace

Scene* newTubeScene() { return new TubeScene; }
