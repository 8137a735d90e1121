// What every command of the command-line tool shares: the plug-in manager with the built-in
// codecs and the modules beside the program, the user's settings (read only) and the message
// output.
#pragma once

#include <memory>
#include <string>

#include "cli/progress_bar.h"
#include "formats/builtin_plugin.h"
#include "formats/plugin_manager.h"
#include "platform/message_box.h"
#include "settings/app_profile.h"
#include "settings/profile.h"

// Messages go to standard error; questions are answered "yes" so that a run never blocks.
class StderrMessages : public IMessageBox {
 public:
  int Show(const std::string& text, const std::string& caption, unsigned style) override;
};

class CliContext {
 public:
  CliContext();
  CPluginMng& plugins() { return *m_plugins; }
  CAppProfile& userSettings() { return m_userSettings; }
  StderrMessages& messages() { return m_messages; }

 private:
  StderrMessages m_messages;
  TerminalProgress m_progress;
  // The user's settings, read once and never written back by the tool.
  CAppProfile m_userSettings;
  CProfile m_profile;
  BuiltinHost m_host;
  std::unique_ptr<CPluginMng> m_plugins;
};
