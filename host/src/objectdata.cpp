// Default behaviour of plug-in instances, execution lists, descriptions and plug-in registration.
#include <cmath>

#include "c4d.h"
#include "c4d_basedocument.h"
#include "c4d_objectdata.h"
#include "host_state.h"

Matrix HPBToMatrix(const Vector& hpb) {
  // Heading turns about y (a quarter turn takes the x axis to +z), pitch about x, bank about z;
  // applied bank first, heading last.
  const Float ch = std::cos(hpb.x), sh = std::sin(hpb.x);
  const Float cp = std::cos(hpb.y), sp = std::sin(hpb.y);
  const Float cb = std::cos(hpb.z), sb = std::sin(hpb.z);
  Matrix heading{Vector(), Vector(ch, 0, sh), Vector(0, 1, 0), Vector(-sh, 0, ch)};
  Matrix pitch{Vector(), Vector(1, 0, 0), Vector(0, cp, sp), Vector(0, -sp, cp)};
  Matrix bank{Vector(), Vector(cb, sb, 0), Vector(-sb, cb, 0), Vector(0, 0, 1)};
  return heading * pitch * bank;
}

Bool NodeData::Init(GeListNode*, Bool) { return true; }
void NodeData::Free(GeListNode*) {}
Bool NodeData::CopyTo(NodeData*, const GeListNode*, GeListNode*, COPYFLAGS, AliasTrans*) const {
  return true;
}
Bool NodeData::Message(GeListNode*, Int32, void*) { return true; }
Bool NodeData::GetDDescription(const GeListNode*, Description*, DESCFLAGS_DESC&) const {
  return true;
}
Bool NodeData::GetDEnabling(const GeListNode*, const DescID&, const GeData&, DESCFLAGS_ENABLE,
                            const BaseContainer*) const {
  return true;
}

void ObjectData::GetDimension(const BaseObject*, Vector* mp, Vector* rad) const {
  if (mp) *mp = Vector();
  if (rad) *rad = Vector();
}
DRAWRESULT ObjectData::Draw(BaseObject*, DRAWPASS, BaseDraw*, BaseDrawHelp*) {
  return DRAWRESULT::OK;
}
Bool ObjectData::AddToExecution(BaseObject*, PriorityList*) { return false; }
EXECUTIONRESULT ObjectData::Execute(BaseObject*, BaseDocument*, BaseThread*, Int32,
                                    EXECUTIONFLAGS) {
  return EXECUTIONRESULT::OK;
}
BaseObject* ObjectData::GetVirtualObjects(BaseObject*, const HierarchyHelp*) { return nullptr; }
void ObjectData::CheckDirty(BaseObject*, const BaseDocument*) {}
SplineObject* ObjectData::GetContour(BaseObject*, BaseDocument*, Float, BaseThread*) {
  return nullptr;
}
Int32 ObjectData::GetHandleCount(const BaseObject*) const { return 0; }
void ObjectData::GetHandle(BaseObject*, Int32, HandleInfo&) {}
void ObjectData::SetHandle(BaseObject*, Int32, Vector, const HandleInfo&) {}

void PriorityList::Add(BaseList2D* node, Int32 priority, EXECUTIONFLAGS flags) {
  if (node) entries_.push_back({node, priority, flags});
}

Description::Description() = default;
Description::~Description() = default;

Bool Description::LoadDescription(Int32 id) {
  const zvhost::ObjectPluginInfo* info = zvhost::FindObjectPlugin(id);
  return info && LoadDescription(info->description);
}

Bool Description::LoadDescription(const String& id) {
  const zvhost::DescriptionResource* res = zvhost::DescriptionByName(id.GetStdString());
  if (!res) return false;
  entries_.clear();
  for (const zvhost::DescEntry& e : res->entries) {
    BaseContainer settings(e.id);
    settings.SetBool(DESC_HIDE, e.hidden);
    entries_.push_back({e.id, settings});
  }
  loaded_ = true;
  return true;
}

BaseContainer* Description::GetParameterI(const DescID& id, AtomArray*) {
  for (Entry& e : entries_)
    if (e.id == id[0].id) return &e.settings;
  return nullptr;
}

const DescID* Description::GetSingleDescID() { return single_.get(); }

Bool RegisterObjectPlugin(Int32 id, const maxon::String& str, Int32 info, DataAllocator* g,
                          const maxon::String& description, BaseBitmap* icon, Int32) {
  zvhost::HostState& st = zvhost::State();
  if (id <= 0 || !g || st.plugins.count(id)) return false;
  zvhost::ObjectPluginInfo p;
  p.id = id;
  p.name = str;
  p.info = info;
  p.allocator = g;
  p.description = description;
  p.icon = icon ? icon->GetClonePart(0, 0, icon->GetBw(), icon->GetBh()) : nullptr;
  st.plugins.emplace(id, p);
  return true;
}

namespace zvhost {

const ObjectPluginInfo* FindObjectPlugin(Int32 id) {
  auto it = State().plugins.find(id);
  return it == State().plugins.end() ? nullptr : &it->second;
}

}  // namespace zvhost
