#include "scenes/bump_mesh_scene.h"

#include <cmath>

#include "base/desktop_maths.h"
#include "content/frame_size.h"
#include "content/show_data.h"
#include "scenes/picture_texture.h"

namespace {

constexpr int MATRIX_FLOATS = 16;

// Every unit of progress is two half cycles; one of each pair is the kind's.
constexpr double HALF_CYCLES_PER_PROGRESS = 2.0;
constexpr double HALF_CYCLE_PERIOD = 2.0;

// f = SLIDE_DEPTH - SLIDE_DEPTH * (|u - SLIDE_MIDDLE| * 2)^SLIDE_STEEPNESS
constexpr double SLIDE_DEPTH = 1.5;
constexpr double SLIDE_MIDDLE = 0.5;
constexpr double SLIDE_STEEPNESS = 32.0;

// The letterbox band, its lower edge in OpenGL's rows from the bottom.
constexpr GLsizei BAND_WIDTH = FRAME_WIDTH;
constexpr GLsizei BAND_HEIGHT = LETTERBOX_BAND_HEIGHT;
constexpr GLint BAND_X = 0;
constexpr GLint BAND_Y = FRAME_HEIGHT - LETTERBOX_BAND_TOP - LETTERBOX_BAND_HEIGHT;

constexpr double EMBOSS_SCALE = 0.01f;  // the single-precision constant, widened

constexpr GLfloat LIGHT_W = 1.0f;  // a positional light
constexpr GLfloat AMBIENT_COLOUR[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr GLubyte COLOUR_PASS_GREY = 255;
constexpr GLubyte COLOUR_PASS_ALPHA = 128;

// The tangents of a grid vertex: tA towards a neighbour in its row, tB in its
// column; the edges of the grid look forward where the interior looks back,
// and the cross product turns with them so that N keeps one orientation.
// Index: [first row][first column].
struct GridRegion {
    int32_t columnStep;  // tA = norm(P - P(row, column + columnStep))
    int32_t rowStep;     // tB = norm(P - P(row + rowStep, column))
    double crossSign;    // N = crossSign * normalSign * (tB x tA)
};
constexpr GridRegion GRID_REGIONS[2][2] = {
    {{-1, -1, 1.0}, {1, -1, -1.0}},
    {{-1, 1, -1.0}, {1, 1, 1.0}},
};

constexpr int CELL_CORNERS = 6;

// tangent = (p - q) / |p - q|; zero where p and q coincide.
void unitTangent(const float p[3], const float q[3], double tangent[3]) {
    const double d[3] = {double{p[0]} - q[0], double{p[1]} - q[1], double{p[2]} - q[2]};
    const double squares = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    if (!(squares > 0.0)) {
        tangent[0] = tangent[1] = tangent[2] = 0.0;
        return;
    }
    const double length = std::sqrt(squares);
    for (int i = 0; i < 3; ++i)
        tangent[i] = d[i] / length;
}

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The triangle list: every cell of every face, row by row.
template <typename Visit>
void forEachCell(const BumpMeshKind& kind, Visit visit) {
    for (int32_t i = 0; i < kind.faceCount; ++i) {
        const MeshFace& face = kind.faces[i];
        for (int32_t row = 0; row + 1 < kind.rows; ++row) {
            for (int32_t column = 0; column + 1 < kind.columns; ++column) {
                int32_t corners[CELL_CORNERS];
                cellCorners(face, kind.columns, row, column, corners);
                visit(face, corners);
            }
        }
    }
}

void applyTransform(const MeshTransform& transform, float u, float f) {
    glTranslatef(transform.shift[0] + transform.slideSign * f, transform.shift[1], transform.shift[2]);
    for (int32_t i = 0; i < transform.turnCount; ++i) {
        const MeshTurn& turn = transform.turns[i];
        glRotatef(turn.degrees + turn.degreesPerPhase * u, turn.axis[0], turn.axis[1], turn.axis[2]);
    }
}

}  // namespace

float slideOffset(float u) {
    const double edge = std::fabs(u - SLIDE_MIDDLE) * 2.0;
    return static_cast<float>(SLIDE_DEPTH - SLIDE_DEPTH * desktopPow(edge, SLIDE_STEEPNESS));
}

void intoObjectSpace(const float* matrix, const float v[3], float out[3]) {
    for (int i = 0; i < 3; ++i) {
        const float* column = matrix + 4 * i;
        out[i] = static_cast<float>(double{column[0]} * v[0] + double{column[1]} * v[1] +
                                    double{column[2]} * v[2] + column[3]);
    }
}

void shadeVertex(MeshVertex& vertex, const double tA[3], const double tB[3], double sign,
                 const float lightPos[3], double threshold) {
    const double n[3] = {
        sign * (tB[1] * tA[2] - tB[2] * tA[1]),
        sign * (tB[2] * tA[0] - tB[0] * tA[2]),
        sign * (tB[0] * tA[1] - tB[1] * tA[0]),
    };
    // The light test uses the normal as stored, rounded to floats.
    double stored[3];
    for (int i = 0; i < 3; ++i) {
        vertex.normal[i] = static_cast<float>(n[i]);
        stored[i] = vertex.normal[i];
    }
    const float* p = vertex.position;
    const double d[3] = {double{p[0]} - lightPos[0], double{p[1]} - lightPos[1], double{p[2]} - lightPos[2]};
    const double squares = dot(d, d);
    double du = 0.0;
    double dv = 0.0;
    if (dot(d, stored) < threshold && squares > 0.0) {
        const double length = std::sqrt(squares);
        const double l[3] = {d[0] / length, d[1] / length, d[2] / length};
        du = EMBOSS_SCALE * dot(l, tA);
        dv = EMBOSS_SCALE * dot(l, tB);
    }
    vertex.embossOffset[0] = static_cast<float>(du);
    vertex.embossOffset[1] = static_cast<float>(dv);
}

void cellCorners(const MeshFace& face, int32_t columns, int32_t row, int32_t column,
                 int32_t corners[6]) {
    const int32_t n = face.firstVertex + row * columns + column;
    const int32_t offsets[CELL_CORNERS] = {0, columns, columns + 1, 0, columns + 1, 1};
    for (int i = 0; i < CELL_CORNERS; ++i)
        corners[i] = n + offsets[i];
}

void BumpMeshScene::init() {
    objectMatrix.reset(new float[MATRIX_FLOATS]());
    lightMatrix.reset(new float[MATRIX_FLOATS]());
    texture = loadPictureTexture(BUMP_HEIGHT_MAP_FILE);
    texture->makeBumpPair(EMBOSS_CONTRAST);
    buildMesh();
    glMultiTexCoord2fARB =
        reinterpret_cast<PFNGLMULTITEXCOORD2FARBPROC>(glProcAddress("glMultiTexCoord2fARB"));
    glMultiTexCoord2fvARB =
        reinterpret_cast<PFNGLMULTITEXCOORD2FVARBPROC>(glProcAddress("glMultiTexCoord2fvARB"));
    glActiveTextureARB = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(glProcAddress("glActiveTextureARB"));
    glClientActiveTextureARB =
        reinterpret_cast<PFNGLCLIENTACTIVETEXTUREARBPROC>(glProcAddress("glClientActiveTextureARB"));
}

void BumpMeshScene::render(float progress, float) {
    const double c = std::fmod(HALF_CYCLES_PER_PROGRESS * progress, HALF_CYCLE_PERIOD);
    // Before the window (progress below 0) or without a usable progress there
    // is no half cycle to draw.
    if (!(c >= 0.0))
        return;
    const int halfCycle = static_cast<int>(c);
    if (halfCycle % 2 != kind_.drawParity)
        return;
    const float u = static_cast<float>(c - kind_.drawParity);
    const float f = slideOffset(u);

    glScissor(BAND_X, BAND_Y, BAND_WIDTH, BAND_HEIGHT);
    glEnable(GL_SCISSOR_TEST);
    glLoadIdentity();
    applyTransform(kind_.lightTransform, u, f);
    glGetFloatv(GL_MODELVIEW_MATRIX, lightMatrix.get());
    glLoadIdentity();
    applyTransform(kind_.objectTransform, u, f);
    glGetFloatv(GL_MODELVIEW_MATRIX, objectMatrix.get());
    updateLight(u);
    deformMesh(u);
    drawPasses();
    glDisable(GL_SCISSOR_TEST);
}

void BumpMeshScene::destroy() {
    releasePictureTexture(texture);
    lightMatrix.reset();
    objectMatrix.reset();
    vertices = {};
    baseVertices = {};
}

void BumpMeshScene::updateLight(float u) {
    const LightPath& path = kind_.light;
    for (int i = 0; i < 3; ++i)
        lightPos[i] = static_cast<float>(
            path.centre[i] + path.amplitude[i] * desktopSin(double{path.rate[i]} * u + path.offset[i]));
}

void BumpMeshScene::deformMesh(float u) {
    const float pathPoint[3] = {lightPos[0], lightPos[1], lightPos[2]};
    intoObjectSpace(lightMatrix.get(), pathPoint, lightPos);
    movePositions(u);
    for (int32_t i = 0; i < kind_.faceCount; ++i)
        shadeFace(kind_.faces[i]);
}

void BumpMeshScene::shadeFace(const MeshFace& face) {
    const int32_t columns = kind_.columns;
    MeshVertex* first = vertices.data() + face.firstVertex;
    for (int32_t row = 0; row < kind_.rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            const GridRegion& region = GRID_REGIONS[row == 0][column == 0];
            const int32_t n = row * columns + column;
            double tA[3];
            double tB[3];
            unitTangent(first[n].position, first[n + region.columnStep].position, tA);
            unitTangent(first[n].position, first[n + region.rowStep * columns].position, tB);
            shadeVertex(first[n], tA, tB, region.crossSign * face.normalSign, lightPos, kind_.lightThreshold);
        }
    }
}

void BumpMeshScene::drawPasses() {
    const MeshPasses& passes = kind_.passes;
    float facing[3] = {};
    if (passes.skipsCellsFacingAway)
        intoObjectSpace(objectMatrix.get(), passes.facingDirection.data(), facing);
    const GLfloat lightPosition[4] = {lightPos[0], lightPos[1], lightPos[2], LIGHT_W};

    if (passes.pushBeforeEmboss != 0)
        glPushAttrib(passes.pushBeforeEmboss);
    glPushAttrib(GL_TEXTURE_BIT);
    if (passes.enablesDepthTest)
        glEnable(GL_DEPTH_TEST);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    texture->bind(TEXTURE_SLOT_BUMP);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_EXT);
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_RGB_EXT, GL_REPLACE);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    texture->bind(TEXTURE_SLOT_BUMP_INVERTED);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_EXT);
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_RGB_EXT, GL_MODULATE);
    sendEmbossPass(passes.skipsCellsFacingAway ? facing : nullptr);
    glPopAttrib();

    if (passes.pushBeforeColour != 0)
        glPushAttrib(passes.pushBeforeColour);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    texture->bind(TEXTURE_SLOT_PICTURE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glLightfv(GL_LIGHT0, GL_AMBIENT, AMBIENT_COLOUR);
    glDepthFunc(passes.colourDepthFunc);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glColor4ub(COLOUR_PASS_GREY, COLOUR_PASS_GREY, COLOUR_PASS_GREY, COLOUR_PASS_ALPHA);
    sendColourPass();
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_TEXTURE_2D);
    if (passes.disablesLighting)
        glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glPopAttrib();
}

// Pass 1 sends every cell; with a facing vector, cells whose first normal
// turns away from the viewer are left out.
void BumpMeshScene::sendEmbossPass(const float facing[3]) {
    const float limit = kind_.passes.facingLimit;
    glBegin(GL_TRIANGLES);
    forEachCell(kind_, [&](const MeshFace& face, const int32_t corners[CELL_CORNERS]) {
        if (facing != nullptr) {
            const float* n = vertices[corners[0]].normal;
            if (double{n[0]} * facing[0] + double{n[1]} * facing[1] + double{n[2]} * facing[2] < limit)
                return;
        }
        for (int i = 0; i < CELL_CORNERS; ++i) {
            const MeshVertex& vertex = vertices[corners[i]];
            const float* base = &baseVertices[corners[i] * kind_.baseStride];
            const float s = base[face.sComponent];
            const float t = base[face.tComponent];
            glMultiTexCoord2fARB(GL_TEXTURE0_ARB, s, t);
            glMultiTexCoord2fARB(GL_TEXTURE1_ARB, vertex.embossOffset[0] + s, vertex.embossOffset[1] + t);
            glVertex3fv(vertex.position);
        }
    });
    glEnd();
}

void BumpMeshScene::sendColourPass() {
    glBegin(GL_TRIANGLES);
    forEachCell(kind_, [&](const MeshFace& face, const int32_t corners[CELL_CORNERS]) {
        for (int i = 0; i < CELL_CORNERS; ++i) {
            const MeshVertex& vertex = vertices[corners[i]];
            const float* base = &baseVertices[corners[i] * kind_.baseStride];
            glNormal3fv(vertex.normal);
            glTexCoord2f(base[face.sComponent], base[face.tComponent]);
            glVertex3fv(vertex.position);
        }
    });
    glEnd();
}
