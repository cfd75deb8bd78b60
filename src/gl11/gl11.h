// The project's own OpenGL 1.1 on OpenGL ES 3 / WebGL 2: the fixed-function
// entry points the scene and the hosts' shared code call, with OpenGL 1.1's
// meaning, drawn through shader programs generated for the fixed-function
// state in use.
//
// What the scene sees. src/base/opengl.h includes this header instead of
// <GL/gl.h> when QUILLMOOR_GL11_LAYER is defined (always under emscripten).
// It brings the ES 3 types and the constants ES shares with OpenGL, adds the
// OpenGL 1.1 constants ES lacks, and renames every OpenGL 1.1 call the scene
// makes to the layer's qm_ function: `glBegin` becomes `qm_glBegin`, and so
// on, also for the names ES has too (glEnable, glViewport, glClear, ...),
// because the layer keeps their state itself. The layer's own sources define
// QUILLMOOR_GL11_IMPLEMENTATION before including this header and so call the
// real ES functions by their names. A file that wants the real ES calls must
// not include src/base/opengl.h.
//
// What is kept and how.
// - All OpenGL 1.1 state lives on the CPU: current colour and normal, the two
//   matrix stacks, enables, blending, culling, scissor, viewport, clear colour,
//   lights, materials, light model, list base, the attribute stack.
// - Each fixed-function state in use has a program of its own, generated
//   for it when a draw first needs it (gl11_shaders.h): lighting, the lights
//   that are on and their kinds, local viewer, two-sided lighting, colour
//   material, normalisation. The state's key is worked out again only after
//   a command changed that state.
// - Every glBegin/glEnd bracket is one draw call. Its vertices go up to the
//   GPU only when they differ from every bracket drawn in this frame or the
//   one before (a clear of the colour buffer starts a frame); one that comes
//   back unchanged is drawn from the buffer it already has. Each vertex is
//   compared as it comes with the bracket at the same place in the frame
//   before, in the inline per-vertex calls below; only a bracket that
//   differs from that one is gathered and looked up among the others.
//   Uniforms (each program keeps its own) and context state are sent only
//   when they change.
// - Lighting is OpenGL 1.1's per-vertex equation in the vertex shader, up to
//   eight lights (each unrolled in the program), Gouraud-interpolated;
//   vertex colours are used unclamped in it and the result is clamped, as
//   Mesa's fixed function does.
// - Display lists are kept on the CPU as recorded commands. A bracket inside a
//   list is kept as vertex data and also uploaded at compilation to a place
//   of its own in a buffer the lists share, drawn from there whenever the
//   list runs; a colour or normal the bracket does not set itself comes
//   from the current one when the list runs (a bracket that inherits it for
//   only some vertices goes up again when it runs with another one). Matrix
//   and other state commands in a list replay as those commands.
// - Buffers and vertex arrays are made only when none waits to be reused:
//   those of brackets that go wait for the next ones.
//
// The host's interface (all other names below are the OpenGL 1.1 ones):
//   Gl11Start()   once a fresh ES 3 / WebGL 2 context is current: builds the
//                 shaders and buffers and sets every OpenGL 1.1 state to its
//                 initial value (the viewport and scissor box to the
//                 context's own); all display lists are gone. False when the
//                 shaders cannot be built (nothing is drawn then).
//   Gl11Restore() after a lost context has come back (webglcontextrestored),
//                 or on a new context that replaces the old one: builds the
//                 shaders and buffers again, re-uploads every display list
//                 and sets the new context to the state the layer kept, so
//                 drawing goes on as before. False as for Gl11Start, also
//                 when the program for the kept state cannot be built.
//   Gl11Lose()    when the context is lost (webglcontextlost), while it is
//                 still current: deletes every object the layer holds in it,
//                 so that nothing of it is left in the browser's tables;
//                 nothing is drawn until Gl11Restore.
//   Gl11BuildFailure() after Gl11Start or Gl11Restore returned false, or
//                 when a draw needed a program that could not be built (that
//                 draw draws nothing): the stage that failed ("vertex
//                 shader", "fragment shader", "program link"); empty when
//                 none failed. The info log went to the standard error.
//   Gl11TakeError() the first OpenGL error since the last call (glGetError's
//                 meaning; GL_NO_ERROR when none), for the host and tests.
//   Gl11Counts()  draw calls, buffer uploads, brackets found as they came
//                 and programs built since Gl11Start.
//   Gl11ProgramKeys() the fixed-function states the current context's
//                 programs were generated for.
//
// The context the host makes: WebGL 2 (OpenGL ES 3.0) with a depth buffer and
// without alpha (`alpha: false`): the scene clears to a colour of alpha 0 and
// blends with source alpha, so a canvas with alpha would let the page show
// through. The layer is the context's only user: it keeps the program, the
// vertex arrays and the buffers bound as it needs them and assumes nobody
// else changes the context's state.
//
// Differences from OpenGL 1.1, none of which the scene meets: a material
// given between glBegin and glEnd counts for the whole bracket; a bracket in
// a display list must end in that list (one left open is dropped, with
// GL_INVALID_OPERATION), and glCallLists inside such a bracket is refused the
// same way; the colour-material mode is OpenGL's default (ambient and
// diffuse, both faces), as there is no glColorMaterial; glEnable and
// glDisable know only the capabilities above and ES's blend, cull face,
// depth test, scissor test and dither.
#pragma once

#include <GLES3/gl3.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

typedef double GLdouble;
typedef double GLclampd;

// OpenGL 1.1 constants that ES 3 does not have (values from OpenGL 1.1).
#define GL_CURRENT_BIT 0x00000001
#define GL_LIGHTING_BIT 0x00000040
#define GL_POLYGON_BIT 0x00000008
#define GL_VIEWPORT_BIT 0x00000800
#define GL_TRANSFORM_BIT 0x00001000
#define GL_ENABLE_BIT 0x00002000
#define GL_LIST_BIT 0x00020000
#define GL_SCISSOR_BIT 0x00080000
#define GL_ALL_ATTRIB_BITS 0x000FFFFF
#define GL_QUADS 0x0007
#define GL_QUAD_STRIP 0x0008
#define GL_POLYGON 0x0009
#define GL_2_BYTES 0x1407
#define GL_3_BYTES 0x1408
#define GL_4_BYTES 0x1409
#define GL_STACK_OVERFLOW 0x0503
#define GL_STACK_UNDERFLOW 0x0504
#define GL_LIST_MODE 0x0B30
#define GL_MAX_LIST_NESTING 0x0B31
#define GL_LIST_BASE 0x0B32
#define GL_LIST_INDEX 0x0B33
#define GL_LIGHTING 0x0B50
#define GL_LIGHT_MODEL_LOCAL_VIEWER 0x0B51
#define GL_LIGHT_MODEL_TWO_SIDE 0x0B52
#define GL_LIGHT_MODEL_AMBIENT 0x0B53
#define GL_COLOR_MATERIAL 0x0B57
#define GL_MATRIX_MODE 0x0BA0
#define GL_NORMALIZE 0x0BA1
#define GL_MODELVIEW_STACK_DEPTH 0x0BA3
#define GL_PROJECTION_STACK_DEPTH 0x0BA4
#define GL_ATTRIB_STACK_DEPTH 0x0BB0
#define GL_BLEND_DST 0x0BE0
#define GL_BLEND_SRC 0x0BE1
#define GL_MAX_LIGHTS 0x0D31
#define GL_MAX_ATTRIB_STACK_DEPTH 0x0D35
#define GL_MAX_MODELVIEW_STACK_DEPTH 0x0D36
#define GL_MAX_PROJECTION_STACK_DEPTH 0x0D38
#define GL_AMBIENT 0x1200
#define GL_DIFFUSE 0x1201
#define GL_SPECULAR 0x1202
#define GL_POSITION 0x1203
#define GL_SPOT_DIRECTION 0x1204
#define GL_SPOT_EXPONENT 0x1205
#define GL_SPOT_CUTOFF 0x1206
#define GL_CONSTANT_ATTENUATION 0x1207
#define GL_LINEAR_ATTENUATION 0x1208
#define GL_QUADRATIC_ATTENUATION 0x1209
#define GL_COMPILE 0x1300
#define GL_COMPILE_AND_EXECUTE 0x1301
#define GL_EMISSION 0x1600
#define GL_SHININESS 0x1601
#define GL_AMBIENT_AND_DIFFUSE 0x1602
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_LIGHT0 0x4000
#define GL_LIGHT1 0x4001
#define GL_LIGHT2 0x4002
#define GL_LIGHT3 0x4003
#define GL_LIGHT4 0x4004
#define GL_LIGHT5 0x4005
#define GL_LIGHT6 0x4006
#define GL_LIGHT7 0x4007

bool Gl11Start();
bool Gl11Restore();
void Gl11Lose();
const char* Gl11BuildFailure();
GLenum Gl11TakeError();
struct Gl11Counters {
  long long Draws = 0;    // brackets drawn (glDrawArrays calls, besides those that shade)
  long long Uploads = 0;  // buffer uploads (immediate brackets, lists)
  long long Followed = 0;  // brackets drawn again found as they came, in the order of the frame before
  long long Programs = 0;  // programs built, one per fixed-function state key met
  long long BuffersMade = 0;     // buffers made, each with its vertex array
  long long BuffersDeleted = 0;  // buffers deleted (a lost context), each with its vertex array
  long long Shaded = 0;       // brackets shaded once, for draws from their shaded vertices
  long long ShadedDraws = 0;  // draws from shaded vertices
};
Gl11Counters Gl11Counts();
// The fixed-function states the programs built in the current context were
// generated for, in the order built, each written out as words
// ("unlit", or "lit normalize ... light0:positional").
std::vector<std::string> Gl11ProgramKeys();

void qm_glBegin(GLenum mode);
void qm_glEnd();

// The per-vertex calls are inline. A frame sends hundreds of thousands of
// vertices, colours and normals, and most of its brackets come again exactly
// as in the frame before: while a bracket agrees with the one expected, a
// vertex costs one compare where the caller is, and no call. Anything else
// goes to the layer's own functions (qm_...Elsewhere).
struct Gl11Vertex {
  float Position[3];
  float Normal[3];
  float Colour[4];
};

struct Gl11Immediate {
  // The current normal and colour.
  std::array<float, 3> Normal{0, 0, 1};
  std::array<float, 4> Colour{1, 1, 1, 1};
  // No list is being compiled: a colour or normal only becomes current.
  bool Direct = true;
  // Inside a bracket whose vertices have so far agreed with those of the
  // bracket expected: the next of those and the end of them. Both null
  // otherwise. Only the layer's backend sets them (gl11_context.h), from
  // the kept bracket it expects; the inline calls only move Next.
  const Gl11Vertex* Next = nullptr;
  const Gl11Vertex* End = nullptr;
};
extern Gl11Immediate qm_immediate;

void qm_glVertexElsewhere(const GLfloat* v);
void qm_glNormalElsewhere(const GLfloat* v);
void qm_glColourElsewhere(const GLfloat* v);

// Whether n floats are the same bit for bit, as a vertex would be kept.
inline bool qm_SameBits(const float* a, const float* b, int n) {
#ifdef __EMSCRIPTEN__
  // WebAssembly has no inline memcmp; a call for each field would cost
  // more than the compare. Read as whole numbers instead.
  for (int k = 0; k < n; ++k) {
    std::uint32_t x, y;
    std::memcpy(&x, a + k, sizeof x);
    std::memcpy(&y, b + k, sizeof y);
    if (x != y) return false;
  }
  return true;
#else
  return std::memcmp(a, b, n * sizeof(float)) == 0;
#endif
}

inline void qm_glVertex3fv(const GLfloat* v) {
  const Gl11Vertex* expected = qm_immediate.Next;
  if (expected != qm_immediate.End && qm_SameBits(expected->Position, v, 3) &&
      qm_SameBits(expected->Normal, qm_immediate.Normal.data(), 3) &&
      qm_SameBits(expected->Colour, qm_immediate.Colour.data(), 4)) {
    qm_immediate.Next = expected + 1;
    return;
  }
  qm_glVertexElsewhere(v);
}

inline void qm_glNormal3fv(const GLfloat* v) {
  if (!qm_immediate.Direct) return qm_glNormalElsewhere(v);
  qm_immediate.Normal = {v[0], v[1], v[2]};
}

inline void qm_glColor4fv(const GLfloat* v) {
  if (!qm_immediate.Direct) return qm_glColourElsewhere(v);
  qm_immediate.Colour = {v[0], v[1], v[2], v[3]};
}

inline void qm_glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  const GLfloat v[4] = {r, g, b, a};
  qm_glColor4fv(v);
}

void qm_glMatrixMode(GLenum mode);
void qm_glLoadIdentity();
void qm_glPushMatrix();
void qm_glPopMatrix();
void qm_glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void qm_glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void qm_glScalef(GLfloat x, GLfloat y, GLfloat z);
void qm_glMultMatrixd(const GLdouble* m);
void qm_glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);
void qm_gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void qm_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void qm_glScissor(GLint x, GLint y, GLsizei width, GLsizei height);
void qm_glEnable(GLenum cap);
void qm_glDisable(GLenum cap);
void qm_glBlendFunc(GLenum source, GLenum destination);
void qm_glCullFace(GLenum face);
void qm_glClear(GLbitfield mask);
void qm_glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void qm_glLightfv(GLenum light, GLenum pname, const GLfloat* params);
void qm_glLightModeli(GLenum pname, GLint param);
void qm_glMaterialfv(GLenum face, GLenum pname, const GLfloat* params);
void qm_glMaterialf(GLenum face, GLenum pname, GLfloat param);
void qm_glPushAttrib(GLbitfield mask);
void qm_glPopAttrib();
GLuint qm_glGenLists(GLsizei range);
void qm_glNewList(GLuint list, GLenum mode);
void qm_glEndList();
void qm_glListBase(GLuint base);
void qm_glCallLists(GLsizei n, GLenum type, const void* lists);
void qm_glDeleteLists(GLuint list, GLsizei range);
void qm_glGetIntegerv(GLenum pname, GLint* params);
void qm_glFlush();
void qm_glFinish();

#ifndef QUILLMOOR_GL11_IMPLEMENTATION
#define glBegin qm_glBegin
#define glEnd qm_glEnd
#define glVertex3fv qm_glVertex3fv
#define glNormal3fv qm_glNormal3fv
#define glColor4f qm_glColor4f
#define glColor4fv qm_glColor4fv
#define glMatrixMode qm_glMatrixMode
#define glLoadIdentity qm_glLoadIdentity
#define glPushMatrix qm_glPushMatrix
#define glPopMatrix qm_glPopMatrix
#define glTranslatef qm_glTranslatef
#define glRotatef qm_glRotatef
#define glScalef qm_glScalef
#define glMultMatrixd qm_glMultMatrixd
#define glOrtho qm_glOrtho
#define gluPerspective qm_gluPerspective
#define glViewport qm_glViewport
#define glScissor qm_glScissor
#define glEnable qm_glEnable
#define glDisable qm_glDisable
#define glBlendFunc qm_glBlendFunc
#define glCullFace qm_glCullFace
#define glClear qm_glClear
#define glClearColor qm_glClearColor
#define glLightfv qm_glLightfv
#define glLightModeli qm_glLightModeli
#define glMaterialfv qm_glMaterialfv
#define glMaterialf qm_glMaterialf
#define glPushAttrib qm_glPushAttrib
#define glPopAttrib qm_glPopAttrib
#define glGenLists qm_glGenLists
#define glNewList qm_glNewList
#define glEndList qm_glEndList
#define glListBase qm_glListBase
#define glCallLists qm_glCallLists
#define glDeleteLists qm_glDeleteLists
#define glGetIntegerv qm_glGetIntegerv
#define glFlush qm_glFlush
#define glFinish qm_glFinish
#endif
