#include "package/entry_rule.h"

const char* EntryHeaderFault(const EntryHeader& header) {
  if (header.nameLength < 0 || header.dataLength < 0) return "has a negative length";
  if (header.nameLength == 0 && header.dataLength == 0) return "has neither name nor data";
  if (header.dataLength > 0 && header.dataLength <= kDataBlobHeadSize) {
    return "has stored data of 8 bytes or fewer, which no blob can be";
  }
  return nullptr;
}
