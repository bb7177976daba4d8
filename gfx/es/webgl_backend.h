// The show's OpenGL subset (gfx/gl_subset.h) over OpenGL ES 3.0, as WebGL 2
// offers it: this library defines the subset's C functions itself, and
// glProcAddress() (gfx/gl_subset.h) hands out its multitexture entry
// points. Fixed-function state lives here, drawing goes through one small
// shader program of its own.
//
// What the rest of the program may rely on:
//   - startWebGlBackend() once the WebGL 2 (or GLES 3) context is current,
//     before any other GL call: it compiles the shaders, makes the vertex
//     buffer and a frame of its own the size of the drawing buffer, and sets
//     OpenGL 1.1's initial state, the viewport and scissor box covering the
//     frame. It answers false, with lastWebGlBackendError(), when the context
//     refuses.
//   - The subset draws into that frame; presentWebGlFrame() copies it to the
//     drawing buffer, and glReadPixels reads it.
//   - After that the subset draws as the desktop driver the show is recorded
//     on (Mesa) draws it, within a level or two per channel: matrices are
//     computed as that driver computes them, lighting and texturing follow
//     its fixed pipeline step for step. The frame has the show's pixel
//     format (8-bit RGBA, 16 depth bits) and is kept top row first, as the
//     desktop keeps a window's: a pixel centre that lies exactly on a
//     triangle's edge then falls on the same side of it as there, which
//     decides a mesh's silhouette pixels.
//   - Nothing is allocated while drawing; vertices of one glBegin/glEnd go
//     to the GPU in one draw call.
//   - Before startWebGlBackend() and after stopWebGlBackend() the calls that
//     would reach the context do nothing.
//   - The lists of gfx/gl_subset.h bound what the calls take: a switch,
//     pushed state bit, blend pair, texture unit or unit combine function
//     outside them is the caller's mistake, an assert (ignored where
//     assertions are compiled out).
//   - Not honoured, because the show never asks for them: flat shading,
//     directional and spot lights, attenuation, materials other than
//     OpenGL's default, texture coordinate generation (its switches are
//     accepted), matrix stacks and other primitive types.
#pragma once

bool startWebGlBackend();
// Gives back the shaders and buffers; the context must still be current.
void stopWebGlBackend();
// Copies the frame drawn so far to the context's drawing buffer, the one
// the browser shows; the window calls it once a frame, at its swap.
void presentWebGlFrame();
// Why the last startWebGlBackend() failed, in one line; "" when it did not.
const char* lastWebGlBackendError();
