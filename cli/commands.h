// The commands of the command-line tool. Each returns the exit status: 0 success, 1 a file
// failed, 2 a usage error.
#pragma once

#include <string>
#include <vector>

class CliContext;

int CmdFormats(CliContext& ctx, const std::vector<std::string>& args);
int CmdInfo(CliContext& ctx, const std::vector<std::string>& args);
int CmdConvert(CliContext& ctx, const std::vector<std::string>& args);
int CmdReduce(CliContext& ctx, const std::vector<std::string>& args);

// Loads a file through the loaders, reporting a failure; true on success.
class CImgInf;
bool LoadImageFile(CliContext& ctx, const std::string& path, CImgInf& image);
// Saves through the saver that the extension of `path` chooses; true on success.
bool SaveImageFile(CliContext& ctx, const std::string& path, const CImgInf& image);
