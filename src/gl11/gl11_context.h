// The OpenGL 1.1 layer's side in the OpenGL ES 3 / WebGL 2 context: the
// fixed-function programs (one per state key, gl11_shaders.h), the brackets kept on the GPU (those drawn outside
// lists while they come back unchanged, and those of display lists from their
// compilation on), and the context state OpenGL 1.1 shares with ES, sent only
// where it differs from what the context already has.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "gl11/gl11_matrix.h"
#include "gl11/gl11_shaders.h"
#include "gl11/gl11_state.h"

using Vertex = Gl11Vertex;

// One glBegin/glEnd bracket compiled into a list. The first
// InheritedColours vertices take the colour current when the list runs (no
// colour was given in the bracket before them); the same for normals.
struct ListBracket {
  GLenum Mode = GL_TRIANGLES;
  std::vector<Vertex> Vertices;
  std::size_t InheritedColours = 0, InheritedNormals = 0;
  bool SetsColour = false, SetsNormal = false;  // the current values after the bracket
  Vec4 LastColour{};
  std::array<float, 3> LastNormal{};
  // Its place in the current context's list store for the attributes it
  // points at (EsBackend): Count vertices from First; Stored false when not
  // uploaded. A bracket whose colours or normals are partly inherited holds
  // them resolved for the values below, and is uploaded again only when it
  // runs with other ones.
  bool Stored = false;
  int Store = 0;
  std::size_t First = 0, Count = 0;
  bool Resolved = false;
  Vec4 ResolvedColour{};
  std::array<float, 3> ResolvedNormal{};
};

// What a draw reads of the OpenGL 1.1 state. The versions move whenever the
// matrices, or the lighting and normalisation, change.
struct DrawInputs {
  const Matrix4& ModelView;
  const Matrix4& Projection;
  const LightingState& Lighting;
  bool Normalize;
  unsigned MatrixVersion, LightingVersion;
};

// The ES mode a bracket of OpenGL 1.1 mode `mode` is drawn with (quads as
// triangles, once split); false for no such mode.
bool DrawableMode(GLenum mode, GLenum& drawn);
// Each quad a, b, c, d as the triangles a, b, c and a, c, d.
void SplitQuads(std::vector<Vertex>& vertices);

class EsBackend {
 public:
  // Starts on the current context: builds the program of OpenGL's initial
  // state (the others are built as draws first need them); the objects of
  // an earlier context are forgotten, not deleted. False when that program
  // cannot be built: nothing is drawn then, and BuildFailure() says which
  // stage failed.
  bool Build();
  // Builds and binds the program for the state `in` reads now (after Build,
  // for the state a restored context goes on with); false when it cannot be
  // built.
  bool ProgramReady(const DrawInputs& in) { return Prepare(in); }
  // The stage that failed in the last program that could not be built
  // (its log went to the standard error); empty when none failed.
  const char* BuildFailure() const { return failure_; }
  // Deletes every object the backend holds in the current context (the
  // programs and the kept brackets); list brackets are the caller's.
  void DeleteAll();
  // The keys of the programs built in this context, in the order built.
  std::vector<ProgramKey> ProgramKeys() const;
  // Sets the context to `state` where it differs from what was last applied
  // (everything after Build).
  void ApplyState(const AttribState& state);
  // A frame begins (the colour buffer is cleared): brackets not drawn in the
  // frame before give up their place on the GPU.
  void NewFrame();
  // A place for a list bracket in the list store of its attributes, where
  // it stays. List brackets share a few buffers and vertex arrays (one
  // store for each set of attributes taken from arrays), so that a context
  // restored with every list makes a handful of objects, not two per bracket.
  void Upload(ListBracket& bracket);
  // The list bracket's place is free for another.
  void Release(ListBracket& bracket);
  // The bracket being drawn outside lists, glBegin to glEnd. The backend
  // alone owns it: the vertices gathered so far, and the bracket expected
  // (the one at the same place in the frame before, see FollowOrder), a
  // slot of the kept brackets with the generation it had. While the
  // vertices agree with the expected one's, qm_immediate.Next and End walk
  // that slot's vertices (the inline per-vertex calls compare with them)
  // and none are gathered; every path that changes or frees kept brackets
  // closes the expectation first, the agreed vertices then gathered.
  // `follow`: the bracket may be expected (not one also compiled into a
  // list, which must take every vertex there).
  void BeginBracket(GLenum mode, bool follow);
  // A vertex that differs from the one expected, or comes after all of them.
  void AddVertex(const Vertex& vertex);
  // Draws the bracket: the expected one, all of whose vertices came again,
  // from its buffer; else the gathered vertices, from a buffer already on
  // the GPU when the same vertices were drawn in this frame or the one
  // before, else uploaded.
  void EndBracket(const DrawInputs& in);
  // Forgets the open bracket, if any, and its vertices.
  void DropBracket();
  // A list bracket, its inherited values from the current colour and normal.
  void DrawBracket(ListBracket& bracket, const Vec4& colour, const std::array<float, 3>& normal,
                   const DrawInputs& in);

  Gl11Counters Counts;

 private:
  // A bracket drawn outside lists, kept while it keeps coming back.
  struct Kept {
    GLenum Mode = GL_TRIANGLES;  // as drawn
    GLenum Source = GL_TRIANGLES;  // as given to glBegin
    std::vector<Vertex> Vertices;
    unsigned Generation = 0;  // moves whenever Vertices change
    std::uint64_t Print = 0;
    GLuint Buffer = 0, VertexArray = 0;
    unsigned LastFrame = 0;
    bool Listed = false;  // found by its print (else free for another bracket)
    // A lit bracket is shaded once (Shade) when it is drawn again with the
    // vertices, program and uniform values of its draw before: drawn with
    // these: the key's program and the values it held, for this generation
    // of the vertices.
    ProgramKey DrawnKey = 0;
    unsigned DrawnGeneration = 0;
    std::vector<float> DrawnValues;
    // Shaded for the draw above: its vertices as the program wrote them, in
    // ShadedBuffer (ShadedBytes long, attributes in ShadedArray). The
    // objects stay with the slot, for the brackets that take it later.
    bool Shaded = false;
    GLuint ShadedBuffer = 0, ShadedArray = 0;
    std::size_t ShadedBytes = 0;
  };
  static constexpr std::size_t NoSlot = ~std::size_t(0);

  // Binds the program for the state's key and brings its uniforms up to
  // the kept state; false when that program could not be built.
  bool Prepare(const DrawInputs& in);
  FixedFunctionProgram* ProgramFor(ProgramKey key);
  void BindArray(GLuint vertexArray);
  // A buffer with its vertex array, pointing the attributes asked for: from
  // the pool, else made. Given back, they wait in the pool for the next
  // bracket; only a lost context deletes them. (emscripten's WebGL names
  // come from one counter that only grows, and each name made lengthens
  // every table of names: reused, the tables stay as they are.)
  void TakeArrays(GLuint& buffer, GLuint& vertexArray);
  void GiveBackArrays(GLuint& buffer, GLuint& vertexArray, std::size_t bytes);
  void DeleteArrays(GLuint& buffer, GLuint& vertexArray);
  // A place of `count` vertices in list store `store`: a free one, else at
  // the end, the store grown (its contents copied to a buffer twice as
  // large) when full.
  void Place(ListBracket& bracket, int store, std::size_t count);
  void FillStored(const ListBracket& bracket, const std::vector<Vertex>& vertices);
  void Fill(GLuint buffer, const std::vector<Vertex>& vertices, GLenum usage);
  std::size_t FreeSlot();
  void Unlist(std::size_t slot);
  void DrawKept(std::size_t slot, const DrawInputs& in);
  // Draws a kept lit bracket from its vertices shaded once, shading them
  // first where they were drawn the same way before; false where it is
  // drawn as usual (not lit, too short, drawn otherwise before, or the
  // program for shading could not be built).
  bool DrawShaded(Kept& kept, const DrawInputs& in);
  bool Shade(Kept& kept, const DrawInputs& in);
  // The slot's shaded vertices are of no use any more: their storage goes.
  void Unshade(Kept& kept);
  void UseProgram(GLuint program);
  // Brings the program's uniforms up to the state `in` reads.
  static void BringUp(FixedFunctionProgram& program, const DrawInputs& in);
  void DrawImmediate(GLenum source, GLenum mode, const std::vector<Vertex>& vertices, const DrawInputs& in);
  void OpenExpectation(GLenum source);
  // Ends the expectation, the vertices that agreed gathered.
  void CloseExpectation();
  void FollowOrder(std::size_t slot);
  void ForgetOrder();

  // The programs of this context, built as first needed (a handful); the
  // one bound; the key of the lighting version keyVersion_ (recomputed only
  // when the layer's setters moved that version).
  std::vector<std::unique_ptr<FixedFunctionProgram>> programs_;
  FixedFunctionProgram* program_ = nullptr;
  // The programs that shade brackets once, and those that draw them, by
  // key (0: could not be built); the program bound.
  std::vector<std::unique_ptr<FixedFunctionProgram>> shadingPrograms_;
  std::vector<std::pair<ProgramKey, GLuint>> shadedPrograms_;
  GLuint usedProgram_ = 0;
  std::size_t shadedBytes_ = 0;
  std::vector<float> values_;  // scratch, for DrawShaded
  ProgramKey key_ = 0;
  unsigned keyVersion_ = 0;
  // Built in a context not yet lost: only then are objects made and draws
  // sent.
  bool live_ = false;
  const char* failure_ = "";
  GLuint boundArray_ = 0;
  struct PooledArrays {
    GLuint Buffer = 0, VertexArray = 0;
  };
  std::vector<PooledArrays> pool_;
  // The list stores, by the attributes their vertex array takes from the
  // buffer: 2 for normals, 1 for colours.
  struct ListStore {
    GLuint Buffer = 0, VertexArray = 0;
    std::size_t Capacity = 0, Used = 0;  // in vertices
    std::vector<std::pair<std::size_t, std::size_t>> Free;  // first, count
  };
  std::array<ListStore, 4> stores_;
  AttribState applied_;
  bool appliedValid_ = false;

  std::vector<Kept> kept_;
  std::unordered_multimap<std::uint64_t, std::size_t> byPrint_;
  std::vector<std::size_t> free_;
  unsigned frame_ = 1;
  bool drewInFrame_ = false;
  std::size_t keptBytes_ = 0;
  // The brackets drawn in this frame and in the one before, in order; the
  // place reached in the one before.
  std::vector<std::size_t> order_, previous_;
  std::size_t place_ = 0;
  // The open bracket: its mode, its gathered vertices, the slot expected
  // (NoSlot when none) and that slot's generation when it was opened.
  GLenum bracketMode_ = GL_TRIANGLES;
  std::vector<Vertex> gathered_;
  std::size_t expected_ = NoSlot;
  unsigned expectedGeneration_ = 0;
};
