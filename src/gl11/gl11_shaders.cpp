#include "gl11/gl11_shaders.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// OpenGL 1.1's lighting, per vertex and in eye space:
//   colour = emission + ambient * model ambient
//          + sum over lights of attenuation * spot *
//            (ambient * light ambient + max(n.L, 0) * diffuse * light diffuse
//             + (n.L > 0 ? max(n.H, 0)^shininess : 0) * specular * light specular)
// with L the unit vector to the light, H the unit half vector between L and
// the unit vector to the eye (the origin for a local viewer, +z otherwise),
// alpha the diffuse alpha, the result clamped to [0, 1]. With colour material
// the vertex colour is the ambient and diffuse material of both faces.
// Attenuation and spot apply to positional lights only.
const char* const VertexShader = R"(#version 300 es
precision highp float;
precision highp int;
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
uniform mat4 uMvp;
uniform mat4 uModelView;
uniform mat3 uNormalMatrix;
uniform bool uLighting, uNormalize, uColourMaterial, uLocalViewer, uTwoSide;
uniform vec4 uModelAmbient;
uniform vec4 uEmission[2], uAmbient[2], uDiffuse[2], uSpecular[2];
uniform float uShininess[2];
uniform int uLightCount;
uniform vec4 uLightAmbient[8], uLightDiffuse[8], uLightSpecular[8], uLightPosition[8];
uniform vec4 uSpot[8];        // direction in eye space, exponent
uniform vec4 uLightRange[8];  // cosine of the cut-off (-2: none), constant, linear, quadratic attenuation
out vec4 vFront;
out vec4 vBack;

vec4 Shade(int side, vec3 n, vec3 eye) {
  vec4 ambient = uColourMaterial ? aColour : uAmbient[side];
  vec4 diffuse = uColourMaterial ? aColour : uDiffuse[side];
  vec3 c = uEmission[side].rgb + ambient.rgb * uModelAmbient.rgb;
  for (int i = 0; i < uLightCount; ++i) {
    vec4 p = uLightPosition[i];
    vec3 toLight;
    float scale = 1.0;
    if (p.w != 0.0) {
      vec3 d = p.xyz / p.w - eye;
      float distance = length(d);
      toLight = d / distance;
      vec4 range = uLightRange[i];
      if (range.yzw != vec3(1.0, 0.0, 0.0))
        scale = 1.0 / (range.y + range.z * distance + range.w * distance * distance);
      if (range.x > -1.5) {
        float cosine = dot(-toLight, normalize(uSpot[i].xyz));
        scale *= cosine >= range.x ? pow(max(cosine, 0.0), uSpot[i].w) : 0.0;
      }
    } else {
      toLight = normalize(p.xyz);
    }
    vec3 toEye = uLocalViewer ? normalize(-eye) : vec3(0.0, 0.0, 1.0);
    vec3 halfway = normalize(toLight + toEye);
    float nl = dot(n, toLight);
    float nh = max(dot(n, halfway), 0.0);
    float shininess = uShininess[side];
    float highlight = nl > 0.0 ? (shininess == 0.0 ? 1.0 : pow(nh, shininess)) : 0.0;
    c += scale * (ambient.rgb * uLightAmbient[i].rgb + max(nl, 0.0) * diffuse.rgb * uLightDiffuse[i].rgb +
                  highlight * uSpecular[side].rgb * uLightSpecular[i].rgb);
  }
  return clamp(vec4(c, diffuse.a), 0.0, 1.0);
}

void main() {
  gl_Position = uMvp * vec4(aPosition, 1.0);
  gl_PointSize = 1.0;
  if (!uLighting) {
    vFront = clamp(aColour, 0.0, 1.0);
    vBack = vFront;
    return;
  }
  vec3 eye = (uModelView * vec4(aPosition, 1.0)).xyz;
  vec3 n = uNormalMatrix * aNormal;
  if (uNormalize) n = normalize(n);
  vFront = Shade(0, n, eye);
  vBack = uTwoSide ? Shade(1, -n, eye) : vFront;
}
)";

const char* const FragmentShader = R"(#version 300 es
precision highp float;
in vec4 vFront;
in vec4 vBack;
out vec4 fragColour;
void main() { fragColour = gl_FrontFacing ? vFront : vBack; }
)";

// What the compiler or linker said, on the standard error.
void ReportLog(const char* stage, GLuint object, bool shader) {
  GLint length = 0;
  shader ? glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length) : glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> log(static_cast<std::size_t>(std::max(length, 1)) + 1, '\0');
  shader ? glGetShaderInfoLog(object, length, nullptr, log.data())
         : glGetProgramInfoLog(object, length, nullptr, log.data());
  std::fprintf(stderr, "The OpenGL 1.1 layer's %s failed: %s\n", stage, log[0] ? log.data() : "(no log)");
}

GLuint Compile(GLenum kind, const char* source) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    ReportLog(kind == GL_VERTEX_SHADER ? "vertex shader" : "fragment shader", shader, true);
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

bool FixedFunctionProgram::Build() {
  program_ = 0;
  failure_ = "";
  for (std::vector<float>& sent : sent_) sent.clear();
  const GLuint vertex = Compile(GL_VERTEX_SHADER, VertexShader);
  const GLuint fragment = vertex ? Compile(GL_FRAGMENT_SHADER, FragmentShader) : 0;
  if (vertex == 0 || fragment == 0) {
    failure_ = vertex == 0 ? "vertex shader" : "fragment shader";
    if (vertex) glDeleteShader(vertex);
    return false;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    failure_ = "program link";
    ReportLog(failure_, program, false);
    glDeleteProgram(program);
    return false;
  }
  program_ = program;
  const auto at = [program](const char* name) { return glGetUniformLocation(program, name); };
  mvp_ = at("uMvp");
  modelView_ = at("uModelView");
  normalMatrix_ = at("uNormalMatrix");
  lighting_ = at("uLighting");
  normalize_ = at("uNormalize");
  colourMaterial_ = at("uColourMaterial");
  localViewer_ = at("uLocalViewer");
  twoSide_ = at("uTwoSide");
  modelAmbient_ = at("uModelAmbient");
  emission_ = at("uEmission");
  ambient_ = at("uAmbient");
  diffuse_ = at("uDiffuse");
  specular_ = at("uSpecular");
  shininess_ = at("uShininess");
  lightCount_ = at("uLightCount");
  lightAmbient_ = at("uLightAmbient");
  lightDiffuse_ = at("uLightDiffuse");
  lightSpecular_ = at("uLightSpecular");
  lightPosition_ = at("uLightPosition");
  spot_ = at("uSpot");
  lightRange_ = at("uLightRange");
  return true;
}

void FixedFunctionProgram::Delete() {
  if (program_) glDeleteProgram(program_);
  program_ = 0;
}

void FixedFunctionProgram::Use() const { glUseProgram(program_); }

bool FixedFunctionProgram::Differs(Uniform u, const float* value, std::size_t count) {
  std::vector<float>& sent = sent_[u];
  if (sent.size() == count && std::equal(value, value + count, sent.begin())) return false;
  sent.assign(value, value + count);
  return true;
}

void FixedFunctionProgram::SetMatrices(const Matrix4& modelViewProjection, const Matrix4& modelView,
                                       const std::array<float, 9>& normal) {
  if (Differs(Mvp, modelViewProjection.data(), 16)) glUniformMatrix4fv(mvp_, 1, GL_FALSE, modelViewProjection.data());
  if (Differs(ModelView, modelView.data(), 16)) glUniformMatrix4fv(modelView_, 1, GL_FALSE, modelView.data());
  if (Differs(NormalMatrix3, normal.data(), 9)) glUniformMatrix3fv(normalMatrix_, 1, GL_FALSE, normal.data());
}

void FixedFunctionProgram::SetLighting(const LightingState& lighting, bool normalize) {
  const auto flag = [this](Uniform u, GLint location, bool on) {
    const float value = on;
    if (Differs(u, &value, 1)) glUniform1i(location, on);
  };
  const auto vectors = [this](Uniform u, GLint location, const float* v, int count) {
    if (Differs(u, v, static_cast<std::size_t>(count) * 4)) glUniform4fv(location, count, v);
  };
  flag(Lighting, lighting_, lighting.Lighting);
  flag(Normalize, normalize_, normalize);
  flag(ColourMaterial, colourMaterial_, lighting.ColourMaterial);
  flag(LocalViewer, localViewer_, lighting.LocalViewer);
  flag(TwoSide, twoSide_, lighting.TwoSide);
  vectors(ModelAmbient, modelAmbient_, lighting.ModelAmbient.data(), 1);
  float emission[8], ambient[8], diffuse[8], specular[8], shininess[2];
  for (int side = 0; side < 2; ++side) {
    const Material& m = lighting.Materials[side];
    for (int k = 0; k < 4; ++k) {
      emission[side * 4 + k] = m.Emission[k];
      ambient[side * 4 + k] = m.Ambient[k];
      diffuse[side * 4 + k] = m.Diffuse[k];
      specular[side * 4 + k] = m.Specular[k];
    }
    shininess[side] = m.Shininess;
  }
  vectors(Emission, emission_, emission, 2);
  vectors(Ambient, ambient_, ambient, 2);
  vectors(Diffuse, diffuse_, diffuse, 2);
  vectors(Specular, specular_, specular, 2);
  if (Differs(Shininess, shininess, 2)) glUniform1fv(shininess_, 2, shininess);

  // The enabled lights, packed to the front.
  float lightAmbient[4 * MaxLights], lightDiffuse[4 * MaxLights], lightSpecular[4 * MaxLights];
  float position[4 * MaxLights], spot[4 * MaxLights], range[4 * MaxLights];
  int count = 0;
  for (const Light& light : lighting.Lights) {
    if (!light.Enabled) continue;
    for (int k = 0; k < 4; ++k) {
      lightAmbient[count * 4 + k] = light.Ambient[k];
      lightDiffuse[count * 4 + k] = light.Diffuse[k];
      lightSpecular[count * 4 + k] = light.Specular[k];
      position[count * 4 + k] = light.Position[k];
    }
    for (int k = 0; k < 3; ++k) spot[count * 4 + k] = light.SpotDirection[k];
    spot[count * 4 + 3] = light.SpotExponent;
    constexpr double DegreesToRadians = 3.14159265358979323846 / 180.0;
    range[count * 4] = light.SpotCutoff == 180 ? -2.0f : static_cast<float>(std::cos(light.SpotCutoff * DegreesToRadians));
    for (int k = 0; k < 3; ++k) range[count * 4 + 1 + k] = light.Attenuation[k];
    ++count;
  }
  const float lights = static_cast<float>(count);
  if (Differs(LightCount, &lights, 1)) glUniform1i(lightCount_, count);
  if (count > 0) {
    vectors(LightAmbient, lightAmbient_, lightAmbient, count);
    vectors(LightDiffuse, lightDiffuse_, lightDiffuse, count);
    vectors(LightSpecular, lightSpecular_, lightSpecular, count);
    vectors(LightPosition, lightPosition_, position, count);
    vectors(Spot, spot_, spot, count);
    vectors(LightRange, lightRange_, range, count);
  }
}
