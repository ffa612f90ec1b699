#include "render/gl_graphics_device.h"

#include <cstdio>

#include <epoxy/gl.h>

namespace gravelkin {

GlGraphicsDevice::~GlGraphicsDevice() { releaseAll(); }

std::uint32_t GlGraphicsDevice::bufferName(VertexBuffer* buffer) {
    const StagedVertexBuffer* staged = stored(buffer);
    return staged != nullptr ? staged->name : 0;
}

std::uint32_t GlGraphicsDevice::store(const ChunkVertex* vertices, std::uint32_t count) {
    const auto bytes = static_cast<GLsizeiptr>(std::size_t{count} * sizeof(ChunkVertex));
    // Drain older errors so that the check below speaks of this buffer only.
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint name = 0;
    glCreateBuffers(1, &name);
    glNamedBufferStorage(name, bytes, vertices, 0);
    if (glGetError() == GL_NO_ERROR && name != 0) return name;
    glDeleteBuffers(1, &name);
    if (!uploadFailureReported_) {
        uploadFailureReported_ = true;
        std::fprintf(stderr,
                     "gravelkin: OpenGL could not store a vertex buffer of %lld bytes; such chunks are not "
                     "drawn (further failures are not reported)\n",
                     static_cast<long long>(bytes));
    }
    return 0;
}

void GlGraphicsDevice::discard(std::uint32_t name) {
    const GLuint buffer = name;
    glDeleteBuffers(1, &buffer);
}

}  // namespace gravelkin
