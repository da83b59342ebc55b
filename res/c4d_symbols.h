enum {
  // Object names shown in the host (strings_*/c4d_strings.str)
  IDS_ZVPLOT = 15000,
  IDS_ZVPLOTMESH = 15001,
  IDS_ZVPLOTGRID = 15002,
  IDS_ZVPLOTCAGE = 15003,
  IDS_ZVPLOTLABELS = 15004,

  // End of symbol definition
  _DUMMY_ELEMENT_
};
