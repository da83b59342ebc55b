#include "zvplot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "c4d_symbols.h"
#include "c4dapi.h"
#include "o3dplotlabel.h"
#include "zvplot_formula.h"
#include "zvplot_utils.h"

namespace {

constexpr const char* kPresets[PRESET_COUNT] = {
    "Sin(x) * Cos(z)",
    "x^3 * Sin(z * 10)",
    "x * x * z",
    "Tan(x) * Atan(z)",
    "Pow(Sin(x); 3)",
    "(x * x) / (z * z)",
    "Pow((x * x) + (z * z); 0.5)",
    "Cos(Abs(x) + Abs(z))",
    "Log(x)",
    "x * Cos(z)",
    "Sin(Sqrt((x * x) + (z * z)))",
};

constexpr Int32 kComponentTypes[] = {ID_ZVPLOTMESH, ID_ZVPLOTGRID, ID_ZVPLOTCAGE, ID_ZVPLOTLABELS};
constexpr Float kHandleLimit = 1e20;

// Doubles compare by value; a NaN never equals anything, so it always counts as a change.
bool Differs(Float a, Float b) { return !(a == b); }

// Position on the gradient of a plotted value u for the half height r.
Float GradientPosition(Float u, Float r, Bool absolute) {
  Float p;
  if (absolute) p = r > 0.0 ? std::fabs(u) / r : 0.0;
  else p = r > 0.0 ? (u + r) / (2.0 * r) : 0.5;
  if (p < 0.0) p = 0.0;
  if (p > 1.0) p = 1.0;
  return p;
}

Gradient* MakeDefaultGradient() {
  Gradient* g = Gradient::Alloc();
  if (!g) return nullptr;
  g->SetData(GRADIENT_MODE, GeData(Int32(GRADIENT_MODE_COLOR)));
  const Vector colours[] = {Vector(0, 0, 1), Vector(0, 1, 0), Vector(1, 0, 0)};
  for (Int32 i = 0; i < 3; ++i) {
    GradientKnot k;
    k.col = colours[i];
    k.brightness = 1.0;
    k.pos = 0.5 * i;
    k.bias = 0.5;
    k.index = 0;
    k.interpolation = GRADIENT_INTERPOLATION_SMOOTHKNOT;
    g->InsertKnot(k);
  }
  return g;
}

}  // namespace

const char* PresetFormula(Int32 index) {
  return index >= 0 && index < PRESET_COUNT ? kPresets[index] : nullptr;
}

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

ZVPlot::ZVPlot() : color(), formula(), evalFormula() { samples.SetCountZero(); }

void ZVPlot::ResetDefaults(BaseContainer* bc) {
  preset = 0;
  resolution = 50;
  pointStyle = 0;
  pointSize = 1.0;
  size = 200.0;
  halfHeight = 25.0;
  scalePositive = 1.0;
  scaleNegative = 1.0;
  xMin = -180.0;
  xMax = 180.0;
  zMin = -180.0;
  zMax = 180.0;
  colorMode = 0;
  heightMode = 1;
  separateZ = false;
  animate = true;
  gradientAbsolute = false;
  color = Vector(1, 1, 1);
  formula = kPresets[0];
  if (Gradient* g = MakeDefaultGradient()) {
    if (bc) bc->SetData(O3DPLOT_GRADIENT, GeData(CUSTOMDATATYPE_GRADIENT, *g));
    Gradient::Free(g);
  }
}

void ZVPlot::WriteParameters(BaseContainer* bc) const {
  if (!bc) return;
  bc->SetInt32(O3DPLOT_PRESET, preset);
  bc->SetInt32(O3DPLOT_RESOLUTION, resolution);
  bc->SetFloat(O3DPLOT_SIZE, size);
  bc->SetFloat(O3DPLOT_HEIGHT, halfHeight * 2.0);
  bc->SetInt32(O3DPLOT_HEIGHTMODE, heightMode);
  bc->SetString(O3DPLOT_FORMULA, formula);
  bc->SetBool(O3DPLOT_ANIMATE, animate);
  bc->SetFloat(O3DPLOT_SCALE_POSITIVE, scalePositive);
  bc->SetFloat(O3DPLOT_SCALE_NEGATIVE, scaleNegative);
  bc->SetBool(O3DPLOT_SEPARATE_Z, separateZ);
  bc->SetFloat(O3DPLOT_XMIN, xMin);
  bc->SetFloat(O3DPLOT_XMAX, xMax);
  bc->SetFloat(O3DPLOT_ZMIN, zMin);
  bc->SetFloat(O3DPLOT_ZMAX, zMax);
  bc->SetInt32(O3DPLOT_COLORMODE, colorMode);
  bc->SetVector(O3DPLOT_COLOR, color);
  bc->SetInt32(O3DPLOT_POINTSTYLE, pointStyle);
  bc->SetFloat(O3DPLOT_POINTSIZE, pointSize);
  bc->SetBool(O3DPLOT_GRADIENT_ABSOLUTE, gradientAbsolute);
}

void ZVPlot::ReadParameters(const BaseContainer* bc) {
  if (!bc) return;
  preset = bc->GetInt32(O3DPLOT_PRESET);
  resolution = bc->GetInt32(O3DPLOT_RESOLUTION);
  size = bc->GetFloat(O3DPLOT_SIZE);
  halfHeight = bc->GetFloat(O3DPLOT_HEIGHT) * 0.5;
  heightMode = bc->GetInt32(O3DPLOT_HEIGHTMODE);
  formula = bc->GetString(O3DPLOT_FORMULA);
  animate = bc->GetBool(O3DPLOT_ANIMATE);
  scalePositive = bc->GetFloat(O3DPLOT_SCALE_POSITIVE);
  scaleNegative = bc->GetFloat(O3DPLOT_SCALE_NEGATIVE);
  separateZ = bc->GetBool(O3DPLOT_SEPARATE_Z);
  xMin = bc->GetFloat(O3DPLOT_XMIN);
  xMax = bc->GetFloat(O3DPLOT_XMAX);
  zMin = bc->GetFloat(O3DPLOT_ZMIN);
  zMax = bc->GetFloat(O3DPLOT_ZMAX);
  colorMode = bc->GetInt32(O3DPLOT_COLORMODE);
  color = bc->GetVector(O3DPLOT_COLOR);
  pointStyle = bc->GetInt32(O3DPLOT_POINTSTYLE);
  pointSize = bc->GetFloat(O3DPLOT_POINTSIZE);
  gradientAbsolute = bc->GetBool(O3DPLOT_GRADIENT_ABSOLUTE);
}

// ---- Host operations -------------------------------------------------------------------------

Bool ZVPlot::Init(GeListNode* node) {
  BaseContainer* bc = static_cast<BaseObject*>(node)->GetDataInstance();
  ResetDefaults(bc);
  WriteParameters(bc);
  lastFrame = LIMIT_MIN_INT32;
  return true;
}

void ZVPlot::Free(GeListNode*) { samples.SetCountZero(); }

Bool ZVPlot::CopyTo(NodeData* dest, const GeListNode*, GeListNode*, COPYFLAGS, AliasTrans*) {
  if (!dest) return false;
  auto* d = static_cast<ZVPlot*>(dest);
  d->lastFrame = lastFrame;
  d->valueMin = valueMin;
  d->valueMax = valueMax;
  d->samples.CopyFrom(samples);  // fewer samples when memory runs out; the copy still succeeds
  d->preset = preset;
  d->resolution = resolution;
  d->pointStyle = pointStyle;
  d->pointSize = pointSize;
  d->colorMode = colorMode;
  d->heightMode = heightMode;
  d->size = size;
  d->halfHeight = halfHeight;
  d->scalePositive = scalePositive;
  d->scaleNegative = scaleNegative;
  d->xMin = xMin;
  d->xMax = xMax;
  d->zMin = zMin;
  d->zMax = zMax;
  d->separateZ = separateZ;
  d->animate = animate;
  d->gradientAbsolute = gradientAbsolute;
  d->color = color;
  d->formula = formula;
  return true;
}

Bool ZVPlot::GetDDescription(GeListNode* node, Description* description, DESCFLAGS_DESC& flags) {
  if (!description->LoadDescription(static_cast<BaseObject*>(node)->GetType())) return false;
  flags |= DESCFLAGS_DESC::LOADED;
  return SUPER::GetDDescription(node, description, flags);
}

Bool ZVPlot::GetDEnabling(GeListNode* node, const DescID& id, const GeData& t_data,
                          DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) {
  const BaseContainer& bc = static_cast<BaseObject*>(node)->GetDataInstanceRef();
  switch (id[0].id) {
    case O3DPLOT_GRADIENT:
    case O3DPLOT_GRADIENT_ABSOLUTE: return bc.GetInt32(O3DPLOT_COLORMODE) == 0;
    case O3DPLOT_COLOR: return bc.GetInt32(O3DPLOT_COLORMODE) == 1;
    case O3DPLOT_ZMIN:
    case O3DPLOT_ZMAX: return bc.GetBool(O3DPLOT_SEPARATE_Z);
    default: return SUPER::GetDEnabling(node, id, t_data, flags, itemdesc);
  }
}

void ZVPlot::GetDimension(BaseObject* op, Vector* mp, Vector* rad) {
  const BaseContainer& bc = op->GetDataInstanceRef();
  const Float s = std::fabs(bc.GetFloat(O3DPLOT_SIZE)) * 0.5;
  *mp = Vector();
  *rad = Vector(s, std::fabs(bc.GetFloat(O3DPLOT_HEIGHT)) * 0.5, s);
}

Int32 ZVPlot::GetHandleCount(BaseObject*) { return 2; }

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

BaseObject* ZVPlot::GetVirtualObjects(BaseObject*, HierarchyHelp*) {
  return BaseObject::Alloc(Onull);
}

Bool ZVPlot::AddToExecution(BaseObject* op, PriorityList* list) {
  list->Add(op, EXECUTIONPRIORITY_GENERATOR, EXECUTIONFLAGS::NONE);
  return true;
}

// ---- Sampling --------------------------------------------------------------------------------

EXECUTIONRESULT ZVPlot::Execute(BaseObject* op, BaseDocument* doc, BaseThread*, Int32,
                                EXECUTIONFLAGS) {
  if (!op->GetDeformMode()) return EXECUTIONRESULT::OK;
  const BaseContainer* bc = op->GetDataInstance();
  ReadParameters(bc);

  // Height or size alone changed: rescale the stored samples instead of evaluating.
  if (Differs(halfHeight, sampleHalfHeight) && sampleHalfHeight > 0.0 && samples.GetCount() > 0) {
    const Float k = halfHeight / sampleHalfHeight;
    for (Int64 i = 0; i < samples.GetCount(); ++i) samples[i].position.y *= k;
    EventAdd(EVENT::FORCEREDRAW);
  } else if (sampleHalfHeight == 0.0 && halfHeight != 0.0) {
    samples.SetCountZero();
  }
  sampleHalfHeight = halfHeight;
  if (Differs(size, sampleSize) && sampleSize > 0.0 && samples.GetCount() > 0) {
    const Float k = size / sampleSize;
    for (Int64 i = 0; i < samples.GetCount(); ++i) {
      samples[i].position.x *= k;
      samples[i].position.z *= k;
    }
    EventAdd(EVENT::FORCEREDRAW);
  } else if (sampleSize == 0.0 && size != 0.0) {
    samples.SetCountZero();
  }
  sampleSize = size;

  if (resolution != evalResolution || Differs(scalePositive, evalScalePositive) ||
      Differs(scaleNegative, evalScaleNegative) || heightMode != evalHeightMode ||
      formula.Compare(evalFormula) != 0 || Differs(xMax, evalXMax) || Differs(xMin, evalXMin) ||
      Differs(zMax, evalZMax) || Differs(zMin, evalZMin) || separateZ != evalSeparateZ) {
    evalResolution = resolution;
    evalScalePositive = scalePositive;
    evalScaleNegative = scaleNegative;
    evalHeightMode = heightMode;
    evalFormula = formula;
    evalXMax = xMax;
    evalXMin = xMin;
    evalZMax = zMax;
    evalZMin = zMin;
    evalSeparateZ = separateZ;
    samples.SetCountZero();
  }

  const Gradient* gradient = nullptr;
  if (colorMode != 1) {
    gradient = bc->GetCustomDataType<Gradient>(O3DPLOT_GRADIENT);
    if (gradient && !gradient->InitRender(InitRenderStruct(doc))) {
      gradient->FreeRender();
      gradient = nullptr;
    }
  }

  const Int32 frame = DocumentFrame(doc);
  if (animate && UsesTimeVariable(this, evalFormula) && frame != lastFrame) samples.SetCountZero();
  lastFrame = frame;

  if (samples.GetCount() == 0) EvaluateSamples(op, doc, gradient);
  if (gradient) gradient->FreeRender();
  return EXECUTIONRESULT::OK;
}

void ZVPlot::EvaluateSamples(BaseObject* op, BaseDocument* doc, const Gradient* gradient) {
  const Int32 R = resolution;
  const Int64 L = static_cast<Int64>(R) + 1;
  const Float step = size / R;
  const Float r = halfHeight;
  const Float xStep = (xMax - xMin) / R;
  const Float zStep = (zMax - zMin) / R;
  const Int32 frame = DocumentFrame(doc);

  valueMin = 0.0;
  valueMax = 0.0;
  Float K = MAXVALUE_FLOAT;
  Float J = -MAXVALUE_FLOAT;

  // Centre the positions on the origin: with an even count of samples per side the middle falls
  // between two samples.
  const Int64 s0 = (L % 2 == 0) ? 1 - L / 2 : -(L / 2);
  const Float o = (L % 2 == 0) ? step / 2.0 : 0.0;

  Vector current(1, 1, 1);
  if (colorMode == 1) current = color;
  // A grid that cannot be held at all is not walked node by node: a resolution no description
  // offers would otherwise keep the evaluation running for ages.
  const bool fits = L > 0 && samples.Reserve(L * L);

  FormulaValues v = {0.0, 0.0, 0.0, static_cast<Float>(R), r, static_cast<Float>(frame)};
  for (Int64 i = 0; fits && i < L; ++i) {
    for (Int64 j = 0; j < L; ++j) {
      v[0] = DocumentSeconds(doc);
      v[1] = xMin + i * xStep;
      v[2] = separateZ ? zMin + j * zStep : xMin + j * xStep;
      const Float S = formula.IsEmpty() ? 0.0 : EvaluateFormula(this, formula, v, doc) * r;
      // Only finite values count for the extremes: a NaN has no place, and one pole (a division
      // by zero) would otherwise make the fit squash every other value to nothing.
      if (std::isfinite(S)) {
        if (S < K) K = S;
        if (S > J) J = S;
      }
      Float U = S;
      if (heightMode == 2) U = std::min(r, std::max(-r, S));
      U = U < 0.0 ? U * scaleNegative : U * scalePositive;
      if (colorMode == 0 && gradient)
        current = gradient->CalcGradientPixel(GradientPosition(U, r, gradientAbsolute));
      PlotSample sample{Vector((s0 + i) * step - o, U, (s0 + j) * step - o), current};
      samples.Append(sample);  // a sample that does not fit is left out
    }
  }

  // Only real numbers count: when no node gave one, the range stays at 0 instead of reporting
  // the start values of the running extremes.
  const bool anyNumber = K <= J;
  if (r > 0.0 && anyNumber) {
    valueMin = K / r;
    valueMax = J / r;
  }
  if (heightMode == 1 && anyNumber) {
    const Float M = std::fabs(K) > std::fabs(J) ? std::fabs(K) : std::fabs(J);
    if (M > r && M != 0.0 && samples.GetCount() > 0)
      for (Int64 k = 0; k < samples.GetCount(); ++k)
        samples[k].position.y = samples[k].position.y / M * r;
  }

  if (BaseObject* labels = FindChildOfType(op, ID_ZVPLOTLABELS)) {
    DescriptionCommand cmd;
    cmd._descId = DescID(O3DPLOTLABEL_UPDATE);
    labels->Message(MSG_DESCRIPTION_COMMAND, &cmd);
  }
  op->Message(MSG_UPDATE);
  EventAdd(EVENT::FORCEREDRAW);
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
      if (style == 0) {
        bd->SetPointSize(2.0 * s);
        bd->DrawHandle(p, DRAWHANDLE::CUSTOM, 2048);
      } else if (style == 1) {
        bd->DrawSphere(p, Vector(s, s, s), smp.color, 0);
      } else if (style == 2) {
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
  BaseContainer* bc = op->GetDataInstance();
  if (type == MSG_DESCRIPTION_POSTSETPARAMETER && data) {
    const DescID* id = static_cast<DescriptionPostSetValue*>(data)->descid;
    switch (id ? (*id)[0].id : 0) {
      case O3DPLOT_COLORMODE:
      case O3DPLOT_GRADIENT:
      case O3DPLOT_COLOR:
      case O3DPLOT_GRADIENT_ABSOLUTE: Recolour(bc, op, op->GetDocument()); break;
      case O3DPLOT_PRESET: ApplyPreset(bc); break;
      default: break;
    }
  } else if (type == MSG_DESCRIPTION_COMMAND && data) {
    switch (static_cast<DescriptionCommand*>(data)->_descId[0].id) {
      case O3DPLOT_RESET:
        ResetDefaults(bc);
        WriteParameters(bc);
        break;
      case O3DPLOT_ADD_COMPONENT: AddComponent(op, bc->GetInt32(O3DPLOT_ADD_COMPONENT)); break;
      case O3DPLOT_HELP: OpenHelp(); break;
      default: break;
    }
  } else if (type == MSG_ZVPLOT_GETSAMPLES && data) {
    auto* view = static_cast<ZVPlotSampleView*>(data);
    view->samples = samples.GetFirst();
    view->count = samples.GetCount();
    view->resolution = resolution;
    view->valueMin = valueMin;
    view->valueMax = valueMax;
    view->timeDependent = timeDependent;
    return true;
  } else if (type == MSG_DEFORMMODECHANGED) {
    samples.SetCountZero();
    op->Message(MSG_UPDATE);
    EventAdd(EVENT::NONE);
  }
  return SUPER::Message(node, type, data);
}

void ZVPlot::Recolour(const BaseContainer* bc, BaseObject* op, BaseDocument* doc) {
  const Float dy = op->GetMg().off.y;
  const Int32 mode = bc->GetInt32(O3DPLOT_COLORMODE);
  const Float h = bc->GetFloat(O3DPLOT_HEIGHT) * 0.5;
  const Vector c = bc->GetVector(O3DPLOT_COLOR);
  const Bool absolute = bc->GetBool(O3DPLOT_GRADIENT_ABSOLUTE);
  const Gradient* gradient = bc->GetCustomDataType<Gradient>(O3DPLOT_GRADIENT);
  const bool prepared = mode == 0 && gradient && gradient->InitRender(InitRenderStruct(doc));
  for (Int64 k = 0; k < samples.GetCount(); ++k) {
    PlotSample& s = samples[k];
    if (mode == 0 && prepared)
      s.color = gradient->CalcGradientPixel(GradientPosition(s.position.y - dy, h, absolute));
    else
      s.color = c;  // also when the gradient is missing
  }
  if (gradient && mode == 0) gradient->FreeRender();
}

void ZVPlot::ApplyPreset(BaseContainer* bc) {
  const Int32 index = bc->GetInt32(O3DPLOT_PRESET);
  formula = bc->GetString(O3DPLOT_FORMULA);
  if (const char* text = PresetFormula(index)) formula = text;
  bc->SetString(O3DPLOT_FORMULA, formula);
}

void ZVPlot::AddComponent(BaseObject* op, Int32 choice) {
  if (choice < 0 || choice >= static_cast<Int32>(std::size(kComponentTypes))) return;
  const Int32 type = kComponentTypes[choice];
  if (FindChildOfType(op, type) &&
      !QuestionDialog("A component of this type already exists. Do you want to add another one?"))
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
  return RegisterObjectPlugin(ID_ZVPLOT, GeLoadString(IDS_ZVPLOT),
                              OBJECT_GENERATOR | OBJECT_UNIQUEENUMERATION | OBJECT_CALL_ADDEXECUTION,
                              ZVPlot::Alloc, "o3dplot", icon, 0);
}
