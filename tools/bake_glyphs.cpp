// quillmoor-bake-glyphs OUT.cpp: converts the saver's two outline fonts on
// this machine, as the Linux hosts convert them at start, and writes them as
// C++ data for the web page (host/web/baked_glyphs.h): the metrics records of
// codes 0..254 and the meshes of every character the countdown can print.
// Floats are written as hexadecimal literals, so the page gets exactly the
// values the Linux hosts draw.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/countdown.h"
#include "frame/outline_font.h"
#include "host/linux_font/font_resolution.h"
#include "host/linux_font/outline_glyphs.h"
#include "host/web/baked_glyphs.h"

namespace {

// Every byte the countdown's lines can hold: both displays' headings and
// suffixes (laid out here by the countdown itself), and the numbers' digits
// and minus sign.
std::set<unsigned> CountdownCharacters() {
  std::set<unsigned> codes;
  for (unsigned char c : std::string("0123456789-")) codes.insert(c);
  CountdownRecord christmas;
  christmas.DaysToNewYear = 100;
  CountdownRecord newYear;
  newYear.DaysToNewYear = 1;
  for (const CountdownRecord& record : {christmas, newYear}) {
    CountdownLayout layout;
    LayOutCountdown(record, 0.2f, 0.0f, layout);
    for (const CountdownLine& line : layout.Lines)
      for (const char* c = line.Text; *c; ++c) codes.insert(static_cast<unsigned char>(*c));
  }
  return codes;
}

std::string Hex(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%af", static_cast<double>(value));
  return text;
}

bool BakeFont(std::ostream& out, int index, const char* face, float extrusion, const std::set<unsigned>& codes) {
  const std::optional<ResolvedFont> font = ResolveBoldFace(face);
  std::vector<ConvertedGlyph> glyphs;
  if (!font || !ConvertOutlineGlyphs(*font, 0, BakedCodeCount, extrusion, glyphs)) {
    std::fprintf(stderr, "quillmoor-bake-glyphs: no usable outline font for \"%s\"\n", face);
    return false;
  }
  std::fprintf(stderr, "quillmoor-bake-glyphs: \"%s\" from %s\n", face, font->File.c_str());
  out << "// \"" << face << "\" from " << font->File << (font->Embolden ? ", emboldened" : "") << "\n";
  out << "const GlyphMetricsFloat Metrics" << index << "[" << BakedCodeCount << "] = {\n";
  for (const ConvertedGlyph& glyph : glyphs) {
    const GlyphMetricsFloat& m = glyph.Metrics;
    out << "  {" << Hex(m.BlackBoxX) << ", " << Hex(m.BlackBoxY) << ", " << Hex(m.OriginX) << ", "
        << Hex(m.OriginY) << ", " << Hex(m.CellIncX) << ", " << Hex(m.CellIncY) << "},\n";
  }
  out << "};\n";
  std::ostringstream table;
  for (unsigned code : codes) {
    const std::vector<MeshTriangle>& triangles = glyphs[code].Mesh.Triangles;
    if (triangles.empty()) continue;
    PackedGlyph packed;
    if (!PackGlyph(triangles, packed)) {
      std::fprintf(stderr, "quillmoor-bake-glyphs: \"%s\" code %u has too many points\n", face, code);
      return false;
    }
    const std::string name = "Glyph" + std::to_string(index) + "_" + std::to_string(code);
    out << "const float " << name << "Points[] = {";
    for (std::size_t i = 0; i < packed.Points.size(); ++i) out << (i % 6 ? " " : "\n  ") << Hex(packed.Points[i]) << ",";
    out << "\n};\nconst float " << name << "Normals[] = {";
    for (std::size_t i = 0; i < packed.Normals.size(); ++i)
      out << (i % 6 ? " " : "\n  ") << Hex(packed.Normals[i]) << ",";
    out << "\n};\nconst std::uint16_t " << name << "Triangles[] = {";
    for (std::size_t i = 0; i < packed.Triangles.size(); ++i)
      out << (i % 16 ? " " : "\n  ") << packed.Triangles[i] << ",";
    out << "\n};\n";
    table << "  {" << code << ", " << name << "Points, " << packed.Points.size() / 3 << ", " << name << "Normals, "
          << packed.Normals.size() / 3 << ", " << name << "Triangles, " << triangles.size() << "},\n";
  }
  out << "const BakedGlyph Glyphs" << index << "[] = {\n" << table.str() << "};\n\n";
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillmoor-bake-glyphs OUT.cpp\n");
    return 2;
  }
  struct FontToBake {
    const char* Face;
    float Extrusion;
  };
  const FontToBake fonts[] = {{SaverFontFace, SaverFontExtrusion}, {PreviewFontFace, PreviewFontExtrusion}};
  const std::set<unsigned> codes = CountdownCharacters();

  std::ostringstream out;
  out << "// Written by quillmoor-bake-glyphs; do not edit.\n#include \"host/web/baked_glyphs.h\"\n\nnamespace {\n\n";
  for (int i = 0; i < 2; ++i)
    if (!BakeFont(out, i, fonts[i].Face, fonts[i].Extrusion, codes)) return 1;
  out << "}  // namespace\n\nconst BakedFont BakedFonts[] = {\n";
  for (int i = 0; i < 2; ++i)
    out << "  {\"" << fonts[i].Face << "\", " << Hex(fonts[i].Extrusion) << ", Metrics" << i << ", Glyphs" << i
        << ", sizeof Glyphs" << i << " / sizeof Glyphs" << i << "[0]},\n";
  out << "};\nconst std::size_t BakedFontCount = 2;\n";

  // Written whole or not at all, so that a failed run leaves no half file
  // for the build to compile.
  const std::string path = argv[1], partial = path + ".partial";
  std::ofstream file(partial, std::ios::binary | std::ios::trunc);
  file << out.str();
  file.close();
  if (!file || std::rename(partial.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "quillmoor-bake-glyphs: cannot write %s\n", path.c_str());
    std::remove(partial.c_str());
    return 1;
  }
  return 0;
}
