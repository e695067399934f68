#include "ui/base/ProdInfo.h"

const TProductInfo ProductInfo = {
  "Quillon Reelweld",
  "1.10",
  "\\Software\\Quillon\\reelweld",
  "https://reelweld.quillon.example/",
  "https://reelweld.quillon.example/contacts",
  "Copyright (c) 2026 Quillon. All rights reserved.",
};
