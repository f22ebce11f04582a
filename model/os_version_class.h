// The running Windows version as one small number; several install steps differ by it.
#pragma once

namespace lanternix {

using OsVersionClass = int;

inline constexpr OsVersionClass kOsOlderThanXp = 0;
inline constexpr OsVersionClass kOsXp = 1;  // 5.1 or 5.2 before Service Pack 3
inline constexpr OsVersionClass kOsXpSp3 = 5;
inline constexpr OsVersionClass kOsVista = 6;
inline constexpr OsVersionClass kOsWindows7 = 7;
inline constexpr OsVersionClass kOsWindows8 = 8;  // 6.2 and every later 6.x
inline constexpr OsVersionClass kOsWindows10 = 10;
inline constexpr OsVersionClass kOsWindows11 = 11;

}  // namespace lanternix
