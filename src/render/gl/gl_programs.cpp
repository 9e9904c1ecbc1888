#include "render/gl/gl_programs.h"

#include <cstddef>
#include <string_view>

namespace tsuzuri::render::gl {
namespace {

// The only line that differs for a GLES 3 device, together with a
// precision statement for the fragment shader.
constexpr std::string_view kVersionLine = "#version 330 core\n";

// Positions arrive in Direct3D clip space, where pixel centres lie on
// integer window coordinates and y grows upwards in normalised units while
// rows are counted from the top. Our targets keep row 0 at the top of their
// memory, which is the bottom of GL's window space, and GL puts pixel
// centres on half-integers. Moving by half a pixel right and half a pixel
// down (in the flipped frame) and flipping y makes both rasterise the same
// pixels and sample the same texels; this is the only place where the two
// conventions are reconciled.
constexpr std::string_view kVertexSource = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aDiffuse;
layout(location = 2) in vec2 aTexCoord0;
layout(location = 3) in vec2 aTexCoord1;

uniform mat4 uTransform;
uniform vec2 uPixelOffset;

out vec4 vDiffuse;
out vec2 vTexCoord0;
out vec2 vTexCoord1;

void main() {
  vec4 clip = uTransform * vec4(aPosition, 1.0);
  gl_Position = vec4(clip.x + clip.w * uPixelOffset.x, -(clip.y - clip.w * uPixelOffset.y),
                     clip.z, clip.w);
  // The diffuse colour is a little-endian 0xAARRGGBB word read as four
  // normalised bytes: blue, green, red, alpha.
  vDiffuse = aDiffuse.zyxw;
  vTexCoord0 = aTexCoord0;
  vTexCoord1 = aTexCoord1;
}
)";

// Every program in one source: PROGRAM_ALPHA_MASK or PROGRAM_STAND picks
// what programColour() computes (the plain program without either), then
// the colour operation and the blend mode's pre-step follow alike.
constexpr std::string_view kFragmentSource = R"(
uniform sampler2D uTexture0;
uniform sampler2D uTexture1;
uniform vec4 uColourFactor;
// 1 when no texture is bound: the quad shows its diffuse colour.
uniform float uFlat;
// c0, c1 and c2 of the masking and cross-fade programs.
uniform vec4 uConstants[3];

in vec4 vDiffuse;
in vec2 vTexCoord0;
in vec2 vTexCoord1;

layout(location = 0) out vec4 oColour;

#if defined(PROGRAM_ALPHA_MASK)
#define COLOUR_OPERAND uConstants[2]
// The image times the diffuse colour, its alpha scaled by how far the
// mask's red channel lies below the threshold in c1.x, with c0.x as the
// steepness (negative for a reversed mask).
vec4 programColour() {
  vec4 colour = texture(uTexture0, vTexCoord0) * vDiffuse;
  float mask = texture(uTexture1, vTexCoord1).r;
  colour.a *= min(uConstants[1].x - mask * uConstants[0].x, 1.0);
  return colour;
}
#elif defined(PROGRAM_STAND)
#define COLOUR_OPERAND uConstants[1]
// The cross-fade of a sprite from its old picture (texture 0) to its new
// one (texture 1) at progress c0.x, as the new one laid over the faded old.
vec4 programColour() {
  vec4 older = texture(uTexture0, vTexCoord0) * vDiffuse;
  vec4 newer = texture(uTexture1, vTexCoord1) * vDiffuse;
  // Pixels that do not change stay exactly as they are.
  if (older == newer) return older;
  float progress = uConstants[0].x;
  float olderAlpha = (1.0 - progress) * older.a;
  float newerAlpha = progress * newer.a;
  if (newer.a == 0.0) return older.a == 0.0 ? vec4(0.0) : vec4(older.rgb, olderAlpha);
  if (older.a == 0.0) return vec4(newer.rgb, newerAlpha);
  if (older.a > 0.996 && newer.a > 0.996) {
    return vec4(mix(older.rgb, newer.rgb, newerAlpha), 1.0);
  }
  float alpha = olderAlpha * (1.0 - newerAlpha) + newerAlpha;
  return vec4(mix(older.rgb, newer.rgb, newerAlpha / alpha), alpha);
}
#else
#define COLOUR_OPERAND uColourFactor
// Stage 0 as the sprites were made for: the colour is the texture's, the
// alpha the texture's times the diffuse alpha (a sprite's opacity).
vec4 programColour() {
  vec4 texel = texture(uTexture0, vTexCoord0);
  return vec4(mix(texel.rgb, vDiffuse.rgb, uFlat), texel.a * vDiffuse.a);
}
#endif

void main() {
  vec4 colour = programColour();
#if defined(COLOUR_MODULATE)
  colour.rgb *= COLOUR_OPERAND.rgb;
#elif defined(COLOUR_ADD)
  colour.rgb += COLOUR_OPERAND.rgb;
#endif
  // What the target would keep of the colour; the pre-step below needs it
  // before the blend unit sees it.
  colour = clamp(colour, 0.0, 1.0);
#if defined(PRE_PREMULTIPLY)
  colour.rgb *= colour.a;
#elif defined(PRE_OVER_WHITE)
  colour.rgb = colour.rgb * colour.a + vec3(1.0 - colour.a);
#endif
  oColour = colour;
}
)";

int colourOpIndex(ColourOp op) {
  switch (op) {
    case ColourOp::kModulate:
      return 1;
    case ColourOp::kAdd:
      return 2;
    case ColourOp::kNone:
      break;
  }
  return 0;
}

std::string variantDefines(Program program, ColourOp op, PreStep step) {
  std::string defines;
  if (program == Program::kAlphaMask) defines += "#define PROGRAM_ALPHA_MASK 1\n";
  if (program == Program::kStand) defines += "#define PROGRAM_STAND 1\n";
  if (op == ColourOp::kModulate) defines += "#define COLOUR_MODULATE 1\n";
  if (op == ColourOp::kAdd) defines += "#define COLOUR_ADD 1\n";
  if (step == PreStep::kPremultiply) defines += "#define PRE_PREMULTIPLY 1\n";
  if (step == PreStep::kOverWhite) defines += "#define PRE_OVER_WHITE 1\n";
  return defines;
}

// The compiler's or linker's log of a shader or program object.
std::string infoLog(GLuint object, PFNGLGETSHADERIVPROC getParameter,
                    PFNGLGETSHADERINFOLOGPROC getLog) {
  GLint length = 0;
  getParameter(object, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) getLog(object, length, nullptr, log.data());
  return log;
}

// A compiled shader, or 0 with the compiler's log in `error`.
GLuint compile(GLenum kind, std::string_view defines, std::string_view body, std::string& error) {
  const GLuint shader = glCreateShader(kind);
  if (shader == 0) {
    error = "the GL context refused to create a shader";
    return 0;
  }
  const std::array<const GLchar*, 3> parts{kVersionLine.data(), defines.data(), body.data()};
  const std::array<GLint, 3> lengths{static_cast<GLint>(kVersionLine.size()),
                                     static_cast<GLint>(defines.size()),
                                     static_cast<GLint>(body.size())};
  glShaderSource(shader, 3, parts.data(), lengths.data());
  glCompileShader(shader);
  GLint compiled = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (compiled != GL_TRUE) {
    error = std::string(kind == GL_VERTEX_SHADER ? "vertex" : "fragment") +
            " shader did not compile: " + infoLog(shader, glGetShaderiv, glGetShaderInfoLog);
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

PreStep preStepOf(BlendMode mode) {
  switch (mode) {
    case BlendMode::kMultiply:
    case BlendMode::kDarken:
      return PreStep::kOverWhite;
    case BlendMode::kScreen:
    case BlendMode::kLighten:
    case BlendMode::kExclusion:
      return PreStep::kPremultiply;
    case BlendMode::kCopy:
    case BlendMode::kAlpha:
    case BlendMode::kAdd:
    case BlendMode::kSubtract:
      break;
  }
  return PreStep::kNone;
}

ProgramCache::~ProgramCache() {
  for (const Slot& slot : slots_) {
    if (slot.program.name != 0) glDeleteProgram(slot.program.name);
  }
  if (vertexShader_ != 0) glDeleteShader(vertexShader_);
}

GLuint ProgramCache::vertexShader() {
  if (!vertexTried_) {
    vertexTried_ = true;
    vertexShader_ = compile(GL_VERTEX_SHADER, "", kVertexSource, error_);
  }
  return vertexShader_;
}

const LinkedProgram* ProgramCache::get(Program program, ColourOp op, PreStep step) {
  const int programIndex = static_cast<int>(program);
  const int stepIndex = static_cast<int>(step);
  if (programIndex >= kProgramCount || stepIndex >= kPreStepCount) return nullptr;
  const auto index =
      static_cast<std::size_t>((programIndex * 3 + colourOpIndex(op)) * kPreStepCount + stepIndex);
  Slot& slot = slots_[index];
  if (slot.tried) return slot.program.name != 0 ? &slot.program : nullptr;
  slot.tried = true;

  const GLuint vertex = vertexShader();
  if (vertex == 0) return nullptr;
  const GLuint fragment =
      compile(GL_FRAGMENT_SHADER, variantDefines(program, op, step), kFragmentSource, error_);
  if (fragment == 0) return nullptr;

  const GLuint name = glCreateProgram();
  glAttachShader(name, vertex);
  glAttachShader(name, fragment);
  glLinkProgram(name);
  glDetachShader(name, vertex);
  glDetachShader(name, fragment);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(name, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    error_ = "shader program did not link: " + infoLog(name, glGetProgramiv, glGetProgramInfoLog);
    glDeleteProgram(name);
    return nullptr;
  }

  slot.program.name = name;
  slot.program.transform = glGetUniformLocation(name, "uTransform");
  slot.program.pixelOffset = glGetUniformLocation(name, "uPixelOffset");
  slot.program.colourFactor = glGetUniformLocation(name, "uColourFactor");
  slot.program.flat = glGetUniformLocation(name, "uFlat");
  slot.program.constants = glGetUniformLocation(name, "uConstants");
  // The samplers never change unit, so they are set once here.
  glUseProgram(name);
  glUniform1i(glGetUniformLocation(name, "uTexture0"), 0);
  glUniform1i(glGetUniformLocation(name, "uTexture1"), 1);
  return &slot.program;
}

}  // namespace tsuzuri::render::gl
