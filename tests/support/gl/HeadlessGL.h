#pragma once
// A headless OpenGL context for tests: EGL on Mesa's surfaceless platform,
// desktop GL with the compatibility profile, drawing into a framebuffer
// object (RGBA8 colour, 24-bit depth with 8-bit stencil). A machine without
// a working EGL fails the tests rather than skipping them, so that a broken
// set-up is noticed.
#include "render/GLExtensions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmor::test {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Rgba&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgba& colour);

// The process-wide context, created on first use and current from then on.
class HeadlessGL {
public:
    static HeadlessGL& Instance();
    bool Ready() const { return ready_; }
    const std::string& Error() const { return error_; }
    static GLProc GetProc(const char* name);

private:
    HeadlessGL();
    bool ready_ = false;
    std::string error_;
};

// A framebuffer object of the given size, bound (with its viewport) while
// it lives.
class GLFramebuffer {
public:
    GLFramebuffer(int width, int height);
    ~GLFramebuffer();
    GLFramebuffer(const GLFramebuffer&) = delete;
    GLFramebuffer& operator=(const GLFramebuffer&) = delete;

    bool Complete() const { return complete_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Window coordinates: y counts from the bottom row.
    Rgba ReadPixel(int x, int y) const;
    std::vector<Rgba> ReadAll() const;
    float ReadDepth(int x, int y) const;
    uint8_t ReadStencil(int x, int y) const;

private:
    int width_, height_;
    unsigned framebuffer_ = 0, colour_ = 0, depthStencil_ = 0;
    bool complete_ = false;
};

// Base of every GL test: a current context, the capabilities loaded through
// EGL's entry points, the default state of a new scene and a 64 x 64
// framebuffer cleared to transparent black.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    Rgba Pixel(int x, int y) const { return framebuffer_->ReadPixel(x, y); }
    // Orthographic projection mapping -1..1 on every axis onto the framebuffer.
    static void UseUnitOrtho();
    // The same with lighting and depth testing off, for flat colour checks.
    static void UseFlatUnitOrtho();
    std::unique_ptr<GLFramebuffer> framebuffer_;
};

} // namespace velmor::test
