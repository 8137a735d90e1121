// Where the per-user settings live: $XDG_CONFIG_HOME/Norrwick/Quovex/Quovo.ini, with
// $HOME/.config in place of an unset, empty or relative XDG_CONFIG_HOME.
#pragma once

#include <string>
#include <string_view>

// The folder of the per-user store (no trailing slash); empty when neither XDG_CONFIG_HOME nor
// a home folder is known.
std::string UserStoreDir();
// The per-user settings file; empty when UserStoreDir() is empty.
std::string UserStorePath();
// Creates the per-user store folder with its missing parents (mode 0700); true when it exists.
bool EnsureUserStoreDir();

// Creates path and every missing parent folder with the given mode; true when path is a folder
// afterwards.
bool MakeFolderChain(std::string_view path, unsigned mode = 0777);
