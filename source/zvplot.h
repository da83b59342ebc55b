// The plot object: owns the formula, ranges, resolution and colouring, evaluates the formula on a
// square grid and keeps the samples that the components read.
#pragma once

#include "zvplot_sdk.h"
#include "o3dplot.h"
#include "zvplot_formula.h"
#include "zvplot_messages.h"
#include "zvplot_settings.h"

// A growable array of samples with a 64-bit count. Storage is kept when the count drops to 0.
class PlotSampleArray {
 public:
  PlotSampleArray() = default;
  ~PlotSampleArray();
  PlotSampleArray(const PlotSampleArray&) = delete;
  PlotSampleArray& operator=(const PlotSampleArray&) = delete;

  Int64 GetCount() const { return count_; }
  void SetCountZero() { count_ = 0; }
  const PlotSample* GetFirst() const { return data_; }
  PlotSample* GetFirst() { return data_; }
  const PlotSample& operator[](Int64 i) const { return data_[i]; }
  PlotSample& operator[](Int64 i) { return data_[i]; }
  // Appends one sample; false (nothing appended) when the array cannot grow.
  Bool Append(const PlotSample& s);
  // Makes room for `count` samples; false when memory runs out.
  Bool Reserve(Int64 count);
  // Sets the count to `count` samples of the reserved room, which the caller then writes in place;
  // false (count unchanged) when `count` exceeds the room.
  Bool SetCountReserved(Int64 count);
  // Replaces the contents by a copy of `other`; false (empty array) when memory runs out.
  Bool CopyFrom(const PlotSampleArray& other);

 private:
  PlotSample* data_ = nullptr;
  Int64 count_ = 0;
  Int64 capacity_ = 0;
};

class ZVPlot : public PluginObjectData {
  INSTANCEOF(ZVPlot, PluginObjectData)

 public:
  static NodeData* Alloc() { return NewObjClear(ZVPlot); }
  ZVPlot();
  ~ZVPlot() override = default;

  Bool Init(GeListNode* node, Bool isCloneInit) override;
  void Free(GeListNode* node) override;
  Bool CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
              AliasTrans* trn) const override;
  Bool Message(GeListNode* node, Int32 type, void* data) override;
  Bool GetDDescription(const GeListNode* node, Description* description,
                       DESCFLAGS_DESC& flags) const override;
  Bool GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                    DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const override;
  void GetDimension(const BaseObject* op, Vector* mp, Vector* rad) const override;
  DRAWRESULT Draw(BaseObject* op, DRAWPASS drawpass, BaseDraw* bd, BaseDrawHelp* bh) override;
  Bool AddToExecution(BaseObject* op, PriorityList* list) override;
  EXECUTIONRESULT Execute(BaseObject* op, BaseDocument* doc, BaseThread* bt, Int32 priority,
                          EXECUTIONFLAGS flags) override;
  BaseObject* GetVirtualObjects(BaseObject* op, const HierarchyHelp* hh) override;
  Int32 GetHandleCount(const BaseObject* op) const override;
  void GetHandle(BaseObject* op, Int32 i, HandleInfo& info) override;
  void SetHandle(BaseObject* op, Int32 i, Vector p, const HandleInfo& info) override;

  Bool IsTimeDependent() const { return timeDependent; }
  Int32 GetResolution() const { return settings.resolution; }
  Float GetValueMin() const { return valueMin; }
  Float GetValueMax() const { return valueMax; }
  // The samples of the last evaluation (none while the plot awaits one).
  const PlotSampleArray& GetSamples() const { return samples; }

  // Mirrors the container into the settings, as every execution step does first.
  void ReadParameters(const BaseContainer* bc);

  const String& GetEvalFormula() const { return evaluated.formula; }
  Int32 GetLastFrame() const { return lastFrame; }

 private:
  void ParameterChanged(BaseObject* op, Int32 id);
  void CommandPressed(BaseObject* op, Int32 id);
  Bool PublishSamples(ZVPlotSampleView* view) const;
  void EnabledChanged(BaseObject* op);
  void ResetDefaults(BaseContainer* bc);
  Bool RescaleSamples();
  void EvaluateSamples(BaseObject* op, BaseDocument* doc, const PreparedGradient* gradient);
  void EvaluateRow(const FormulaGrid& grid, Int64 row, const PreparedGradient* gradient,
                   FormulaScratch* scratch, PlotSample* out, Float* lowest, Float* highest) const;
  void FinishEvaluation(BaseObject* op, Float lowest, Float highest,
                        const PreparedGradient* gradient);
  void UpdateLabels(BaseObject* op);
  void Recolour(const BaseContainer* bc, BaseObject* op, BaseDocument* doc);
  void ApplyPreset(BaseContainer* bc);
  void AddComponent(BaseObject* op, Int32 choice);
  void OpenHelp();

  PlotSampleArray samples;
  Int32 lastFrame;
  Float valueMin;
  Float valueMax;
  // The size and half height the sample positions are laid out for.
  Float sampleSize;
  Float sampleHalfHeight;
  Bool timeDependent;
  // The container's values as of the last execution step (or reset).
  PlotSettings settings;
  // The settings of the last evaluation, of which only those the samples depend on are compared.
  // All zero in a new instance (and not copied), so that its first step evaluates.
  PlotSettings evaluated;
};

// Registers the plot object type.
Bool RegisterZVPlot(BaseBitmap* icon);
