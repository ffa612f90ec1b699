#include "render/shader_compiler.h"

#include <cstdint>
#include <vector>

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_cross_c.h>

namespace gravelkin {

namespace {

// glslang counts its clients: each compile takes its own reference, so the
// process-wide tables are freed again when the last compile ends.
struct GlslangProcess {
    GlslangProcess() { glslang::InitializeProcess(); }
    ~GlslangProcess() { glslang::FinalizeProcess(); }
    GlslangProcess(const GlslangProcess&) = delete;
    GlslangProcess& operator=(const GlslangProcess&) = delete;
};

void appendLog(std::string& messages, const char* log) {
    if (log == nullptr || *log == '\0') return;
    messages += log;
    if (messages.back() != '\n') messages += '\n';
}

bool hlslToSpirv(const std::string& source, const std::string& sourceName, EShLanguage language,
                 const std::string& entryPoint, std::vector<std::uint32_t>& spirv, std::string& messages) {
    GlslangProcess process;
    glslang::TShader shader(language);
    const char* strings[] = {source.c_str()};
    const int lengths[] = {static_cast<int>(source.size())};
    const char* names[] = {sourceName.c_str()};
    shader.setStringsWithLengthsAndNames(strings, lengths, names, 1);
    shader.setEntryPoint(entryPoint.c_str());
    shader.setSourceEntryPoint(entryPoint.c_str());
    // SPIR-V in the Vulkan dialect is what the HLSL front end produces; the
    // GLSL back end below drops what OpenGL does not know (descriptor sets).
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    // Registers become bindings (b0 -> 0, t0 -> 0, s0 -> 0); locations follow
    // declaration order.
    shader.setHlslIoMapping(true);
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
    const auto rules = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl);

    const bool parsed = shader.parse(GetDefaultResources(), 100, false, rules);
    appendLog(messages, shader.getInfoLog());
    appendLog(messages, shader.getInfoDebugLog());
    if (!parsed) return false;

    glslang::TProgram program;
    program.addShader(&shader);
    const bool linked = program.link(rules) && program.mapIO();
    appendLog(messages, program.getInfoLog());
    if (!linked) return false;

    spv::SpvBuildLogger logger;
    glslang::SpvOptions options;
    options.validate = false;
    glslang::GlslangToSpv(*program.getIntermediate(language), spirv, &logger, &options);
    appendLog(messages, logger.getAllMessages().c_str());
    return !spirv.empty();
}

void spirvCrossError(void* userData, const char* error) {
    auto& messages = *static_cast<std::string*>(userData);
    messages += "SPIRV-Cross: ";
    appendLog(messages, error);
}

// Owns one SPIRV-Cross context and everything allocated from it.
struct SpvcContext {
    spvc_context handle = nullptr;
    SpvcContext() { spvc_context_create(&handle); }
    ~SpvcContext() {
        if (handle != nullptr) spvc_context_destroy(handle);
    }
    SpvcContext(const SpvcContext&) = delete;
    SpvcContext& operator=(const SpvcContext&) = delete;
};

bool spirvToGlsl(const std::vector<std::uint32_t>& spirv, std::string& glsl, std::string& messages) {
    SpvcContext context;
    if (context.handle == nullptr) {
        messages += "SPIRV-Cross: could not create a context\n";
        return false;
    }
    spvc_context_set_error_callback(context.handle, spirvCrossError, &messages);

    spvc_parsed_ir ir = nullptr;
    spvc_compiler compiler = nullptr;
    spvc_compiler_options options = nullptr;
    if (spvc_context_parse_spirv(context.handle, spirv.data(), spirv.size(), &ir) != SPVC_SUCCESS) return false;
    if (spvc_context_create_compiler(context.handle, SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP,
                                     &compiler) != SPVC_SUCCESS)
        return false;
    if (spvc_compiler_create_compiler_options(compiler, &options) != SPVC_SUCCESS) return false;
    spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 450);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_VULKAN_SEMANTICS, SPVC_FALSE);
    spvc_compiler_install_compiler_options(compiler, options);

    // OpenGL has no separate samplers: each texture-sampler pair becomes one
    // sampler2D, bound at the texture's unit.
    if (spvc_compiler_build_combined_image_samplers(compiler) != SPVC_SUCCESS) return false;
    const spvc_combined_image_sampler* combined = nullptr;
    size_t combinedCount = 0;
    spvc_compiler_get_combined_image_samplers(compiler, &combined, &combinedCount);
    for (size_t i = 0; i < combinedCount; ++i) {
        const unsigned unit = spvc_compiler_get_decoration(compiler, combined[i].image_id, SpvDecorationBinding);
        spvc_compiler_set_decoration(compiler, combined[i].combined_id, SpvDecorationBinding, unit);
    }

    const char* source = nullptr;
    if (spvc_compiler_compile(compiler, &source) != SPVC_SUCCESS || source == nullptr) return false;
    glsl = source;
    return true;
}

}  // namespace

ShaderCompileResult compileHlslToGlsl(const std::string& source, const std::string& sourceName, ShaderStage stage,
                                      const std::string& entryPoint) {
    ShaderCompileResult result;
    const EShLanguage language = stage == ShaderStage::Vertex ? EShLangVertex : EShLangFragment;
    std::vector<std::uint32_t> spirv;
    if (!hlslToSpirv(source, sourceName, language, entryPoint, spirv, result.messages)) return result;
    result.ok = spirvToGlsl(spirv, result.glsl, result.messages);
    return result;
}

}  // namespace gravelkin
