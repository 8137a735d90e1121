// IMessageBox: how the core asks the user something or tells them something. The GUI shows a
// real message box; the command-line tool prints; tests script the answers.
#pragma once

#include <string>

enum MsgStyle : unsigned {
  MSG_OK = 0x0,
  MSG_OKCANCEL = 0x1,
  MSG_YESNOCANCEL = 0x3,
  MSG_YESNO = 0x4,
  MSG_ICONERROR = 0x10,
  MSG_ICONQUESTION = 0x20,
  MSG_ICONWARNING = 0x30,
  MSG_ICONINFO = 0x40,
};

enum MsgAnswer : int {
  MSG_ID_OK = 1,
  MSG_ID_CANCEL = 2,
  MSG_ID_YES = 6,
  MSG_ID_NO = 7,
};

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  // Shows `text` with the caption and buttons of `style`; returns the answer (MSG_ID_...).
  virtual int Show(const std::string& text, const std::string& caption, unsigned style) = 0;
};
