#include "render/gl/gl_programs.h"

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <vector>

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

// What every fragment shader starts with.
constexpr std::string_view kFragmentHeader = R"(
uniform sampler2D uTexture0;
uniform sampler2D uTexture1;
uniform vec4 uColourFactor;
// 1 when no texture is bound: the quad shows its diffuse colour.
uniform float uFlat;
// c0, c1 and c2 of the masking, cross-fade and scaling programs.
uniform vec4 uConstants[3];

in vec4 vDiffuse;
in vec2 vTexCoord0;
in vec2 vTexCoord1;

layout(location = 0) out vec4 oColour;
)";

// The sprite programs: PROGRAM_ALPHA_MASK, PROGRAM_STAND or
// PROGRAM_MASK_FADE picks what programColour() computes (the plain program
// without any of them).
constexpr std::string_view kSpriteSource = R"(
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
#elif defined(PROGRAM_MASK_FADE)
#define COLOUR_OPERAND uColourFactor
// The new picture (texture 0) shows where the mask (texture 1) lies below
// the threshold c1.x, fading in over a band whose width c0.x sets; the
// blend unit lays it over the old picture.
vec4 programColour() {
  vec3 colour = texture(uTexture0, vTexCoord0).rgb;
  float mask = texture(uTexture1, vTexCoord1).r;
  return vec4(colour, clamp((uConstants[1].x - mask) * uConstants[0].x, 0.0, 1.0));
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
)";

// The scaling filters, one per PROGRAM_ define, computed as
// scaling_filters.cpp does on the processor. The sample point, in picture
// texels with texel centres on integers, is the pixel's coordinate on the
// picture (c0.xy texels) less half a texel; every tap is the texel at a
// whole offset from the one at or before the point, read without filtering
// and kept inside the picture.
constexpr std::string_view kScalingSource = R"(
#define COLOUR_OPERAND uColourFactor

const float kPi = 3.14159265358979;
// The smallest pi d the Lanczos weights divide by.
const float kMinimumAngle = 0.00392;

vec4 tap(ivec2 texel) {
  ivec2 last = ivec2(uConstants[0].xy) - 1;
  return texelFetch(uTexture0, clamp(texel, ivec2(0), last), 0);
}

// Rows of the 4 x 4 filters, with weights for offsets -1, 0, +1, +2. The
// short rows, used above and below the middle two, read offset 0 for the
// first two weights and offset +1 for the last two: twelve reads in all.
vec4 fullRow(ivec2 base, int dy, vec4 w) {
  return tap(base + ivec2(-1, dy)) * w.x + tap(base + ivec2(0, dy)) * w.y +
         tap(base + ivec2(1, dy)) * w.z + tap(base + ivec2(2, dy)) * w.w;
}
vec4 shortRow(ivec2 base, int dy, vec4 w) {
  return tap(base + ivec2(0, dy)) * (w.x + w.y) + tap(base + ivec2(1, dy)) * (w.z + w.w);
}
vec4 twelveTaps(ivec2 base, vec4 wx, vec4 wy) {
  return shortRow(base, -1, wx) * wy.x + fullRow(base, 0, wx) * wy.y +
         fullRow(base, 1, wx) * wy.z + shortRow(base, 2, wx) * wy.w;
}

vec4 programColour() {
  vec2 position = vTexCoord0 * uConstants[0].xy - 0.5;
  vec2 cell = floor(position);
  vec2 f = position - cell;
  ivec2 base = ivec2(cell);
#if defined(PROGRAM_BILINEAR_SHARP)
  vec2 w = clamp((f - 0.5) * uConstants[1].x + 0.5, 0.0, 1.0);
  vec4 top = mix(tap(base), tap(base + ivec2(1, 0)), w.x);
  vec4 bottom = mix(tap(base + ivec2(0, 1)), tap(base + ivec2(1, 1)), w.x);
  return mix(top, bottom, w.y);
#elif defined(PROGRAM_LANCZOS1)
  // sin^2(pi d) / (pi d)^2 for the texel at or before the point (d = f)
  // and the next one (d = 1 - f), normalised per axis.
  vec4 x = max(vec4(f, 1.0 - f) * kPi, kMinimumAngle);
  vec4 sine = sin(x);
  vec4 w = sine * sine / (x * x);
  w /= vec4(w.xy + w.zw, w.xy + w.zw);
  vec4 top = tap(base) * w.x + tap(base + ivec2(1, 0)) * w.z;
  vec4 bottom = tap(base + ivec2(0, 1)) * w.x + tap(base + ivec2(1, 1)) * w.z;
  return top * w.y + bottom * w.w;
#elif defined(PROGRAM_BIQUAD)
  vec3 wx = vec3(f.x * f.x - f.x, 1.0 - f.x * f.x, f.x);
  vec3 wy = vec3(f.y * f.y - f.y, 1.0 - f.y * f.y, f.y);
  vec4 sum = vec4(0.0);
  for (int j = 0; j < 3; ++j) {
    vec4 line = tap(base + ivec2(-1, j - 1)) * wx.x + tap(base + ivec2(0, j - 1)) * wx.y +
                tap(base + ivec2(1, j - 1)) * wx.z;
    sum += line * wy[j];
  }
  return sum;
#elif defined(PROGRAM_BICUBIC)
  // The cubic convolution kernel with a = -1.
  vec4 fx = vec4(f.x * f.x * f.x, f.x * f.x, f.x, 1.0);
  vec4 fy = vec4(f.y * f.y * f.y, f.y * f.y, f.y, 1.0);
  mat4 kernel = mat4(-1.0, 2.0, -1.0, 0.0,
                     1.0, -2.0, 0.0, 1.0,
                     -1.0, 1.0, 1.0, 0.0,
                     1.0, -1.0, 0.0, 0.0);
  return twelveTaps(base, fx * kernel, fy * kernel);
#elif defined(PROGRAM_LANCZOS2)
  // sin(pi d) sin(pi d / 2) / ((pi d)^2 / 2) at the distances of the four
  // offsets, normalised per axis.
  vec4 x = max(abs(f.x + vec4(1.0, 0.0, -1.0, -2.0)) * kPi, kMinimumAngle);
  vec4 y = max(abs(f.y + vec4(1.0, 0.0, -1.0, -2.0)) * kPi, kMinimumAngle);
  vec4 wx = sin(x) * sin(x * 0.5) / (x * x * 0.5);
  vec4 wy = sin(y) * sin(y * 0.5) / (y * y * 0.5);
  return twelveTaps(base, wx / dot(wx, vec4(1.0)), wy / dot(wy, vec4(1.0)));
#endif
}
)";

// The colour operation and the blend mode's pre-step, alike for every
// program.
constexpr std::string_view kFragmentMain = R"(
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

bool isScaling(Program program) {
  switch (program) {
    case Program::kBiLinearSharp:
    case Program::kLanczos1:
    case Program::kBiQuad:
    case Program::kBiCubic:
    case Program::kLanczos2:
      return true;
    case Program::kPlain:
    case Program::kAlphaMask:
    case Program::kStand:
    case Program::kMaskFade:
      break;
  }
  return false;
}

const char* programDefine(Program program) {
  switch (program) {
    case Program::kAlphaMask:
      return "PROGRAM_ALPHA_MASK";
    case Program::kStand:
      return "PROGRAM_STAND";
    case Program::kMaskFade:
      return "PROGRAM_MASK_FADE";
    case Program::kBiLinearSharp:
      return "PROGRAM_BILINEAR_SHARP";
    case Program::kLanczos1:
      return "PROGRAM_LANCZOS1";
    case Program::kBiQuad:
      return "PROGRAM_BIQUAD";
    case Program::kBiCubic:
      return "PROGRAM_BICUBIC";
    case Program::kLanczos2:
      return "PROGRAM_LANCZOS2";
    case Program::kPlain:
      break;
  }
  return nullptr;
}

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
  if (const char* name = programDefine(program)) defines += "#define " + std::string(name) + " 1\n";
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

// A shader compiled from the version line and `parts` in order, or 0 with
// the compiler's log in `error`.
GLuint compile(GLenum kind, std::initializer_list<std::string_view> parts, std::string& error) {
  const GLuint shader = glCreateShader(kind);
  if (shader == 0) {
    error = "the GL context refused to create a shader";
    return 0;
  }
  std::vector<const GLchar*> texts{kVersionLine.data()};
  std::vector<GLint> lengths{static_cast<GLint>(kVersionLine.size())};
  for (const std::string_view part : parts) {
    texts.push_back(part.data());
    lengths.push_back(static_cast<GLint>(part.size()));
  }
  glShaderSource(shader, static_cast<GLsizei>(texts.size()), texts.data(), lengths.data());
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
    vertexShader_ = compile(GL_VERTEX_SHADER, {kVertexSource}, error_);
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
  const std::string defines = variantDefines(program, op, step);
  const GLuint fragment =
      compile(GL_FRAGMENT_SHADER,
              {defines, kFragmentHeader, isScaling(program) ? kScalingSource : kSpriteSource,
               kFragmentMain},
              error_);
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
