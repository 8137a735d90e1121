// IImageIo: the loader and saver service an image content forwards its Load and Save to.
// The plug-in manager implements it; the content never knows about plug-ins.
#pragma once

#include <string>

class CImgInf;

class IImageIo {
 public:
  virtual ~IImageIo() = default;
  // Host result codes (0 ok, 1 not handled, 2 memory, 3 file, 4 broken, 5 error, 6 cancel).
  virtual int Load(const std::string& path, CImgInf& target, bool showOptions, int preferredProcess) = 0;
  virtual int Save(const std::string& path, const CImgInf& source, bool showOptions, int process,
                   int picture, int bank) = 0;
};
