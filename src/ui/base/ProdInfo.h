#pragma once

#include <string>

// The product's name, version and where its settings live.
struct TProductInfo {
  std::string ProductName;
  std::string Version;
  std::string RegistryKey;
  std::string SiteURL;
  std::string ContactsURL;
  std::string LegalNotice;
};

extern const TProductInfo ProductInfo;
