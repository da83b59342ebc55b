// The plug-in instance of a node: the operations the host calls on every plug-in node type.
#pragma once

#include "c4d_baselist.h"

class AliasTrans;
class Description;

class NodeData {
 public:
  virtual ~NodeData() = default;
  virtual Bool Init(GeListNode* node, Bool isCloneInit);
  virtual void Free(GeListNode* node);
  virtual Bool CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
                      AliasTrans* trn) const;
  virtual Bool Message(GeListNode* node, Int32 type, void* data);
  virtual Bool GetDDescription(const GeListNode* node, Description* description,
                               DESCFLAGS_DESC& flags) const;
  virtual Bool GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                            DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const;
};

using DataAllocator = NodeData*();
