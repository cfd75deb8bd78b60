// An OpenGL ES 3 that does nothing, under the OpenGL 1.1 layer: the layer's
// benchmark then measures the scene and the layer's own work (state,
// matrices, vertex packing, list replay), and no driver. Shaders compile and
// link; buffer uploads and draws are only counted.
#include "null_es3.h"

#include <GLES3/gl3.h>

namespace {
long long drawCalls = 0, uploadedBytes = 0;
GLuint nextName = 1;
}  // namespace

long long nulles3::Draws() { return drawCalls; }
long long nulles3::UploadedBytes() { return uploadedBytes; }

extern "C" {

void glEnable(GLenum) {}
void glDisable(GLenum) {}
void glBlendFunc(GLenum, GLenum) {}
void glCullFace(GLenum) {}
void glClearColor(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glScissor(GLint, GLint, GLsizei, GLsizei) {}
void glViewport(GLint, GLint, GLsizei, GLsizei) {}
void glClear(GLbitfield) {}
void glFlush(void) {}
void glFinish(void) {}
void glGetIntegerv(GLenum, GLint* data) { data[0] = data[1] = 0; }
void glEnableVertexAttribArray(GLuint) {}
void glDisableVertexAttribArray(GLuint) {}
void glVertexAttribPointer(GLuint, GLint, GLenum, GLboolean, GLsizei, const void*) {}
void glVertexAttrib4f(GLuint, GLfloat, GLfloat, GLfloat, GLfloat) {}
void glVertexAttrib4fv(GLuint, const GLfloat*) {}
void glGenVertexArrays(GLsizei n, GLuint* names) {
  for (GLsizei i = 0; i < n; ++i) names[i] = nextName++;
}
void glGenBuffers(GLsizei n, GLuint* names) { glGenVertexArrays(n, names); }
void glBindVertexArray(GLuint) {}
void glBindBuffer(GLenum, GLuint) {}
void glBufferData(GLenum, GLsizeiptr size, const void*, GLenum) { uploadedBytes += size; }
void glBufferSubData(GLenum, GLintptr, GLsizeiptr size, const void*) { uploadedBytes += size; }
void glCopyBufferSubData(GLenum, GLenum, GLintptr, GLintptr, GLsizeiptr) {}
void glDeleteBuffers(GLsizei, const GLuint*) {}
void glDeleteVertexArrays(GLsizei, const GLuint*) {}
void glBindBufferBase(GLenum, GLuint, GLuint) {}
void glTransformFeedbackVaryings(GLuint, GLsizei, const GLchar* const*, GLenum) {}
void glBeginTransformFeedback(GLenum) {}
void glEndTransformFeedback() {}
void glDrawArrays(GLenum, GLint, GLsizei) { ++drawCalls; }
void glUseProgram(GLuint) {}
void glUniformMatrix4fv(GLint, GLsizei, GLboolean, const GLfloat*) {}
void glUniformMatrix3fv(GLint, GLsizei, GLboolean, const GLfloat*) {}
void glUniform1i(GLint, GLint) {}
void glUniform4fv(GLint, GLsizei, const GLfloat*) {}
void glUniform1fv(GLint, GLsizei, const GLfloat*) {}
GLuint glCreateShader(GLenum) { return nextName++; }
void glShaderSource(GLuint, GLsizei, const GLchar* const*, const GLint*) {}
void glCompileShader(GLuint) {}
void glGetShaderiv(GLuint, GLenum, GLint* value) { *value = GL_TRUE; }
void glGetShaderInfoLog(GLuint, GLsizei, GLsizei*, GLchar* log) { log[0] = '\0'; }
void glGetProgramInfoLog(GLuint, GLsizei, GLsizei*, GLchar* log) { log[0] = '\0'; }
void glDeleteShader(GLuint) {}
GLuint glCreateProgram(void) { return nextName++; }
void glAttachShader(GLuint, GLuint) {}
void glDetachShader(GLuint, GLuint) {}
void glLinkProgram(GLuint) {}
void glGetProgramiv(GLuint, GLenum, GLint* value) { *value = GL_TRUE; }
void glDeleteProgram(GLuint) {}
GLint glGetUniformLocation(GLuint, const GLchar*) { return 0; }

}  // extern "C"
