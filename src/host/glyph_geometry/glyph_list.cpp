#include "host/glyph_geometry/glyph_list.h"

void CompileGlyphList(GLuint list, const MeshTriangle* triangles, std::size_t count,
                      const GlyphMetricsFloat& metrics) {
  glNewList(list, GL_COMPILE);
  if (count > 0) {
    glBegin(GL_TRIANGLES);
    const float* normal = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
      const MeshTriangle& t = triangles[i];
      if (normal == nullptr || normal[0] != t.Normal[0] || normal[1] != t.Normal[1] || normal[2] != t.Normal[2]) {
        glNormal3fv(t.Normal);
        normal = t.Normal;
      }
      for (const float* vertex : t.Vertices) glVertex3fv(vertex);
    }
    glEnd();
  }
  // The next glyph starts where this one's advance ends.
  glTranslatef(metrics.CellIncX, metrics.CellIncY, 0.0f);
  glEndList();
}
