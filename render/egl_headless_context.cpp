#include "render/egl_headless_context.h"

#include <cstring>

#include <epoxy/egl.h>
#include <epoxy/gl.h>

namespace gravelkin {

namespace {

bool hasExtension(const char* list, const char* name) {
    if (list == nullptr) return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

std::string eglErrorText(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " failed (EGL error " + code + ")";
}

}  // namespace

std::unique_ptr<EglHeadlessContext> EglHeadlessContext::create(std::string& error) {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless") ||
        !hasExtension(clientExtensions, "EGL_EXT_platform_base")) {
        error = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless); install Mesa's EGL (libegl-mesa0)";
        return nullptr;
    }
    std::unique_ptr<EglHeadlessContext> context(new EglHeadlessContext());
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) {
        error = eglErrorText("eglGetPlatformDisplayEXT(surfaceless)");
        return nullptr;
    }
    EGLint major = 0;
    EGLint minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        error = eglErrorText("eglInitialize");
        return nullptr;
    }
    context->display_ = display;

    // Mesa offers surfaceless configs only among the pbuffer-capable ones.
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                       EGL_BLUE_SIZE,    8,               EGL_ALPHA_SIZE,      8,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
        error = eglErrorText("eglChooseConfig (OpenGL, pbuffer, RGBA8)");
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = eglErrorText("eglBindAPI(OpenGL)");
        return nullptr;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,       4,
                                        EGL_CONTEXT_MINOR_VERSION,       5,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    EGLContext glContext = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (glContext == EGL_NO_CONTEXT) {
        error = eglErrorText("eglCreateContext (OpenGL 4.5 core)");
        return nullptr;
    }
    context->context_ = glContext;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, glContext)) {
        error = eglErrorText("eglMakeCurrent without a surface");
        return nullptr;
    }
    return context;
}

EglHeadlessContext::~EglHeadlessContext() {
    if (display_ == nullptr) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != nullptr) eglDestroyContext(display_, context_);
    eglTerminate(display_);
    eglReleaseThread();
}

std::string EglHeadlessContext::rendererName() const {
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name != nullptr ? name : "unknown";
}

}  // namespace gravelkin
