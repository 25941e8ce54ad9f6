// The handler the C++ runtime calls when an exception escapes. The
// installer lets none escape; should one do so, the process ends at once.
// The runtime's own default handler prints the exception's demangled type
// name to a console the installer does not have, and brings the demangler
// along (about 45 KiB of code and 20 KiB of unwind tables in the 32-bit
// program); defining the handler here keeps both out of setup.exe.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
