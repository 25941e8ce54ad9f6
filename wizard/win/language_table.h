// The installation languages the wizard offers: (id, display name) rows read
// through a row count and a row accessor. One row today.
#pragma once

#include "wizard/wizard_texts.h"

namespace wizard {

struct LanguageRow {
  int id;
  const wchar_t* name;
};

inline constexpr LanguageRow kLanguageRows[] = {
    {0, kTextLanguageChinese},
};

inline constexpr int LanguageCount() { return int(sizeof(kLanguageRows) / sizeof(kLanguageRows[0])); }
inline constexpr const LanguageRow& LanguageAt(int index) { return kLanguageRows[index]; }

}  // namespace wizard
