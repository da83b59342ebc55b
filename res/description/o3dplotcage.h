#ifndef O3DPLOTCAGE_H_
#define O3DPLOTCAGE_H_

enum
{
	Oo3dplotcage          = 1055484,

	// Parameters
	O3DPLOTCAGE_LEVELS    = 40000,
	O3DPLOTCAGE_SECTIONS  = 40001,
	O3DPLOTCAGE_COLOR     = 40002,
};

#endif  // O3DPLOTCAGE_H_
