// Run setup helpers.
#include "reduce/rdct_types.h"

#include "reduce/col_spc_conv.h"

void RdctSetup::Reduce(RGBA& c, uint32_t flags) const {
  pConv->ReducePrecision(c, nBits[0], nBits[1], nBits[2], nBits[3], flags);
}
