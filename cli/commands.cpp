// formats, info and convert.
#include "cli/commands.h"

#include <cstdio>

#include "cli/cli_context.h"
#include "formats/filter_list.h"
#include "formats/host_result.h"
#include "model/img_inf.h"
#include "platform/paths.h"

namespace {

std::string CapsText(uint32_t caps) {
  static const struct {
    uint32_t bit;
    const char* name;
  } kNames[] = {{IMGCAP_DIR, "direct"},      {IMGCAP_IDX, "palette"}, {IMGCAP_PALONLY, "palette-only"},
                {IMGCAP_MULTIBNK, "banks"},  {IMGCAP_ALPHA, "alpha"}, {IMGCAP_MULTIIMG, "levels"},
                {PICAP_OPTIONS, "options"}};
  std::string s;
  for (const auto& n : kNames) {
    if (!(caps & n.bit)) continue;
    if (!s.empty()) s += ",";
    s += n.name;
  }
  return s;
}

const char* KindName(uint32_t caps, int levels) {
  if (caps & IMGCAP_PALONLY) return "palette only";
  if (levels > 0 && (caps & IMGCAP_IDX)) return "palette";
  if (caps & IMGCAP_DIR) return "direct";
  return "invalid";
}

}  // namespace

bool LoadImageFile(CliContext& ctx, const std::string& path, CImgInf& image) {
  const int rc = ctx.plugins().Load(path, image, false, -1);
  if (rc != PIRC_OK) {
    ctx.plugins().ShowError(path, rc);
    return false;
  }
  return true;
}

bool SaveImageFile(CliContext& ctx, const std::string& path, const CImgInf& image) {
  CPluginMng& mng = ctx.plugins();
  CFltrInfList list(mng);
  list.Build(kKindSave, &image, 0, 0);
  const std::string ext = paths::ExtensionOf(path.substr(path.find_last_of('/') + 1));
  const int item = ext.empty() ? -1 : list.FindByExt(ext, -1);
  if (item < 0) {
    mng.ShowError(path, PIRC_NOTHANDLED);
    return false;
  }
  const int process = list.IndexOfItem(item);
  std::string loss;
  if (mng.SaveLossText(image, process, loss)) std::fprintf(stderr, "%s: %s\n", path.c_str(), loss.c_str());
  const int rc = mng.Save(path, image, false, process, 0, 0);
  if (rc != PIRC_OK) {
    mng.ShowError(path, rc);
    return false;
  }
  return true;
}

int CmdFormats(CliContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return 2;
  CPluginMng& mng = ctx.plugins();
  for (int kind : {kKindLoad, kKindSave}) {
    std::printf("%s:\n", kind == kKindLoad ? "Loaders" : "Savers");
    for (int i = mng.NextIndex(kind, -1); i >= 0; i = mng.NextIndex(kind, i)) {
      const ProcessRef ref = mng.GetProcess(i);
      const auto& p = static_cast<const CPiPrcFile&>(*ref.process);
      std::printf("  %-28s %-24s %s  [%s]  (%s)\n", p.m_patterns.c_str(), p.m_desc.c_str(), p.m_name.c_str(),
                  CapsText(p.m_caps).c_str(), ref.plugin->m_type == CPlugin::kBuiltin ? "built-in" : ref.plugin->m_path.c_str());
    }
  }
  return 0;
}

int CmdInfo(CliContext& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return 2;
  int status = 0;
  for (const std::string& path : args) {
    CImgInf image;
    if (!LoadImageFile(ctx, path, image)) {
      status = 1;
      continue;
    }
    const ProcessRef loader = ctx.plugins().GetProcess(ctx.plugins().m_currentIndex);
    const uint32_t caps = image.GetCaps();
    std::printf("%s\n", path.c_str());
    if (loader) std::printf("  loader: %s\n", loader.process->m_name.c_str());
    std::printf("  type: %s\n", KindName(caps, image.ImgNum()));
    if (image.ImgNum() > 0) {
      std::printf("  size: %dx%d\n", image.m_aryImg[0].m_nWidth, image.m_aryImg[0].m_nHeight);
      std::printf("  levels: %d (", image.ImgNum());
      for (int k = 0; k < image.ImgNum(); ++k)
        std::printf("%s%dx%d", k ? ", " : "", image.m_aryImg[size_t(k)].m_nWidth, image.m_aryImg[size_t(k)].m_nHeight);
      std::printf(")\n");
    }
    if (image.PalNum() > 0) {
      std::printf("  banks: %d (colours:", image.PalNum());
      for (int b = 0; b < image.PalNum(); ++b) std::printf(" %d", image.GetColNum(b));
      std::printf(")\n");
    }
    std::printf("  alpha: %s\n", image.HasAlpha() ? "yes" : "no");
    if (image.ImgNum() > 0) std::printf("  distinct colours: %d\n", image.CountColors());
  }
  return status;
}

int CmdConvert(CliContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 2) return 2;
  CImgInf image;
  if (!LoadImageFile(ctx, args[0], image)) return 1;
  return SaveImageFile(ctx, args[1], image) ? 0 : 1;
}
