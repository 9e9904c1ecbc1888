#include "render/gl/gl_device.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstddef>
#include <type_traits>

#include "render/gl/gl_programs.h"

namespace tsuzuri::render::gl {
namespace {

static_assert(std::is_same_v<GLuint, std::uint32_t>);

// The blend unit's part of each blend mode. Direct3D 9 has no separate
// alpha blend, so the colour factors and operation apply to alpha as well.
struct BlendState {
  GLenum equation;
  GLenum source;
  GLenum destination;
};
constexpr std::array<BlendState, kBlendModeCount> kBlendStates{{
    {GL_FUNC_ADD, GL_ONE, GL_ZERO},                                 // copy
    {GL_FUNC_ADD, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},            // alpha
    {GL_FUNC_ADD, GL_SRC_ALPHA, GL_ONE},                            // add
    {GL_FUNC_REVERSE_SUBTRACT, GL_SRC_ALPHA, GL_ONE},               // subtract
    {GL_FUNC_ADD, GL_ZERO, GL_SRC_COLOR},                           // multiply
    {GL_FUNC_ADD, GL_ONE_MINUS_DST_COLOR, GL_ONE},                  // screen
    {GL_MAX, GL_ONE, GL_ONE},                                       // lighten
    {GL_MIN, GL_ONE, GL_ONE},                                       // darken
    {GL_FUNC_ADD, GL_ONE_MINUS_DST_COLOR, GL_ONE_MINUS_SRC_COLOR},  // exclusion
}};

// A context that keeps reporting errors (a lost robust context reports the
// same one forever) must not hang the loop that drains them.
constexpr int kMaxErrorsRead = 64;

// Whether a program samples texture 1 (with the second coordinate pair).
bool usesTexture1(Program program) {
  return program == Program::kAlphaMask || program == Program::kStand ||
         program == Program::kMaskFade;
}

float channel(std::uint32_t argb, int shift) {
  return static_cast<float>((argb >> shift) & 0xFFU) / 255.0F;
}

std::int32_t levelCount(Size size) {
  std::int32_t levels = 1;
  while (size.width > 1 || size.height > 1) {
    size.width = std::max(1, size.width / 2);
    size.height = std::max(1, size.height / 2);
    ++levels;
  }
  return levels;
}

Size levelSize(Size size, std::int32_t level) {
  return {std::max(1, size.width >> level), std::max(1, size.height >> level)};
}

std::string glString(GLenum name) {
  const GLubyte* text = glGetString(name);
  return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

GLint glInteger(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

}  // namespace

std::unique_ptr<GpuDevice> createGlDevice(platform::Window& window, std::string& error) {
  std::unique_ptr<GlDevice> device(new GlDevice(window));
  if (!device->init(error)) return nullptr;
  return device;
}

GlDevice::GlDevice(platform::Window& window) : window_(window) {}

bool GlDevice::init(std::string& error) {
  const int version = epoxy_gl_version();
  if (!epoxy_is_desktop_gl() || version < 33) {
    error = "the graphics context is not OpenGL 3.3 or later (it reports \"" +
            glString(GL_VERSION) + "\")";
    return false;
  }
  // Errors left over from whoever used the context before are not ours.
  static_cast<void>(failed());

  GLint viewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  description_.vendor = glString(GL_VENDOR);
  description_.renderer = glString(GL_RENDERER);
  description_.version = glString(GL_VERSION);
  description_.shadingLanguage = glString(GL_SHADING_LANGUAGE_VERSION);
  description_.maxTextureSize = glInteger(GL_MAX_TEXTURE_SIZE);
  description_.maxRenderbufferSize = glInteger(GL_MAX_RENDERBUFFER_SIZE);
  description_.maxViewportWidth = viewport[0];
  description_.maxViewportHeight = viewport[1];
  description_.maxTextureUnits = glInteger(GL_MAX_TEXTURE_IMAGE_UNITS);

  caps_.maxTextureSize = description_.maxTextureSize;
  caps_.pow2Required = false;
  caps_.squareRequired = false;
  caps_.mipmaps = true;
  caps_.readScanline = false;

  // The fixed states of the composition: no culling, depth, dithering or
  // scissoring, blending always on (the copy mode blends with one and zero).
  // Depth clamping stands in for Direct3D's disabled clipping: a sprite
  // in front of the near plane or behind the far one is still drawn.
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_DITHER);
  glEnable(GL_DEPTH_CLAMP);
  glEnable(GL_BLEND);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);

  glGenVertexArrays(1, &vertexArray_);
  glBindVertexArray(vertexArray_);
  glGenBuffers(1, &vertexBuffer_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, sizeof(DrawCall::vertices), nullptr, GL_STREAM_DRAW);
  constexpr auto kStride = static_cast<GLsizei>(sizeof(Vertex));
  glEnableVertexAttribArray(kPositionAttribute);
  glVertexAttribPointer(kPositionAttribute, 3, GL_FLOAT, GL_FALSE, kStride,
                        reinterpret_cast<const void*>(offsetof(Vertex, x)));
  glEnableVertexAttribArray(kDiffuseAttribute);
  glVertexAttribPointer(kDiffuseAttribute, 4, GL_UNSIGNED_BYTE, GL_TRUE, kStride,
                        reinterpret_cast<const void*>(offsetof(Vertex, diffuse)));
  glEnableVertexAttribArray(kTexCoord0Attribute);
  glVertexAttribPointer(kTexCoord0Attribute, 2, GL_FLOAT, GL_FALSE, kStride,
                        reinterpret_cast<const void*>(offsetof(Vertex, u0)));
  glEnableVertexAttribArray(kTexCoord1Attribute);
  glVertexAttribPointer(kTexCoord1Attribute, 2, GL_FLOAT, GL_FALSE, kStride,
                        reinterpret_cast<const void*>(offsetof(Vertex, u1)));

  // A texture without mipmaps has only level 0 (its maximum level), so the
  // mip filter of these samplers never reaches beyond it.
  glGenSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
  for (std::size_t i = 0; i < samplers_.size(); ++i) {
    const bool linear = i == static_cast<std::size_t>(Filter::kLinear);
    const GLuint sampler = samplers_[i];
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                        linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }

  glGenTextures(1, &whiteTexture_);
  glBindTexture(GL_TEXTURE_2D, whiteTexture_);
  const std::uint32_t white = 0xFFFFFFFF;
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);

  glGenFramebuffers(1, &scratchFramebuffer_);

  const platform::PixelSize drawable = window_.drawableSize();
  backBuffer_.size = {std::max(1, drawable.width), std::max(1, drawable.height)};
  backBuffer_.use = TextureUse::kRenderTarget;
  glGenTextures(1, &backBuffer_.name);
  glGenFramebuffers(1, &backBuffer_.framebuffer);
  if (!allocateLevels(backBuffer_)) {
    error = "the back buffer (" + std::to_string(backBuffer_.size.width) + " x " +
            std::to_string(backBuffer_.size.height) + ") cannot be made";
    return false;
  }
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, backBuffer_.framebuffer);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backBuffer_.name,
                         0);
  if (glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    error = "the back buffer cannot be drawn into";
    return false;
  }
  target_ = kBackBuffer;
  bindCurrentTarget();
  clear(0xFF000000);

  // Building the commonest program now turns a driver that cannot compile
  // our shaders into a failure at start-up rather than an empty screen.
  programs_ = std::make_unique<ProgramCache>();
  if (programs_->get(Program::kPlain, ColourOp::kNone, PreStep::kNone) == nullptr) {
    error = programs_->error();
    return false;
  }
  // The sprites can do without masks and cross-fades, so a driver that
  // cannot build these only takes them away.
  caps_.spritePrograms =
      programs_->get(Program::kAlphaMask, ColourOp::kNone, PreStep::kNone) != nullptr &&
      programs_->get(Program::kStand, ColourOp::kNone, PreStep::kNone) != nullptr;
  caps_.pixelShaderLevel = shaderLevel();
  if (failed()) {
    error = "the graphics driver ran out of memory while the device was made";
    return false;
  }
  return true;
}

std::int32_t GlDevice::shaderLevel() {
  // The window falls back to bilinear scaling when a filter is missing, so
  // a driver that cannot build one only takes it (and those above it) away.
  const auto builds = [this](Program program) {
    return programs_->get(program, ColourOp::kNone, PreStep::kNone) != nullptr;
  };
  for (const Program program : {Program::kMaskFade, Program::kBiLinearSharp, Program::kLanczos1,
                                Program::kBiQuad, Program::kBiCubic}) {
    if (!builds(program)) return 0;
  }
  return builds(Program::kLanczos2) ? 3 : 2;
}

GlDevice::~GlDevice() {
  programs_.reset();
  for (auto& [id, texture] : textures_) release(texture);
  release(backBuffer_);
  if (whiteTexture_ != 0) glDeleteTextures(1, &whiteTexture_);
  if (scratchFramebuffer_ != 0) glDeleteFramebuffers(1, &scratchFramebuffer_);
  if (samplers_[0] != 0) {
    glDeleteSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
  }
  if (vertexBuffer_ != 0) glDeleteBuffers(1, &vertexBuffer_);
  if (vertexArray_ != 0) glDeleteVertexArrays(1, &vertexArray_);
}

void GlDevice::release(Texture& texture) {
  if (texture.framebuffer != 0) glDeleteFramebuffers(1, &texture.framebuffer);
  if (texture.name != 0) glDeleteTextures(1, &texture.name);
  texture.framebuffer = 0;
  texture.name = 0;
}

bool GlDevice::failed() {
  bool outOfMemory = false;
  for (int i = 0; i < kMaxErrorsRead; ++i) {
    const GLenum error = glGetError();
    if (error == GL_NO_ERROR) break;
    if (error == GL_OUT_OF_MEMORY) outOfMemory = true;
  }
  return outOfMemory;
}

const GlDevice::Texture* GlDevice::find(TextureId texture) const {
  const auto found = textures_.find(texture);
  return found != textures_.end() ? &found->second : nullptr;
}

const GlDevice::Texture* GlDevice::currentTarget() const {
  if (target_ == kBackBuffer) return &backBuffer_;
  return find(target_);
}

void GlDevice::bindCurrentTarget() {
  const Texture* target = currentTarget();
  if (target == nullptr) {
    target_ = kBackBuffer;
    target = &backBuffer_;
  }
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target->framebuffer);
  glViewport(0, 0, target->size.width, target->size.height);
}

bool GlDevice::allocateLevels(const Texture& texture) {
  static_cast<void>(failed());
  glBindTexture(GL_TEXTURE_2D, texture.name);
  for (std::int32_t level = 0; level < texture.levels; ++level) {
    const Size size = levelSize(texture.size, level);
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, size.width, size.height, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, texture.levels - 1);
  return !failed();
}

void GlDevice::clearLevel(const Texture& texture, std::int32_t level, std::uint32_t argb) {
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, scratchFramebuffer_);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.name,
                         level);
  glClearColor(channel(argb, 16), channel(argb, 8), channel(argb, 0), channel(argb, 24));
  glClear(GL_COLOR_BUFFER_BIT);
  // Detached again so that the scratch framebuffer never keeps a deleted
  // texture's storage alive.
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  bindCurrentTarget();
}

bool GlDevice::resizeBackBuffer(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0 || width > caps_.maxTextureSize || height > caps_.maxTextureSize) {
    return false;
  }
  const Size previous = backBuffer_.size;
  backBuffer_.size = {width, height};
  bool made = allocateLevels(backBuffer_);
  if (!made) {
    backBuffer_.size = previous;
    if (!allocateLevels(backBuffer_)) broken_ = true;
  }
  // A new back buffer starts black, as Direct3D's does after a reset.
  clearLevel(backBuffer_, 0, 0xFF000000);
  return made;
}

void GlDevice::setVSync(bool on) {
  window_.setSwapInterval(on ? 1 : 0);
}

TextureId GlDevice::createTexture(std::int32_t width, std::int32_t height, TextureUse use,
                                  bool mipmaps) {
  if (width <= 0 || height <= 0 || width > caps_.maxTextureSize || height > caps_.maxTextureSize) {
    return kNoTexture;
  }
  Texture texture;
  texture.size = {width, height};
  texture.use = use;
  // Only level 0 of a target is ever drawn into, so its smaller levels
  // would hold nothing worth sampling.
  texture.levels = mipmaps && use == TextureUse::kImage ? levelCount(texture.size) : 1;
  glGenTextures(1, &texture.name);
  bool made = allocateLevels(texture);
  if (made && use == TextureUse::kRenderTarget) {
    glGenFramebuffers(1, &texture.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, texture.framebuffer);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.name,
                           0);
    made = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    bindCurrentTarget();
  }
  if (!made) {
    release(texture);
    return kNoTexture;
  }
  // Fresh storage holds whatever the driver left there; zero is what a
  // level that was never written shows.
  for (std::int32_t level = 0; level < texture.levels; ++level) clearLevel(texture, level, 0);

  while (nextId_ == kNoTexture || textures_.contains(nextId_)) ++nextId_;
  const TextureId id = nextId_++;
  textures_.emplace(id, texture);
  return id;
}

void GlDevice::destroyTexture(TextureId texture) {
  const auto found = textures_.find(texture);
  if (found == textures_.end()) return;
  release(found->second);
  textures_.erase(found);
  if (target_ == texture) {
    target_ = kBackBuffer;
    bindCurrentTarget();
  }
}

bool GlDevice::writeTexture(TextureId texture, std::int32_t level, const std::uint32_t* pixels,
                            std::int32_t columns, std::int32_t rows, std::int32_t stride) {
  const Texture* found = find(texture);
  if (found == nullptr || level < 0 || level >= found->levels) return false;
  const Size size = levelSize(found->size, level);
  if (columns < 0 || rows < 0 || columns > size.width || rows > size.height) return false;
  const bool empty = columns == 0 || rows == 0;
  if (!empty && (pixels == nullptr || stride < columns)) return false;

  clearLevel(*found, level, 0);
  if (!empty) {
    glBindTexture(GL_TEXTURE_2D, found->name);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, stride);
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, columns, rows, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  }
  return true;
}

Size GlDevice::textureSize(TextureId texture) const {
  const Texture* found = find(texture);
  return found != nullptr ? found->size : Size{};
}

bool GlDevice::setTarget(TextureId target) {
  if (target != kBackBuffer) {
    const Texture* found = find(target);
    if (found == nullptr || found->use != TextureUse::kRenderTarget) return false;
  }
  target_ = target;
  bindCurrentTarget();
  return true;
}

void GlDevice::clear(std::uint32_t argb) {
  glClearColor(channel(argb, 16), channel(argb, 8), channel(argb, 0), channel(argb, 24));
  glClear(GL_COLOR_BUFFER_BIT);
}

void GlDevice::draw(const DrawCall& call) {
  const auto mode = static_cast<std::size_t>(call.blend);
  if (mode >= kBlendStates.size()) return;
  GLuint texture = whiteTexture_;
  if (call.texture0 != kNoTexture) {
    const Texture* found = find(call.texture0);
    if (found == nullptr) return;
    texture = found->name;
  }
  GLuint texture1 = 0;
  if (usesTexture1(call.program)) {
    const Texture* found = find(call.texture1);
    if (found == nullptr) return;
    texture1 = found->name;
  }
  const LinkedProgram* program = programs_->get(call.program, call.colourOp, preStepOf(call.blend));
  if (program == nullptr) return;
  const Texture* target = currentTarget();

  glUseProgram(program->name);
  glUniformMatrix4fv(program->transform, 1, GL_FALSE, call.transform.m.data());
  glUniform2f(program->pixelOffset, 1.0F / static_cast<float>(target->size.width),
              1.0F / static_cast<float>(target->size.height));
  glUniform4f(program->colourFactor, channel(call.colourFactor, 16), channel(call.colourFactor, 8),
              channel(call.colourFactor, 0), channel(call.colourFactor, 24));
  glUniform1f(program->flat, call.texture0 == kNoTexture ? 1.0F : 0.0F);
  std::array<GLfloat, 12> constants{};
  for (std::size_t i = 0; i < call.constants.size(); ++i) {
    std::copy(call.constants[i].begin(), call.constants[i].end(), constants.data() + 4 * i);
  }
  glUniform4fv(program->constants, 3, constants.data());

  const std::size_t filter = call.filter == Filter::kPoint ? 0 : 1;
  // Unit 1 first, so that unit 0 stays the active one for the texture
  // uploads outside of drawing.
  if (texture1 != 0) {
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, texture1);
    glBindSampler(1, samplers_[filter]);
  }
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBindSampler(0, samplers_[filter]);

  const BlendState& blend = kBlendStates[mode];
  glBlendEquation(blend.equation);
  glBlendFunc(blend.source, blend.destination);

  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(call.vertices), call.vertices.data());
  glDrawArrays(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(call.vertices.size()));
}

PresentResult GlDevice::present(const Rect& source, const Rect& destination) {
  if (broken_) return PresentResult::kFailed;
  const platform::PixelSize window = window_.drawableSize();

  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glClearColor(0.0F, 0.0F, 0.0F, 1.0F);
  glClear(GL_COLOR_BUFFER_BIT);
  const bool sourceInside = source.width() > 0 && source.height() > 0 && source.left >= 0 &&
                            source.top >= 0 && source.right <= backBuffer_.size.width &&
                            source.bottom <= backBuffer_.size.height;
  if (sourceInside && destination.width() > 0 && destination.height() > 0) {
    // Our rows run top-down from GL's y = 0, the window's bottom-up: the
    // destination's top edge becomes the larger y, which flips the copy.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, backBuffer_.framebuffer);
    glBlitFramebuffer(source.left, source.top, source.right, source.bottom, destination.left,
                      window.height - destination.top, destination.right,
                      window.height - destination.bottom, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  }
  window_.swapBuffers();
  bindCurrentTarget();
  if (failed()) {
    broken_ = true;
    return PresentResult::kFailed;
  }
  return PresentResult::kShown;
}

assets::ImagePtr GlDevice::readBack(TextureId target) {
  const Texture* found = target == kBackBuffer ? &backBuffer_ : find(target);
  if (found == nullptr || found->framebuffer == 0) return nullptr;
  assets::ImagePtr image = assets::makeImage(found->size.width, found->size.height, 32);
  if (!image) return nullptr;
  static_cast<void>(failed());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, found->framebuffer);
  glReadPixels(0, 0, found->size.width, found->size.height, GL_BGRA, GL_UNSIGNED_BYTE,
               image->pixels);
  if (failed()) return nullptr;
  return image;
}

}  // namespace tsuzuri::render::gl
