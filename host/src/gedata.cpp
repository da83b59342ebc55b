// Parameter values and containers.
#include <cmath>

#include "c4d.h"

namespace {
const String kEmptyString;
const GeData kNilData;
}  // namespace

GeData::GeData(const BaseContainer& v)
    : type_(DA::CONTAINER), container_(std::make_unique<BaseContainer>(v)) {}

GeData::GeData(const CustomDataType& data, Int32 type) {
  if (data.GetCustomDataTypeId() != type) return;  // mismatched data stays empty
  type_ = DA::CUSTOMDATATYPE;
  custom_ = data.Clone();
}

// The host's custom data types, made with their default value.
GeData::GeData(Int32 type, DEFAULTVALUETYPE) {
  std::unique_ptr<CustomDataType> made;
  if (type == CUSTOMDATATYPE_GRADIENT)
    made.reset(Gradient::Alloc());
  else if (type == FONTCHOOSER_DATA)
    made.reset(new (std::nothrow) FontData());
  if (!made) return;
  type_ = DA::CUSTOMDATATYPE;
  custom_ = std::move(made);
}

GeData::GeData(const GeData& o)
    : type_(o.type_),
      int_(o.int_),
      float_(o.float_),
      vector_(o.vector_),
      string_(o.string_),
      time_(o.time_),
      container_(o.container_ ? std::make_unique<BaseContainer>(*o.container_) : nullptr),
      custom_(o.custom_ ? o.custom_->Clone() : nullptr) {}

GeData& GeData::operator=(const GeData& o) {
  if (this != &o) {
    GeData copy(o);
    *this = std::move(copy);
  }
  return *this;
}

GeData::~GeData() = default;

Int32 GeData::GetCustomType() const { return custom_ ? custom_->GetCustomDataTypeId() : 0; }

Int32 GeData::GetInt32() const {
  if (type_ == DA::LONG) return int_;
  if (type_ == DA::REAL && std::isfinite(float_) && std::fabs(float_) < 2147483648.0)
    return static_cast<Int32>(float_);
  return 0;
}

Float GeData::GetFloat() const {
  if (type_ == DA::REAL) return float_;
  if (type_ == DA::LONG) return int_;
  return 0.0;
}

const String& GeData::GetString() const { return type_ == DA::STRING ? string_ : kEmptyString; }

const CustomDataType* GeData::GetCustomDataTypeI(Int32 datatype) const {
  return custom_ && custom_->GetCustomDataTypeId() == datatype ? custom_.get() : nullptr;
}

Bool GeData::operator==(const GeData& o) const {
  if (type_ != o.type_) return false;
  switch (type_) {
    case DA::NIL:
      return true;
    case DA::LONG:
      return int_ == o.int_;
    case DA::REAL:
      return float_ == o.float_;
    case DA::VECTOR:
      return vector_ == o.vector_;
    case DA::STRING:
      return string_ == o.string_;
    case DA::TIME:
      return time_ == o.time_;
    case DA::CONTAINER:
      return *container_ == *o.container_;
    case DA::CUSTOMDATATYPE:
      return custom_->IsEqual(*o.custom_);
  }
  return false;
}

const GeData* BaseContainer::GetDataPointer(Int32 id) const {
  for (const auto& [key, value] : entries_)
    if (key == id) return &value;
  return nullptr;
}

const GeData& BaseContainer::GetData(Int32 id) const {
  const GeData* d = GetDataPointer(id);
  return d ? *d : kNilData;
}

Bool BaseContainer::GetBool(Int32 id, Bool def) const {
  const GeData* d = GetDataPointer(id);
  return d && d->GetType() == DA::LONG ? d->GetBool() : def;
}

Int32 BaseContainer::GetInt32(Int32 id, Int32 def) const {
  const GeData* d = GetDataPointer(id);
  return d && (d->GetType() == DA::LONG || d->GetType() == DA::REAL) ? d->GetInt32() : def;
}

Float BaseContainer::GetFloat(Int32 id, Float def) const {
  const GeData* d = GetDataPointer(id);
  return d && (d->GetType() == DA::LONG || d->GetType() == DA::REAL) ? d->GetFloat() : def;
}

Vector BaseContainer::GetVector(Int32 id, const Vector& def) const {
  const GeData* d = GetDataPointer(id);
  return d && d->GetType() == DA::VECTOR ? d->GetVector() : def;
}

String BaseContainer::GetString(Int32 id, const maxon::String& def) const {
  const GeData* d = GetDataPointer(id);
  return d && d->GetType() == DA::STRING ? d->GetString() : def;
}

BaseTime BaseContainer::GetTime(Int32 id, const BaseTime& def) const {
  const GeData* d = GetDataPointer(id);
  return d && d->GetType() == DA::TIME ? d->GetTime() : def;
}

const BaseContainer* BaseContainer::GetContainerInstance(Int32 id) const {
  const GeData* d = GetDataPointer(id);
  return d ? d->GetContainer() : nullptr;
}

Bool BaseContainer::SetData(Int32 id, const GeData& n) {
  if (GeData* value = GetDataPointerWritable(id)) {
    *value = n;
    return true;
  }
  entries_.emplace_back(id, n);
  return true;
}

GeData* BaseContainer::GetDataPointerWritable(Int32 id) {
  for (auto& [key, value] : entries_)
    if (key == id) return &value;
  return nullptr;
}

Int32 BaseContainer::GetIndexId(Int32 index) const {
  if (index < 0 || index >= GetEntryCount()) return NOTOK;
  return entries_[static_cast<size_t>(index)].first;
}

const GeData* BaseContainer::GetIndexData(Int32 index) const {
  if (index < 0 || index >= GetEntryCount()) return nullptr;
  return &entries_[static_cast<size_t>(index)].second;
}

Bool BaseContainer::operator==(const BaseContainer& o) const {
  return id_ == o.id_ && entries_ == o.entries_;
}

const DescLevel& DescID::operator[](Int32 pos) const {
  static const DescLevel kNone(0);
  if (pos < 0 || pos >= GetDepth()) return kNone;
  return levels_[static_cast<size_t>(pos)];
}

Bool DescID::IsPartOf(const DescID& cmp, Int32* pos) const {
  if (GetDepth() > cmp.GetDepth()) return false;
  for (Int32 i = 0; i < GetDepth(); ++i)
    if (!(levels_[static_cast<size_t>(i)] == cmp[i])) return false;
  if (pos) *pos = GetDepth();
  return true;
}
