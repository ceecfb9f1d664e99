#pragma once
// Whether the processor runs AVX2, asked once: for the vector paths that
// choose their kernels at run time. False where the build is not for x86-64.

namespace qm {

inline bool cpu_has_avx2() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  // The init makes it safe to ask before static constructors have run.
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
#else
  return false;
#endif
}

}  // namespace qm
