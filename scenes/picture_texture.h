// How the image, text and mesh scenes get and give back their pictures.
#pragma once

#include <memory>

#include "gfx/texture.h"

// Creates a texture, reads the picture (alpha derived from brightness where
// the file has no alpha of its own) and uploads it whole into slot 10, at
// any size. A file that cannot be read, or a picture this OpenGL cannot make
// one texture of (said in one line), still gives a texture that binds and
// draws (nothing visible).
std::unique_ptr<Texture> loadPictureTexture(const char* path);

// The same for a picture that fills the frame (title, background, logo),
// uploaded in the frame's two parts (Texture::upload). A picture of the
// frame's size is taken as it is; one of any other size is fitted to the
// frame inside black bars before the upload, and one line says so, naming
// the file and both sizes.
std::unique_ptr<Texture> loadScreenPicture(const char* path);

// Frees the pixels and texture names and deletes the texture; nothing
// happens when there is none.
void releasePictureTexture(std::unique_ptr<Texture>& texture);
