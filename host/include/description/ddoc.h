// Parameters of the document: its time, frame rate, start time and end time.
#pragma once

enum {
  DOCUMENT_TIME = 1000,
  DOCUMENT_FPS = 1001,
  DOCUMENT_MINTIME = 1002,
  DOCUMENT_MAXTIME = 1003,
};
