// An install record appended to a file, as an installation's finish step does.
#pragma once

#include <string>

#include "integration/install_record.h"

namespace support {

inline bool AppendRecord(const std::wstring& file, const std::wstring& menu, const std::wstring& product,
                         const std::wstring& autostart) {
  InstallRecord record;
  if (!record.Open(file, 1)) return false;
  record.SetNames(menu, product, autostart);
  return record.Close();
}

}  // namespace support
