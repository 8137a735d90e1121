// IProgressIndicator: where a running load or save shows its progress (the GUI's status bar,
// the command-line tool's progress bar) and how it learns that the user wants to stop.
#pragma once

#include <string>

class IProgressIndicator {
 public:
  virtual ~IProgressIndicator() = default;
  // A load or save starts: `text` is e.g. "  読み込み中：[name.bmp]".
  virtual void Begin(const std::string& text) = 0;
  virtual void SetPercent(int percent) = 0;
  // Lets the user interface breathe while the operation runs; true when it must stop (the
  // program is quitting).
  virtual bool Pump() { return false; }
  // True while the cancel key (Escape) is held.
  virtual bool CancelKeyDown() { return false; }
  virtual void End() = 0;
};
