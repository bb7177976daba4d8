// Floating-point pictures for drawing: a Canvas of RGB colours and a Mask of
// coverage values (0 to 1) that lettering and shapes are drawn into and then
// painted onto a canvas with a colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Colour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

constexpr Colour operator*(Colour c, float k) { return {c.r * k, c.g * k, c.b * k}; }
constexpr Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
constexpr Colour mix(Colour a, Colour b, float t) { return a * (1.0f - t) + b * t; }

class Mask {
public:
    Mask(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    float at(int x, int y) const { return values_[size_t(y) * width_ + x]; }
    float& at(int x, int y) { return values_[size_t(y) * width_ + x]; }
    // Adds coverage as a union: two half-covering shapes give 0.75, not 1.
    void cover(int x, int y, float coverage);
    // Gaussian-like blur (three box passes) of the given radius in pixels;
    // coverage outside the mask counts as 0.
    Mask blurred(float radius) const;

private:
    int width_;
    int height_;
    std::vector<float> values_;
};

class Canvas {
public:
    Canvas(int width, int height, Colour ground = Colour{});

    int width() const { return width_; }
    int height() const { return height_; }
    Colour at(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
    Colour& at(int x, int y) { return pixels_[size_t(y) * width_ + x]; }
    // Lays colour over the canvas where the mask covers it.
    void paint(const Mask& mask, Colour colour, float opacity = 1.0f);
    // Same, with the colour varying over the canvas.
    template <class ColourAt>
    void paintWith(const Mask& mask, ColourAt colourAt, float opacity = 1.0f) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const float a = mask.at(x, y) * opacity;
                if (a > 0.0f) at(x, y) = mix(at(x, y), colourAt(x, y), a);
            }
        }
    }
    // Adds light: the colour scaled by the mask's coverage (glows, sheens).
    void add(const Mask& mask, Colour colour);
    // 8-bit RGB bytes, rows from the top, with a fixed dither against banding
    // in dark gradients; the same canvas always gives the same bytes.
    std::vector<uint8_t> toRgb8() const;
    // The same with a fourth byte per pixel, the mask's coverage as opacity;
    // the mask has the canvas's size.
    std::vector<uint8_t> toRgba8(const Mask& alpha) const;

private:
    // RGB bytes, followed per pixel by the alpha mask's byte when one is given.
    std::vector<uint8_t> toBytes(const Mask* alpha) const;

    int width_;
    int height_;
    std::vector<Colour> pixels_;
};
