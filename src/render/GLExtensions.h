#pragma once
// The OpenGL capabilities of the view's context, probed once after it is
// made current, and the default state every new scene starts from.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <functional>
#include <string>

namespace velmor {

// What the program asks of every OpenGL surface it draws on. Mesa gives a
// compatibility context by default; a core profile would lose the fixed
// function pipeline the units draw with.
struct GLSurfaceRequest {
    bool compatibilityProfile = true;
    bool doubleBuffer = true;
    int redBits = 8;
    int greenBits = 8;
    int blueBits = 8;
    int alphaBits = 8;
    int depthBits = 24;
    int stencilBits = 8;
};
GLSurfaceRequest RequestedSurfaceFormat();

using GLProc = void (*)();
// Resolves an entry point by name: Qt's context in the program, EGL in tests.
using GetGLProc = std::function<GLProc(const char* name)>;

struct GLCapabilities {
    float glVersion = 0.0f;
    int32_t maxTextureSize = 0;
    int32_t max3DTextureSize = 0;
    PFNGLTEXIMAGE3DPROC texImage3D = nullptr;
    PFNGLTEXSUBIMAGE3DPROC texSubImage3D = nullptr;
    PFNGLBLENDEQUATIONPROC blendEquation = nullptr;
    PFNGLBLENDFUNCSEPARATEEXTPROC blendFuncSeparate = nullptr;
    PFNGLBLENDEQUATIONSEPARATEEXTPROC blendEquationSeparate = nullptr;
    uint8_t vertexBufferSupported = 0;
    PFNGLGENBUFFERSARBPROC genBuffers = nullptr;
    PFNGLBINDBUFFERARBPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAARBPROC bufferData = nullptr;
    PFNGLBUFFERSUBDATAARBPROC bufferSubData = nullptr;
    PFNGLDELETEBUFFERSARBPROC deleteBuffers = nullptr;
    PFNGLGETBUFFERPARAMETERIVARBPROC getBufferParameteriv = nullptr;
    uint8_t nonPowerOfTwoSupported = 0;
    PFNGLDEBUGMESSAGECALLBACKPROC debugMessageCallback = nullptr;
    PFNGLGETDEBUGMESSAGELOGARBPROC getDebugMessageLog = nullptr;
    std::string vendorName = "other";
    uint32_t totalVideoMemory = 0;   // thousands of bytes; 0 when unknown
};

// Application-wide; filled by LoadGLExtensions.
extern GLCapabilities GLCaps;

void LoadGLExtensions(const GetGLProc& getProc);
bool IsGLExtensionSupported(const char* name);
// Total video memory in thousands of bytes, 0 when no source reports it.
uint32_t ProbeVideoMemory();
// Usable video memory in millions of bytes, or -1 when it cannot be known
// (which callers take as enough). The document's memory checks reach it
// through their injectable video-memory query, which the program points here.
int64_t QueryDriverVideoMemory();

// Default state of a new scene; `plain` for the histogram views, which draw
// unlit on white without depth.
void InitGLState(bool plain);

} // namespace velmor
