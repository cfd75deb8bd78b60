#include "null_gl.h"

#include "base/opengl.h"

namespace {
long long vertices = 0;
GLuint nextList = 1;
}  // namespace

long long nullgl::Vertices() { return vertices; }

// Every function keeps the linkage its header gives it: C for the system's
// OpenGL, the layer's own names (gl11/gl11.h) in a web build.
void glClear(GLbitfield) {}
void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void glBlendFunc(GLenum, GLenum) {}
void glEnable(GLenum) {}
void glDisable(GLenum) {}
void glCullFace(GLenum) {}
void glViewport(GLint, GLint, GLsizei, GLsizei) {}
void glScissor(GLint, GLint, GLsizei, GLsizei) {}
void glMatrixMode(GLenum) {}
void glLoadIdentity(void) {}
void glPushMatrix(void) {}
void glPopMatrix(void) {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glScalef(GLfloat, GLfloat, GLfloat) {}
void glLightfv(GLenum, GLenum, const GLfloat*) {}
void glMaterialfv(GLenum, GLenum, const GLfloat*) {}
void glMaterialf(GLenum, GLenum, GLfloat) {}
void glLightModeli(GLenum, GLint) {}
void glLightModelf(GLenum, GLfloat) {}
void glBegin(GLenum) {}
void glEnd(void) {}
#if defined(__EMSCRIPTEN__) || defined(QUILLMOOR_GL11_LAYER)  // as base/opengl.h chooses
// The layer's per-vertex calls are inline (gl11/gl11.h). Here no bracket is
// ever expected, and colours and normals are taken as while a list is
// compiled: each call goes out to one of these, as to a driver's.
Gl11Immediate qm_immediate = [] {
  Gl11Immediate calls;
  calls.Direct = false;
  return calls;
}();
void qm_glVertexElsewhere(const GLfloat*) { ++vertices; }
void qm_glNormalElsewhere(const GLfloat*) {}
void qm_glColourElsewhere(const GLfloat*) {}
#else
void glVertex3f(GLfloat, GLfloat, GLfloat) { ++vertices; }
void glVertex3fv(const GLfloat*) { ++vertices; }
void glVertex3d(GLdouble, GLdouble, GLdouble) { ++vertices; }
void glVertex3dv(const GLdouble*) { ++vertices; }
void glNormal3f(GLfloat, GLfloat, GLfloat) {}
void glNormal3fv(const GLfloat*) {}
void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glColor4fv(const GLfloat*) {}
#endif
GLuint glGenLists(GLsizei range) {
  const GLuint first = nextList;
  nextList += static_cast<GLuint>(range);
  return first;
}
void glDeleteLists(GLuint, GLsizei) {}
void glNewList(GLuint, GLenum) {}
void glEndList(void) {}
void glListBase(GLuint) {}
void glCallLists(GLsizei, GLenum, const GLvoid*) {}
void glPushAttrib(GLbitfield) {}
void glPopAttrib(void) {}
void glFlush(void) {}
void glFinish(void) {}

void gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}
