#include "zvplot_labels.h"

#include <cmath>

#include "c4d_symbols.h"
#include "c4dapi.h"
#include "lib_clipmap.h"
#include "o3dplot.h"
#include "zvplot.h"
#include "zvplot_estimate.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"

namespace {

// Distance between the plot box and the vertical values, and between the box top and the legend,
// in scene units: a fixed margin that does not grow with the text.
constexpr Float kVerticalGap = 2.0;
constexpr Float kLegendGap = 2.0;
constexpr Float kQuarterTurn = PI05;
constexpr Float kHalfTurn = PI;
constexpr Float kThreeQuarterTurn = 3.0 * PI05;
#ifdef _WIN32
constexpr const char* kPreferredFont = "Arial";
#else
constexpr const char* kPreferredFont = "Helvetica";
#endif

// Everything a rebuild reads, from the labels' container and from the plot.
struct LabelSettings {
  Float size = 0.0, depth = 0.0;
  Vector color;
  const FontData* font = nullptr;
  Float width = 0.0, height = 0.0;
  Float xMin = 0.0, xMax = 0.0, zMin = 0.0, zMax = 0.0;
  Bool flip = false, showHorizontal = false, showVertical = false;
  Int32 digits = 0, axes = 0;
  Float valueMin = 0.0, valueMax = 0.0;
  Int32 heightMode = 0;
  Float scalePositive = 0.0, scaleNegative = 0.0;
};

// Where one axis label goes and how it reads.
struct AxisLabel {
  Float value = 0.0;
  Vector pos;
  Float heading = 0.0;
  Int32 align = PRIM_TEXT_ALIGN_LEFT;
  Bool visible = false;
};

LabelSettings ReadSettings(const BaseContainer& bc, BaseObject* plot) {
  // The plot's container rather than its members: the plot mirrors it only when it evaluates.
  const PlotSettings ps = PlotSettings::Read(plot->GetDataInstanceRef());
  const auto* data = plot->GetNodeData<ZVPlot>();
  LabelSettings s;
  s.size = bc.GetFloat(O3DPLOTLABEL_TEXTSIZE);
  s.depth = bc.GetFloat(O3DPLOTLABEL_DEPTH);
  s.color = bc.GetVector(O3DPLOTLABEL_COLOR);
  s.font = GetCustomData<FontData>(bc, O3DPLOTLABEL_FONT);
  s.width = ps.size;
  s.height = ps.height;
  s.xMin = ps.xMin;
  s.xMax = ps.xMax;
  s.zMin = ps.FormulaZMin();
  s.zMax = ps.FormulaZMax();
  s.flip = bc.GetBool(O3DPLOTLABEL_FLIP);
  s.showHorizontal = bc.GetBool(O3DPLOTLABEL_SHOW_HORIZONTAL);
  s.showVertical = bc.GetBool(O3DPLOTLABEL_SHOW_VERTICAL);
  s.digits = bc.GetInt32(O3DPLOTLABEL_DIGITS);
  s.axes = bc.GetInt32(O3DPLOTLABEL_AXES);
  s.valueMin = data->GetValueMin();
  s.valueMax = data->GetValueMax();
  s.heightMode = ps.heightMode;
  s.scalePositive = ps.scalePositive;
  s.scaleNegative = ps.scaleNegative;
  return s;
}

// Labels 0 to 2 of an axis group stand along x, labels 3 to 5 along z.
Bool AxisShown(Int32 axes, Bool xAxis) {
  return xAxis ? (axes == O3DPLOTLABEL_AXES_X || axes == O3DPLOTLABEL_AXES_BOTH)
               : (axes == O3DPLOTLABEL_AXES_Z || axes == O3DPLOTLABEL_AXES_BOTH);
}

AxisLabel HorizontalLabel(const LabelSettings& s, Int32 index) {
  const Bool xAxis = index < 3;
  const Int32 k = index % 3;  // minimum, middle, maximum
  const Float lo = xAxis ? s.xMin : s.zMin;
  const Float hi = xAxis ? s.xMax : s.zMax;
  const Float half = s.width * 0.5;
  const Float along = k == 0 ? -half : (k == 1 ? 0.0 : half);
  const Float y = -s.height * 0.5 - s.size;
  AxisLabel l;
  l.value = k == 0 ? lo : (k == 1 ? (lo + hi) * 0.5 : hi);
  // Turned by half a turn the text reads the other way, so its alignment swaps ends.
  l.align = s.flip ? PRIM_TEXT_ALIGN_RIGHT - k : k;
  if (xAxis) {
    l.pos = Vector(along, y, s.flip ? half : -half);
    l.heading = s.flip ? kHalfTurn : 0.0;
  } else {
    l.pos = Vector(s.flip ? -half : half, y, along);
    l.heading = s.flip ? kThreeQuarterTurn : kQuarterTurn;
  }
  l.visible = s.showHorizontal && AxisShown(s.axes, xAxis);
  return l;
}

// The formula value plotted at the top (or the bottom) of the box. A value of 1 is plotted at the
// top unless the fit scaled the set down, which puts the largest magnitude there; that side's
// scale factor then stretches the heights. When the factor brings no value of that sign to that
// side (0, or a negative factor that folds it over), the largest magnitude names the range instead.
Float EdgeValue(const LabelSettings& s, Bool top) {
  const Float a =
      std::fabs(s.valueMin) < std::fabs(s.valueMax) ? std::fabs(s.valueMax) : std::fabs(s.valueMin);
  const Float factor = top ? s.scalePositive : s.scaleNegative;
  const Float sign = top ? 1.0 : -1.0;
  if (!(factor > 0.0)) return sign * a;
  const Float edge = s.heightMode == O3DPLOT_HEIGHTMODE_FIT && a > 1.0 ? a : 1.0;
  return sign * edge / factor;
}

Float VerticalValue(const LabelSettings& s, Int32 index) {
  const Int32 k = index % 3;
  return k == 1 ? 0.0 : EdgeValue(s, k == 0);
}

// `r` is the half height of the label's text, which stands on its baseline: the top value ends
// at the box top, the middle one is centred on 0 and the bottom one starts at the box bottom.
AxisLabel VerticalLabel(const LabelSettings& s, Int32 index, Float r) {
  const Bool xAxis = index < 3;
  const Int32 k = index % 3;
  const Float half = s.width * 0.5;
  const Float y = k == 0 ? s.height * 0.5 - 2.0 * r : (k == 1 ? -r : -s.height * 0.5);
  AxisLabel l;
  l.value = VerticalValue(s, index);
  l.align = PRIM_TEXT_ALIGN_RIGHT;
  if (xAxis) {
    l.pos = s.flip ? Vector(half + kVerticalGap, y, half) : Vector(-half - kVerticalGap, y, -half);
    l.heading = s.flip ? kHalfTurn : 0.0;
  } else {
    l.pos = s.flip ? Vector(kVerticalGap - half, y, half) : Vector(half - kVerticalGap, y, -half);
    l.heading = s.flip ? kThreeQuarterTurn : kQuarterTurn;
  }
  l.visible = s.showVertical && AxisShown(s.axes, xAxis);
  return l;
}

String LabelName(const char* prefix, Int32 index) {
  return String(prefix) + String::IntToString(index) + String("_");
}

String FormatValue(Float v, Int32 digits) {
  return maxon::String::FloatToString(v, maxon::STRING_DYNAMIC_DIGITS, digits);
}

void SetVisible(BaseObject* op, Bool on) {
  if (!op) return;
  op->SetEditorMode(on ? MODE_ON : MODE_OFF);
  op->SetRenderMode(on ? MODE_ON : MODE_OFF);
}

// A label object below the labels object. The labels object itself is never taken for one, even
// when the user gave it a label's name: a rebuild would free the object that is rebuilding.
BaseObject* FindLabel(BaseObject* op, const String& name) {
  for (BaseObject* child = op->GetDown(); child; child = child->GetNext())
    if (BaseObject* found = FindObjectByName(child, name)) return found;
  return nullptr;
}

void FreeLabel(BaseObject* op, const String& name) {
  if (BaseObject* found = FindLabel(op, name)) BaseObject::Free(found);
}

// A new, named label object with its text (without text when the text object cannot be made);
// nothing when the label object cannot be made. *text receives the text object.
BaseObject* NewLabel(const String& name, const String& str, Int32 align, const LabelSettings& s,
                     BaseObject** text) {
  *text = nullptr;
  BaseObject* label = BaseObject::Alloc(Oextrude);
  if (!label) return nullptr;
  label->SetName(name);
  if ((*text = BaseObject::Alloc(Osplinetext)) != nullptr) {
    ZVPlotLabels::SetupLabelText(*text, s.size, align, s.font, str);
    (*text)->InsertUnder(label);
  }
  return label;
}

// Shows, places and inserts a new label object. Last below the labels object, so the hierarchy
// reads in index order.
void FinishLabel(BaseObject* op, BaseObject* label, Bool visible, const Vector& pos, Float heading,
                 const LabelSettings& s) {
  SetVisible(label, visible);
  ZVPlotLabels::PlaceLabelObject(label, s.depth, pos, Vector(heading, 0.0, 0.0), s.color);
  label->InsertUnderLast(op);
}

void BuildHorizontal(BaseObject* op, const LabelSettings& s) {
  for (Int32 i = 0; i < kAxisLabelCount; ++i) FreeLabel(op, LabelName(kHorizontalLabelPrefix, i));
  for (Int32 i = 0; i < kAxisLabelCount; ++i) {
    const AxisLabel l = HorizontalLabel(s, i);
    BaseObject* text = nullptr;
    BaseObject* label = NewLabel(LabelName(kHorizontalLabelPrefix, i),
                                 FormatValue(l.value, s.digits), l.align, s, &text);
    if (label) FinishLabel(op, label, l.visible, l.pos, l.heading, s);
  }
}

// The half height of a text object's text. The host knows a generator's size once it has built
// it, so a copy of the text is built alone, in a document of its own, and measured there.
Float TextHalfHeight(BaseObject* text) {
  if (!text) return 0.0;
  BaseDocument* doc = BaseDocument::Alloc();
  if (!doc) return 0.0;
  Float half = 0.0;
  if (auto* copy = static_cast<BaseObject*>(text->GetClone(COPYFLAGS::NONE, nullptr))) {
    doc->InsertObject(copy, nullptr, nullptr);
    if (doc->ExecutePasses(nullptr, false, false, true, BUILDFLAGS::NONE)) half = copy->GetRad().y;
  }
  BaseDocument::Free(doc);
  return half;
}

void BuildVertical(BaseObject* op, const LabelSettings& s) {
  for (Int32 i = 0; i < kAxisLabelCount; ++i) FreeLabel(op, LabelName(kVerticalLabelPrefix, i));
  for (Int32 i = 0; i < kAxisLabelCount; ++i) {
    BaseObject* text = nullptr;
    BaseObject* label =
        NewLabel(LabelName(kVerticalLabelPrefix, i), FormatValue(VerticalValue(s, i), s.digits),
                 PRIM_TEXT_ALIGN_RIGHT, s, &text);
    if (!label) continue;
    const AxisLabel l = VerticalLabel(s, i, TextHalfHeight(text));
    FinishLabel(op, label, l.visible, l.pos, l.heading, s);
  }
}

Float LegendHeading(Int32 orientation) {
  switch (orientation) {
    case O3DPLOTLABEL_LEGEND_ORIENTATION_QUARTER:
      return kQuarterTurn;
    case O3DPLOTLABEL_LEGEND_ORIENTATION_THREEQUARTER:
      return kThreeQuarterTurn;
    case O3DPLOTLABEL_LEGEND_ORIENTATION_HALF:
      return kHalfTurn;
    default:
      return 0.0;
  }
}

Vector LegendPosition(const BaseContainer& bc, Float height) {
  const Vector offset = bc.GetVector(O3DPLOTLABEL_LEGEND_OFFSET);
  return Vector(offset.x, height * 0.5 + kLegendGap + offset.y, offset.z);
}

void BuildLegend(BaseObject* op, const BaseContainer& bc, BaseObject* plot,
                 const LabelSettings& s) {
  FreeLabel(op, kLegendName);
  const String text = String("Formula: ") + plot->GetDataInstanceRef().GetString(O3DPLOT_FORMULA);
  BaseObject* textObject = nullptr;
  BaseObject* legend = NewLabel(kLegendName, text, PRIM_TEXT_ALIGN_MIDDLE, s, &textObject);
  if (!legend) return;
  FinishLabel(op, legend, bc.GetBool(O3DPLOTLABEL_SHOW_LEGEND), LegendPosition(bc, s.height),
              LegendHeading(bc.GetInt32(O3DPLOTLABEL_LEGEND_ORIENTATION)), s);
}

Bool IsRegularStyle(const BaseContainer& font) {
  String style;
  if (!GeClipMap::GetFontName(&font, GE_FONT_NAME_STYLE, &style)) return false;
  for (const char* regular : {"Regular", "Book", "Roman", "Normal"}) {
    if (style.Compare(String(regular), maxon::STRINGCOMPARISON::CASEINSENSITIVE) ==
        maxon::COMPARERESULT::EQUAL)
      return true;
  }
  return false;
}

enum class FontSearch { FOUND, NOT_INSTALLED, FAILED };

// The preferred font in the host's font list. Of its styles the regular one is taken: the list is
// sorted by style name, which would put a bold or black style first.
FontSearch FindPreferredFont(const BaseContainer& fonts, BaseContainer* chosen) {
  Bool found = false;
  const String preferred(kPreferredFont);
  for (Int32 i = 0; fonts.GetIndexId(i) != NOTOK; ++i) {
    const GeData* entry = fonts.GetIndexData(i);
    const BaseContainer* font = entry ? entry->GetContainer() : nullptr;
    if (!font) continue;
    String name;
    if (!GeClipMap::GetFontName(font, GE_FONT_NAME_FAMILY, &name)) return FontSearch::FAILED;
    if (!(name == preferred)) continue;
    if (!found || IsRegularStyle(*font)) *chosen = *font;
    found = true;
    if (IsRegularStyle(*font)) break;
  }
  return found ? FontSearch::FOUND : FontSearch::NOT_INSTALLED;
}

}  // namespace

// ---- Host operations ---------------------------------------------------------------------------

Bool ZVPlotLabels::Init(GeListNode* node, Bool) {
  watch = PlotWatch();
  SetDefaults(static_cast<BaseObject*>(node)->GetDataInstance());
  return true;
}

void ZVPlotLabels::Free(GeListNode*) {}

Bool ZVPlotLabels::CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode,
                          COPYFLAGS flags, AliasTrans* trn) const {
  if (!dest) return false;
  static_cast<ZVPlotLabels*>(dest)->watch = watch;
  return SUPER::CopyTo(dest, snode, dnode, flags, trn);
}

Bool ZVPlotLabels::Message(GeListNode* node, Int32 type, void* data) {
  auto* op = static_cast<BaseObject*>(node);
  if (type == MSG_ZVPLOT_ESTIMATEMEMORY && data)
    return EstimateLabelsMemory(op, static_cast<ZVPlotMemoryEstimate*>(data));
  switch (type) {
    case MSG_DESCRIPTION_CHECKUPDATE:
      if (data) {
        const DescID* id = static_cast<DescriptionCheckUpdate*>(data)->descid;
        if (id && id->GetDepth() > 0) ParameterChanged(op, (*id)[0].id);
      }
      break;
    case MSG_DESCRIPTION_COMMAND:
      if (data) {
        const DescID& id = static_cast<DescriptionCommand*>(data)->_descId;
        if (id.GetDepth() > 0) CommandPressed(op, id[0].id);
      }
      break;
    case MSG_MENUPREPARE:
      ChooseDefaultFont(op->GetDataInstance());
      BuildLabels(op->GetDocument(), op, op->GetDataInstance(), FindParentPlot(op), LABELGROUP_ALL);
      break;
    case MSG_DEFORMMODECHANGED:
      EnabledChanged(op);
      break;
    default:
      break;
  }
  return SUPER::Message(node, type, data);
}

void ZVPlotLabels::ParameterChanged(BaseObject* op, Int32 id) {
  BaseDocument* doc = op->GetDocument();
  const BaseContainer* bc = op->GetDataInstance();
  const Int32 axes = bc->GetInt32(O3DPLOTLABEL_AXES);
  const Bool hideH = !bc->GetBool(O3DPLOTLABEL_SHOW_HORIZONTAL);
  const Bool hideV = !bc->GetBool(O3DPLOTLABEL_SHOW_VERTICAL);
  switch (id) {
    case O3DPLOTLABEL_TEXTSIZE:
    case O3DPLOTLABEL_COLOR:
    case O3DPLOTLABEL_DIGITS:
    case O3DPLOTLABEL_FLIP:
    case O3DPLOTLABEL_FONT:
    case O3DPLOTLABEL_DEPTH:
      StopAllThreads();
      BuildLabels(doc, op, bc, FindParentPlot(op), LABELGROUP_ALL);
      break;
    case O3DPLOTLABEL_SHOW_HORIZONTAL:
      StopAllThreads();
      SetLabelVisibility(op, doc, LABELGROUP_HORIZONTAL, axes, hideH);
      break;
    case O3DPLOTLABEL_SHOW_VERTICAL:
      StopAllThreads();
      SetLabelVisibility(op, doc, LABELGROUP_VERTICAL, axes, hideV);
      break;
    case O3DPLOTLABEL_AXES:
      SetLabelVisibility(op, doc, LABELGROUP_HORIZONTAL, axes, hideH);
      SetLabelVisibility(op, doc, LABELGROUP_VERTICAL, axes, hideV);
      break;
    case O3DPLOTLABEL_SHOW_LEGEND:
    case O3DPLOTLABEL_LEGEND_OFFSET:
    case O3DPLOTLABEL_LEGEND_ORIENTATION:
      StopAllThreads();
      UpdateLegend(op, doc, id);
      break;
    default:
      break;
  }
}

void ZVPlotLabels::CommandPressed(BaseObject* op, Int32 id) {
  BaseContainer* bc = op->GetDataInstance();
  if (id == O3DPLOTLABEL_RESET) {
    SetDefaults(bc);
    ChooseDefaultFont(bc);
  } else if (id != O3DPLOTLABEL_UPDATE) {
    return;
  }
  BuildLabels(op->GetDocument(), op, bc, FindParentPlot(op), LABELGROUP_ALL);
}

void ZVPlotLabels::EnabledChanged(BaseObject* op) {
  BaseDocument* doc = op->GetDocument();
  if (op->GetDeformMode()) {
    BuildLabels(doc, op, op->GetDataInstance(), FindParentPlot(op), LABELGROUP_ALL);
    return;
  }
  for (const LabelGroup group : {LABELGROUP_HORIZONTAL, LABELGROUP_VERTICAL, LABELGROUP_LEGEND})
    SetLabelVisibility(op, doc, group, O3DPLOTLABEL_AXES_Z, true);
}

Bool ZVPlotLabels::GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                                DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const {
  const auto* op = static_cast<const BaseObject*>(node);
  if (!op->GetDeformMode()) return false;
  const BaseContainer& bc = op->GetDataInstanceRef();
  switch (id[0].id) {
    case O3DPLOTLABEL_DIGITS:
    case O3DPLOTLABEL_FLIP:
      return bc.GetBool(O3DPLOTLABEL_SHOW_HORIZONTAL) || bc.GetBool(O3DPLOTLABEL_SHOW_VERTICAL);
    case O3DPLOTLABEL_LEGEND_OFFSET:
    case O3DPLOTLABEL_LEGEND_ORIENTATION:
      return bc.GetBool(O3DPLOTLABEL_SHOW_LEGEND);
    case O3DPLOTLABEL_AXES:
      return bc.GetBool(O3DPLOTLABEL_SHOW_HORIZONTAL);
    default:
      return SUPER::GetDEnabling(node, id, t_data, flags, itemdesc);
  }
}

Bool ZVPlotLabels::AddToExecution(BaseObject* op, PriorityList* list) {
  list->Add(op, PRIORITY_ZVPLOTLABELS, EXECUTIONFLAGS::NONE);
  return true;
}

// The labels follow the plot through its update command; the step only passes the plot's changes
// on to this object's own change count.
EXECUTIONRESULT ZVPlotLabels::Execute(BaseObject* op, BaseDocument*, BaseThread*, Int32,
                                      EXECUTIONFLAGS) {
  if (BaseObject* plot = FindParentPlot(op)) {
    if (watch.TakeDirty(plot)) op->Message(MSG_UPDATE);
  }
  return EXECUTIONRESULT::OK;
}

// What the user sees are the label objects below; the component itself shows nothing.
BaseObject* ZVPlotLabels::GetVirtualObjects(BaseObject*, const HierarchyHelp*) {
  return BaseObject::Alloc(Onull);
}

// ---- Label objects -----------------------------------------------------------------------------

void ZVPlotLabels::SetDefaults(BaseContainer* bc) {
  bc->SetFloat(O3DPLOTLABEL_TEXTSIZE, 7.0);
  bc->SetVector(O3DPLOTLABEL_COLOR, Vector(1.0, 1.0, 1.0));
  bc->SetInt32(O3DPLOTLABEL_DIGITS, 1);
  bc->SetBool(O3DPLOTLABEL_SHOW_HORIZONTAL, true);
  bc->SetBool(O3DPLOTLABEL_SHOW_VERTICAL, true);
  bc->SetBool(O3DPLOTLABEL_FLIP, false);
  bc->SetBool(O3DPLOTLABEL_SHOW_LEGEND, true);
  bc->SetVector(O3DPLOTLABEL_LEGEND_OFFSET, Vector());
  bc->SetInt32(O3DPLOTLABEL_LEGEND_ORIENTATION, O3DPLOTLABEL_LEGEND_ORIENTATION_NONE);
  bc->SetInt32(O3DPLOTLABEL_AXES, O3DPLOTLABEL_AXES_X);
  bc->SetFloat(O3DPLOTLABEL_DEPTH, 0.1);
}

void ZVPlotLabels::BuildLabels(BaseDocument*, BaseObject* op, const BaseContainer* bc,
                               BaseObject* plot, LabelGroup group) {
  if (!op || !bc || !plot || !plot->GetNodeData<ZVPlot>() || !op->GetDeformMode()) return;
  const LabelSettings s = ReadSettings(*bc, plot);
  if (group == LABELGROUP_ALL || group == LABELGROUP_HORIZONTAL) BuildHorizontal(op, s);
  if (group == LABELGROUP_ALL || group == LABELGROUP_VERTICAL) BuildVertical(op, s);
  if (group == LABELGROUP_ALL || group == LABELGROUP_LEGEND) BuildLegend(op, *bc, plot, s);
}

void ZVPlotLabels::SetLabelVisibility(BaseObject* op, BaseDocument*, LabelGroup group, Int32 axes,
                                      Bool hide) {
  if (group == LABELGROUP_LEGEND) {
    SetVisible(FindLabel(op, kLegendName), !hide);
    return;
  }
  if (group != LABELGROUP_HORIZONTAL && group != LABELGROUP_VERTICAL) return;
  const char* prefix =
      group == LABELGROUP_HORIZONTAL ? kHorizontalLabelPrefix : kVerticalLabelPrefix;
  const auto setRange = [&](Int32 first, Bool on) {
    for (Int32 i = first; i < first + 3; ++i) SetVisible(FindLabel(op, LabelName(prefix, i)), on);
  };
  if (hide) {
    setRange(0, false);
    setRange(3, false);
  } else if (axes == O3DPLOTLABEL_AXES_X || axes == O3DPLOTLABEL_AXES_Z ||
             axes == O3DPLOTLABEL_AXES_BOTH) {
    setRange(0, AxisShown(axes, true));
    setRange(3, AxisShown(axes, false));
  }
}

Bool ZVPlotLabels::ChooseDefaultFont(BaseContainer* bc) {
  BaseContainer fonts;
  BaseContainer chosen;
  GeClipMap::EnumerateFonts(&fonts, GE_CM_FONTSORT::FLAT);
  const FontSearch search = FindPreferredFont(fonts, &chosen);
  if (search == FontSearch::FAILED) return false;
  if (search == FontSearch::NOT_INSTALLED &&
      !GeClipMap::GetDefaultFont(GE_FONT_DEFAULT_SYSTEM, &chosen))
    return false;
  // Font data is made by the host, as the value of a parameter.
  GeData value(FONTCHOOSER_DATA, DEFAULTVALUE);
  FontData* font = GetWritableCustomData<FontData>(value);
  if (!font) return false;
  font->SetFont(&chosen);
  return bc->SetData(O3DPLOTLABEL_FONT, value);
}

void ZVPlotLabels::SetupLabelText(BaseObject* text, Float height, Int32 alignment,
                                  const FontData* font, const String& str) {
  constexpr DESCFLAGS_SET kSet = DESCFLAGS_SET::NONE;
  if (font)
    text->SetParameter(ConstDescID(DescLevel(PRIM_TEXT_FONT)), CustomDataValue(*font), kSet);
  text->SetParameter(ConstDescID(DescLevel(PRIM_TEXT_HEIGHT)), GeData(height), kSet);
  text->SetParameter(ConstDescID(DescLevel(PRIM_TEXT_ALIGN)), GeData(alignment), kSet);
  text->SetParameter(ConstDescID(DescLevel(PRIM_TEXT_TEXT)), GeData(str), kSet);
}

void ZVPlotLabels::PlaceLabelObject(BaseObject* label, Float depth, const Vector& pos,
                                    const Vector& rot, const Vector& color) {
  label->SetParameter(ConstDescID(DescLevel(EXTRUDEOBJECT_MOVE)), GeData(Vector(0.0, 0.0, depth)),
                      DESCFLAGS_SET::NONE);
  label->SetRelPos(pos);
  label->SetRelRot(rot);
  SetDisplayColor(label, color);
}

void ZVPlotLabels::UpdateLegend(BaseObject* op, BaseDocument*, Int32 id) {
  BaseObject* plot = FindParentPlot(op);
  if (!plot) return;
  const Float height = plot->GetDataInstanceRef().GetFloat(O3DPLOT_HEIGHT);
  BaseObject* legend = FindLabel(op, kLegendName);
  if (!legend) return;
  const BaseContainer& bc = op->GetDataInstanceRef();
  if (id == O3DPLOTLABEL_SHOW_LEGEND) {
    SetVisible(legend, bc.GetBool(O3DPLOTLABEL_SHOW_LEGEND));
  } else if (id == O3DPLOTLABEL_LEGEND_OFFSET || id == O3DPLOTLABEL_LEGEND_ORIENTATION) {
    legend->SetRelPos(LegendPosition(bc, height));
    legend->SetRelRot(
        Vector(LegendHeading(bc.GetInt32(O3DPLOTLABEL_LEGEND_ORIENTATION)), 0.0, 0.0));
  }
  legend->Message(MSG_UPDATE);
  EventAdd(EVENT::FORCEREDRAW);
}

Bool RegisterZVPlotLabels(BaseBitmap* icon) {
  return RegisterObjectPlugin(
      ID_ZVPLOTLABELS, GeLoadString(IDS_ZVPLOTLABELS),
      OBJECT_GENERATOR | OBJECT_CALL_ADDEXECUTION | PLUGINFLAG_HIDEPLUGINMENU, ZVPlotLabels::Alloc,
      String("o3dplotlabel"), icon, 0);
}
