// Preloaded into the program by the soak test: counts the texture, display
// list and buffer names the process holds, whoever made them, and keeps the
// counts in the file named by VELMOR_GL_CENSUS ("textures N lists N buffers N",
// rewritten on every change). GL 1.x entry points are interposed directly,
// extension ones through the GLX, EGL and GL get-proc-address calls.
// It also keeps every library loaded to the end of the process, so that the
// leak checker, which runs last, can still name the library of each frame.
#include <GL/gl.h>
#include <GL/glx.h>
#include <EGL/egl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <type_traits>
#include <unistd.h>
#include <unordered_set>

namespace {

std::mutex gMutex;
std::unordered_set<GLuint> gTextures, gLists, gBuffers;

void Publish()
{
    static const int fd = [] {
        const char* path = std::getenv("VELMOR_GL_CENSUS");
        return path != nullptr ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    }();
    if (fd < 0) return;
    char line[96];
    const int n = std::snprintf(line, sizeof line, "textures %-10zu lists %-10zu buffers %-10zu\n", gTextures.size(),
                                gLists.size(), gBuffers.size());
    if (n > 0) (void)!pwrite(fd, line, static_cast<size_t>(n), 0);
}

template <typename F>
F Next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void Add(std::unordered_set<GLuint>& set, GLsizei n, const GLuint* names)
{
    std::lock_guard lock(gMutex);
    for (GLsizei i = 0; names != nullptr && i < n; ++i)
        if (names[i] != 0) set.insert(names[i]);
    Publish();
}

void Remove(std::unordered_set<GLuint>& set, GLsizei n, const GLuint* names)
{
    std::lock_guard lock(gMutex);
    for (GLsizei i = 0; names != nullptr && i < n; ++i) set.erase(names[i]);
    Publish();
}

using GenNames = void (*)(GLsizei, GLuint*);
using DeleteNames = void (*)(GLsizei, const GLuint*);
GenNames gRealGenBuffers, gRealGenBuffersARB;
DeleteNames gRealDeleteBuffers, gRealDeleteBuffersARB;

void WrapGenBuffers(GLsizei n, GLuint* names)
{
    gRealGenBuffers(n, names);
    Add(gBuffers, n, names);
}
void WrapGenBuffersARB(GLsizei n, GLuint* names)
{
    gRealGenBuffersARB(n, names);
    Add(gBuffers, n, names);
}
void WrapDeleteBuffers(GLsizei n, const GLuint* names)
{
    Remove(gBuffers, n, names);
    gRealDeleteBuffers(n, names);
}
void WrapDeleteBuffersARB(GLsizei n, const GLuint* names)
{
    Remove(gBuffers, n, names);
    gRealDeleteBuffersARB(n, names);
}

// The wrapper of an entry point the census follows, with the real one kept; null for any other.
void (*Wrapped(const char* name, void (*real)()))()
{
    if (real == nullptr || name == nullptr) return real;
    auto pick = [&](auto& slot, auto wrapper) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(real);
        return reinterpret_cast<void (*)()>(wrapper);
    };
    if (std::strcmp(name, "glGenBuffers") == 0) return pick(gRealGenBuffers, WrapGenBuffers);
    if (std::strcmp(name, "glGenBuffersARB") == 0) return pick(gRealGenBuffersARB, WrapGenBuffersARB);
    if (std::strcmp(name, "glDeleteBuffers") == 0) return pick(gRealDeleteBuffers, WrapDeleteBuffers);
    if (std::strcmp(name, "glDeleteBuffersARB") == 0) return pick(gRealDeleteBuffersARB, WrapDeleteBuffersARB);
    if (std::strcmp(name, "glGenTextures") == 0) return reinterpret_cast<void (*)()>(&glGenTextures);
    if (std::strcmp(name, "glDeleteTextures") == 0) return reinterpret_cast<void (*)()>(&glDeleteTextures);
    if (std::strcmp(name, "glGenLists") == 0) return reinterpret_cast<void (*)()>(&glGenLists);
    if (std::strcmp(name, "glDeleteLists") == 0) return reinterpret_cast<void (*)()>(&glDeleteLists);
    return real;
}

} // namespace

extern "C" {

void glGenTextures(GLsizei n, GLuint* names)
{
    static const auto real = Next<GenNames>("glGenTextures");
    real(n, names);
    Add(gTextures, n, names);
}

void glDeleteTextures(GLsizei n, const GLuint* names)
{
    static const auto real = Next<DeleteNames>("glDeleteTextures");
    Remove(gTextures, n, names);
    real(n, names);
}

GLuint glGenLists(GLsizei range)
{
    static const auto real = Next<GLuint (*)(GLsizei)>("glGenLists");
    const GLuint first = real(range);
    if (first != 0) {
        std::lock_guard lock(gMutex);
        for (GLsizei i = 0; i < range; ++i) gLists.insert(first + static_cast<GLuint>(i));
        Publish();
    }
    return first;
}

void glDeleteLists(GLuint first, GLsizei range)
{
    static const auto real = Next<void (*)(GLuint, GLsizei)>("glDeleteLists");
    {
        std::lock_guard lock(gMutex);
        for (GLsizei i = 0; i < range; ++i) gLists.erase(first + static_cast<GLuint>(i));
        Publish();
    }
    real(first, range);
}

__GLXextFuncPtr glXGetProcAddressARB(const GLubyte* name)
{
    static const auto real = Next<__GLXextFuncPtr (*)(const GLubyte*)>("glXGetProcAddressARB");
    return Wrapped(reinterpret_cast<const char*>(name), real(name));
}

__GLXextFuncPtr glXGetProcAddress(const GLubyte* name)
{
    static const auto real = Next<__GLXextFuncPtr (*)(const GLubyte*)>("glXGetProcAddress");
    return Wrapped(reinterpret_cast<const char*>(name), real(name));
}

__eglMustCastToProperFunctionPointerType eglGetProcAddress(const char* name)
{
    static const auto real = Next<__eglMustCastToProperFunctionPointerType (*)(const char*)>("eglGetProcAddress");
    return Wrapped(name, real(name));
}

int dlclose(void*)
{
    return 0;
}

} // extern "C"
