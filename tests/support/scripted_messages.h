// A message box for tests: records every message and answers from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/message_box.h"

struct ShownMessage {
  std::string text;
  std::string caption;
  unsigned style;
};

class ScriptedMessageBox : public IMessageBox {
 public:
  std::vector<ShownMessage> shown;
  std::deque<int> answers;  // answers in order; MSG_ID_OK when the script runs out

  int Show(const std::string& text, const std::string& caption, unsigned style) override {
    shown.push_back({text, caption, style});
    if (answers.empty()) return MSG_ID_OK;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
};
