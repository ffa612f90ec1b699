// Gravelkin's shader pair: chunk vertices in world space, lit by one
// directional light and a flat ambient term, coloured by the voxel colour and
// the rock texture.
//
// Contract with the renderer:
// - FrameConstants at b0, 112 bytes, in this order. viewProjection is stored
//   row 0 first and positions are row vectors: clip = p x viewProjection.
// - VertexInput matches ChunkVertex field by field (locations 0 to 3).
// - The rock texture at t0 with its sampler at s0 (linear, wrapping).
// Clip-space depth runs from 0 at the near plane to 1 at the far plane.

cbuffer FrameConstants : register(b0)
{
    row_major float4x4 viewProjection;
    float4 lightDirection;  // toward the light; xyz is unit length
    float4 lightColor;
    float4 ambientColor;
};

Texture2D rockTexture : register(t0);
SamplerState rockSampler : register(s0);

struct VertexInput
{
    float3 position : POSITION;
    float4 color : COLOR;
    float2 texcoord : TEXCOORD;
    float3 normal : NORMAL;
};

struct PixelInput
{
    float4 position : SV_POSITION;
    float4 color : COLOR;
    float2 texcoord : TEXCOORD;
    float3 light : LIGHT;  // diffuse plus ambient, per vertex
};

PixelInput VShader(VertexInput input)
{
    PixelInput output;
    output.position = mul(float4(input.position, 1.0), viewProjection);
    output.color = input.color;
    output.texcoord = input.texcoord;
    // Every quad is flat, so lighting its corners is as good as lighting
    // each pixel, and the pixel stage needs no constants.
    float diffuse = saturate(dot(normalize(input.normal), lightDirection.xyz));
    output.light = ambientColor.rgb + lightColor.rgb * diffuse;
    return output;
}

float4 PShader(PixelInput input) : SV_TARGET
{
    // The rock texture averages about 0.63 in brightness; the gain keeps the
    // voxel colour's own brightness while the texture adds the grain.
    float3 rock = rockTexture.Sample(rockSampler, input.texcoord).rgb * 1.6;
    float3 albedo = input.color.rgb * rock;
    return float4(saturate(albedo * input.light), 1.0);
}
