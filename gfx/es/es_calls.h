// The OpenGL ES 3.0 functions the backend draws with, and only those, under
// names of their own (es::Enable, es::DrawArrays...). The backend defines the
// desktop names itself (glEnable...), so it can neither include an ES header
// beside GL/gl.h nor call an ES function by its C name: it would call itself.
//
// Two implementations, chosen by the build: es_calls_webgl.cpp calls
// emscripten's WebGL 2 functions; es_calls_egl.cpp calls the functions that
// eglGetProcAddress gives for the current GLES 3 context, for a native test
// of the backend.
#pragma once

#include <cstddef>

namespace es {

using Enum = unsigned int;
using Uint = unsigned int;
using Int = int;
using Sizei = int;
using Float = float;
using Bitfield = unsigned int;
using Boolean = unsigned char;
using Char = char;
using Intptr = std::ptrdiff_t;
using Sizeiptr = std::ptrdiff_t;

// X(return type, name after "gl", parameters, arguments): one row per call.
#define PELMIRA_ES_CALLS(X)                                                                                  \
    X(void, ActiveTexture, (Enum texture), (texture))                                                        \
    X(void, AttachShader, (Uint program, Uint shader), (program, shader))                                   \
    X(void, BindAttribLocation, (Uint program, Uint index, const Char* name), (program, index, name))       \
    X(void, BindBuffer, (Enum target, Uint buffer), (target, buffer))                                       \
    X(void, BindFramebuffer, (Enum target, Uint framebuffer), (target, framebuffer))                        \
    X(void, BindRenderbuffer, (Enum target, Uint renderbuffer), (target, renderbuffer))                     \
    X(void, BindTexture, (Enum target, Uint texture), (target, texture))                                    \
    X(void, BindVertexArray, (Uint array), (array))                                                         \
    X(void, BlendFunc, (Enum source, Enum destination), (source, destination))                              \
    X(void, BlitFramebuffer,                                                                                \
      (Int sourceX0, Int sourceY0, Int sourceX1, Int sourceY1, Int targetX0, Int targetY0, Int targetX1,    \
       Int targetY1, Bitfield mask, Enum filter),                                                           \
      (sourceX0, sourceY0, sourceX1, sourceY1, targetX0, targetY0, targetX1, targetY1, mask, filter))       \
    X(void, BufferData, (Enum target, Sizeiptr size, const void* data, Enum usage),                         \
      (target, size, data, usage))                                                                          \
    X(void, BufferSubData, (Enum target, Intptr offset, Sizeiptr size, const void* data),                   \
      (target, offset, size, data))                                                                         \
    X(Enum, CheckFramebufferStatus, (Enum target), (target))                                                \
    X(void, Clear, (Bitfield mask), (mask))                                                                 \
    X(void, ClearColor, (Float red, Float green, Float blue, Float alpha), (red, green, blue, alpha))        \
    X(void, ClearDepthf, (Float depth), (depth))                                                            \
    X(void, ClearStencil, (Int value), (value))                                                             \
    X(void, CompileShader, (Uint shader), (shader))                                                         \
    X(Uint, CreateProgram, (), ())                                                                          \
    X(Uint, CreateShader, (Enum type), (type))                                                              \
    X(void, DeleteBuffers, (Sizei count, const Uint* buffers), (count, buffers))                            \
    X(void, DeleteFramebuffers, (Sizei count, const Uint* framebuffers), (count, framebuffers))             \
    X(void, DeleteProgram, (Uint program), (program))                                                       \
    X(void, DeleteRenderbuffers, (Sizei count, const Uint* renderbuffers), (count, renderbuffers))          \
    X(void, DeleteShader, (Uint shader), (shader))                                                          \
    X(void, DeleteTextures, (Sizei count, const Uint* textures), (count, textures))                         \
    X(void, DeleteVertexArrays, (Sizei count, const Uint* arrays), (count, arrays))                         \
    X(void, DepthFunc, (Enum function), (function))                                                         \
    X(void, DepthMask, (Boolean flag), (flag))                                                              \
    X(void, Disable, (Enum capability), (capability))                                                       \
    X(void, DrawArrays, (Enum mode, Int first, Sizei count), (mode, first, count))                          \
    X(void, Enable, (Enum capability), (capability))                                                        \
    X(void, EnableVertexAttribArray, (Uint index), (index))                                                 \
    X(void, Finish, (), ())                                                                                 \
    X(void, FramebufferRenderbuffer, (Enum target, Enum attachment, Enum renderbufferTarget, Uint renderbuffer), \
      (target, attachment, renderbufferTarget, renderbuffer))                                               \
    X(void, GenBuffers, (Sizei count, Uint* buffers), (count, buffers))                                     \
    X(void, GenFramebuffers, (Sizei count, Uint* framebuffers), (count, framebuffers))                      \
    X(void, GenRenderbuffers, (Sizei count, Uint* renderbuffers), (count, renderbuffers))                   \
    X(void, GenTextures, (Sizei count, Uint* textures), (count, textures))                                  \
    X(void, GenVertexArrays, (Sizei count, Uint* arrays), (count, arrays))                                  \
    X(void, GetIntegerv, (Enum name, Int* data), (name, data))                                              \
    X(void, GetProgramInfoLog, (Uint program, Sizei size, Sizei* length, Char* log),                        \
      (program, size, length, log))                                                                         \
    X(void, GetProgramiv, (Uint program, Enum name, Int* value), (program, name, value))                    \
    X(void, GetShaderInfoLog, (Uint shader, Sizei size, Sizei* length, Char* log),                          \
      (shader, size, length, log))                                                                          \
    X(void, GetShaderiv, (Uint shader, Enum name, Int* value), (shader, name, value))                       \
    X(Int, GetUniformLocation, (Uint program, const Char* name), (program, name))                           \
    X(void, LinkProgram, (Uint program), (program))                                                         \
    X(void, RenderbufferStorage, (Enum target, Enum format, Sizei width, Sizei height),                     \
      (target, format, width, height))                                                                      \
    X(void, ReadPixels, (Int x, Int y, Sizei width, Sizei height, Enum format, Enum type, void* pixels),     \
      (x, y, width, height, format, type, pixels))                                                          \
    X(void, Scissor, (Int x, Int y, Sizei width, Sizei height), (x, y, width, height))                      \
    X(void, ShaderSource, (Uint shader, Sizei count, const Char* const* sources, const Int* lengths),       \
      (shader, count, sources, lengths))                                                                    \
    X(void, TexImage2D,                                                                                     \
      (Enum target, Int level, Int internalFormat, Sizei width, Sizei height, Int border, Enum format,      \
       Enum type, const void* pixels),                                                                      \
      (target, level, internalFormat, width, height, border, format, type, pixels))                         \
    X(void, TexParameteri, (Enum target, Enum name, Int value), (target, name, value))                      \
    X(void, Uniform1i, (Int location, Int value), (location, value))                                        \
    X(void, Uniform1f, (Int location, Float value), (location, value))                                      \
    X(void, Uniform4fv, (Int location, Sizei count, const Float* values), (location, count, values))        \
    X(void, UniformMatrix3fv, (Int location, Sizei count, Boolean transpose, const Float* values),          \
      (location, count, transpose, values))                                                                 \
    X(void, UniformMatrix4fv, (Int location, Sizei count, Boolean transpose, const Float* values),          \
      (location, count, transpose, values))                                                                 \
    X(void, UseProgram, (Uint program), (program))                                                          \
    X(void, VertexAttribPointer,                                                                            \
      (Uint index, Int size, Enum type, Boolean normalized, Sizei stride, const void* offset),              \
      (index, size, type, normalized, stride, offset))                                                      \
    X(void, Viewport, (Int x, Int y, Sizei width, Sizei height), (x, y, width, height))

#define PELMIRA_ES_DECLARE(type, name, parameters, arguments) type name parameters;
PELMIRA_ES_CALLS(PELMIRA_ES_DECLARE)
#undef PELMIRA_ES_DECLARE

// Makes the calls reach the current context; false, naming the first call
// that could not be found, when one is missing. Needs a current context.
bool bindCalls(const char*& missing);

}  // namespace es
