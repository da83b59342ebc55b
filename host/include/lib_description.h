// Descriptions: description identifiers, the data of a button's message, and the description a
// plug-in hands the host for its parameters.
#pragma once

#include <memory>
#include <vector>

#include "c4d_basecontainer.h"

class AtomArray;
namespace zvhost {
struct HostAccess;  // the host's own bookkeeping, kept out of the plug-in interface
}

// Settings of a description entry (Description::GetParameterI).
constexpr Int32 DESC_HIDE = 15;
// Data types of description entries.
constexpr Int32 DTYPE_BOOL = 400006001;

struct DescLevel {
  Int32 id = 0;
  Int32 dtype = 0;
  Int32 creator = 0;
  constexpr DescLevel(Int32 t_id) : id(t_id) {}  // NOLINT: as in the host
  constexpr DescLevel(Int32 t_id, Int32 t_datatype, Int32 t_creator)
      : id(t_id), dtype(t_datatype), creator(t_creator) {}
  Bool operator==(const DescLevel& d) const { return id == d.id; }
};

// The identifier of a description entry: one level per step into a parameter's sub-values.
class DescID {
 public:
  DescID() = default;
  DescID(const DescID& src) = default;
  DescID(DescID&& src) = default;
  DescID& operator=(const DescID& src) = default;
  DescID& operator=(DescID&& src) = default;
  template <typename... T>
  static DescID Create(const T&... ids) {
    DescID id;
    (id.levels_.push_back(DescLevel(ids)), ...);
    return id;
  }

  Int32 GetDepth() const { return static_cast<Int32>(levels_.size()); }
  const DescLevel& operator[](Int32 pos) const;
  // True when this identifier is a leading part of `cmp` (or equal to it); *pos receives its depth.
  Bool IsPartOf(const DescID& cmp, Int32* pos) const;
  Bool operator==(const DescID& o) const { return levels_ == o.levels_; }

 private:
  std::vector<DescLevel> levels_;
};

// An identifier of fixed levels, and one made at run time.
#define ConstDescID(...) DescID::Create(__VA_ARGS__)
#define CreateDescID(...) DescID::Create(__VA_ARGS__)

struct DescriptionBaseMessage {
  DescID _descId;  // the parameter that triggered the command
};

// Data of MSG_DESCRIPTION_COMMAND: the button that was pressed.
struct DescriptionCommand : public DescriptionBaseMessage {};

// A description as the plug-in can change it: its entries' settings (DESC_HIDE and others).
class Description {
 public:
  Description();
  ~Description();
  Description(const Description&) = delete;
  Description& operator=(const Description&) = delete;
  // Loads the description registered for a node type; false when there is none.
  Bool LoadDescription(Int32 id);
  Bool LoadDescription(const String& id);
  // The settings of one entry, or nothing. Changes are kept with this description.
  BaseContainer* GetParameterI(const DescID& id, AtomArray* ar);
  // The single parameter the host asks about, or nothing when it asks for all of them.
  const DescID* GetSingleDescID();

 private:
  friend struct zvhost::HostAccess;
  struct Entry {
    Int32 id;
    BaseContainer settings;
  };
  std::vector<Entry> entries_;
  std::unique_ptr<DescID> single_;
  Bool loaded_ = false;
};
