// The C++ library's throw helpers (std::__throw_*), which inline container
// and string code calls when an allocation or an index goes wrong, defined
// here for the Windows programs.
//
// The library's own helpers throw std::length_error, std::out_of_range and
// their relatives, which keep their message in the old reference-counted
// std::string; linking them brings that whole second string class along,
// and with it the library's instantiated std::string, part of
// std::random_device and a formatting helper: about 85 KiB of the 32-bit
// installer, for exceptions that nothing in these programs catches. Here:
//  - the exceptions without a message keep their types;
//  - a length error is a request for more elements than memory can hold,
//    and is reported as the allocation failure it is (std::bad_alloc), which
//    the callers that handle running out of memory already catch;
//  - every other one is a program error that no code here catches, so the
//    program ends at once, as it would when the exception reached the top.
//
// This file has to define every helper of the library's object that holds
// them: one left out and used would bring that object in, and the linker
// would stop with "multiple definition" of the others.
#include <bits/functexcept.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }

}  // namespace std
