// The host's fixed numbers: object and tag types, messages, parameter ids of host objects and
// their choices, custom data types, document parameters, execution priorities and the actions of a
// module's entry point.
#pragma once

#include "c4d_basetypes.h"

// Object types.
constexpr Int32 Opolygon = 5100;
constexpr Int32 Ospline = 5101;
constexpr Int32 Oextrude = 5116;
constexpr Int32 Onull = 5140;
constexpr Int32 Ocube = 5159;
constexpr Int32 Osphere = 5160;
constexpr Int32 Oplatonic = 5161;
constexpr Int32 Opyramid = 5167;
constexpr Int32 Osplinetext = 5178;
constexpr Int32 Opoint = 5400;  // instance-of family of point objects

// Tag types.
constexpr Int32 Tphong = 5612;
constexpr Int32 Tuvw = 5671;
constexpr Int32 Tvertexcolor = 431000045;

// Messages.
constexpr Int32 MSG_UPDATE = 5;
constexpr Int32 MSG_DESCRIPTION_POSTSETPARAMETER = 17;
constexpr Int32 MSG_DESCRIPTION_COMMAND = 18;
constexpr Int32 MSG_MENUPREPARE = 22;
constexpr Int32 MSG_DEFORMMODECHANGED = 200000125;

// Custom data types.
constexpr Int32 CUSTOMDATATYPE_GRADIENT = 1000481;
constexpr Int32 CUSTOMDATATYPE_FONT = 1009372;
constexpr Int32 DTYPE_BOOL = 400006001;

// Settings of a description entry (Description::GetParameterI).
constexpr Int32 DESC_HIDE = 15;

// Object information flags.
constexpr Int32 OBJECT_GENERATOR = 1 << 2;
constexpr Int32 OBJECT_ISSPLINE = 1 << 7;
constexpr Int32 OBJECT_UNIQUEENUMERATION = 1 << 8;
constexpr Int32 OBJECT_USECACHECOLOR = 1 << 10;
constexpr Int32 OBJECT_CALL_ADDEXECUTION = 1 << 15;
constexpr Int32 PLUGINFLAG_HIDEPLUGINMENU = 1 << 28;

// Parameters of host objects.
constexpr Int32 SPLINEOBJECT_CLOSED = 1002;
constexpr Int32 EXTRUDEOBJECT_MOVE = 1002;
constexpr Int32 PRIM_TEXT_TEXT = 2111;
constexpr Int32 PRIM_TEXT_ALIGN = 2112;
constexpr Int32 PRIM_TEXT_ALIGN_LEFT = 0;
constexpr Int32 PRIM_TEXT_ALIGN_MIDDLE = 1;
constexpr Int32 PRIM_TEXT_ALIGN_RIGHT = 2;
constexpr Int32 PRIM_TEXT_HEIGHT = 2115;
constexpr Int32 PRIM_TEXT_FONT = 2117;
constexpr Int32 PRIM_CUBE_LEN = 1100;
constexpr Int32 PRIM_CUBE_SUBX = 1102;
constexpr Int32 PRIM_CUBE_SUBY = 1103;
constexpr Int32 PRIM_CUBE_SUBZ = 1104;
constexpr Int32 PRIM_SPHERE_RAD = 1110;
constexpr Int32 PRIM_SPHERE_SUB = 1111;
constexpr Int32 PRIM_PLATONIC_RAD = 1120;
constexpr Int32 PRIM_PLATONIC_TYPE = 1122;
constexpr Int32 PRIM_PLATONIC_TYPE_ICOSA = 4;
constexpr Int32 PRIM_PYRAMID_LEN = 1220;
constexpr Int32 GRADIENT_MODE = 1002;  // the gradient's own setting: 0 colour gradient
constexpr Int32 GRADIENT_MODE_COLOR = 0;
// Interpolation of a knot towards the next one.
constexpr Int32 GRADIENT_INTERPOLATION_CUBICKNOT = 0;
constexpr Int32 GRADIENT_INTERPOLATION_SMOOTHKNOT = 2;
constexpr Int32 GRADIENT_INTERPOLATION_LINEARKNOT = 3;
constexpr Int32 GRADIENT_INTERPOLATION_LINEAR = 4;
constexpr Int32 GRADIENT_INTERPOLATION_NONE = 5;

// The description's own tab of an object (ID_OBJECTPROPERTIES in a description resource).
constexpr Int32 ID_OBJECTPROPERTIES = 1000;

// Document parameters.
constexpr Int32 DOCUMENT_TIME = 1000;
constexpr Int32 DOCUMENT_FPS = 1001;
constexpr Int32 DOCUMENT_MINTIME = 1002;

// Modelling commands.
constexpr Int32 MCOMMAND_ALIGNNORMALS = 218;

// Number format of the text-to-number conversion: plain floating-point numbers ("frea").
constexpr Int32 FORMAT_FLOAT = 1718773089;

// Display colour modes of an object (ObjectColorProperties::usecolor).
constexpr Int32 ID_BASEOBJECT_USECOLOR_OFF = 0;
constexpr Int32 ID_BASEOBJECT_USECOLOR_AUTOMATIC = 1;
constexpr Int32 ID_BASEOBJECT_USECOLOR_ALWAYS = 2;
constexpr Int32 ID_BASEOBJECT_USECOLOR_LAYER = 3;

// View colours.
constexpr Int32 VIEWCOLOR_ACTIVEPOINT = 12;
constexpr Int32 VIEWCOLOR_SELECTION_PREVIEW = 47;

// Execution priority of generators; a plug-in's execution step names its place relative to it.
constexpr Int32 EXECUTIONPRIORITY_GENERATOR = 5000;

// The earliest plug-in interface version a module built against this interface accepts.
constexpr Int32 API_VERSION_MIN = 2023000;

// The actions of a module's entry point c4d_main: initialise the SDK (C4DPL_INIT_SYS, which is also
// the first message, "the system is up"), start, end, ask which entry protocol the module speaks,
// and deliver a message. Its answers: the protocol version, and the refusal of a host below
// API_VERSION_MIN.
constexpr Int32 C4DPL_INIT_SYS = 1;
constexpr Int32 C4DPL_INIT = 2;
constexpr Int32 C4DPL_END = 3;
constexpr Int32 C4DPL_INIT_VERSION = 4;
constexpr Int32 C4DPL_MESSAGE = 6;
constexpr Int32 C4DPL_VERSION = 5;
constexpr Int32 C4DPL_ERROR_VERSION = -3;
