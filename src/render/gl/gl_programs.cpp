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

uniform mat4 uTransform;
uniform vec2 uPixelOffset;

out vec4 vDiffuse;
out vec2 vTexCoord0;

void main() {
  vec4 clip = uTransform * vec4(aPosition, 1.0);
  gl_Position = vec4(clip.x + clip.w * uPixelOffset.x, -(clip.y - clip.w * uPixelOffset.y),
                     clip.z, clip.w);
  // The diffuse colour is a little-endian 0xAARRGGBB word read as four
  // normalised bytes: blue, green, red, alpha.
  vDiffuse = aDiffuse.zyxw;
  vTexCoord0 = aTexCoord0;
}
)";

constexpr std::string_view kFragmentSource = R"(
uniform sampler2D uTexture0;
uniform vec4 uColourFactor;
// 1 when no texture is bound: the quad shows its diffuse colour.
uniform float uFlat;

in vec4 vDiffuse;
in vec2 vTexCoord0;

layout(location = 0) out vec4 oColour;

void main() {
  // Stage 0 as the sprites were made for: the colour is the texture's, the
  // alpha the texture's times the diffuse alpha (a sprite's opacity).
  vec4 texel = texture(uTexture0, vTexCoord0);
  vec4 colour = vec4(mix(texel.rgb, vDiffuse.rgb, uFlat), texel.a * vDiffuse.a);
#if defined(COLOUR_MODULATE)
  colour.rgb *= uColourFactor.rgb;
#elif defined(COLOUR_ADD)
  colour.rgb = min(colour.rgb + uColourFactor.rgb, vec3(1.0));
#endif
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

std::string variantDefines(ColourOp op, PreStep step) {
  std::string defines;
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
  for (const Slot& slot : plain_) {
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

const PlainProgram* ProgramCache::plain(ColourOp op, PreStep step) {
  const auto index =
      static_cast<std::size_t>(colourOpIndex(op) * kPreStepCount + static_cast<int>(step));
  if (index >= plain_.size()) return nullptr;
  Slot& slot = plain_[index];
  if (slot.tried) return slot.program.name != 0 ? &slot.program : nullptr;
  slot.tried = true;

  const GLuint vertex = vertexShader();
  if (vertex == 0) return nullptr;
  const GLuint fragment =
      compile(GL_FRAGMENT_SHADER, variantDefines(op, step), kFragmentSource, error_);
  if (fragment == 0) return nullptr;

  const GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glLinkProgram(program);
  glDetachShader(program, vertex);
  glDetachShader(program, fragment);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    error_ =
        "shader program did not link: " + infoLog(program, glGetProgramiv, glGetProgramInfoLog);
    glDeleteProgram(program);
    return nullptr;
  }

  slot.program.name = program;
  slot.program.transform = glGetUniformLocation(program, "uTransform");
  slot.program.pixelOffset = glGetUniformLocation(program, "uPixelOffset");
  slot.program.colourFactor = glGetUniformLocation(program, "uColourFactor");
  slot.program.flat = glGetUniformLocation(program, "uFlat");
  // The sampler never changes unit, so it is set once here.
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "uTexture0"), 0);
  return &slot.program;
}

}  // namespace tsuzuri::render::gl
