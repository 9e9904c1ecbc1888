#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <string>

#include "render/gpu_device.h"

namespace tsuzuri::render::gl {

// Vertex attribute locations shared by every program; the vertex array of
// the device is laid out once for them.
inline constexpr GLuint kPositionAttribute = 0;
inline constexpr GLuint kDiffuseAttribute = 1;
inline constexpr GLuint kTexCoord0Attribute = 2;
inline constexpr GLuint kTexCoord1Attribute = 3;

// The programs the cache builds: every one of the enumeration.
inline constexpr int kProgramCount = static_cast<int>(Program::kLanczos2) + 1;

// What a blend mode does to the colour before the blend unit sees it.
// Direct3D did this in texture stage 1; here it is part of the fragment
// shader, chosen per variant.
enum class PreStep : std::uint8_t {
  kNone,         // the colour as it is
  kPremultiply,  // Cs as (screen, lighten, exclusion)
  kOverWhite,    // Cs as + (1 - as) (multiply, darken)
};
inline constexpr int kPreStepCount = 3;

PreStep preStepOf(BlendMode mode);

// A linked program and where its uniforms are; a uniform that the program
// does not use is -1, which GL ignores when it is set.
struct LinkedProgram {
  GLuint name = 0;
  GLint transform = -1;     // mat4, uploaded untransposed from Matrix4
  GLint pixelOffset = -1;   // vec2: (1 / target width, 1 / target height)
  GLint colourFactor = -1;  // vec4 rgba of the plain program's colour operation
  GLint flat = -1;          // 1 without a texture: the diffuse colour shows
  GLint constants = -1;     // vec4[3]: c0, c1, c2 of all but the plain program
};

// The programs of the device, one per variant, each compiled and linked on
// first use and kept until the cache goes. The context must be current
// whenever the cache is used or destroyed.
class ProgramCache {
 public:
  ProgramCache() = default;
  ~ProgramCache();
  ProgramCache(const ProgramCache&) = delete;
  ProgramCache& operator=(const ProgramCache&) = delete;

  // The variant of `program` for a colour operation and pre-step; null for
  // a program the cache does not know or one that cannot be built (error()
  // says why; a failed variant is not retried).
  const LinkedProgram* get(Program program, ColourOp op, PreStep step);

  const std::string& error() const { return error_; }

 private:
  struct Slot {
    LinkedProgram program;
    bool tried = false;
  };

  GLuint vertexShader();

  GLuint vertexShader_ = 0;
  bool vertexTried_ = false;
  std::array<Slot, kProgramCount * 3 * kPreStepCount> slots_{};
  std::string error_;
};

}  // namespace tsuzuri::render::gl
