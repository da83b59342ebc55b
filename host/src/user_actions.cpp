// What the user does to parameters: set values (checked against the description), press buttons,
// switch objects on and off; and the queries the host makes of plug-in descriptions.
#include <cmath>
#include <sstream>

#include "host_state.h"

namespace zvhost {
namespace {

// A parameter as the user knows it: by its label, as the attribute manager shows it.
std::string Describe(const DescEntry& e) {
  return e.label.empty() ? e.symbol + " (" + std::to_string(e.id) + ")" : e.label;
}

std::string Number(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

bool CheckRange(const DescEntry& e, double v, std::string* error) {
  if (!std::isfinite(v)) return Fail(error, Describe(e) + " must be a finite number");
  if ((e.min && v < *e.min) || (e.max && v > *e.max)) {
    std::string range = e.min && e.max ? "between " + Number(*e.min) + " and " + Number(*e.max)
                        : e.min        ? "at least " + Number(*e.min)
                                       : "at most " + Number(*e.max);
    return Fail(error, Describe(e) + " must be " + range + " (got " + Number(v) + ")");
  }
  return true;
}

bool CheckValue(const DescEntry& e, const GeData& value, std::string* error) {
  const DA t = value.GetType();
  if (e.type == "LONG") {
    if (t != DA::LONG) return Fail(error, Describe(e) + " takes a whole number");
    if (!e.cycle.empty()) {
      for (const auto& [v, label] : e.cycle)
        if (v == value.GetInt32()) return true;
      std::string choices;
      for (const auto& [v, label] : e.cycle)
        choices += (choices.empty() ? "" : ", ") + std::to_string(v) + " " + label;
      return Fail(error, Describe(e) + " has no choice " + std::to_string(value.GetInt32()) +
                             " (choices: " + choices + ")");
    }
    return CheckRange(e, value.GetInt32(), error);
  }
  if (e.type == "REAL") {
    if (t != DA::REAL && t != DA::LONG) return Fail(error, Describe(e) + " takes a number");
    return CheckRange(e, value.GetFloat(), error);
  }
  if (e.type == "BOOL") {
    if (t != DA::LONG || (value.GetInt32() != 0 && value.GetInt32() != 1))
      return Fail(error, Describe(e) + " takes true or false");
    return true;
  }
  if (e.type == "VECTOR" || e.type == "COLOR") {
    if (t != DA::VECTOR) return Fail(error, Describe(e) + " takes a vector of three numbers");
    const Vector v = value.GetVector();
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z))
      return Fail(error, Describe(e) + " takes finite numbers");
    return true;
  }
  if (e.type == "STRING") {
    if (t != DA::STRING) return Fail(error, Describe(e) + " takes a text");
    return true;
  }
  if (e.type == "GRADIENT") {
    if (!value.GetCustomDataTypeI(CUSTOMDATATYPE_GRADIENT))
      return Fail(error, Describe(e) + " takes a gradient");
    return true;
  }
  if (e.type == "FONT") {
    if (!value.GetCustomDataTypeI(FONTCHOOSER_DATA))
      return Fail(error, Describe(e) + " takes a font");
    return true;
  }
  return Fail(error, Describe(e) + " is a " + e.type + ", not a value");
}

const DescEntry* FindEntryOfType(Int32 type, Int32 id, std::string* error) {
  const DescriptionResource* res = DescriptionForType(type);
  if (!res) {
    Fail(error, "the object has no parameter description");
    return nullptr;
  }
  for (const DescEntry& e : res->entries)
    if (e.id == id && e.type != "GROUP" && e.type != "SEPARATOR") return &e;
  Fail(error, "\"" + res->name + "\" has no parameter " + std::to_string(id));
  return nullptr;
}

const DescEntry* FindEntry(BaseList2D* node, Int32 id, std::string* error) {
  if (!node) {
    Fail(error, "the object has no parameter description");
    return nullptr;
  }
  return FindEntryOfType(node->GetType(), id, error);
}

ParameterInfo ToInfo(const DescEntry& e) {
  ParameterInfo p;
  p.id = e.id;
  p.symbol = e.symbol;
  p.type = e.type;
  p.label = e.label;
  p.hasMin = e.min.has_value();
  p.hasMax = e.max.has_value();
  p.min = e.min.value_or(0.0);
  p.max = e.max.value_or(0.0);
  p.hasStep = e.step.has_value();
  p.step = e.step.value_or(0.0);
  p.cycle.assign(e.cycle.begin(), e.cycle.end());
  p.cycleSymbols = e.cycleSymbols;
  p.group = e.parent;
  return p;
}

// What a user's edit of one parameter sends once the value is stored: the host's check for what
// the change needs refreshed.
void SendPostSet(BaseList2D* node, Int32 id) {
  const DescID descId = CreateDescID(DescLevel(id));
  DescriptionCheckUpdate msg;
  msg.doc = node->GetDocument();
  msg.descid = &descId;
  node->Message(MSG_DESCRIPTION_CHECKUPDATE, &msg);
}

}  // namespace

Bool SetUserParameter(BaseList2D* node, Int32 id, const GeData& value, std::string* error) {
  const DescEntry* e = FindEntry(node, id, error);
  if (!e || !CheckValue(*e, value, error)) return false;
  node->SetParameter(CreateDescID(DescLevel(id)), value, DESCFLAGS_SET::NONE);
  SendPostSet(node, id);
  return true;
}

Bool CheckParameterValue(Int32 type, Int32 id, const GeData& value, std::string* error) {
  const DescEntry* e = FindEntryOfType(type, id, error);
  return e && CheckValue(*e, value, error);
}

Bool PressButton(BaseList2D* node, Int32 id, std::string* error) {
  if (!FindEntry(node, id, error)) return false;
  DescriptionCommand cmd;
  cmd._descId = CreateDescID(DescLevel(id));
  node->Message(MSG_DESCRIPTION_COMMAND, &cmd);
  return true;
}

void SetEnabled(BaseObject* op, Bool on) {
  if (!op) return;
  op->SetDeformMode(on);
  op->SetDirty(DIRTYFLAGS::DATA);
  op->Message(MSG_DEFORMMODECHANGED);
}

Bool IsParameterEnabled(BaseObject* op, Int32 id) {
  if (!op || !op->GetNodeData<NodeData>()) return true;
  Description desc;
  desc.LoadDescription(op->GetType());
  const BaseContainer* item = desc.GetParameterI(CreateDescID(DescLevel(id)), nullptr);
  return op->GetNodeData<NodeData>()->GetDEnabling(op, CreateDescID(DescLevel(id)),
                                                   op->GetDataInstanceRef().GetData(id),
                                                   DESCFLAGS_ENABLE::NONE, item);
}

Bool GetObjectDescription(BaseObject* op, Description* desc, const DescID* single) {
  if (!op || !desc || !op->GetNodeData<NodeData>()) return false;
  if (single) HostAccess::AskForSingle(*desc, *single);
  DESCFLAGS_DESC flags = DESCFLAGS_DESC::NONE;
  if (!op->GetNodeData<NodeData>()->GetDDescription(op, desc, flags)) return false;
  return HostAccess::IsLoaded(*desc) || desc->LoadDescription(op->GetType());
}

std::vector<HandleInfo> GetObjectHandles(BaseObject* op) {
  std::vector<HandleInfo> handles;
  auto* data = op ? op->GetNodeData<ObjectData>() : nullptr;
  if (!data) return handles;
  const Int32 count = data->GetHandleCount(op);
  for (Int32 i = 0; i < count; ++i) {
    HandleInfo info;
    data->GetHandle(op, i, info);
    handles.push_back(info);
  }
  return handles;
}

Bool MoveUserHandle(BaseObject* op, Int32 index, const Vector& local, std::string* error) {
  auto* data = op ? op->GetNodeData<ObjectData>() : nullptr;
  const Int32 count = data ? data->GetHandleCount(op) : 0;
  if (index < 0 || index >= count)
    return Fail(error, "\"" + (op ? op->GetName().GetStdString() : std::string("the object")) +
                           "\" has " + std::to_string(count) + " handles; there is no handle " +
                           std::to_string(index));
  // The plug-in writes its container itself; what it changed is found by comparing, so that the
  // messages name exactly the parameters a user would have edited.
  const BaseContainer before = op->GetDataInstanceRef();
  HandleInfo info;
  data->GetHandle(op, index, info);
  data->SetHandle(op, index, local, info);
  const BaseContainer& after = op->GetDataInstanceRef();
  for (Int32 i = 0; i < after.GetEntryCount(); ++i) {
    const Int32 id = after.GetIndexId(i);
    const GeData* old = before.GetDataPointer(id);
    if (old && *old == *after.GetIndexData(i)) continue;
    op->SetDirty(DIRTYFLAGS::DATA);
    SendPostSet(op, id);
  }
  return true;
}

std::vector<GroupInfo> ListGroups(Int32 type) {
  std::vector<GroupInfo> out;
  if (const DescriptionResource* res = DescriptionForType(type))
    for (const DescEntry& e : res->entries)
      if (e.type == "GROUP") out.push_back({e.id, e.symbol, e.label, e.parent});
  return out;
}

std::vector<ParameterInfo> ListParameters(Int32 type) {
  std::vector<ParameterInfo> out;
  if (const DescriptionResource* res = DescriptionForType(type))
    for (const DescEntry& e : res->entries)
      if (e.type != "GROUP" && e.type != "SEPARATOR") out.push_back(ToInfo(e));
  return out;
}

std::optional<Int32> FindObjectType(const std::string& symbol) {
  std::vector<Int32> types;
  {
    std::lock_guard<std::mutex> lock(State().mutex);
    for (const auto& [id, info] : State().plugins) types.push_back(id);
  }
  for (Int32 type : types) {
    const DescriptionResource* res = DescriptionForType(type);
    if (res && res->symbol == symbol && res->typeId == type) return type;
  }
  return std::nullopt;
}

std::optional<Int32> FindDescriptionIdentifier(Int32 type, const std::string& symbol) {
  const DescriptionResource* res = DescriptionForType(type);
  if (!res) return std::nullopt;
  const auto it = res->identifiers.find(symbol);
  if (it == res->identifiers.end()) return std::nullopt;
  return it->second;
}

std::optional<ParameterInfo> FindParameter(Int32 type, Int32 id) {
  for (ParameterInfo& p : ListParameters(type))
    if (p.id == id) return p;
  return std::nullopt;
}

std::optional<ParameterInfo> FindParameter(Int32 type, const std::string& symbol) {
  for (ParameterInfo& p : ListParameters(type))
    if (p.symbol == symbol) return p;
  return std::nullopt;
}

}  // namespace zvhost
