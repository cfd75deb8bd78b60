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
// Attenuation and spot apply to positional lights only. A light's position
// comes divided by its w (positional) or normalised (directional), its spot
// direction normalised, from the CPU.
const char* const VertexHead = R"(#version 300 es
precision highp float;
precision highp int;
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
uniform mat4 uMvp;
out vec4 vFront;
)";

const char* const LightingUniforms = R"(uniform mat4 uModelView;
uniform mat3 uNormalMatrix;
uniform vec4 uModelAmbient;
uniform vec4 uEmission[2], uAmbient[2], uDiffuse[2], uSpecular[2];
uniform float uShininess[2];
)";

const char* const OneSidedFragment = R"(#version 300 es
precision highp float;
in vec4 vFront;
out vec4 fragColour;
void main() { fragColour = vFront; }
)";

const char* const TwoSidedFragment = R"(#version 300 es
precision highp float;
in vec4 vFront;
in vec4 vBack;
out vec4 fragColour;
void main() { fragColour = gl_FrontFacing ? vFront : vBack; }
)";

bool Has(ProgramKey key, ProgramKey bits) { return (key & bits) == bits; }
bool LightHas(ProgramKey key, int light, ProgramKey bits) { return Has(key, key::LightBits(light, bits)); }

bool Black(const Vec4& c) { return c[0] == 0 && c[1] == 0 && c[2] == 0; }

// The light's part of the colour, for the light's kind.
void AppendLight(std::string& s, ProgramKey key, int i) {
  const std::string n = std::to_string(i);
  s += "  {\n";
  if (LightHas(key, i, key::Positional)) {
    s += "    vec3 d = uLightPosition" + n + ".xyz - eye;\n";
    s += "    float distance = length(d);\n";
    s += "    vec3 toLight = d / distance;\n";
  } else {
    s += "    vec3 toLight = uLightPosition" + n + ".xyz;\n";
  }
  s += "    float scale = 1.0;\n";
  if (LightHas(key, i, key::Positional | key::Attenuation))
    s += "    scale = 1.0 / (uLightRange" + n + ".y + uLightRange" + n + ".z * distance + uLightRange" + n +
         ".w * distance * distance);\n";
  if (LightHas(key, i, key::Positional | key::Spot)) {
    s += "    float cosine = dot(-toLight, uSpot" + n + ".xyz);\n";
    s += "    scale *= cosine >= uLightRange" + n + ".x ? pow(max(cosine, 0.0), uSpot" + n + ".w) : 0.0;\n";
  }
  s += "    float nl = dot(n, toLight);\n";
  s += "    vec3 light = ambient.rgb * uLightAmbient" + n + ".rgb + max(nl, 0.0) * diffuse.rgb * uLightDiffuse" + n +
       ".rgb;\n";
  if (Has(key, key::Highlight)) {
    s += "    vec3 halfway = normalize(toLight + toEye);\n";
    s += "    float nh = max(dot(n, halfway), 0.0);\n";
    s += "    float highlight = nl > 0.0 ? (shininess == 0.0 ? 1.0 : pow(nh, shininess)) : 0.0;\n";
    s += "    light += highlight * specular * uLightSpecular" + n + ".rgb;\n";
  }
  s += "    c += scale * light;\n";
  s += "  }\n";
}

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

// Compiles the vertex shader `source` and the fragment shader for one or two
// sides and links them, the first `captured` of the clip position, front
// and back colours written to transform feedback buffers (interleaved); 0
// when a stage fails, `failure` then naming it (its log on the standard
// error).
GLuint BuildProgram(const std::string& source, bool twoSided, int captured, const char*& failure) {
  const GLuint vertex = Compile(GL_VERTEX_SHADER, source.c_str());
  const GLuint fragment = vertex ? Compile(GL_FRAGMENT_SHADER, twoSided ? TwoSidedFragment : OneSidedFragment) : 0;
  if (vertex == 0 || fragment == 0) {
    failure = vertex == 0 ? "vertex shader" : "fragment shader";
    if (vertex) glDeleteShader(vertex);
    return 0;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  if (captured > 0) {
    const char* const varyings[] = {"gl_Position", "vFront", "vBack"};
    glTransformFeedbackVaryings(program, captured, varyings, GL_INTERLEAVED_ATTRIBS);
  }
  glLinkProgram(program);
  // Detached, the shaders go at once; the program keeps what it linked.
  glDetachShader(program, vertex);
  glDetachShader(program, fragment);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    failure = "program link";
    ReportLog(failure, program, false);
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

}  // namespace

ProgramKey KeyOf(const LightingState& l, bool normalize) {
  if (!l.Lighting) return 0;
  ProgramKey k = key::Lighting;
  if (normalize) k |= key::Normalize;
  if (l.ColourMaterial) k |= key::ColourMaterial;
  if (l.LocalViewer) k |= key::LocalViewer;
  if (l.TwoSide) k |= key::TwoSide;
  bool specularLight = false;
  for (int i = 0; i < MaxLights; ++i) {
    const Light& light = l.Lights[i];
    if (!light.Enabled) continue;
    ProgramKey bits = key::LightOn;
    if (light.Position[3] != 0) {
      bits |= key::Positional;
      if (light.SpotCutoff != 180) bits |= key::Spot;
      if (light.Attenuation[0] != 1 || light.Attenuation[1] != 0 || light.Attenuation[2] != 0) bits |= key::Attenuation;
    }
    k |= key::LightBits(i, bits);
    specularLight = specularLight || !Black(light.Specular);
  }
  // Colour material leaves the specular material as it is.
  const bool specularFace = !Black(l.Materials[0].Specular) || (l.TwoSide && !Black(l.Materials[1].Specular));
  if (specularLight && specularFace) k |= key::Highlight;
  return k;
}

std::string DescribeKey(ProgramKey k) {
  if (!Has(k, key::Lighting)) return "unlit";
  std::string s = "lit";
  const std::pair<ProgramKey, const char*> flags[] = {{key::Normalize, " normalize"},
                                                       {key::ColourMaterial, " colour-material"},
                                                       {key::LocalViewer, " local-viewer"},
                                                       {key::TwoSide, " two-sided"},
                                                       {key::Highlight, " highlight"}};
  for (const auto& [bit, name] : flags)
    if (Has(k, bit)) s += name;
  for (int i = 0; i < MaxLights; ++i) {
    if (!LightHas(k, i, key::LightOn)) continue;
    s += " light" + std::to_string(i) + (LightHas(k, i, key::Positional) ? ":positional" : ":directional");
    if (LightHas(k, i, key::Spot)) s += "+spot";
    if (LightHas(k, i, key::Attenuation)) s += "+attenuation";
  }
  return s;
}

std::string VertexShaderSource(ProgramKey k) {
  std::string s = VertexHead;
  const bool twoSided = Has(k, key::Lighting | key::TwoSide);
  if (twoSided) s += "out vec4 vBack;\n";
  if (!Has(k, key::Lighting)) {
    s += "void main() {\n  gl_Position = uMvp * vec4(aPosition, 1.0);\n  gl_PointSize = 1.0;\n"
         "  vFront = clamp(aColour, 0.0, 1.0);\n}\n";
    return s;
  }
  s += LightingUniforms;
  for (int i = 0; i < MaxLights; ++i) {
    if (!LightHas(k, i, key::LightOn)) continue;
    const std::string n = std::to_string(i);
    s += "uniform vec4 uLightAmbient" + n + ", uLightDiffuse" + n + ", uLightPosition" + n + ";\n";
    if (Has(k, key::Highlight)) s += "uniform vec4 uLightSpecular" + n + ";\n";
    if (LightHas(k, i, key::Positional | key::Spot)) s += "uniform vec4 uSpot" + n + ";  // direction, exponent\n";
    if (LightHas(k, i, key::Positional | key::Spot) || LightHas(k, i, key::Positional | key::Attenuation))
      s += "uniform vec4 uLightRange" + n + ";  // cosine of the cut-off, constant, linear, quadratic attenuation\n";
  }
  s += "\nvec4 Shade(int side, vec3 n, vec3 eye, vec3 toEye) {\n";
  if (Has(k, key::ColourMaterial)) {
    s += "  vec4 ambient = aColour;\n  vec4 diffuse = aColour;\n";
  } else {
    s += "  vec4 ambient = uAmbient[side];\n  vec4 diffuse = uDiffuse[side];\n";
  }
  if (Has(k, key::Highlight)) s += "  vec3 specular = uSpecular[side].rgb;\n  float shininess = uShininess[side];\n";
  s += "  vec3 c = uEmission[side].rgb + ambient.rgb * uModelAmbient.rgb;\n";
  for (int i = 0; i < MaxLights; ++i)
    if (LightHas(k, i, key::LightOn)) AppendLight(s, k, i);
  s += "  return clamp(vec4(c, diffuse.a), 0.0, 1.0);\n}\n\n";
  s += "void main() {\n  gl_Position = uMvp * vec4(aPosition, 1.0);\n  gl_PointSize = 1.0;\n";
  s += "  vec3 eye = (uModelView * vec4(aPosition, 1.0)).xyz;\n";
  s += "  vec3 n = uNormalMatrix * aNormal;\n";
  if (Has(k, key::Normalize)) s += "  n = normalize(n);\n";
  s += Has(k, key::LocalViewer) && Has(k, key::Highlight) ? "  vec3 toEye = normalize(-eye);\n"
                                                          : "  vec3 toEye = vec3(0.0, 0.0, 1.0);\n";
  s += "  vFront = Shade(0, n, eye, toEye);\n";
  if (twoSided) s += "  vBack = Shade(1, -n, eye, toEye);\n";
  s += "}\n";
  return s;
}

bool FixedFunctionProgram::Build() {
  program_ = 0;
  failure_ = "";
  MatrixVersion = LightingVersion = 0;
  const bool twoSided = Has(key_, key::Lighting | key::TwoSide);
  const GLuint program =
      BuildProgram(VertexShaderSource(key_), twoSided, writesShaded_ ? ShadedFloats(key_) / 4 : 0, failure_);
  if (program == 0) return false;
  program_ = program;
  const auto at = [program](Uniform& u, const std::string& name) {
    u.Location = glGetUniformLocation(program, name.c_str());
    u.Sent.clear();
  };
  at(mvp_, "uMvp");
  at(modelView_, "uModelView");
  at(normalMatrix_, "uNormalMatrix");
  at(modelAmbient_, "uModelAmbient");
  at(emission_, "uEmission");
  at(ambient_, "uAmbient");
  at(diffuse_, "uDiffuse");
  at(specular_, "uSpecular");
  at(shininess_, "uShininess");
  for (int i = 0; i < MaxLights; ++i) {
    const std::string n = std::to_string(i);
    LightUniforms& l = lights_[static_cast<std::size_t>(i)];
    at(l.Ambient, "uLightAmbient" + n);
    at(l.Diffuse, "uLightDiffuse" + n);
    at(l.Specular, "uLightSpecular" + n);
    at(l.Position, "uLightPosition" + n);
    at(l.Spot, "uSpot" + n);
    at(l.Range, "uLightRange" + n);
  }
  return true;
}

void FixedFunctionProgram::HeldValues(std::vector<float>& out) const {
  const auto add = [&out](const Uniform& u) {
    out.push_back(static_cast<float>(u.Sent.size()));
    out.insert(out.end(), u.Sent.begin(), u.Sent.end());
  };
  for (const Uniform* u : {&mvp_, &modelView_, &normalMatrix_, &modelAmbient_, &emission_, &ambient_, &diffuse_,
                           &specular_, &shininess_})
    add(*u);
  for (const LightUniforms& l : lights_)
    for (const Uniform* u : {&l.Ambient, &l.Diffuse, &l.Specular, &l.Position, &l.Spot, &l.Range}) add(*u);
}

int ShadedFloats(ProgramKey key) { return Has(key, key::Lighting | key::TwoSide) ? 12 : 8; }

GLuint BuildShadedProgram(ProgramKey key) {
  const bool twoSided = Has(key, key::Lighting | key::TwoSide);
  std::string source = R"(#version 300 es
layout(location = 0) in vec4 aClip;
layout(location = 1) in vec4 aFront;
out vec4 vFront;
)";
  if (twoSided) source += "layout(location = 2) in vec4 aBack;\nout vec4 vBack;\n";
  source += "void main() {\n  gl_Position = aClip;\n  gl_PointSize = 1.0;\n  vFront = aFront;\n";
  if (twoSided) source += "  vBack = aBack;\n";
  source += "}\n";
  const char* failure = "";
  return BuildProgram(source, twoSided, 0, failure);
}

void FixedFunctionProgram::Delete() {
  if (program_) glDeleteProgram(program_);
  program_ = 0;
}

bool FixedFunctionProgram::Differs(Uniform& u, const float* value, std::size_t count) {
  if (u.Location < 0) return false;  // not in this program
  if (u.Sent.size() == count && std::equal(value, value + count, u.Sent.begin())) return false;
  u.Sent.assign(value, value + count);
  return true;
}

void FixedFunctionProgram::Vector(Uniform& u, const float* v, int count) {
  if (Differs(u, v, static_cast<std::size_t>(count) * 4)) glUniform4fv(u.Location, count, v);
}

void FixedFunctionProgram::SetMatrices(const Matrix4& modelViewProjection, const Matrix4& modelView,
                                       const std::array<float, 9>& normal) {
  if (Differs(mvp_, modelViewProjection.data(), 16))
    glUniformMatrix4fv(mvp_.Location, 1, GL_FALSE, modelViewProjection.data());
  if (Differs(modelView_, modelView.data(), 16)) glUniformMatrix4fv(modelView_.Location, 1, GL_FALSE, modelView.data());
  if (Differs(normalMatrix_, normal.data(), 9)) glUniformMatrix3fv(normalMatrix_.Location, 1, GL_FALSE, normal.data());
}

void FixedFunctionProgram::SetLighting(const LightingState& lighting) {
  if (!Has(key_, key::Lighting)) return;
  Vector(modelAmbient_, lighting.ModelAmbient.data(), 1);
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
  Vector(emission_, emission, 2);
  Vector(ambient_, ambient, 2);
  Vector(diffuse_, diffuse, 2);
  Vector(specular_, specular, 2);
  if (Differs(shininess_, shininess, 2)) glUniform1fv(shininess_.Location, 2, shininess);

  for (int i = 0; i < MaxLights; ++i) {
    if (!LightHas(key_, i, key::LightOn)) continue;
    const Light& light = lighting.Lights[i];
    LightUniforms& u = lights_[static_cast<std::size_t>(i)];
    Vector(u.Ambient, light.Ambient.data(), 1);
    Vector(u.Diffuse, light.Diffuse.data(), 1);
    Vector(u.Specular, light.Specular.data(), 1);
    const Vec4& p = light.Position;
    Vec4 position = p;
    if (p[3] != 0) {
      for (int k = 0; k < 3; ++k) position[k] = p[k] / p[3];
    } else {
      const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
      for (int k = 0; k < 3; ++k) position[k] = length > 0 ? p[k] / length : 0;
    }
    Vector(u.Position, position.data(), 1);
    const auto& d = light.SpotDirection;
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const float spot[4] = {length > 0 ? d[0] / length : 0, length > 0 ? d[1] / length : 0,
                           length > 0 ? d[2] / length : 0, light.SpotExponent};
    Vector(u.Spot, spot, 1);
    constexpr double DegreesToRadians = 3.14159265358979323846 / 180.0;
    const float range[4] = {light.SpotCutoff == 180 ? -2.0f
                                                    : static_cast<float>(std::cos(light.SpotCutoff * DegreesToRadians)),
                            light.Attenuation[0], light.Attenuation[1], light.Attenuation[2]};
    Vector(u.Range, range, 1);
  }
}
