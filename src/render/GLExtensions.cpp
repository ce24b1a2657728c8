#include "render/GLExtensions.h"

#include "render/GLExtensionRules.h"
#include "units/CKxDrawUVolumeR.h"
#include "units/MeshUnitDrawing.h"
#include "units/PictureUnitDrawing.h"
#include "units/PlainUnitsGL.h"

namespace velmor {

GLCapabilities GLCaps;

namespace {

// Values of the vendor memory extensions (not in every glext.h).
constexpr GLenum kNvxDedicatedVideoMemory = 0x9047;
constexpr GLenum kNvxCurrentAvailableVideoMemory = 0x9049;
constexpr GLenum kAtiTextureFreeMemory = 0x87FC;

const char* GLText(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : nullptr;
}

template <typename T>
T Fetch(const GetGLProc& getProc, const char* name)
{
    return reinterpret_cast<T>(getProc(name));
}

GLint QueryInteger(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    // A query the driver does not know leaves an error behind that would be
    // blamed on the next call.
    while (glGetError() != GL_NO_ERROR) {
    }
    return value;
}

} // namespace

GLSurfaceRequest RequestedSurfaceFormat() { return GLSurfaceRequest{}; }

bool IsGLExtensionSupported(const char* name)
{
    const char* extensions = GLText(GL_EXTENSIONS);
    return extensions != nullptr && name != nullptr && IsWholeWordIn(extensions, name);
}

void LoadGLExtensions(const GetGLProc& getProc)
{
    GLCapabilities caps;
    caps.glVersion = ParseGLVersion(GLText(GL_VERSION));
    caps.maxTextureSize = QueryInteger(GL_MAX_TEXTURE_SIZE);
    caps.max3DTextureSize = QueryInteger(GL_MAX_3D_TEXTURE_SIZE);
    caps.texImage3D = Fetch<PFNGLTEXIMAGE3DPROC>(getProc, "glTexImage3D");
    caps.texSubImage3D = Fetch<PFNGLTEXSUBIMAGE3DPROC>(getProc, "glTexSubImage3D");
    caps.blendEquation = Fetch<PFNGLBLENDEQUATIONPROC>(getProc, "glBlendEquation");
    caps.blendFuncSeparate = Fetch<PFNGLBLENDFUNCSEPARATEEXTPROC>(getProc, "glBlendFuncSeparateEXT");
    caps.blendEquationSeparate = Fetch<PFNGLBLENDEQUATIONSEPARATEEXTPROC>(getProc, "glBlendEquationSeparateEXT");
    caps.vertexBufferSupported = IsGLExtensionSupported("GL_ARB_vertex_buffer_object") ? 1 : 0;
    if (caps.vertexBufferSupported) {
        caps.genBuffers = Fetch<PFNGLGENBUFFERSARBPROC>(getProc, "glGenBuffersARB");
        caps.bindBuffer = Fetch<PFNGLBINDBUFFERARBPROC>(getProc, "glBindBufferARB");
        caps.bufferData = Fetch<PFNGLBUFFERDATAARBPROC>(getProc, "glBufferDataARB");
        caps.bufferSubData = Fetch<PFNGLBUFFERSUBDATAARBPROC>(getProc, "glBufferSubDataARB");
        caps.deleteBuffers = Fetch<PFNGLDELETEBUFFERSARBPROC>(getProc, "glDeleteBuffersARB");
        caps.getBufferParameteriv = Fetch<PFNGLGETBUFFERPARAMETERIVARBPROC>(getProc, "glGetBufferParameterivARB");
    }
    caps.nonPowerOfTwoSupported = IsGLExtensionSupported("GL_ARB_texture_non_power_of_two") ? 1 : 0;
    caps.debugMessageCallback = Fetch<PFNGLDEBUGMESSAGECALLBACKPROC>(getProc, "glDebugMessageCallback");
    caps.getDebugMessageLog = Fetch<PFNGLGETDEBUGMESSAGELOGARBPROC>(getProc, "glGetDebugMessageLogARB");
    const char* vendor = GLText(GL_VENDOR);
    caps.vendorName = ClassifyGLVendor(vendor ? vendor : "");
    GLCaps = caps;
    GLCaps.totalVideoMemory = ProbeVideoMemory();
    // Every unit kind finds the GL half of its drawing from here on.
    InstallVolumeUnitDrawing();
    InstallPictureUnitDrawing();
    InstallMeshUnitDrawing();
    InstallPlainUnitDrawing();
}

uint32_t ProbeVideoMemory()
{
    if (IsGLExtensionSupported("GL_NVX_gpu_memory_info")) {
        const GLint dedicated = QueryInteger(kNvxDedicatedVideoMemory);
        if (dedicated > 0)
            return static_cast<uint32_t>(dedicated);
    }
    return VideoMemoryFromSystem();
}

int64_t QueryDriverVideoMemory()
{
    const int64_t total = GLCaps.totalVideoMemory;
    if (total == 0)
        return -1;
    int64_t freeThousands = -1;
    switch (ChooseFreeVideoMemoryQuery(GLCaps.vendorName, IsGLExtensionSupported("GL_ATI_meminfo"),
                                       IsGLExtensionSupported("GL_NVX_gpu_memory_info"))) {
    case FreeVideoMemoryQuery::AtiTextureFree: {
        GLint values[4] = {0, 0, 0, 0};
        glGetIntegerv(kAtiTextureFreeMemory, values);
        freeThousands = values[1];
        break;
    }
    case FreeVideoMemoryQuery::NvxCurrentAvailable:
        freeThousands = QueryInteger(kNvxCurrentAvailableVideoMemory);
        break;
    case FreeVideoMemoryQuery::None:
        break;
    }
    return UsableVideoMemory(total, freeThousands);
}

void InitGLState(bool plain)
{
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glDisable(GL_LIGHT2);
    glDisable(GL_LIGHT3);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 120.0f);
    glDisable(GL_COLOR_MATERIAL);
    const GLfloat noAmbient[4] = {0, 0, 0, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, noAmbient);

    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    if (GLCaps.blendEquation)
        GLCaps.blendEquation(GL_FUNC_ADD);
    glDisable(GL_BLEND);

    glBindTexture(GL_TEXTURE_2D, 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glDisable(GL_TEXTURE_GEN_Q);

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glClearDepth(1.0);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glDisable(GL_CLIP_PLANE0);
    glEnable(GL_NORMALIZE);

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);

    glClearColor(0, 0, 0, 0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glPointSize(1.0f);
    glLineWidth(1.0f);

    if (plain) {
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glClearColor(1, 1, 1, 1);
    }
}

} // namespace velmor
