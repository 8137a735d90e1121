// Result codes of the host's load and save operations, their messages, and the conversion
// from the codes that Qvp modules return.
#pragma once

enum HostResult : int {
  PIRC_OK = 0,
  PIRC_NOTHANDLED = 1,
  PIRC_MEMORY = 2,
  PIRC_FILE = 3,
  PIRC_BROKEN = 4,
  PIRC_ERROR = 5,
  PIRC_CANCEL = 6,
};

// A Qvp code c becomes c + 1 for c in 1..5; 0 stays 0; anything else is PIRC_ERROR.
inline int QvpToHostCode(int qvpCode) {
  if (qvpCode == 0) return PIRC_OK;
  if (qvpCode >= 1 && qvpCode <= 5) return qvpCode + 1;
  return PIRC_ERROR;
}

// The message shown for a host code (empty for 0); codes outside 0..6 give the text of 5.
const char* HostResultText(int code);
