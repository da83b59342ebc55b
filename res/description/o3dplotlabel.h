#ifndef O3DPLOTLABEL_H_
#define O3DPLOTLABEL_H_

enum
{
	Oo3dplotlabel                                = 1055514,

	// Parameters
	O3DPLOTLABEL_TEXTSIZE                        = 50000,
	O3DPLOTLABEL_COLOR                           = 50001,
	O3DPLOTLABEL_DIGITS                          = 50002,
	O3DPLOTLABEL_SHOW_HORIZONTAL                 = 50003,
	O3DPLOTLABEL_SHOW_VERTICAL                   = 50004,
	O3DPLOTLABEL_FLIP                            = 50005,
	O3DPLOTLABEL_SHOW_LEGEND                     = 50007,
	O3DPLOTLABEL_LEGEND_OFFSET                   = 50008,
	O3DPLOTLABEL_LEGEND_ORIENTATION              = 50009,
	O3DPLOTLABEL_RESET                           = 50011,
	O3DPLOTLABEL_UPDATE                          = 50012,
	O3DPLOTLABEL_AXES                            = 50013,
	O3DPLOTLABEL_FONT                            = 50014,
	O3DPLOTLABEL_DEPTH                           = 50015,

	// Groups
	O3DPLOTLABEL_GROUP_TEXT                      = 50100,
	O3DPLOTLABEL_GROUP_AXES                      = 50101,
	O3DPLOTLABEL_GROUP_LEGEND                    = 50102,

	// O3DPLOTLABEL_AXES
	O3DPLOTLABEL_AXES_Z                          = 0,
	O3DPLOTLABEL_AXES_X                          = 1,
	O3DPLOTLABEL_AXES_BOTH                       = 2,

	// O3DPLOTLABEL_LEGEND_ORIENTATION: the legend's heading
	O3DPLOTLABEL_LEGEND_ORIENTATION_QUARTER      = 0,
	O3DPLOTLABEL_LEGEND_ORIENTATION_THREEQUARTER = 1,
	O3DPLOTLABEL_LEGEND_ORIENTATION_HALF         = 2,
	O3DPLOTLABEL_LEGEND_ORIENTATION_NONE         = 3,
};

#endif  // O3DPLOTLABEL_H_
