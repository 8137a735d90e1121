// Building the command-line tool's context.
#include "cli/cli_context.h"

#include <cstdio>

#include "formats/builtin_table.h"
#include "platform/paths.h"
#include "platform/user_store.h"
#include "model/default_colour.h"
#include "settings/env_options.h"

int StderrMessages::Show(const std::string& text, const std::string& caption, unsigned style) {
  if (!caption.empty()) std::fprintf(stderr, "%s: ", caption.c_str());
  std::fprintf(stderr, "%s\n", text.c_str());
  if ((style & 0xF) == MSG_YESNO || (style & 0xF) == MSG_YESNOCANCEL) return MSG_ID_YES;
  return MSG_ID_OK;
}

CliContext::CliContext() : m_userSettings(UserStorePath()), m_profile(&m_userSettings) {
  m_userSettings.Load();
  CEnvOpt options;
  options.Load(m_profile);
  SetOpaqueAlpha(options.OpaqueAlpha());
  m_host.profile = &m_profile;
  m_plugins = std::make_unique<CPluginMng>(paths::Join(paths::ExecutableDir(), "Plugins"), &m_messages);
  m_plugins->SetProgressIndicator(&m_progress);
  m_plugins->Scan(BuiltinPlugins(), &m_host);
}
