// Terminal progress bar.
#include "cli/progress_bar.h"

#include <unistd.h>

#include <cstdio>

TerminalProgress::TerminalProgress() : m_enabled(isatty(STDERR_FILENO) != 0) {}

void TerminalProgress::Begin(const std::string& text) {
  m_text = text;
  m_percent = -1;
  m_active = true;
  SetPercent(0);
}

void TerminalProgress::SetPercent(int percent) {
  if (!m_enabled || !m_active || percent == m_percent) return;
  m_percent = percent;
  Draw();
}

void TerminalProgress::Draw() {
  constexpr int kWidth = 30;
  const int filled = m_percent * kWidth / 100;
  std::string bar(size_t(filled), '#');
  bar.append(size_t(kWidth - filled), '.');
  std::fprintf(stderr, "\r%s [%s] %3d%%", m_text.c_str(), bar.c_str(), m_percent);
  std::fflush(stderr);
}

void TerminalProgress::End() {
  if (m_enabled && m_active) {
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
  }
  m_active = false;
}
