// The Windows programs catch no exception: a failed allocation or an impossible string length
// ends the process, exactly as an uncaught exception does. These definitions make that direct,
// so the static C++ runtime's exception classes (with their own string implementation and
// random_device) and its demangling terminate handler stay out of the executables; together that
// is about 150 KB of each. Linked as objects, so they come before the runtime's archive members:
// should the code ever reach a throw helper not defined here, the runtime's whole set comes along
// and the link fails with duplicate definitions instead of silently growing.
#include <cstdlib>

namespace __gnu_cxx {

// What std::terminate calls: the runtime's own writes the exception's demangled type to a
// console the GUI program does not have, then aborts.
void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx

namespace std {

// The library's templates call these where they would throw.
[[noreturn]] void __throw_bad_alloc() {
  std::abort();
}
[[noreturn]] void __throw_bad_array_new_length() {
  std::abort();
}
[[noreturn]] void __throw_length_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_logic_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_out_of_range(const char*) {
  std::abort();
}
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) {
  std::abort();
}
[[noreturn]] void __throw_invalid_argument(const char*) {
  std::abort();
}

}  // namespace std
