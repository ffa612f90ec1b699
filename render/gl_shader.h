// Turns the GLSL that the shader compiler produced into a linked GL program.
//
// Threads: the main thread, with the GL context current.
#pragma once

#include <cstdint>
#include <string>

#include "render/shader_compiler.h"

namespace gravelkin {

// A shader object compiled from `glsl`, or 0 with the driver's log in `log`.
std::uint32_t compileGlShader(ShaderStage stage, const std::string& glsl, std::string& log);

// A program linking the two shader objects, which stay attached; 0 with the
// driver's log in `log`.
std::uint32_t linkGlProgram(std::uint32_t vertexShader, std::uint32_t fragmentShader, std::string& log);

}  // namespace gravelkin
