// A progress bar on standard error for loads, saves and reductions, shown only when standard
// error is a terminal.
#pragma once

#include <string>

#include "formats/progress_indicator.h"

class TerminalProgress : public IProgressIndicator {
 public:
  TerminalProgress();
  void Begin(const std::string& text) override;
  void SetPercent(int percent) override;
  void End() override;
  bool enabled() const { return m_enabled; }

 private:
  void Draw();
  bool m_enabled;
  bool m_active = false;
  std::string m_text;
  int m_percent = -1;
};
