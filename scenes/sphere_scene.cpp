#include "scenes/sphere_scene.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "base/desktop_maths.h"
#include "scenes/bump_mesh_scene.h"

namespace {

// Angular steps as single-precision constants (each one unit in the last
// place off 2*pi/59 and pi/59), so column 59 lands just past column 0 and
// row 59 just past the -y pole.
constexpr float COLUMN_ANGLE_STEP = 0.10649467f;
constexpr float ROW_ANGLE_STEP = 0.053247336f;
constexpr float TEXTURE_STEP = 0.050000004f;
constexpr double HALF = 0.5;

// k = 1 + RIPPLE_DEPTH * sum of RIPPLE_AMPLITUDE * sin(RIPPLE_FREQUENCY * a + w),
// w = RIPPLE_SPEED * u.
constexpr double RIPPLE_DEPTH = 0.1f;
constexpr double RIPPLE_AMPLITUDE = 1.8f;
constexpr double RIPPLE_FREQUENCY = 10.0f;
constexpr double RIPPLE_SPEED = 40.0f;
constexpr int RIPPLE_WAVES = 3;

constexpr int32_t BASE_FLOATS = sizeof(SphereBaseVertex) / sizeof(float);

// The grid's rows are the sphere's columns c (runs of 60 records), its
// columns the rows j.
constexpr int32_t S_FLOAT = offsetof(SphereBaseVertex, s) / sizeof(float);
constexpr int32_t T_FLOAT = offsetof(SphereBaseVertex, t) / sizeof(float);
constexpr MeshFace SPHERE_FACES[] = {{0, 1.0f, S_FLOAT, T_FLOAT}};
constexpr int32_t SPHERE_FACE_COUNT = sizeof SPHERE_FACES / sizeof SPHERE_FACES[0];

constexpr BumpMeshKind sphereKind() {
    BumpMeshKind kind;
    kind.drawParity = 1;  // the second half of each unit of progress
    kind.rows = SPHERE_COLUMNS;
    kind.columns = SPHERE_ROWS;
    kind.faces = SPHERE_FACES;
    kind.faceCount = SPHERE_FACE_COUNT;
    kind.baseStride = BASE_FLOATS;
    kind.lightThreshold = -0.5;

    kind.lightTransform.shift = {2.7f, 0.0f, 4.0f};
    kind.lightTransform.slideSign = -1.0f;
    kind.lightTransform.addTurn(fixedTurn(10.0f, X_AXIS));
    kind.lightTransform.addTurn(turnPerPhase(-451.0f, Y_AXIS));
    kind.lightTransform.addTurn(turnPerPhase(351.0f, X_AXIS));

    kind.objectTransform.shift = {-2.7f, 0.0f, -4.0f};
    kind.objectTransform.slideSign = 1.0f;
    kind.objectTransform.addTurn(fixedTurn(-10.0f, X_AXIS));
    kind.objectTransform.addTurn(turnPerPhase(850.0f, Y_AXIS));
    kind.objectTransform.addTurn(turnPerPhase(-751.0f, X_AXIS));

    kind.light.amplitude = {1.0f, 2.0f, 1.0f};
    kind.light.rate = {7.0f, 9.0f, 13.0f};
    kind.light.offset = {1.0f, 3.0f, 2.0f};
    kind.light.centre = {0.0f, 0.0f, -5.0f};

    // Pass 2 with GL_EQUAL touches exactly the surface pass 1 wrote.
    kind.passes.pushBeforeColour = GL_LIGHTING_BIT;
    kind.passes.colourDepthFunc = GL_EQUAL;
    return kind;
}
constexpr BumpMeshKind SPHERE_KIND = sphereKind();

class SphereScene : public BumpMeshScene {
public:
    SphereScene() : BumpMeshScene(SPHERE_KIND) {}

    void destroy() override {
        BumpMeshScene::destroy();
        ripples_ = {};
    }

protected:
    void buildMesh() override {
        vertices.assign(SPHERE_VERTICES, MeshVertex{});
        baseVertices.assign(size_t{SPHERE_VERTICES} * BASE_FLOATS, 0.0f);
        for (int32_t c = 0; c < SPHERE_COLUMNS; ++c) {
            const double theta = c * double{COLUMN_ANGLE_STEP};
            const float cosTheta = static_cast<float>(desktopCos(theta));
            const float sinTheta = static_cast<float>(desktopSin(theta));
            for (int32_t j = 0; j < SPHERE_ROWS; ++j) {
                const double phi = j * double{ROW_ANGLE_STEP};
                SphereBaseVertex& base = record(sphereVertex(c, j));
                const float x = static_cast<float>(cosTheta * desktopSin(phi));
                const float y = static_cast<float>(desktopCos(phi));
                const float z = static_cast<float>(sinTheta * desktopSin(phi));
                base.position[0] = x;
                base.position[1] = y;
                base.position[2] = z;
                // In double, rounded once: the float overload would be
                // atan2f, whose last-place slips the ripple's factor 10
                // carries into the positions.
                base.phaseAngles[0] = static_cast<float>(HALF * desktopAtan2(double{z}, double{y}));
                base.phaseAngles[1] = static_cast<float>(HALF * desktopAtan2(double{x}, double{z}));
                base.phaseAngles[2] = static_cast<float>(HALF * desktopAtan2(double{y}, double{x}));
                base.s = static_cast<float>(c * double{TEXTURE_STEP});
                base.t = static_cast<float>(j * double{TEXTURE_STEP});
            }
        }
        buildRipples();
    }

    // sin(10a + w) = sin(10a) cos(w) + cos(10a) sin(w): the per-vertex terms
    // are fixed, so a frame needs one sine and one cosine instead of three
    // sines per vertex, and agrees with the direct sum to far below the
    // float rounding of k.
    void movePositions(float u) override {
        const double w = RIPPLE_SPEED * u;
        const double sinW = desktopSin(w);
        const double cosW = desktopCos(w);
        for (int32_t n = 0; n < SPHERE_VERTICES; ++n) {
            const RippleBasis& r = ripples_[n];
            double sum = 0.0;
            for (int wave = 0; wave < RIPPLE_WAVES; ++wave)
                sum += RIPPLE_AMPLITUDE * (r.sine[wave] * cosW + r.cosine[wave] * sinW);
            const double k = 1.0 + RIPPLE_DEPTH * sum;
            const float* base = record(n).position;
            float* p = vertices[n].position;
            for (int i = 0; i < 3; ++i)
                p[i] = static_cast<float>(k * base[i]);
        }
    }

private:
    // sin and cos of 10a for the waves of a5, a4 and a3, in summing order.
    struct RippleBasis {
        double sine[RIPPLE_WAVES];
        double cosine[RIPPLE_WAVES];
    };

    void buildRipples() {
        ripples_.resize(SPHERE_VERTICES);
        for (int32_t n = 0; n < SPHERE_VERTICES; ++n) {
            const float* a = record(n).phaseAngles;
            for (int wave = 0; wave < RIPPLE_WAVES; ++wave) {
                const double angle = RIPPLE_FREQUENCY * a[RIPPLE_WAVES - 1 - wave];
                ripples_[n].sine[wave] = desktopSin(angle);
                ripples_[n].cosine[wave] = desktopCos(angle);
            }
        }
    }

    std::vector<RippleBasis> ripples_;

    SphereBaseVertex& record(int32_t n) {
        return reinterpret_cast<SphereBaseVertex*>(baseVertices.data())[n];
    }
};

}  // namespace

Scene* newSphereScene() { return new SphereScene; }
