// The host's own generators. A text spline object lays its text out from the font's real outlines
// and shows them as a closed spline; an extrude object turns the text below it into a solid.
//
// Both keep their previous cache while nothing they are built from changed: the text while its
// parameters are unchanged (its data dirty count), the extrude while its own parameters and the
// settings of its text are unchanged.
#include "host_generators.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>

#include "c4d.h"
#include "host_app.h"
#include "text_extrude.h"
#include "text_layout.h"

namespace zvhost {
namespace {

// Entry of an extrude's cache container: the settings of the text the solid was built from. A
// text object swapped for another with equal settings therefore keeps the solid.
constexpr Int32 kExtrudeSourceText = 1;

const std::optional<FontInfo>& HostDefaultFont() {
  // fontconfig's answer does not change while the host runs; asking once keeps layouts cheap.
  static const std::optional<FontInfo> font = DefaultFont();
  return font;
}

std::optional<FontInfo> ChosenFont(const BaseContainer& bc) {
  const FontData* data = bc.GetCustomDataType<FontData>(PRIM_TEXT_FONT);
  if (!data) return std::nullopt;
  const BaseContainer& f = data->GetFont();
  if (f.GetString(FONT_FILE).IsEmpty()) return std::nullopt;
  return FontInfo{f.GetString(FONT_FAMILY).GetStdString(), f.GetString(FONT_STYLE).GetStdString(),
                  f.GetString(FONT_FILE).GetStdString(), f.GetInt32(FONT_INDEX)};
}

// The start of a text quoted in a note, enough to recognise the label.
constexpr size_t kNotedTextBytes = 40;

// A text is laid out several times in each evaluation (measured, drawn, extruded): noted once.
void NoteOnce(std::string note) {
  std::vector<std::string>& notes = GetHostLog().notes;
  if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(std::move(note));
}

SplineObject* BuildTextSpline(const TextOutline& outline) {
  size_t count = 0;
  for (const auto& contour : outline.contours) count += contour.size();
  constexpr size_t kLimit = static_cast<size_t>(std::numeric_limits<Int32>::max());
  if (count > kLimit || outline.contours.size() > kLimit) return nullptr;
  SplineObject* spline = SplineObject::Alloc(static_cast<Int32>(count), SPLINETYPE::LINEAR);
  if (!spline) return nullptr;
  if (!spline->ResizeObject(-1, static_cast<Int32>(outline.contours.size()))) {
    BaseObject* op = spline;
    BaseObject::Free(op);
    return nullptr;
  }
  spline->GetDataInstance()->SetBool(SPLINEOBJECT_CLOSED, true);
  Vector* points = spline->GetPointW();
  Segment* segments = spline->GetSegmentW();
  for (const auto& contour : outline.contours) {
    for (const Point2& p : contour) *points++ = Vector(p[0], p[1], 0.0);
    *segments++ = Segment{static_cast<Int32>(contour.size()), true};
  }
  return spline;
}

BaseObject* BuildText(BaseObject* op) {
  if (op->GetCache() && !op->IsDirty(DIRTYFLAGS::DATA)) return op->GetCache();
  TextOutline outline;
  if (!LayoutTextObject(op, &outline)) return nullptr;
  return BuildTextSpline(outline);
}

PolygonObject* BuildSolid(const SolidMesh& mesh) {
  constexpr size_t kLimit = static_cast<size_t>(std::numeric_limits<Int32>::max());
  if (mesh.points.size() > kLimit || mesh.triangles.size() > kLimit) return nullptr;
  PolygonObject* poly = PolygonObject::Alloc(static_cast<Int32>(mesh.points.size()),
                                             static_cast<Int32>(mesh.triangles.size()));
  if (!poly) return nullptr;
  Vector* points = poly->GetPointW();
  for (const Point3& p : mesh.points) *points++ = Vector(p[0], p[1], p[2]);
  CPolygon* polygons = poly->GetPolygonW();
  for (const auto& t : mesh.triangles) *polygons++ = CPolygon(t[0], t[1], t[2]);
  return poly;
}

// Solids of the texts extruded last. The labels replace their objects after every evaluation of
// their plot, mostly with the same texts (an animated plot changes only its value labels), and
// tessellating the caps costs more than sampling a plot; a replaced label finds its solid here.
class SolidMemo {
 public:
  std::shared_ptr<const SolidMesh> Find(const BaseContainer& settings, const Vector& move) {
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_)
      if (e.move == move && e.settings == settings) return e.mesh;
    return nullptr;
  }
  void Add(const BaseContainer& settings, const Vector& move,
           std::shared_ptr<const SolidMesh> mesh) {
    std::lock_guard lock(mutex_);
    if (entries_.size() >= kCapacity) entries_.pop_front();
    entries_.push_back(Entry{settings, move, std::move(mesh)});
  }

 private:
  // Enough for the thirteen labels of a few plots; a rebuild looks at every entry once per label.
  static constexpr size_t kCapacity = 64;
  struct Entry {
    BaseContainer settings;
    Vector move;
    std::shared_ptr<const SolidMesh> mesh;
  };
  std::mutex mutex_;
  std::deque<Entry> entries_;
};

SolidMemo& Solids() {
  static SolidMemo memo;
  return memo;
}

std::shared_ptr<const SolidMesh> ExtrudeText(const BaseObject* text, const Vector& move) {
  const BaseContainer& settings = text->GetDataInstanceRef();
  if (auto mesh = Solids().Find(settings, move)) return mesh;
  TextOutline outline;
  if (!LayoutTextObject(text, &outline)) return nullptr;
  auto mesh = std::make_shared<const SolidMesh>(ExtrudeOutline(outline, {move.x, move.y, move.z}));
  Solids().Add(settings, move, mesh);
  return mesh;
}

// The extrude consumes its first child when that is a text object. The text is taken where the
// extrude is (its own placement is not applied): label objects never move their text.
BaseObject* BuildExtrude(BaseObject* op) {
  const BaseObject* text = op->GetDown();
  if (!text || text->GetType() != Osplinetext) return nullptr;
  const BaseContainer& settings = text->GetDataInstanceRef();
  if (BaseObject* cache = op->GetCache(); cache && !op->IsDirty(DIRTYFLAGS::DATA)) {
    const BaseContainer* built =
        cache->GetDataInstanceRef().GetContainerInstance(kExtrudeSourceText);
    if (built && *built == settings) return cache;
  }
  const auto mesh = ExtrudeText(text, op->GetDataInstanceRef().GetVector(EXTRUDEOBJECT_MOVE));
  PolygonObject* solid = mesh ? BuildSolid(*mesh) : nullptr;
  if (solid) solid->GetDataInstance()->SetContainer(kExtrudeSourceText, settings);
  return solid;
}

}  // namespace

bool LayoutTextObject(const BaseObject* op, TextOutline* out) {
  const BaseContainer& bc = op->GetDataInstanceRef();
  const std::string text = bc.GetString(PRIM_TEXT_TEXT).GetStdString();
  const Float height = bc.GetFloat(PRIM_TEXT_HEIGHT);
  const Int32 align = bc.GetInt32(PRIM_TEXT_ALIGN);
  // A chosen font that can no longer be opened (moved or uninstalled since) falls back to the
  // host's default font, as a text without a font does.
  std::string error = "no font is installed";
  if (const auto font = ChosenFont(bc); font && LayoutText(*font, text, height, align, out, &error))
    return true;
  if (const auto& font = HostDefaultFont();
      font && LayoutText(*font, text, height, align, out, &error))
    return true;
  *out = TextOutline{};
  NoteOnce("the text \"" + text.substr(0, kNotedTextBytes) +
           (text.size() > kNotedTextBytes ? "...\"" : "\"") + " shows nothing: " + error);
  return false;
}

bool BuildHostGenerator(BaseObject* op, HierarchyHelp*, BaseObject** cache) {
  switch (op->GetType()) {
    case Osplinetext:
      *cache = BuildText(op);
      return true;
    case Oextrude:
      *cache = BuildExtrude(op);
      return true;
    default:
      *cache = nullptr;
      return false;
  }
}

}  // namespace zvhost
