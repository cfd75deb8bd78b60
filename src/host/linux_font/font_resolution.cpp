#include "host/linux_font/font_resolution.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

}  // namespace

std::optional<ResolvedFont> ResolveBoldFace(const char* face) {
  if (face == nullptr) return std::nullopt;

  // The family is added as it is: parsing it as a fontconfig name would give
  // ':' and '-' in a face name a meaning of their own.
  PatternPtr request(FcPatternCreate());
  if (!request) return std::nullopt;
  FcPatternAddString(request.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
  FcPatternAddInteger(request.get(), FC_WEIGHT, FC_WEIGHT_BOLD);
  FcPatternAddInteger(request.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(request.get(), FC_OUTLINE, FcTrue);
  FcPatternAddBool(request.get(), FC_SCALABLE, FcTrue);
  if (!FcConfigSubstitute(nullptr, request.get(), FcMatchPattern)) return std::nullopt;
  FcDefaultSubstitute(request.get());

  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, request.get(), &result));
  if (!match || result != FcResultMatch) return std::nullopt;

  FcBool outline = FcFalse;
  if (FcPatternGetBool(match.get(), FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) return std::nullopt;

  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || file == nullptr) return std::nullopt;

  ResolvedFont resolved;
  resolved.File = reinterpret_cast<const char*>(file);
  int index = 0;
  if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) == FcResultMatch) resolved.Index = index;
  FcBool embolden = FcFalse;
  if (FcPatternGetBool(match.get(), FC_EMBOLDEN, 0, &embolden) == FcResultMatch) resolved.Embolden = embolden;
  return resolved;
}
