// What the OpenGL 1.1 layer does beyond what the scene's picture shows:
// display lists run as OpenGL runs them, two-sided lighting, and the errors
// and limits of the state commands. Pictures are 16x16 pixels under
// glOrtho(0, 4, 0, 4): one unit is a cell of 4x4 pixels.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "base/opengl.h"
#include "es3_context.h"

namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb Red{255, 0, 0}, Green{0, 255, 0}, Blue{0, 0, 255}, White{255, 255, 255};

// The pixel at (x, y) from the bottom left.
Rgb PixelAt(int x, int y) {
  unsigned char p[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}
Rgb CellAt(int x, int y) { return PixelAt(x * 4 + 2, y * 4 + 2); }

void Vertex(float x, float y) {
  const GLfloat v[3] = {x, y, 0};
  glVertex3fv(v);
}

void UnitQuad(float x, float y) {
  glBegin(GL_QUADS);
  Vertex(x, y), Vertex(x + 1, y), Vertex(x + 1, y + 1), Vertex(x, y + 1);
  glEnd();
}

// A triangle strip of `count` vertices over the whole view, clockwise (its
// back faces the viewer), its normals tilted more the further right.
void LitStrip(int count) {
  glBegin(GL_TRIANGLE_STRIP);
  for (int i = 0; i < count; ++i) {
    const float x = 4.0f * static_cast<float>(i / 2) / static_cast<float>((count - 1) / 2);
    const GLfloat normal[3] = {x / 4, 0, 1};
    glNormal3fv(normal);
    Vertex(x, i % 2 ? 4.0f : 0.0f);
  }
  glEnd();
}

// A fresh layer's view, glOrtho(0, 4, 0, 4, -1, 1), lit by light 0 at
// `position`.
void LitView(const GLfloat* position) {
  glMatrixMode(GL_PROJECTION);
  glOrtho(0, 4, 0, 4, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT0, GL_POSITION, position);
}

class Gl11Semantics : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.Create(16, 16));
    ASSERT_TRUE(Gl11Start());
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 4, 0, 4, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  Es3Context context_;
};

TEST_F(Gl11Semantics, ListsRunAsOpenGLRunsThem) {
  const GLuint base = glGenLists(3);
  ASSERT_EQ(base, 1u);
  // A bracket whose first triangle takes the colour current when the list
  // runs and whose second is blue, then a move one cell right.
  glNewList(base, GL_COMPILE);
  glBegin(GL_TRIANGLES);
  Vertex(0, 0), Vertex(1, 0), Vertex(1, 1);
  glColor4f(0, 0, 1, 1);
  Vertex(0, 0), Vertex(1, 1), Vertex(0, 1);
  glEnd();
  glTranslatef(1, 0, 0);
  glEndList();
  // Compiling changed neither the colour nor the matrix, and drew nothing.
  EXPECT_EQ(CellAt(0, 0), (Rgb{0, 0, 0}));
  glColor4f(1, 0, 0, 1);
  glListBase(base);
  const GLubyte first = 0;
  glCallLists(1, GL_UNSIGNED_BYTE, &first);
  EXPECT_EQ(PixelAt(3, 0), Red);
  EXPECT_EQ(PixelAt(0, 3), Blue);
  // The list left its blue as the current colour and its move on the matrix.
  UnitQuad(0, 1);
  EXPECT_EQ(CellAt(1, 1), Blue);
  EXPECT_EQ(CellAt(0, 1), (Rgb{0, 0, 0}));

  // Compiled and run at once; later runs take the colour of their time.
  glLoadIdentity();
  glColor4f(0, 1, 0, 1);
  glNewList(base + 2, GL_COMPILE_AND_EXECUTE);
  UnitQuad(2, 2);
  glEndList();
  EXPECT_EQ(CellAt(2, 2), Green);
  // A list calling a list: the offset is added to the list base of the time
  // of the call.
  glNewList(base + 1, GL_COMPILE);
  glTranslatef(1, 0, 0);
  const GLubyte third = 2;
  glCallLists(1, GL_UNSIGNED_BYTE, &third);
  glEndList();
  glColor4f(1, 1, 1, 1);
  const GLushort second = 1;
  glCallLists(1, GL_UNSIGNED_SHORT, &second);
  EXPECT_EQ(CellAt(3, 2), White);
  EXPECT_EQ(CellAt(2, 2), Green);
  // Deleted lists draw nothing; a name that never was a list is ignored.
  glDeleteLists(base + 2, 1);
  glColor4f(1, 0, 0, 1);
  const GLubyte missing[2] = {2, 200};
  glCallLists(2, GL_UNSIGNED_BYTE, missing);
  EXPECT_EQ(CellAt(2, 2), Green);
  EXPECT_EQ(glGenLists(1), base + 2);
  // The list whose first triangle inherits the colour, run again with
  // another colour: the triangle takes it, the blue one stays blue.
  glLoadIdentity();
  glColor4f(0, 1, 0, 1);
  glCallLists(1, GL_UNSIGNED_BYTE, &first);
  EXPECT_EQ(PixelAt(3, 0), Green);
  EXPECT_EQ(PixelAt(0, 3), Blue);
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

TEST_F(Gl11Semantics, BackFacesTakeTheBackMaterialOnlyWithTwoSidedLighting) {
  const GLfloat black[4] = {0, 0, 0, 1}, red[4] = {1, 0, 0, 1}, green[4] = {0, 1, 0, 1};
  glEnable(GL_LIGHTING);  // and no light: the colour is the emission
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, black);
  glMaterialfv(GL_FRONT, GL_EMISSION, red);
  glMaterialfv(GL_BACK, GL_EMISSION, green);
  const auto draw = [] {
    glBegin(GL_TRIANGLES);
    Vertex(0, 0), Vertex(2, 0), Vertex(0, 2);  // counter-clockwise: the front
    Vertex(2, 2), Vertex(2, 4), Vertex(4, 2);  // clockwise: the back
    glEnd();
  };
  draw();
  EXPECT_EQ(CellAt(0, 0), Red);
  EXPECT_EQ(CellAt(2, 2), Red);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
  draw();
  EXPECT_EQ(CellAt(0, 0), Red);
  EXPECT_EQ(CellAt(2, 2), Green);
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

// A bracket drawn again with the same vertices comes from the GPU, under the
// matrix and state of its own time; one that differs in any vertex is drawn
// as it is now.
TEST_F(Gl11Semantics, BracketsDrawnAgainTakeTheirOwnMatrixAndVertices) {
  // Ten red triangles, the second in cell (0, 0), the others in cell (3, 3);
  // the second's last vertex (the sixth of thirty, among none a print of the
  // bracket might sample) goes from red to blue, or moves up by `lift`.
  const auto bracket = [](const float (&third)[4], float lift = 0) {
    glBegin(GL_TRIANGLES);
    for (int t = 0; t < 10; ++t) {
      const float at = t == 1 ? 0 : 3;
      glColor4f(1, 0, 0, 1);
      Vertex(at, at), Vertex(at + 1, at);
      if (t == 1) glColor4fv(third);
      Vertex(at, at + 1 + (t == 1 ? lift : 0));
    }
    glEnd();
  };
  const float red[4] = {1, 0, 0, 1}, blue[4] = {0, 0, 1, 1};
  bracket(red);
  EXPECT_EQ(PixelAt(1, 1), Red);
  // Straight after a push, a move and a pop: the matrix of before the push.
  glPushMatrix();
  glTranslatef(2, 2, 0);
  glPopMatrix();
  glClear(GL_COLOR_BUFFER_BIT);
  bracket(red);
  EXPECT_EQ(PixelAt(1, 1), Red);
  EXPECT_EQ(CellAt(2, 2), (Rgb{0, 0, 0}));
  // The same vertices under another matrix, then one vertex changed.
  glTranslatef(2, 2, 0);
  bracket(red);
  EXPECT_EQ(PixelAt(9, 9), Red);
  glLoadIdentity();
  glClear(GL_COLOR_BUFFER_BIT);
  bracket(blue);
  EXPECT_GT(PixelAt(1, 1)[2], 64);  // 3/8 of the way to the blue vertex
  EXPECT_EQ(CellAt(2, 2), (Rgb{0, 0, 0}));
  // Drawn moved, then straight after the pop: where it was.
  glClear(GL_COLOR_BUFFER_BIT);
  glPushMatrix();
  glTranslatef(2, 2, 0);
  bracket(red);
  glPopMatrix();
  glColor4f(0, 1, 0, 1);
  UnitQuad(0, 0);
  EXPECT_EQ(std::make_tuple(CellAt(0, 0), PixelAt(9, 9)), std::make_tuple(Green, Red));
  // Drawn again with that vertex moved alone, to (0, 4): the pixel at
  // (0.375, 1.625) lies in the triangle only now.
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(PixelAt(1, 6), (Rgb{0, 0, 0}));
  bracket(red, 3);
  EXPECT_EQ(PixelAt(1, 6), Red);
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

// Brackets that come in the order of the frame before are each found as they
// come, also one drawn several times a frame. One come in since costs itself
// and the bracket after it a search by print, one left out the bracket after
// the gap; nothing drawn before goes up again.
TEST_F(Gl11Semantics, BracketsAreFoundAsTheyComeInTheOrderOfTheFrameBefore) {
  // Bracket n: a triangle in cell (n, 0); bracket 0 three times a frame.
  const auto bracket = [](int n) {
    glBegin(GL_TRIANGLES);
    Vertex(n, 0), Vertex(n + 1, 0), Vertex(n, 1);
    glEnd();
  };
  const auto frame = [&](std::initializer_list<int> brackets) {
    glClear(GL_COLOR_BUFFER_BIT);
    const Gl11Counters before = Gl11Counts();
    for (const int n : brackets) bracket(n);
    const Gl11Counters after = Gl11Counts();
    return std::make_pair(after.Followed - before.Followed, after.Uploads - before.Uploads);
  };
  using FoundAndUploaded = std::pair<long long, long long>;
  EXPECT_EQ(frame({0, 1, 0, 2, 0}), FoundAndUploaded(0, 3));
  EXPECT_EQ(frame({0, 1, 0, 2, 0}), FoundAndUploaded(5, 0));
  EXPECT_EQ(frame({0, 3, 1, 0, 2, 0}), FoundAndUploaded(4, 1));
  EXPECT_EQ(frame({0, 1, 0, 2, 0}), FoundAndUploaded(4, 0));
  EXPECT_EQ(frame({0, 1, 0, 2, 0}), FoundAndUploaded(5, 0));
  EXPECT_EQ(std::make_tuple(PixelAt(1, 1), PixelAt(9, 1), PixelAt(13, 1)), std::make_tuple(White, White, Rgb{0, 0, 0}));
  // Compiled and run at once where it came before, it still takes every
  // vertex into the list: run two cells up, the list draws it there.
  glClear(GL_COLOR_BUFFER_BIT);
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE_AND_EXECUTE);
  bracket(0);
  glEndList();
  glTranslatef(0, 2, 0);
  glCallLists(1, GL_UNSIGNED_INT, &list);
  EXPECT_EQ(std::make_tuple(PixelAt(1, 1), PixelAt(1, 9)), std::make_tuple(White, White));
}

// A context lost and restored in the middle of a bracket that has agreed so
// far with the one expected: the vertices given before the loss stay the
// bracket's, and the rest follow them.
TEST_F(Gl11Semantics, ABracketOpenAcrossALostContextKeepsItsVertices) {
  // Two triangles: one filling cell (0, 0) up to its diagonal, one in cell (2, 2).
  const auto vertices = [](int from, int to) {
    const float v[6][2] = {{0, 0}, {1, 0}, {0, 1}, {2, 2}, {3, 2}, {2, 3}};
    for (int i = from; i < to; ++i) Vertex(v[i][0], v[i][1]);
  };
  for (int frame = 0; frame < 2; ++frame) {
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_TRIANGLES);
    vertices(0, 6);
    glEnd();
  }
  glClear(GL_COLOR_BUFFER_BIT);
  const Gl11Counters before = Gl11Counts();
  glBegin(GL_TRIANGLES);
  vertices(0, 2);
  Gl11Lose();
  ASSERT_TRUE(Gl11Restore());
  vertices(2, 6);
  glEnd();
  EXPECT_EQ(Gl11Counts().Draws - before.Draws, 1);
  EXPECT_EQ(std::make_tuple(PixelAt(1, 1), PixelAt(9, 9)), std::make_tuple(White, White));
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

// The context's live objects, counted by name.
struct LiveObjects {
  int Programs = 0, Shaders = 0, Buffers = 0, VertexArrays = 0;
  bool operator==(const LiveObjects&) const = default;
};
std::ostream& operator<<(std::ostream& out, const LiveObjects& o) {
  return out << o.Programs << " programs, " << o.Shaders << " shaders, " << o.Buffers << " buffers, "
             << o.VertexArrays << " vertex arrays";
}
LiveObjects CountLiveObjects() {
  LiveObjects o;
  for (GLuint name = 1; name < 4096; ++name) {
    o.Programs += glIsProgram(name);
    o.Shaders += glIsShader(name);
    o.Buffers += glIsBuffer(name);
    o.VertexArrays += glIsVertexArray(name);
  }
  return o;
}

// Lost and restored thirty times, drawing with three programs, a list and a
// bracket shaded once, the context holds no more objects than after the first.
TEST_F(Gl11Semantics, LostContextsLeaveNoObjectsBehind) {
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  UnitQuad(3, 3);
  glEndList();
  const auto frame = [list] {
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    UnitQuad(0, 0);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    UnitQuad(1, 0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    UnitQuad(2, 0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    glCallLists(1, GL_UNSIGNED_INT, &list);
    // Shaded once from the second frame on; its last normal not left
    // current, so that every frame's quads are those of the frame before.
    glPushAttrib(GL_CURRENT_BIT);
    LitStrip(2048);
    glPopAttrib();
  };
  frame();
  frame();
  EXPECT_EQ(Gl11ProgramKeys().size(), 3u);
  const LiveObjects first = CountLiveObjects();
  // One program for each of the three states, and for the strip one that
  // shades it and one that draws it shaded.
  EXPECT_EQ(first.Programs, 5);
  EXPECT_EQ(first.Shaders, 0);  // deleted once linked
  // Forty lists more of a quad each: like the first, all their vertices'
  // attributes inherited; restored, all share one buffer.
  const GLuint many = glGenLists(40);
  for (GLuint k = 0; k < 40; ++k) {
    glNewList(many + k, GL_COMPILE);
    UnitQuad(static_cast<float>(k % 4), 2);
    glEndList();
  }
  for (int loss = 0; loss < 30; ++loss) {
    Gl11Lose();
    const long long made = Gl11Counts().BuffersMade;
    ASSERT_TRUE(Gl11Restore());
    EXPECT_EQ(Gl11Counts().BuffersMade - made, 1) << "one buffer for the lists' one set of attributes";
    // The kept state's program is built before any draw: the initial
    // state's, and the light from +z (OpenGL's initial light 0 position).
    if (loss == 0) {
      EXPECT_EQ(Gl11ProgramKeys(), (std::vector<std::string>{"unlit", "lit light0:directional"}));
    }
    frame();
    frame();
  }
  EXPECT_EQ(CountLiveObjects(), first);
  Gl11Lose();
  EXPECT_EQ(CountLiveObjects(), LiveObjects{});
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

std::vector<unsigned char> Picture() {
  std::vector<unsigned char> p(16 * 16 * 4);
  glReadPixels(0, 0, 16, 16, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
  return p;
}

// A lit bracket of 2,048 vertices or more drawn again as it was is drawn from
// its vertices shaded once; whatever changes how its vertices are lit (the
// light, the material, either matrix, two-sided lighting) must show in the
// first frame after the change and in those after, exactly as the same
// calls draw it on a fresh layer. One vertex fewer, it is never shaded.
TEST_F(Gl11Semantics, ABracketShadedOnceDrawsWhatItsLightingDrawsUntilAnythingChanges) {
  // A white light at a point above the view's left, seen from a local
  // viewer, with a highlight.
  const auto setUp = [] {
    const GLfloat at[4] = {1, 2, 2, 1}, white[4] = {1, 1, 1, 1};
    LitView(at);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 5);
  };
  const GLfloat red[4] = {1, 0, 0, 1}, farther[4] = {3, 1, 1, 1};
  const struct {
    const char* What;
    std::function<void()> Change;
  } rows[] = {
      {"the light moved", [&] { glLightfv(GL_LIGHT0, GL_POSITION, farther); }},
      {"the diffuse material", [&] { glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, red); }},
      {"the model-view matrix", [] { glTranslatef(0.5f, 0, 0); }},
      {"the projection alone", [] { glMatrixMode(GL_PROJECTION), glOrtho(0, 0.75, 0, 1, -1, 1), glMatrixMode(GL_MODELVIEW); }},
      {"two-sided lighting", [&] { glMaterialfv(GL_BACK, GL_DIFFUSE, red), glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }},
  };
  const auto frame = [](int count) {
    glClear(GL_COLOR_BUFFER_BIT);
    LitStrip(count);
    return Picture();
  };
  // The first frame on a fresh layer, after `change`.
  const auto fresh = [&](const std::function<void()>& change) {
    Gl11Lose();
    EXPECT_TRUE(Gl11Start());
    setUp();
    change();
    return frame(2048);
  };
  const std::vector<unsigned char> unchanged = fresh([] {});
  for (const auto& row : rows) {
    const std::vector<unsigned char> want = fresh(row.Change);
    EXPECT_NE(want, unchanged) << row.What;  // the change shows
    const long long shaded = Gl11Counts().ShadedDraws;
    fresh([] {});
    frame(2048);  // shaded, and drawn shaded
    EXPECT_EQ(frame(2048), unchanged) << row.What;
    EXPECT_EQ(Gl11Counts().ShadedDraws - shaded, 2) << row.What;
    row.Change();
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(frame(2048), want) << row.What << ", frame " << n << " after the change";
    EXPECT_EQ(Gl11Counts().ShadedDraws - shaded, 4) << row.What << ": shaded again once drawn again unchanged";
  }
  const long long shaded = Gl11Counts().ShadedDraws;
  for (int n = 0; n < 3; ++n) frame(2047);
  EXPECT_EQ(Gl11Counts().ShadedDraws, shaded) << "one vertex fewer";
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

// A bracket drawn again with only its normals changed, with its last vertex
// left out, or in another mode over the same vertices, draws what the same
// calls draw on a fresh layer, where nothing is kept: the bracket kept from
// the two frames before must not stand in for it.
TEST_F(Gl11Semantics, ABracketLikeTheOneBeforeDrawsWhatAFreshLayerDraws) {
  // A white light straight from the viewer; quads and strips over the view.
  const auto setUp = [] {
    const GLfloat toward[4] = {0, 0, 1, 0};
    LitView(toward);
  };
  const float at[6][2] = {{0, 0}, {4, 0}, {0, 2}, {4, 2}, {0, 4}, {4, 4}};
  // Bracket `mode` over the first `count` places, the normals of those in
  // `tilted` turned 60 degrees from the light.
  const auto bracket = [&](GLenum mode, int count, unsigned tilted = 0) {
    return [=, &at] {
      const GLfloat up[3] = {0, 0, 1}, away[3] = {0.866f, 0, 0.5f};
      glBegin(mode);
      for (int i = 0; i < count; ++i) {
        glNormal3fv(tilted >> i & 1 ? away : up);
        Vertex(at[i][0], at[i][1]);
      }
      glEnd();
    };
  };
  const struct {
    const char* What;
    std::function<void()> Before, Now;
  } rows[] = {
      {"its normals alone changed", bracket(GL_TRIANGLES, 6), bracket(GL_TRIANGLES, 6, 0b100100)},
      {"its last vertex left out", bracket(GL_TRIANGLES, 6), bracket(GL_TRIANGLES, 5)},
      {"the last vertex of a strip left out", bracket(GL_TRIANGLE_STRIP, 6), bracket(GL_TRIANGLE_STRIP, 5)},
      {"triangles over a fan's vertices", bracket(GL_TRIANGLE_FAN, 6), bracket(GL_TRIANGLES, 6)},
      {"a quad strip over a triangle strip's", bracket(GL_TRIANGLE_STRIP, 5), bracket(GL_QUAD_STRIP, 5)},
      {"a line strip over a line loop's", bracket(GL_LINE_LOOP, 4), bracket(GL_LINE_STRIP, 4)},
  };
  const auto fresh = [&](const std::function<void()>& draw) {
    Gl11Lose();
    EXPECT_TRUE(Gl11Start());
    setUp();
    glClear(GL_COLOR_BUFFER_BIT);
    draw();
    return Picture();
  };
  for (const auto& row : rows) {
    const std::vector<unsigned char> want = fresh(row.Now);
    // The row shows something only if the two brackets draw differently.
    EXPECT_NE(fresh(row.Before), want) << row.What;
    Gl11Lose();
    ASSERT_TRUE(Gl11Start());
    setUp();
    for (int frame = 0; frame < 2; ++frame) {
      glClear(GL_COLOR_BUFFER_BIT);
      row.Before();
    }
    glClear(GL_COLOR_BUFFER_BIT);
    row.Now();
    EXPECT_EQ(Picture(), want) << row.What;
  }
  // A quad strip of five vertices is one quad, over the lower half: the
  // fifth vertex draws nothing (as a triangle strip's, it would add the
  // triangle (0, 2), (4, 2), (0, 4)). Lit: the diffuse material's 0.8 and
  // the global ambient's 0.04.
  fresh(bracket(GL_QUAD_STRIP, 5));
  EXPECT_EQ(std::make_tuple(PixelAt(8, 4), PixelAt(2, 12)), std::make_tuple(Rgb{214, 214, 214}, Rgb{0, 0, 0}));
  // The same from a list.
  glClear(GL_COLOR_BUFFER_BIT);
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  bracket(GL_QUAD_STRIP, 5)();
  glEndList();
  glCallLists(1, GL_UNSIGNED_INT, &list);
  EXPECT_EQ(std::make_tuple(PixelAt(8, 4), PixelAt(2, 12)), std::make_tuple(Rgb{214, 214, 214}, Rgb{0, 0, 0}));
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

// A lit quad: its normal toward the light, saved with GL_CURRENT_BIT, turned
// away, given back by the pop: the quad is lit.
TEST_F(Gl11Semantics, APoppedCurrentGroupGivesTheNormalBack) {
  const GLfloat toward[4] = {0, 0, 1, 0}, up[3] = {0, 0, 1}, away[3] = {0, 0, -1};
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT0, GL_POSITION, toward);
  glNormal3fv(up);
  glPushAttrib(GL_CURRENT_BIT);
  glNormal3fv(away);
  glPopAttrib();
  UnitQuad(0, 0);
  // Default diffuse material 0.8 in full, plus the global ambient 0.04.
  EXPECT_EQ(CellAt(0, 0), (Rgb{214, 214, 214}));
}

// Brackets that come for a frame and go for two, and a list compiled and
// deleted, take the buffers and vertex arrays of those gone before them:
// after the first rounds none is made or deleted, and each draws its own
// colours (a list's vertex array that took the colour as a constant,
// reused by a bracket with a colour per vertex, points at them again).
TEST_F(Gl11Semantics, BracketsComingAndGoingReuseTheirBuffers) {
  const auto round = [](int n) {
    // Three brackets of their own, each red at the bottom and blue at the
    // top of cells (n % 4, 0) to (n % 4, 2); a list's quad in cell (0, 3)
    // in the colour current when it runs, green.
    glClear(GL_COLOR_BUFFER_BIT);
    for (int k = 0; k < 3; ++k) {
      glBegin(GL_TRIANGLES);
      const float x = static_cast<float>(n % 4), y = static_cast<float>(k), skew = n * 1e-3f;
      glColor4f(1, 0, 0, 1), Vertex(x, y), Vertex(x + 1 + skew, y);
      glColor4f(0, 0, 1, 1), Vertex(x + 1 + skew, y + 1);
      glColor4f(1, 0, 0, 1), Vertex(x, y), Vertex(x + 1 + skew, y + 1);
      glColor4f(0, 0, 1, 1), Vertex(x, y + 1);
      glEnd();
    }
    // Twenty brackets in the list: 120 vertices each round, so that places
    // not given back would fill the list store's first buffer (1,024) in 9.
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    for (int k = 0; k < 20; ++k) UnitQuad(0, 3);
    glEndList();
    glColor4f(0, 1, 0, 1);
    glCallLists(1, GL_UNSIGNED_INT, &list);
    glDeleteLists(list, 1);
    const Rgb bottom = PixelAt((n % 4) * 4, 0), top = PixelAt((n % 4) * 4, 11), quad = CellAt(0, 3);
    // Then two frames without them, a white quad in cell (3, 3).
    for (int gap = 0; gap < 2; ++gap) {
      glClear(GL_COLOR_BUFFER_BIT);
      glColor4f(1, 1, 1, 1);
      UnitQuad(3, 3);
    }
    return std::make_tuple(bottom[0] > bottom[2] + 100, top[2] > top[0] + 100, quad, CellAt(3, 3));
  };
  // The first two rounds fill the pool (the quad of the frames between
  // takes the first list's buffer).
  for (int n = 0; n < 2; ++n) EXPECT_EQ(round(n), std::make_tuple(true, true, Green, White)) << n;
  const Gl11Counters first = Gl11Counts();
  EXPECT_EQ(first.BuffersDeleted, 0);
  for (int n = 2; n < 12; ++n) EXPECT_EQ(round(n), std::make_tuple(true, true, Green, White)) << n;
  const Gl11Counters last = Gl11Counts();
  EXPECT_EQ(last.BuffersMade, first.BuffersMade);
  EXPECT_EQ(last.BuffersDeleted, 0);
  EXPECT_GE(last.Uploads - first.Uploads, 10 * 4);  // the brackets and lists did go up each round
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

// glPopAttrib gives the current colour back only with GL_CURRENT_BIT.
TEST_F(Gl11Semantics, APoppedCurrentGroupGivesTheColourBack) {
  glColor4f(1, 0, 0, 1);
  glPushAttrib(GL_CURRENT_BIT);
  glColor4f(0, 0, 1, 1);
  glPopAttrib();
  UnitQuad(0, 0);
  glPushAttrib(GL_ENABLE_BIT);
  glColor4f(0, 1, 0, 1);
  glPopAttrib();
  UnitQuad(1, 0);
  EXPECT_EQ(std::make_tuple(CellAt(0, 0), CellAt(1, 0)), std::make_tuple(Red, Green));
}

// A white light on the viewer's side of the quads in cells (0, 1) to (3, 1),
// z = 1 above them, shining straight down the -z axis with a cut-off of
// 30 degrees: it reaches 1/tan(60°) = 0.577 units to each side of x = 0.5.
TEST_F(Gl11Semantics, ASpotLightLightsOnlyItsCone) {
  const GLfloat white[4] = {1, 1, 1, 1}, position[4] = {0.5f, 1.5f, 1, 1}, down[3] = {0, 0, -1}, cutoff = 30;
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, down);
  glLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &cutoff);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
  const GLfloat up[3] = {0, 0, 1};
  glNormal3fv(up);
  // Split fine, so that per-vertex lighting samples the cone's edge.
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < 16; ++i) {
    const float x = i / 4.0f;
    Vertex(x, 1), Vertex(x + 0.25f, 1), Vertex(x + 0.25f, 2);
    Vertex(x, 1), Vertex(x + 0.25f, 2), Vertex(x, 2);
  }
  glEnd();
  // The vertices at x = 0.5 and 0.75 lie 26.6 and 29.2 degrees off the axis,
  // inside the cone: n.L = 0.894 and 0.873 of the diffuse white, on top of
  // the global ambient, 0.2 x 0.2 of the default ambient material (10 levels).
  EXPECT_NEAR(PixelAt(2, 6)[0], 0.88 * 255 + 10, 4);
  // From x = 1 on (35.3 degrees and more) only the global ambient: also where
  // a cut-off of 45 degrees, or none, would still light the quad.
  for (const int x : {4, 9, 15}) EXPECT_NEAR(PixelAt(x, 6)[0], 10, 1) << x;
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

// A light in front (+z, towards the viewer) of a triangle seen from its
// back: under two-sided lighting the back face is lit with the normal turned
// round, so a normal pointing away from the viewer gives full light; without
// it, the front's dark side is shown.
TEST_F(Gl11Semantics, ABackFaceIsLitWithItsNormalTurnedUnderTwoSidedLighting) {
  const GLfloat white[4] = {1, 1, 1, 1}, green[4] = {0, 1, 0, 1}, front[4] = {0, 0, 1, 0}, away[3] = {0, 0, -1};
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT0, GL_POSITION, front);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
  glMaterialfv(GL_BACK, GL_DIFFUSE, green);
  const auto draw = [&] {
    glNormal3fv(away);
    glBegin(GL_TRIANGLES);
    Vertex(0, 0), Vertex(0, 4), Vertex(4, 0);  // clockwise: the back
    glEnd();
  };
  draw();
  EXPECT_EQ(CellAt(0, 0), (Rgb{10, 10, 10}));  // the front's side away from the light: ambient only
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
  draw();
  // The back's diffuse green in full, and its ambient 0.2 x 0.2 x (0.2, 0.2, 0.2)
  // plus the light's (black) ambient.
  EXPECT_EQ(CellAt(0, 0), (Rgb{10, 255, 10}));
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

// Each program is generated for the state it draws: a state changed between
// two draws of the same quad gives the second draw a program of its own,
// and changed back, the first one's picture again. A white light at
// (0.5, 0.5, 2) above cell (0, 0), whose corners all lie sqrt(4.5) = 2.121
// from it, 19.47 degrees off the vertical: n.L = 2 / 2.121 = 0.943 for the
// normal +z, on top of the global ambient 0.2 x 0.2 (10 levels).
TEST_F(Gl11Semantics, EachStateDrawsWithAProgramForItsOwnKey) {
  const GLfloat white[4] = {1, 1, 1, 1}, green[4] = {0, 1, 0, 1}, position[4] = {0.5f, 0.5f, 2, 1};
  const GLfloat down[3] = {0, 0, -1}, up[3] = {0, 0, 1};
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, down);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
  glMaterialfv(GL_BACK, GL_DIFFUSE, green);
  const auto front = [&] {
    glNormal3fv(up);
    UnitQuad(0, 0);
  };
  // Clockwise, its normal away from the light: the back faces the viewer.
  const auto back = [&] {
    glNormal3fv(down);
    glBegin(GL_TRIANGLES);
    Vertex(0, 0), Vertex(0, 1), Vertex(1, 1), Vertex(0, 0), Vertex(1, 1), Vertex(1, 0);
    glEnd();
  };
  const auto light = [](GLenum pname, GLfloat value) { glLightfv(GL_LIGHT0, pname, &value); };
  constexpr int Lit = 251;  // (0.943 + 0.04) x 255
  const struct {
    const char* What;
    std::function<void()> Draw, Change;
    Rgb Before, After;
  } rows[] = {
      // Inside a cone of 25 degrees with exponent 8: cos(19.47)^8 = 0.624 of the diffuse light.
      {"spot cone, inside", front, [&] { light(GL_SPOT_CUTOFF, 25), light(GL_SPOT_EXPONENT, 8); },
       Rgb{Lit, Lit, Lit}, Rgb{160, 160, 160}},
      // Outside a cone of 10 degrees: the global ambient alone.
      {"spot cone, outside", front, [&] { light(GL_SPOT_CUTOFF, 10); }, Rgb{Lit, Lit, Lit}, Rgb{10, 10, 10}},
      // Linear attenuation 1: the light over 1 + 2.121.
      {"attenuation", front, [&] { light(GL_LINEAR_ATTENUATION, 1); }, Rgb{Lit, Lit, Lit}, Rgb{87, 87, 87}},
      // One-sided, the back shows the front's unlit side; two-sided, the
      // back's green lit through the normal turned round.
      {"two-sided back face", back, [] { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }, Rgb{10, 10, 10},
       Rgb{10, Lit, 10}},
  };
  const auto drawn = [](const std::function<void()>& draw) {
    glClear(GL_COLOR_BUFFER_BIT);
    draw();
    return PixelAt(2, 2);
  };
  const auto near = [](const Rgb& a, const Rgb& b) {
    for (int c = 0; c < 3; ++c)
      if (std::abs(a[c] - b[c]) > 1) return false;
    return true;
  };
  for (const auto& row : rows) {
    EXPECT_PRED2(near, drawn(row.Draw), row.Before) << row.What;
    glPushAttrib(GL_LIGHTING_BIT);
    row.Change();
    EXPECT_PRED2(near, drawn(row.Draw), row.After) << row.What;
    glPopAttrib();
    EXPECT_PRED2(near, drawn(row.Draw), row.Before) << row.What << ", changed back";
  }
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
}

TEST_F(Gl11Semantics, StateCommandsKeepOpenGLsLimitsAndErrors) {
  const GLfloat v[4] = {0, 0, 0, 1};
  const auto pushes = [](int n, void (*push)()) {
    for (int i = 0; i < n; ++i) push();
  };
  const auto depth = [](GLenum what) {
    GLint d = 0;
    glGetIntegerv(what, &d);
    return d;
  };
  const struct {
    const char* What;
    std::function<void()> Act;
    GLenum Error;
  } rows[] = {
      {"pop at the bottom", [] { glPopMatrix(); }, GL_STACK_UNDERFLOW},
      {"31 pushes fill 32", [&] { pushes(31, [] { glPushMatrix(); }); }, GL_NO_ERROR},
      {"a 33rd matrix", [] { glPushMatrix(); }, GL_STACK_OVERFLOW},
      {"back to 1", [&] { pushes(31, [] { glPopMatrix(); }); }, GL_NO_ERROR},
      {"16 attribute groups", [&] { pushes(16, [] { glPushAttrib(GL_ENABLE_BIT); }); }, GL_NO_ERROR},
      {"a 17th", [] { glPushAttrib(GL_ENABLE_BIT); }, GL_STACK_OVERFLOW},
      {"16 pops", [&] { pushes(16, [] { glPopAttrib(); }); }, GL_NO_ERROR},
      {"a 17th pop", [] { glPopAttrib(); }, GL_STACK_UNDERFLOW},
      {"list 0", [] { glNewList(0, GL_COMPILE); }, GL_INVALID_VALUE},
      {"end of no list", [] { glEndList(); }, GL_INVALID_OPERATION},
      {"no such primitive", [] { glBegin(GL_POLYGON + 1); }, GL_INVALID_ENUM},
      {"a matrix inside a bracket", [] { glBegin(GL_POLYGON), glTranslatef(1, 0, 0), glEnd(); }, GL_INVALID_OPERATION},
      {"a material inside a bracket", [&] { glBegin(GL_POLYGON), glMaterialfv(GL_FRONT, GL_EMISSION, v), glEnd(); },
       GL_NO_ERROR},
      {"shininess 128", [] { glMaterialf(GL_FRONT, GL_SHININESS, 128); }, GL_NO_ERROR},
      {"shininess 128.5", [] { glMaterialf(GL_FRONT, GL_SHININESS, 128.5f); }, GL_INVALID_VALUE},
      {"cut-off 90 and 180", [] {
         const GLfloat a = 90, b = 180;
         glLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &a), glLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &b);
       }, GL_NO_ERROR},
      {"cut-off 90.5", [] { const GLfloat a = 90.5f; glLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &a); }, GL_INVALID_VALUE},
      {"ambient from one integer", [] { glLightModeli(GL_LIGHT_MODEL_AMBIENT, 0); }, GL_INVALID_ENUM},
      {"a light beyond the eighth", [&] { glLightfv(GL_LIGHT7 + 1, GL_DIFFUSE, v); }, GL_INVALID_ENUM},
      {"-1 lists", [] { glGenLists(-1); }, GL_INVALID_VALUE},
  };
  for (const auto& row : rows) {
    row.Act();
    EXPECT_EQ(Gl11TakeError(), row.Error) << row.What;
  }
  EXPECT_EQ(depth(GL_MODELVIEW_STACK_DEPTH), 1);
  EXPECT_EQ(depth(GL_ATTRIB_STACK_DEPTH), 0);
  EXPECT_EQ(glGenLists(0), 0u);
}

}  // namespace
