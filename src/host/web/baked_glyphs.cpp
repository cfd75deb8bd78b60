#include "host/web/baked_glyphs.h"

#include <cstring>
#include <limits>
#include <map>
#include <array>

const BakedFont* FindBakedFont(const BakedFont* fonts, std::size_t count, const char* face, float extrusion) {
  if (face == nullptr) return nullptr;
  for (std::size_t i = 0; i < count; ++i)
    if (std::strcmp(fonts[i].Face, face) == 0 && fonts[i].Extrusion == extrusion) return &fonts[i];
  return nullptr;
}

const BakedGlyph* FindBakedGlyph(const BakedFont& font, unsigned code) {
  for (std::size_t i = 0; i < font.GlyphCount; ++i)
    if (font.Glyphs[i].Code == code) return &font.Glyphs[i];
  return nullptr;
}

bool ExpandBakedGlyph(const BakedGlyph& glyph, std::vector<MeshTriangle>& triangles) {
  std::vector<MeshTriangle> expanded(glyph.TriangleCount);
  for (std::size_t t = 0; t < glyph.TriangleCount; ++t) {
    const std::uint16_t* indices = glyph.Triangles + 4 * t;
    if (indices[0] >= glyph.NormalCount) return false;
    std::memcpy(expanded[t].Normal, glyph.Normals + 3 * indices[0], sizeof expanded[t].Normal);
    for (int v = 0; v < 3; ++v) {
      if (indices[1 + v] >= glyph.PointCount) return false;
      std::memcpy(expanded[t].Vertices[v], glyph.Points + 3 * indices[1 + v], sizeof expanded[t].Vertices[v]);
    }
  }
  triangles = std::move(expanded);
  return true;
}

namespace {

// The index of `xyz` in `table`, appended when it is not there yet. Values
// are told apart by their bits, so -0 and 0 stay distinct.
class TripleTable {
 public:
  explicit TripleTable(std::vector<float>& values) : values_(values) {}

  bool IndexOf(const float* xyz, std::uint16_t& index) {
    Key key;
    std::memcpy(key.data(), xyz, sizeof(float) * 3);
    const auto found = indices_.find(key);
    if (found != indices_.end()) {
      index = found->second;
      return true;
    }
    if (indices_.size() > std::numeric_limits<std::uint16_t>::max()) return false;
    index = static_cast<std::uint16_t>(indices_.size());
    indices_.emplace(key, index);
    values_.insert(values_.end(), xyz, xyz + 3);
    return true;
  }

 private:
  using Key = std::array<std::uint32_t, 3>;
  std::vector<float>& values_;
  std::map<Key, std::uint16_t> indices_;
};

}  // namespace

bool PackGlyph(const std::vector<MeshTriangle>& triangles, PackedGlyph& packed) {
  PackedGlyph result;
  TripleTable points(result.Points), normals(result.Normals);
  for (const MeshTriangle& t : triangles) {
    std::uint16_t indices[4];
    if (!normals.IndexOf(t.Normal, indices[0])) return false;
    for (int v = 0; v < 3; ++v)
      if (!points.IndexOf(t.Vertices[v], indices[1 + v])) return false;
    result.Triangles.insert(result.Triangles.end(), indices, indices + 4);
  }
  packed = std::move(result);
  return true;
}
