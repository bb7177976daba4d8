// The shared base of the emboss-bump-mapped mesh scenes (the pulsing sphere
// and the twisting tube): a deforming grid mesh under a moving point light,
// drawn inside the letterbox band in two passes, an emboss term from the bump
// texture pair and the lit colour map added on top.
//
// A kind supplies its mesh (buildMesh, movePositions) and a BumpMeshKind of
// constants; the driver, the light, the normals and emboss offsets and both
// passes are shared.
//
// GL state promises after a drawn frame: model-view mode with the object
// transform loaded, texture unit 0 active, texturing, blending and the scissor
// test off, depth function GL_LEQUAL. A frame outside the kind's half cycle
// changes nothing at all. A drawn frame allocates nothing.
#pragma once

#include "gfx/gl_subset.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/texture.h"
#include "timeline/scene.h"

// One vertex of the working mesh, 8 floats.
struct MeshVertex {
    float position[3];      // deformed, object space
    float normal[3];        // cross product of the two unit tangents, not normalised
    float embossOffset[2];  // du, dv added to unit 1's texture coordinates in pass 1
};
static_assert(sizeof(MeshVertex) == 8 * sizeof(float), "MeshVertex is 8 packed floats");

// One sheet of the grid: vertex (row, column) is record
// firstVertex + row * columns + column.
struct MeshFace {
    int32_t firstVertex;
    float normalSign;    // -1 turns the normals of a sheet laid out backwards outwards
    int32_t sComponent;  // floats of the base record giving unit 0's (s, t)
    int32_t tComponent;
};

// The kinds' tables are built in constexpr functions that set each field by
// name, so a reordered field cannot rewire a mesh.
using MeshVector = std::array<float, 3>;

constexpr MeshVector X_AXIS = {1.0f, 0.0f, 0.0f};
constexpr MeshVector Y_AXIS = {0.0f, 1.0f, 0.0f};

// glRotatef(degrees + degreesPerPhase * u, axis), all in single precision.
struct MeshTurn {
    float degrees = 0.0f;
    float degreesPerPhase = 0.0f;
    MeshVector axis = {};
};

// A turn by a fixed angle, and one that grows with the phase u.
constexpr MeshTurn fixedTurn(float degrees, const MeshVector& axis) {
    MeshTurn turn;
    turn.degrees = degrees;
    turn.axis = axis;
    return turn;
}
constexpr MeshTurn turnPerPhase(float degreesPerPhase, const MeshVector& axis) {
    MeshTurn turn;
    turn.degreesPerPhase = degreesPerPhase;
    turn.axis = axis;
    return turn;
}

constexpr int MESH_MAX_TURNS = 3;

// glTranslatef(shift + slideSign * f on x, shift on y and z), then the turns.
struct MeshTransform {
    MeshVector shift = {};
    float slideSign = 0.0f;
    std::array<MeshTurn, MESH_MAX_TURNS> turns = {};
    int32_t turnCount = 0;

    constexpr void addTurn(const MeshTurn& turn) { turns[turnCount++] = turn; }
};

// Component i of the light's path: centre + amplitude * sin(rate * u + offset).
struct LightPath {
    MeshVector amplitude = {};
    MeshVector rate = {};
    MeshVector offset = {};
    MeshVector centre = {};
};

// How a kind wraps the two passes around the shared steps.
struct MeshPasses {
    GLbitfield pushBeforeEmboss = 0;  // 0: none
    bool enablesDepthTest = false;
    GLbitfield pushBeforeColour = 0;  // 0: none
    GLenum colourDepthFunc = GL_LEQUAL;
    bool disablesLighting = false;
    // Pass 1 skips a cell whose first normal N has N . V < facingLimit, with V
    // the eye-space facingDirection carried into object space.
    bool skipsCellsFacingAway = false;
    MeshVector facingDirection = {};
    float facingLimit = 0.0f;
};

struct BumpMeshKind {
    int32_t drawParity = 0;  // half cycles k of this parity draw, with u = c - drawParity
    int32_t rows = 0;        // grid of each face
    int32_t columns = 0;
    const MeshFace* faces = nullptr;
    int32_t faceCount = 0;
    int32_t baseStride = 0;       // floats per base record
    double lightThreshold = 0.0;  // D . N below it gets an emboss offset
    MeshTransform lightTransform;
    MeshTransform objectTransform;
    LightPath light;
    MeshPasses passes;
};

class BumpMeshScene : public Scene {
public:
    explicit BumpMeshScene(const BumpMeshKind& kind) : kind_(kind) {}

    void init() override;
    // Draws in the kind's half cycles only; a progress below 0 or not a
    // number draws nothing.
    void render(float progress, float step) override;
    void destroy() override;

    const BumpMeshKind& kind() const { return kind_; }

    std::vector<MeshVertex> vertices;
    std::vector<float> baseVertices;  // the kind's records, kind().baseStride floats each
    float lightPos[3] = {};
    std::unique_ptr<float[]> objectMatrix;  // column-major, as glGetFloatv returns it
    std::unique_ptr<float[]> lightMatrix;
    std::unique_ptr<Texture> texture;
    // Entry points fetched at init.
    PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB = nullptr;
    PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
    // Kept for the interface: fetched with the others, never called.
    PFNGLMULTITEXCOORD2FVARBPROC glMultiTexCoord2fvARB = nullptr;
    PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB = nullptr;

protected:
    // Allocates both arrays and fills baseVertices.
    virtual void buildMesh() = 0;
    // Writes the positions of every record of vertices from baseVertices.
    virtual void movePositions(float u) = 0;

private:
    // The benchmark times the deformation alone through it
    // (scenes/bump_mesh_probe.h).
    friend struct BumpMeshProbe;

    // lightPos = the point of the light's path at phase u.
    void updateLight(float u);
    // Light into object space, new positions, normals and emboss offsets.
    void deformMesh(float u);
    void drawPasses();
    void shadeFace(const MeshFace& face);
    void sendEmbossPass(const float facing[3]);
    void sendColourPass();

    const BumpMeshKind& kind_;
};

// The slide of the half cycle: 1.5 - 1.5 * (|u - 0.5| * 2)^32, 0 at both ends.
float slideOffset(float u);

// The transpose of the rotation part of a column-major matrix applied to v,
// plus its bottom row: the point in the matrix's object space.
void intoObjectSpace(const float* matrix, const float v[3], float out[3]);

// Stores N = sign * (tB x tA) and the emboss offset of a vertex at position P
// lit from lightPos: 0.01 * (l . tA, l . tB) with l the unit direction from the
// light when D . N < threshold (D = P - lightPos), else zero.
void shadeVertex(MeshVertex& vertex, const double tA[3], const double tB[3], double sign,
                 const float lightPos[3], double threshold);

// Record indices of the two triangles of the cell at (row, column) of a face,
// in sending order.
void cellCorners(const MeshFace& face, int32_t columns, int32_t row, int32_t column,
                 int32_t corners[6]);
