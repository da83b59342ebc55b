// The scene's nodes: atoms with a type, message and clone; nodes of the scene tree with their
// plug-in instance; named nodes with a parameter container and a data dirty count. And the messages
// the host sends them.
#pragma once

#include "c4d_basecontainer.h"
#include "ge_prepass.h"
#include "lib_description.h"

class AliasTrans;
class BaseDocument;
class NodeData;

// Declares the base class of a plug-in class as SUPER.
#define INSTANCEOF(X, Y) \
 public:                 \
  typedef Y SUPER;       \
                         \
 private:

// Messages.
constexpr Int32 MSG_UPDATE = 5;
constexpr Int32 MSG_DESCRIPTION_CHECKUPDATE = 17;
constexpr Int32 MSG_DESCRIPTION_COMMAND = 18;
constexpr Int32 MSG_MENUPREPARE = 22;
constexpr Int32 MSG_DEFORMMODECHANGED = 200000125;

// Data of MSG_DESCRIPTION_CHECKUPDATE, which the host sends after the user changed a parameter.
struct DescriptionCheckUpdate {
  DescriptionCheckUpdate() {
    doc = nullptr;
    drawflags = 0;
    descid = nullptr;
  }
  BaseDocument* doc;
  Int32 drawflags;
  const DescID* descid;
};

// An element of the host with a type, that takes messages and can be copied.
class C4DAtom {
 public:
  virtual ~C4DAtom() = default;
  C4DAtom(const C4DAtom&) = delete;
  C4DAtom& operator=(const C4DAtom&) = delete;

  Int32 GetType() const { return type_; }
  // True for the atom's own type and for a family it belongs to (Opoint for point objects).
  Bool IsInstanceOf(Int32 id) const { return id == type_ || IsInFamily(id); }
  // A deep copy, or nothing when memory runs out.
  C4DAtom* GetClone(COPYFLAGS flags, AliasTrans* trn) const { return CloneAtom(flags, trn); }
  // Sends a message: the host reacts to the messages it knows (update raises the data dirty
  // count), then the plug-in instance gets it. The plug-in's answer (true without plug-in).
  Bool Message(Int32 type, void* data = nullptr) { return ReceiveMessage(type, data); }
  // Writes a parameter as the module does: no checks, no messages; it raises the data dirty count.
  Bool SetParameter(const DescID& id, const GeData& t_data, DESCFLAGS_SET flags);

 protected:
  explicit C4DAtom(Int32 type) : type_(type) {}
  virtual Bool IsInFamily(Int32) const { return false; }
  virtual C4DAtom* CloneAtom(COPYFLAGS, AliasTrans*) const { return nullptr; }
  virtual Bool ReceiveMessage(Int32, void*) { return true; }
  virtual Bool WriteParameter(const DescID&, const GeData&) { return false; }

  Int32 type_;
};

// A node of the scene tree. A node owns its children: freeing a node frees its subtree.
class GeListNode : public C4DAtom {
 public:
  ~GeListNode() override;

  GeListNode* GetUp() { return up_; }
  const GeListNode* GetUp() const { return up_; }
  GeListNode* GetDown() { return down_; }
  const GeListNode* GetDown() const { return down_; }
  GeListNode* GetDownLast();
  const GeListNode* GetDownLast() const;
  GeListNode* GetNext() { return next_; }
  const GeListNode* GetNext() const { return next_; }
  // Inserts this node (taken out of its tree first) as first or last child of `bl`, or after it.
  void InsertUnder(GeListNode* bl);
  void InsertUnderLast(GeListNode* bl);
  void InsertAfter(GeListNode* bl);
  // Takes this node (with its subtree) out of the tree; the caller owns it afterwards.
  void Remove();

  BaseDocument* GetDocument();
  const BaseDocument* GetDocument() const;
  // The plug-in instance of a plug-in node, or nothing.
  template <typename CAST>
  CAST* GetNodeData(Int32 = 0) {
    return static_cast<CAST*>(nodeData_);
  }
  template <typename CAST>
  const CAST* GetNodeData(Int32 = 0) const {
    return static_cast<const CAST*>(nodeData_);
  }

  Bool GetNBit(NBIT bit) const { return (nbits_ >> static_cast<Int32>(bit)) & 1u; }
  Bool ChangeNBit(NBIT bit, NBITCONTROL bitmode);

 protected:
  explicit GeListNode(Int32 type) : C4DAtom(type) {}
  void SetNodeData(NodeData* data) { nodeData_ = data; }
  friend struct zvhost::HostAccess;

  NodeData* nodeData_ = nullptr;  // owned: the plug-in instance of a plug-in node

 private:
  GeListNode* up_ = nullptr;
  GeListNode* down_ = nullptr;
  GeListNode* next_ = nullptr;
  GeListNode* pred_ = nullptr;
  BaseDocument* document_ = nullptr;  // set on a document's holder of its top objects
  UInt32 nbits_ = 0;
};

// A named node with a parameter container and a data dirty count.
class BaseList2D : public GeListNode {
 public:
  String GetName() const { return name_; }
  void SetName(const maxon::String& name, Bool = true) { name_ = name; }

  BaseContainer* GetDataInstance() { return &data_; }
  const BaseContainer* GetDataInstance() const { return &data_; }
  BaseContainer& GetDataInstanceRef() { return data_; }
  const BaseContainer& GetDataInstanceRef() const { return data_; }

  // The data dirty count: the one count this host keeps.
  UInt32 GetDirty(DIRTYFLAGS) const { return dirtyData_; }
  void SetDirty(DIRTYFLAGS) { ++dirtyData_; }

 protected:
  explicit BaseList2D(Int32 type) : GeListNode(type) {}
  Bool ReceiveMessage(Int32 type, void* data) override;
  Bool WriteParameter(const DescID& id, const GeData& t_data) override;
  void CopyBaseTo(BaseList2D* dest) const;

 private:
  String name_;
  BaseContainer data_;
  UInt32 dirtyData_ = 1;
};
