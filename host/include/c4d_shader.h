// What the host hands a shader or gradient that is made ready for rendering.
#pragma once

#include "ge_math.h"

class BaseDocument;

class InitRenderStruct {
 public:
  InitRenderStruct() = default;
  explicit InitRenderStruct(const BaseDocument* t_doc, Int32 = -1) : doc(t_doc) {}
  const BaseDocument* doc = nullptr;
};
