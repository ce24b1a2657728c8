#include "support/gl/HeadlessGL.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <ostream>

namespace velmor::test {

namespace {

struct FramebufferProcs {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
};

const FramebufferProcs& Procs()
{
    static const FramebufferProcs procs = [] {
        FramebufferProcs p;
        auto get = [](const char* name) { return HeadlessGL::GetProc(name); };
        p.genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(get("glGenFramebuffers"));
        p.deleteFramebuffers = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(get("glDeleteFramebuffers"));
        p.bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(get("glBindFramebuffer"));
        p.genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(get("glGenRenderbuffers"));
        p.deleteRenderbuffers = reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(get("glDeleteRenderbuffers"));
        p.bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(get("glBindRenderbuffer"));
        p.renderbufferStorage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(get("glRenderbufferStorage"));
        p.framebufferRenderbuffer = reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(get("glFramebufferRenderbuffer"));
        p.checkFramebufferStatus = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(get("glCheckFramebufferStatus"));
        return p;
    }();
    return procs;
}

} // namespace

std::ostream& operator<<(std::ostream& out, const Rgba& c)
{
    return out << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ")";
}

HeadlessGL& HeadlessGL::Instance()
{
    static HeadlessGL context;
    return context;
}

GLProc HeadlessGL::GetProc(const char* name) { return reinterpret_cast<GLProc>(eglGetProcAddress(name)); }

HeadlessGL::HeadlessGL()
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        error_ = "EGL has no eglGetPlatformDisplayEXT";
        return;
    }
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error_ = "cannot initialise Mesa's surfaceless EGL display";
        return;
    }
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    const std::string list = extensions ? extensions : "";
    if (list.find("EGL_KHR_no_config_context") == std::string::npos || list.find("EGL_KHR_surfaceless_context") == std::string::npos) {
        error_ = "EGL lacks configless or surfaceless contexts: " + list;
        return;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error_ = "EGL cannot bind desktop OpenGL";
        return;
    }
    // No attributes: Mesa's default is a compatibility context.
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT || !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        error_ = "cannot create or make current an EGL OpenGL context";
        return;
    }
    ready_ = Procs().genFramebuffers != nullptr && Procs().checkFramebufferStatus != nullptr;
    if (!ready_)
        error_ = "the context offers no framebuffer objects";
}

GLFramebuffer::GLFramebuffer(int width, int height) : width_(width), height_(height)
{
    const FramebufferProcs& p = Procs();
    p.genFramebuffers(1, &framebuffer_);
    p.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    p.genRenderbuffers(1, &colour_);
    p.bindRenderbuffer(GL_RENDERBUFFER, colour_);
    p.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    p.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    p.genRenderbuffers(1, &depthStencil_);
    p.bindRenderbuffer(GL_RENDERBUFFER, depthStencil_);
    p.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    p.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthStencil_);
    complete_ = p.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glViewport(0, 0, width, height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

GLFramebuffer::~GLFramebuffer()
{
    const FramebufferProcs& p = Procs();
    p.bindFramebuffer(GL_FRAMEBUFFER, 0);
    p.deleteRenderbuffers(1, &depthStencil_);
    p.deleteRenderbuffers(1, &colour_);
    p.deleteFramebuffers(1, &framebuffer_);
}

Rgba GLFramebuffer::ReadPixel(int x, int y) const
{
    Rgba pixel;
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}

std::vector<Rgba> GLFramebuffer::ReadAll() const
{
    std::vector<Rgba> pixels(static_cast<size_t>(width_) * height_);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

float GLFramebuffer::ReadDepth(int x, int y) const
{
    float depth = 0;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

uint8_t GLFramebuffer::ReadStencil(int x, int y) const
{
    uint8_t stencil = 0;
    glReadPixels(x, y, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    return stencil;
}

void GLTest::SetUp()
{
    HeadlessGL& context = HeadlessGL::Instance();
    ASSERT_TRUE(context.Ready()) << "no headless OpenGL: " << context.Error();
    LoadGLExtensions(&HeadlessGL::GetProc);
    framebuffer_ = std::make_unique<GLFramebuffer>(64, 64);
    ASSERT_TRUE(framebuffer_->Complete()) << "the RGBA8 + D24S8 framebuffer is incomplete";
    InitGLState(false);
}

void GLTest::TearDown()
{
    framebuffer_.reset();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

void GLTest::UseUnitOrtho()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GLTest::UseFlatUnitOrtho()
{
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    UseUnitOrtho();
}

} // namespace velmor::test
