#include "render/gl_shader.h"

#include <vector>

#include <epoxy/gl.h>

namespace gravelkin {

namespace {

std::string shaderLog(GLuint shader) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) return {};
    std::vector<char> text(static_cast<std::size_t>(length));
    glGetShaderInfoLog(shader, length, nullptr, text.data());
    return std::string(text.data());
}

std::string programLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) return {};
    std::vector<char> text(static_cast<std::size_t>(length));
    glGetProgramInfoLog(program, length, nullptr, text.data());
    return std::string(text.data());
}

}  // namespace

std::uint32_t compileGlShader(ShaderStage stage, const std::string& glsl, std::string& log) {
    const GLuint shader = glCreateShader(stage == ShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    if (shader == 0) {
        log = "glCreateShader failed";
        return 0;
    }
    const char* source = glsl.c_str();
    const auto length = static_cast<GLint>(glsl.size());
    glShaderSource(shader, 1, &source, &length);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    log = shaderLog(shader);
    if (compiled != GL_TRUE) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

std::uint32_t linkGlProgram(std::uint32_t vertexShader, std::uint32_t fragmentShader, std::string& log) {
    const GLuint program = glCreateProgram();
    if (program == 0) {
        log = "glCreateProgram failed";
        return 0;
    }
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    log = programLog(program);
    if (linked != GL_TRUE) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace gravelkin
