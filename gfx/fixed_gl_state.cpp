#include "gfx/fixed_gl_state.h"

#include "gfx/gl_subset.h"

namespace {

constexpr float NEAR_PLANE = 0.01f;  // widened to double for gluPerspective
constexpr double FAR_PLANE = 10.0;
constexpr double FIELD_OF_VIEW = 45.0;
constexpr double CLEAR_DEPTH = 10.0;  // clamped by OpenGL to the far value 1

}  // namespace

void setFixedGlState(const FixedGlFrame& frame) {
    glViewport(frame.viewportX, frame.viewportY, frame.width, frame.height);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(CLEAR_DEPTH);
    glClearStencil(0);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = static_cast<double>(frame.modeWidth) / static_cast<double>(frame.modeHeight);
    gluPerspective(FIELD_OF_VIEW, aspect, static_cast<double>(NEAR_PLANE), FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
