#include "builder/unique_tag.h"

#include <atomic>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace builder {

std::string UniqueTag() {
  static std::atomic<unsigned> counter{0};
#ifdef _WIN32
  const long pid = _getpid();
#else
  const long pid = getpid();
#endif
  return std::to_string(pid) + "-" + std::to_string(counter++);
}

}  // namespace builder
