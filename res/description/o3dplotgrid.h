#ifndef O3DPLOTGRID_H_
#define O3DPLOTGRID_H_

enum
{
	Oo3dplotgrid       = 1055458,

	// Parameters
	O3DPLOTGRID_STEP   = 30000,
	O3DPLOTGRID_COLOR  = 30001,
};

#endif  // O3DPLOTGRID_H_
