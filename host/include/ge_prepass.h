// The host's enumerations and fixed numbers: object and tag types, object information flags,
// modelling commands, view colours and execution priorities.
#pragma once

#include "ge_math.h"

enum class EXECUTIONRESULT : Int32 { OK = 0 };
enum class EXECUTIONFLAGS : Int32 { NONE = 0 };
enum class DRAWPASS : Int32 { OBJECT = 0, HANDLES = 2 };
enum class DRAWRESULT : Int32 { OK = 1, SKIP = 2 };
enum class DRAWHANDLE : Int32 { BIG = 3, CUSTOM = 4 };
enum class DIRTYFLAGS : Int32 { DATA = 1 << 2 };
enum class DESCFLAGS_DESC : Int32 { NONE = 0, LOADED = 1 << 1 };
enum class DESCFLAGS_ENABLE : Int32 { NONE = 0 };
enum class DESCFLAGS_SET : Int32 { NONE = 0 };
enum class CHECKISRUNNING : Int32 { EDITORRENDERING = 2, EXTERNALRENDERING = 3 };
enum class SPLINETYPE : Int32 { LINEAR = 0, CUBIC = 1 };
enum class MODELINGCOMMANDFLAGS : Int32 { NONE = 0 };
enum class MODELINGCOMMANDMODE : Int32 { ALL = 0 };
enum class NBIT : Int32 { OM1_FOLD = 14 };
enum class NBITCONTROL : Int32 { SET = 1, CLEAR = 2 };
enum class EVENT : Int32 { NONE = 0, FORCEREDRAW = 1 << 0 };
enum class IMAGERESULT : Int32 { OK = 1, WRONGTYPE = -2 };
enum class COPYFLAGS : Int32 { NONE = 0 };
enum class BUILDFLAGS : UInt16 { NONE = 0 };

inline constexpr DESCFLAGS_DESC operator|(DESCFLAGS_DESC a, DESCFLAGS_DESC b) {
  return static_cast<DESCFLAGS_DESC>(static_cast<Int32>(a) | static_cast<Int32>(b));
}
inline DESCFLAGS_DESC& operator|=(DESCFLAGS_DESC& a, DESCFLAGS_DESC b) { return a = a | b; }

// Object types.
constexpr Int32 Opolygon = 5100;
constexpr Int32 Ospline = 5101;
constexpr Int32 Oextrude = 5116;
constexpr Int32 Onull = 5140;
constexpr Int32 Opoint = 5156;  // instance-of family of point objects
constexpr Int32 Ocube = 5159;
constexpr Int32 Osphere = 5160;
constexpr Int32 Oplatonic = 5161;
constexpr Int32 Opyramid = 5167;
constexpr Int32 Osplinetext = 5178;

// Tag types.
constexpr Int32 Tphong = 5612;
constexpr Int32 Tuvw = 5671;
constexpr Int32 Tvertexcolor = 431000045;

// Object information flags.
constexpr Int32 OBJECT_GENERATOR = 1 << 2;
constexpr Int32 OBJECT_ISSPLINE = 1 << 7;
constexpr Int32 OBJECT_UNIQUEENUMERATION = 1 << 8;
constexpr Int32 OBJECT_USECACHECOLOR = 1 << 10;
constexpr Int32 OBJECT_CALL_ADDEXECUTION = 1 << 15;

// Modelling commands.
constexpr Int32 MCOMMAND_ALIGNNORMALS = 218;

// View colours.
constexpr Int32 VIEWCOLOR_ACTIVEPOINT = 12;
constexpr Int32 VIEWCOLOR_SELECTION_PREVIEW = 47;

// Execution priority of generators; a plug-in's execution step names its place relative to it.
constexpr Int32 EXECUTIONPRIORITY_GENERATOR = 5000;
