#include "zvplot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "c4d_symbols.h"
#include "c4dapi.h"
#include "maxon/parallelfor.h"
#include "o3dplotlabel.h"
#include "zvplot_estimate.h"
#include "zvplot_formula.h"
#include "zvplot_gradient.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"

namespace {

constexpr Float kHandleLimit = 1e20;

// The object type of each O3DPLOT_ADD_COMPONENT choice; 0 for a value that is none.
Int32 ComponentType(Int32 choice) {
  switch (choice) {
    case O3DPLOT_ADD_COMPONENT_MESH:
      return ID_ZVPLOTMESH;
    case O3DPLOT_ADD_COMPONENT_GRID:
      return ID_ZVPLOTGRID;
    case O3DPLOT_ADD_COMPONENT_CAGE:
      return ID_ZVPLOTCAGE;
    case O3DPLOT_ADD_COMPONENT_LABELS:
      return ID_ZVPLOTLABELS;
    default:
      return 0;
  }
}

}  // namespace

// ---- Sample array ----------------------------------------------------------------------------

PlotSampleArray::~PlotSampleArray() { std::free(data_); }

Bool PlotSampleArray::Reserve(Int64 count) {
  if (count <= capacity_) return true;
  if (count < 0 || static_cast<UInt64>(count) > SIZE_MAX / sizeof(PlotSample)) return false;
  void* grown = std::realloc(data_, static_cast<size_t>(count) * sizeof(PlotSample));
  if (!grown) return false;
  data_ = static_cast<PlotSample*>(grown);
  capacity_ = count;
  return true;
}

Bool PlotSampleArray::SetCountReserved(Int64 count) {
  if (count < 0 || count > capacity_) return false;
  count_ = count;
  return true;
}

Bool PlotSampleArray::Append(const PlotSample& s) {
  if (count_ == capacity_ && !Reserve(std::max<Int64>(64, capacity_ * 2))) return false;
  data_[count_++] = s;
  return true;
}

Bool PlotSampleArray::CopyFrom(const PlotSampleArray& other) {
  count_ = 0;
  if (!Reserve(other.count_)) return false;
  if (other.count_ > 0)
    std::memcpy(data_, other.data_, static_cast<size_t>(other.count_) * sizeof(PlotSample));
  count_ = other.count_;
  return true;
}

// ---- Parameters ------------------------------------------------------------------------------

ZVPlot::ZVPlot() { samples.SetCountZero(); }

// The gradient first, then the other settings: a new container lists its entries in that order.
void ZVPlot::ResetDefaults(BaseContainer* bc) {
  WriteDefaultGradient(bc);
  settings = PlotSettings::Defaults();
  settings.Write(bc);
}

void ZVPlot::ReadParameters(const BaseContainer* bc) {
  if (bc) settings = PlotSettings::Read(*bc);
}

// ---- Host operations -------------------------------------------------------------------------

Bool ZVPlot::Init(GeListNode* node, Bool) {
  ResetDefaults(static_cast<BaseObject*>(node)->GetDataInstance());
  lastFrame = LIMIT<Int32>::MIN;
  return true;
}

void ZVPlot::Free(GeListNode*) { samples.SetCountZero(); }

// The evaluation bookkeeping stays behind, so a copy shows the same samples and evaluates afresh
// at its first step.
Bool ZVPlot::CopyTo(NodeData* dest, const GeListNode*, GeListNode*, COPYFLAGS, AliasTrans*) const {
  if (!dest) return false;
  auto* d = static_cast<ZVPlot*>(dest);
  d->lastFrame = lastFrame;
  d->valueMin = valueMin;
  d->valueMax = valueMax;
  d->samples.CopyFrom(samples);  // fewer samples when memory runs out; the copy still succeeds
  d->settings = settings;
  return true;
}

Bool ZVPlot::GetDDescription(const GeListNode* node, Description* description,
                             DESCFLAGS_DESC& flags) const {
  if (!description->LoadDescription(node->GetType())) return false;
  flags |= DESCFLAGS_DESC::LOADED;
  return SUPER::GetDDescription(node, description, flags);
}

Bool ZVPlot::GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                          DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const {
  const BaseContainer& bc = static_cast<const BaseObject*>(node)->GetDataInstanceRef();
  switch (id[0].id) {
    case O3DPLOT_GRADIENT:
    case O3DPLOT_GRADIENT_ABSOLUTE:
    case O3DPLOT_COLORRANGE:
      return bc.GetInt32(O3DPLOT_COLORMODE) == O3DPLOT_COLORMODE_GRADIENT;
    case O3DPLOT_COLOR:
      return bc.GetInt32(O3DPLOT_COLORMODE) == O3DPLOT_COLORMODE_COLOR;
    case O3DPLOT_ZMIN:
    case O3DPLOT_ZMAX:
      return bc.GetBool(O3DPLOT_SEPARATE_Z);
    default:
      return SUPER::GetDEnabling(node, id, t_data, flags, itemdesc);
  }
}

void ZVPlot::GetDimension(const BaseObject* op, Vector* mp, Vector* rad) const {
  const BaseContainer& bc = op->GetDataInstanceRef();
  const Float s = std::fabs(bc.GetFloat(O3DPLOT_SIZE)) * 0.5;
  *mp = Vector();
  *rad = Vector(s, std::fabs(bc.GetFloat(O3DPLOT_HEIGHT)) * 0.5, s);
}

Int32 ZVPlot::GetHandleCount(const BaseObject*) const { return 2; }

void ZVPlot::GetHandle(BaseObject* op, Int32 i, HandleInfo& info) {
  const BaseContainer& bc = op->GetDataInstanceRef();
  if (i == 0) {
    info.position = Vector(bc.GetFloat(O3DPLOT_SIZE) * 0.5, 0, 0);
    info.direction = Vector(1, 0, 0);
  } else if (i == 1) {
    info.position = Vector(0, bc.GetFloat(O3DPLOT_HEIGHT) * 0.5, 0);
    info.direction = Vector(0, 1, 0);
  }
}

void ZVPlot::SetHandle(BaseObject* op, Int32 i, Vector p, const HandleInfo& info) {
  if (i != 0 && i != 1) return;
  // A NaN drag leaves the value at 0 rather than storing a NaN size.
  const Float v = std::clamp(2.0 * Dot(p, info.direction), 0.0, kHandleLimit);
  op->GetDataInstance()->SetFloat(i == 0 ? O3DPLOT_SIZE : O3DPLOT_HEIGHT, std::isnan(v) ? 0.0 : v);
}

BaseObject* ZVPlot::GetVirtualObjects(BaseObject*, const HierarchyHelp*) {
  return BaseObject::Alloc(Onull);
}

Bool ZVPlot::AddToExecution(BaseObject* op, PriorityList* list) {
  list->Add(op, PRIORITY_ZVPLOT, EXECUTIONFLAGS::NONE);
  return true;
}

// ---- Sampling --------------------------------------------------------------------------------

EXECUTIONRESULT ZVPlot::Execute(BaseObject* op, BaseDocument* doc, BaseThread*, Int32,
                                EXECUTIONFLAGS) {
  if (!op->GetDeformMode()) return EXECUTIONRESULT::OK;
  const BaseContainer* bc = op->GetDataInstance();
  ReadParameters(bc);
  const Bool rescaled = RescaleSamples();

  if (settings.SamplesDiffer(evaluated)) {
    evaluated = settings;
    samples.SetCountZero();
  }

  PreparedGradient prepared;
  const PreparedGradient* gradient = nullptr;
  if (settings.colorMode != O3DPLOT_COLORMODE_COLOR &&
      prepared.Prepare(GetCustomData<Gradient>(*bc, O3DPLOT_GRADIENT), doc))
    gradient = &prepared;

  const Int32 frame = DocumentFrame(doc);
  if (settings.animate && UsesTimeVariable(evaluated.formula) && frame != lastFrame)
    samples.SetCountZero();
  lastFrame = frame;

  if (samples.GetCount() == 0)
    EvaluateSamples(op, doc, gradient);
  else if (rescaled)
    UpdateLabels(op);  // the box they stand at has changed
  return EXECUTIONRESULT::OK;
}

// Height or size alone changed: the stored samples are rescaled instead of evaluated (a NaN always
// counts as a change). Samples laid out for a height or size of 0 cannot be scaled back, so they
// are dropped. True when samples were rescaled.
Bool ZVPlot::RescaleSamples() {
  Bool rescaled = false;
  const Float halfHeight = settings.HalfHeight();
  if (halfHeight != sampleHalfHeight && sampleHalfHeight > 0.0 && samples.GetCount() > 0) {
    const Float factor = halfHeight / sampleHalfHeight;
    for (Int64 k = 0; k < samples.GetCount(); ++k) samples[k].position.y *= factor;
    EventAdd(EVENT::FORCEREDRAW);
    rescaled = true;
  } else if (sampleHalfHeight == 0.0 && halfHeight != 0.0) {
    samples.SetCountZero();
  }
  sampleHalfHeight = halfHeight;

  const Float size = settings.size;
  if (size != sampleSize && sampleSize > 0.0 && samples.GetCount() > 0) {
    const Float factor = size / sampleSize;
    for (Int64 k = 0; k < samples.GetCount(); ++k) {
      samples[k].position.x *= factor;
      samples[k].position.z *= factor;
    }
    EventAdd(EVENT::FORCEREDRAW);
    rescaled = true;
  } else if (sampleSize == 0.0 && size != 0.0) {
    samples.SetCountZero();
  }
  sampleSize = size;
  return rescaled;
}

// The grid's rows are evaluated in parallel, each into its own place in the sample array; each row
// keeps its own extremes, which are then taken in row order, so that the first of equal extremes
// (a 0 before a -0) wins as it would in one pass: the result does not depend on the workers.
void ZVPlot::EvaluateSamples(BaseObject* op, BaseDocument* doc, const PreparedGradient* gradient) {
  const Int32 resolution = settings.resolution;
  const Int64 perSide = static_cast<Int64>(resolution) + 1;
  const Float xStep = (settings.xMax - settings.xMin) / resolution;
  const Float zMin = settings.FormulaZMin();
  const Float zStep = (settings.FormulaZMax() - zMin) / resolution;

  valueMin = 0.0;
  valueMax = 0.0;
  Float lowest = MAXVALUE_FLOAT;
  Float highest = -MAXVALUE_FLOAT;

  // A grid that cannot be held at all is not walked node by node: a resolution no description
  // offers would otherwise keep the evaluation running for ages.
  const bool fits = perSide > 0 && samples.Reserve(perSide * perSide);
  std::unique_ptr<Float[]> extremes(fits ? new (std::nothrow) Float[2 * perSide] : nullptr);
  if (!extremes) {
    samples.SetCountZero();
    FinishEvaluation(op, lowest, highest, gradient);
    return;
  }

  // Within one step the time reads the same at every node.
  FormulaValues fixed = {};
  fixed[FORMULA_T] = DocumentSeconds(doc);
  fixed[FORMULA_H] = static_cast<Float>(resolution);
  fixed[FORMULA_R] = settings.HalfHeight();
  fixed[FORMULA_F] = static_cast<Float>(DocumentFrame(doc));
  const FormulaGrid grid(settings.formula, fixed, settings.xMin, xStep, zMin, zStep, perSide, doc);
  if (!grid.IsEmpty()) timeDependent = grid.UsesTime();

  // One scratch per worker of the host's queue; a worker outside it (which the host does not
  // promise never to use) writes with a scratch of its own.
  std::vector<FormulaScratch> scratch(static_cast<size_t>(maxon::JobRef::GetCurrentThreadCount()));
  PlotSample* out = samples.GetFirst();
  maxon::ParallelFor::Dynamic(Int(0), Int(perSide), [&](Int row) {
    const auto worker = static_cast<size_t>(maxon::JobRef::GetCurrentWorkerThreadIndex());
    FormulaScratch own;
    FormulaScratch* mine = worker < scratch.size() ? &scratch[worker] : &own;
    EvaluateRow(grid, row, gradient, mine, out + row * perSide, &extremes[2 * row],
                &extremes[2 * row + 1]);
  });
  samples.SetCountReserved(perSide * perSide);
  for (Int64 row = 0; row < perSide; ++row) {
    if (extremes[2 * row] < lowest) lowest = extremes[2 * row];
    if (extremes[2 * row + 1] > highest) highest = extremes[2 * row + 1];
  }
  FinishEvaluation(op, lowest, highest, gradient);
}

// One x row of samples: values, extremes, clipping, scaling, colours and positions.
void ZVPlot::EvaluateRow(const FormulaGrid& grid, Int64 row, const PreparedGradient* gradient,
                         FormulaScratch* scratch, PlotSample* out, Float* lowest,
                         Float* highest) const {
  const Int64 perSide = static_cast<Int64>(settings.resolution) + 1;
  const Float spacing = settings.size / settings.resolution;
  const Float halfHeight = settings.HalfHeight();
  // Centre the positions on the origin: with an even count of samples per side the middle falls
  // between two samples.
  const Int64 firstIndex = (perSide % 2 == 0) ? 1 - perSide / 2 : -(perSide / 2);
  const Float offset = (perSide % 2 == 0) ? spacing / 2.0 : 0.0;
  // The other colour ranges colour by the final heights, once the fit is known.
  const bool byGradient = settings.colorMode == O3DPLOT_COLORMODE_GRADIENT && gradient &&
                          settings.colorRange == O3DPLOT_COLORRANGE_VALUES;
  Vector colour(1, 1, 1);
  if (settings.colorMode == O3DPLOT_COLORMODE_COLOR) colour = settings.color;

  *lowest = MAXVALUE_FLOAT;
  *highest = -MAXVALUE_FLOAT;
  for (Int64 column = 0; column < perSide; ++column) {
    const Float value = grid.IsEmpty() ? 0.0 : grid.Value(row, column, scratch) * halfHeight;
    // Only finite values count for the extremes: a NaN has no place, and one pole (a division
    // by zero) would otherwise make the fit squash every other value to nothing.
    if (std::isfinite(value)) {
      if (value < *lowest) *lowest = value;
      if (value > *highest) *highest = value;
    }
    Float plotted = value;
    // A missing value stays missing: clamped, it would stand on the floor of the box.
    if (settings.heightMode == O3DPLOT_HEIGHTMODE_CLIP && !std::isnan(value))
      plotted = std::min(halfHeight, std::max(-halfHeight, value));
    plotted *= plotted < 0.0 ? settings.scaleNegative : settings.scalePositive;
    if (byGradient)
      colour = gradient->Colour(GradientPosition(plotted, halfHeight, settings.gradientAbsolute));
    const Vector position((firstIndex + row) * spacing - offset, plotted,
                          (firstIndex + column) * spacing - offset);
    out[column] = PlotSample{position, colour};
  }
}

// Records the value range, fits the samples into the box, colours them by their heights when the
// colour range asks for it, and tells the labels and the host.
void ZVPlot::FinishEvaluation(BaseObject* op, Float lowest, Float highest,
                              const PreparedGradient* gradient) {
  const Float halfHeight = settings.HalfHeight();
  // Only real numbers count: when no node gave one, the range stays at 0 instead of reporting
  // the start values of the running extremes.
  const bool anyNumber = lowest <= highest;
  if (halfHeight > 0.0 && anyNumber) {
    valueMin = lowest / halfHeight;
    valueMax = highest / halfHeight;
  }
  if (settings.heightMode == O3DPLOT_HEIGHTMODE_FIT && anyNumber) {
    const Float largest =
        std::fabs(lowest) > std::fabs(highest) ? std::fabs(lowest) : std::fabs(highest);
    if (largest > halfHeight && largest != 0.0 && samples.GetCount() > 0)
      for (Int64 k = 0; k < samples.GetCount(); ++k)
        samples[k].position.y = samples[k].position.y / largest * halfHeight;
  }
  if (settings.colorMode == O3DPLOT_COLORMODE_GRADIENT && gradient &&
      settings.colorRange != O3DPLOT_COLORRANGE_VALUES) {
    const GradientSpan span =
        GradientSpan::Of(settings.colorRange, samples.GetFirst(), samples.GetCount(), halfHeight);
    ColourByHeight(samples.GetFirst(), samples.GetCount(), span, settings.gradientAbsolute,
                   *gradient);
  }

  UpdateLabels(op);
  op->Message(MSG_UPDATE);
  EventAdd(EVENT::FORCEREDRAW);
}

// The labels rebuild from the value range and the box, as if their update button were pressed.
void ZVPlot::UpdateLabels(BaseObject* op) {
  if (BaseObject* labels = FindChildOfType(op, ID_ZVPLOTLABELS)) {
    DescriptionCommand cmd;
    cmd._descId = ConstDescID(DescLevel(O3DPLOTLABEL_UPDATE));
    labels->Message(MSG_DESCRIPTION_COMMAND, &cmd);
  }
}

// ---- Drawing ---------------------------------------------------------------------------------

DRAWRESULT ZVPlot::Draw(BaseObject* op, DRAWPASS drawpass, BaseDraw* bd, BaseDrawHelp* bh) {
  if (samples.GetCount() == 0) return DRAWRESULT::SKIP;
  const BaseContainer& bc = op->GetDataInstanceRef();
  if (drawpass == DRAWPASS::OBJECT) {
    const Int32 style = bc.GetInt32(O3DPLOT_POINTSTYLE);
    const Float s = bc.GetFloat(O3DPLOT_POINTSIZE);
    bd->SetMatrix_Matrix(op, bh->GetMg());
    for (Int64 k = 0; k < samples.GetCount(); ++k) {
      const PlotSample& smp = samples[k];
      const Vector& p = smp.position;
      bd->SetPen(smp.color);
      if (style == O3DPLOT_POINTSTYLE_DOT) {
        bd->SetPointSize(2.0 * s);
        bd->DrawHandle(p, DRAWHANDLE::CUSTOM, 2048);
      } else if (style == O3DPLOT_POINTSTYLE_SPHERE) {
        bd->DrawSphere(p, Vector(s, s, s), smp.color, 0);
      } else if (style == O3DPLOT_POINTSTYLE_CROSS) {
        bd->DrawLine(Vector(p.x - s, p.y, p.z), Vector(p.x + s, p.y, p.z), 0);
        bd->DrawLine(Vector(p.x, p.y - s, p.z), Vector(p.x, p.y + s, p.z), 0);
      }
    }
  } else if (drawpass == DRAWPASS::HANDLES) {
    const Int32 hit = op->GetHighlightHandle(bd);
    bd->SetMatrix_Matrix(op, bh->GetMg());
    for (Int32 i = 0; i < 2; ++i) {
      bd->SetPen(GetViewColor(i == hit ? VIEWCOLOR_SELECTION_PREVIEW : VIEWCOLOR_ACTIVEPOINT));
      HandleInfo info;
      GetHandle(op, i, info);
      bd->DrawHandle(info.position, DRAWHANDLE::BIG, 0);
      bd->DrawLine(info.position, Vector(), 0);
    }
  }
  return SUPER::Draw(op, drawpass, bd, bh);
}

// ---- Commands --------------------------------------------------------------------------------

Bool ZVPlot::Message(GeListNode* node, Int32 type, void* data) {
  auto* op = static_cast<BaseObject*>(node);
  switch (type) {
    case MSG_DESCRIPTION_CHECKUPDATE:
      if (data) {
        const DescID* id = static_cast<DescriptionCheckUpdate*>(data)->descid;
        ParameterChanged(op, id ? (*id)[0].id : 0);
      }
      break;
    case MSG_DESCRIPTION_COMMAND:
      if (data) CommandPressed(op, static_cast<DescriptionCommand*>(data)->_descId[0].id);
      break;
    case MSG_ZVPLOT_GETSAMPLES:
      if (data) return PublishSamples(static_cast<ZVPlotSampleView*>(data));
      break;
    case MSG_ZVPLOT_ESTIMATEMEMORY:
      if (data) return EstimatePlotMemory(op, static_cast<ZVPlotMemoryEstimate*>(data));
      break;
    case MSG_DEFORMMODECHANGED:
      EnabledChanged(op);
      break;
    default:
      break;
  }
  return SUPER::Message(node, type, data);
}

void ZVPlot::ParameterChanged(BaseObject* op, Int32 id) {
  BaseContainer* bc = op->GetDataInstance();
  switch (id) {
    case O3DPLOT_COLORMODE:
    case O3DPLOT_GRADIENT:
    case O3DPLOT_COLOR:
    case O3DPLOT_GRADIENT_ABSOLUTE:
    case O3DPLOT_COLORRANGE:
      Recolour(bc, op, op->GetDocument());
      break;
    case O3DPLOT_PRESET:
      ApplyPreset(bc);
      break;
    default:
      break;
  }
}

void ZVPlot::CommandPressed(BaseObject* op, Int32 id) {
  BaseContainer* bc = op->GetDataInstance();
  switch (id) {
    case O3DPLOT_RESET:
      ResetDefaults(bc);
      break;
    case O3DPLOT_ADD_COMPONENT:
      AddComponent(op, bc->GetInt32(O3DPLOT_ADD_COMPONENT));
      break;
    case O3DPLOT_HELP:
      OpenHelp();
      break;
    default:
      break;
  }
}

Bool ZVPlot::PublishSamples(ZVPlotSampleView* view) const {
  view->samples = samples.GetFirst();
  view->count = samples.GetCount();
  view->resolution = settings.resolution;
  view->valueMin = valueMin;
  view->valueMax = valueMax;
  view->timeDependent = timeDependent;
  return true;
}

// Switched off, the plot lets its samples go: switched on again it evaluates anew.
void ZVPlot::EnabledChanged(BaseObject* op) {
  samples.SetCountZero();
  op->Message(MSG_UPDATE);
  EventAdd(EVENT::NONE);
}

// "Values" colours by the height above the object's origin, against the container's height; the
// other colour ranges take the evaluation's own rule, so that their colours stay as evaluated.
void ZVPlot::Recolour(const BaseContainer* bc, BaseObject* op, BaseDocument* doc) {
  const Float dy = op->GetMg().off.y;
  const Int32 mode = bc->GetInt32(O3DPLOT_COLORMODE);
  const Int32 range = bc->GetInt32(O3DPLOT_COLORRANGE);
  const Float h = bc->GetFloat(O3DPLOT_HEIGHT) * 0.5;
  const Vector c = bc->GetVector(O3DPLOT_COLOR);
  const Bool absolute = bc->GetBool(O3DPLOT_GRADIENT_ABSOLUTE);
  PreparedGradient gradient;
  const bool prepared = mode == O3DPLOT_COLORMODE_GRADIENT &&
                        gradient.Prepare(GetCustomData<Gradient>(*bc, O3DPLOT_GRADIENT), doc);
  if (prepared && range != O3DPLOT_COLORRANGE_VALUES) {
    // The half height the samples are laid out for; a copy that has not run yet has none of its
    // own, and its samples are laid out for the container's.
    const Float laidOut = sampleHalfHeight != 0.0 ? sampleHalfHeight : h;
    const GradientSpan span =
        GradientSpan::Of(range, samples.GetFirst(), samples.GetCount(), laidOut);
    ColourByHeight(samples.GetFirst(), samples.GetCount(), span, absolute, gradient);
  } else {
    for (Int64 k = 0; k < samples.GetCount(); ++k) {
      PlotSample& s = samples[k];
      if (prepared)
        s.color = gradient.Colour(GradientPosition(s.position.y - dy, h, absolute));
      else
        s.color = c;  // also when the gradient is missing
    }
  }
}

void ZVPlot::ApplyPreset(BaseContainer* bc) {
  const Int32 index = bc->GetInt32(O3DPLOT_PRESET);
  settings.formula = bc->GetString(O3DPLOT_FORMULA);
  if (const char* text = PresetFormula(index)) settings.formula = text;
  bc->SetString(O3DPLOT_FORMULA, settings.formula);
}

void ZVPlot::AddComponent(BaseObject* op, Int32 choice) {
  const Int32 type = ComponentType(choice);
  if (type == 0) return;
  if (FindChildOfType(op, type) &&
      !QuestionDialog(
          String("A component of this type already exists. Do you want to add another one?")))
    return;
  BaseObject* component = BaseObject::Alloc(type);
  if (!component) return;
  component->InsertUnderLast(op);
  component->Message(MSG_MENUPREPARE, op->GetDocument());
  op->ChangeNBit(NBIT::OM1_FOLD, NBITCONTROL::SET);
}

void ZVPlot::OpenHelp() {
#ifdef _WIN32
  const char* name = "\\Zorvantix.pdf";
#else
  const char* name = "/Zorvantix.pdf";
#endif
  GeExecuteFile(Filename(GeGetPluginPath().GetString() + String(name)));
}

Bool RegisterZVPlot(BaseBitmap* icon) {
  return RegisterObjectPlugin(
      ID_ZVPLOT, GeLoadString(IDS_ZVPLOT),
      OBJECT_GENERATOR | OBJECT_UNIQUEENUMERATION | OBJECT_CALL_ADDEXECUTION, ZVPlot::Alloc,
      String("o3dplot"), icon, 0);
}
