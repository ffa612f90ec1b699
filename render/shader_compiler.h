// Compiles one entry point of an HLSL source to GLSL 4.50 for the driver.
//
// The shader source stays HLSL; this is the in-process compiler that turns it
// into what OpenGL accepts: glslang's HLSL front end to SPIR-V, then
// SPIRV-Cross to GLSL. Constant buffers keep their register number as the
// uniform block binding (b0 -> 0); each texture is combined with the sampler
// it is used with into one sampler2D at the texture's register number (t0 ->
// unit 0). Vertex inputs take locations in the order of the input struct's
// fields. Clip space is left as the HLSL wrote it (depth 0 to 1, no y flip):
// the renderer sets glClipControl to match.
//
// Threads: any thread; compilations may not overlap (glslang's process-wide
// state is set up and torn down around each one). The renderer compiles
// twice at start-up on the main thread.
#pragma once

#include <string>

namespace gravelkin {

enum class ShaderStage { Vertex, Fragment };

struct ShaderCompileResult {
    bool ok = false;
    std::string glsl;      // the GLSL source, when ok
    std::string messages;  // compiler errors and warnings; may be set when ok
};

// `sourceName` names the source in messages (the file name).
ShaderCompileResult compileHlslToGlsl(const std::string& source, const std::string& sourceName, ShaderStage stage,
                                      const std::string& entryPoint);

}  // namespace gravelkin
