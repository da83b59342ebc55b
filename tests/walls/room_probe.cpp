// Preprocessed by the walls' tests with the include folders of one of the runner's rooms: it
// includes the header ZV_PROBE_HEADER names, which resolves only for a header of that room or of a
// room below it.
#define ZV_PROBE_TEXT(name) #name
#define ZV_PROBE_QUOTED(name) ZV_PROBE_TEXT(name)
#include ZV_PROBE_QUOTED(ZV_PROBE_HEADER)
