#include "host/linux_font/outline_flattening.h"

#include <algorithm>
#include <cmath>

namespace {

// A glyph arc needs a handful of chords; the cap only guards against absurd
// control points.
constexpr double MaxSteps = 1024;

double Length(double x, double y) { return std::sqrt(x * x + y * y); }

// Linear interpolation between parameter steps h apart misses a curve by at
// most h^2 / 8 times the largest second derivative; the steps are chosen so
// that this stays within the tolerance.
int StepsFor(double secondDerivativeBound, double tolerance) {
  if (!(tolerance > 0)) tolerance = 1;
  const double steps = std::ceil(std::sqrt(secondDerivativeBound / (8 * tolerance)));
  if (!(steps >= 1)) return 1;
  return static_cast<int>(std::min(steps, MaxSteps));
}

Point2 ToPoint(const FT_Vector* v) { return {static_cast<double>(v->x), static_cast<double>(v->y)}; }

// Collects the contours while FreeType walks the outline.
struct Walk {
  double tolerance;
  std::vector<Contour> contours;
  Point2 pen;
  std::vector<Point2> arc;  // the points of the arc being flattened

  void Add(Point2 p) {
    Contour& contour = contours.back();
    if (contour.empty() || !(contour.back() == p)) contour.push_back(p);
  }

  static int MoveTo(const FT_Vector* to, void* user) {
    Walk& walk = *static_cast<Walk*>(user);
    walk.contours.emplace_back();
    walk.pen = ToPoint(to);
    walk.Add(walk.pen);
    return 0;
  }
  static int LineTo(const FT_Vector* to, void* user) {
    Walk& walk = *static_cast<Walk*>(user);
    if (walk.contours.empty()) return 1;
    walk.pen = ToPoint(to);
    walk.Add(walk.pen);
    return 0;
  }
  static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    Walk& walk = *static_cast<Walk*>(user);
    if (walk.contours.empty()) return 1;
    walk.arc.clear();
    FlattenQuadratic(walk.pen, ToPoint(control), ToPoint(to), walk.tolerance, walk.arc);
    for (const Point2& p : walk.arc) walk.Add(p);
    walk.pen = ToPoint(to);
    return 0;
  }
  static int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
    Walk& walk = *static_cast<Walk*>(user);
    if (walk.contours.empty()) return 1;
    walk.arc.clear();
    FlattenCubic(walk.pen, ToPoint(control1), ToPoint(control2), ToPoint(to), walk.tolerance, walk.arc);
    for (const Point2& p : walk.arc) walk.Add(p);
    walk.pen = ToPoint(to);
    return 0;
  }
};

}  // namespace

void FlattenQuadratic(Point2 p0, Point2 p1, Point2 p2, double tolerance, std::vector<Point2>& out) {
  // B'' = 2 (p0 - 2 p1 + p2), constant along the arc.
  const double bound = 2 * Length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y);
  const int steps = StepsFor(bound, tolerance);
  for (int i = 1; i < steps; ++i) {
    const double t = double(i) / steps, u = 1 - t;
    out.push_back({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x, u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
  }
  out.push_back(p2);
}

void FlattenCubic(Point2 p0, Point2 p1, Point2 p2, Point2 p3, double tolerance, std::vector<Point2>& out) {
  // B'' = 6 ((1 - t)(p0 - 2 p1 + p2) + t (p1 - 2 p2 + p3)), largest at an end.
  const double bound = 6 * std::max(Length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                    Length(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
  const int steps = StepsFor(bound, tolerance);
  for (int i = 1; i < steps; ++i) {
    const double t = double(i) / steps, u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    out.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
  }
  out.push_back(p3);
}

bool FlattenOutline(const FT_Outline& outline, double tolerance, double scale, std::vector<Contour>& contours) {
  FT_Outline_Funcs funcs{};
  funcs.move_to = &Walk::MoveTo;
  funcs.line_to = &Walk::LineTo;
  funcs.conic_to = &Walk::ConicTo;
  funcs.cubic_to = &Walk::CubicTo;
  funcs.shift = 0;
  funcs.delta = 0;

  Walk walk{tolerance, {}, {}, {}};
  if (FT_Outline_Decompose(const_cast<FT_Outline*>(&outline), &funcs, &walk) != 0) return false;

  contours.clear();
  for (Contour& contour : walk.contours) {
    // The walk closes each contour on its first point, which is kept once.
    while (contour.size() > 1 && contour.back() == contour.front()) contour.pop_back();
    if (contour.size() < 3) continue;
    for (Point2& p : contour) p = {p.x * scale, p.y * scale};
    contours.push_back(std::move(contour));
  }
  return true;
}
