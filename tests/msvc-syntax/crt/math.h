// What Microsoft's C runtime declares in <math.h> and Wine's headers lack,
// which libc++'s <cmath> uses: the long double functions (long double is
// double there, and they forward to the double ones, as the runtime's own
// inline definitions do) and a few float ones.
#pragma once
#include_next <math.h>
double __cdecl erfc(double);

inline long double acoshl(long double x) { return acosh(static_cast<double>(x)); }
inline long double acosl(long double x) { return acos(static_cast<double>(x)); }
inline long double asinhl(long double x) { return asinh(static_cast<double>(x)); }
inline long double asinl(long double x) { return asin(static_cast<double>(x)); }
inline long double atanl(long double x) { return atan(static_cast<double>(x)); }
inline long double atanhl(long double x) { return atanh(static_cast<double>(x)); }
inline long double cbrtl(long double x) { return cbrt(static_cast<double>(x)); }
inline long double ceill(long double x) { return ceil(static_cast<double>(x)); }
inline long double coshl(long double x) { return cosh(static_cast<double>(x)); }
inline long double cosl(long double x) { return cos(static_cast<double>(x)); }
inline long double erfcl(long double x) { return erfc(static_cast<double>(x)); }
inline long double erfl(long double x) { return erf(static_cast<double>(x)); }
inline long double exp2l(long double x) { return exp2(static_cast<double>(x)); }
inline long double expl(long double x) { return exp(static_cast<double>(x)); }
inline long double expm1l(long double x) { return expm1(static_cast<double>(x)); }
inline long double fabsl(long double x) { return fabs(static_cast<double>(x)); }
inline long double floorl(long double x) { return floor(static_cast<double>(x)); }
inline long double lgammal(long double x) { return lgamma(static_cast<double>(x)); }
inline long double log10l(long double x) { return log10(static_cast<double>(x)); }
inline long double log1pl(long double x) { return log1p(static_cast<double>(x)); }
inline long double log2l(long double x) { return log2(static_cast<double>(x)); }
inline long double logbl(long double x) { return logb(static_cast<double>(x)); }
inline long double logl(long double x) { return log(static_cast<double>(x)); }
inline long double sinhl(long double x) { return sinh(static_cast<double>(x)); }
inline long double sinl(long double x) { return sin(static_cast<double>(x)); }
inline long double sqrtl(long double x) { return sqrt(static_cast<double>(x)); }
inline long double tanhl(long double x) { return tanh(static_cast<double>(x)); }
inline long double tanl(long double x) { return tan(static_cast<double>(x)); }
inline long double tgammal(long double x) { return tgamma(static_cast<double>(x)); }
inline long double nearbyintl(long double x) { return nearbyint(static_cast<double>(x)); }
inline long double atan2l(long double x, long double y) { return atan2(static_cast<double>(x), static_cast<double>(y)); }
inline long double fdiml(long double x, long double y) { return fdim(static_cast<double>(x), static_cast<double>(y)); }
inline long double fmaxl(long double x, long double y) { return fmax(static_cast<double>(x), static_cast<double>(y)); }
inline long double fminl(long double x, long double y) { return fmin(static_cast<double>(x), static_cast<double>(y)); }
inline long double fmodl(long double x, long double y) { return fmod(static_cast<double>(x), static_cast<double>(y)); }
inline long double hypotl(long double x, long double y) { return hypot(static_cast<double>(x), static_cast<double>(y)); }
inline long double nextafterl(long double x, long double y) { return nextafter(static_cast<double>(x), static_cast<double>(y)); }
inline long double powl(long double x, long double y) { return pow(static_cast<double>(x), static_cast<double>(y)); }
inline long double remainderl(long double x, long double y) { return remainder(static_cast<double>(x), static_cast<double>(y)); }
inline long double frexpl(long double x, int* e) { return frexp(static_cast<double>(x), e); }
inline long double ldexpl(long double x, int e) { return ldexp(static_cast<double>(x), e); }
inline long double modfl(long double x, long double* i) { double d; const double r = modf(static_cast<double>(x), &d); *i = d; return r; }
inline int ilogbl(long double x) { return ilogb(static_cast<double>(x)); }
inline long double remquol(long double x, long double y, int* q) { return remquo(static_cast<double>(x), static_cast<double>(y), q); }
inline long double scalblnl(long double x, long e) { return scalbln(static_cast<double>(x), e); }
inline long double scalbnl(long double x, int e) { return scalbn(static_cast<double>(x), e); }
inline long double nexttowardl(long double x, long double y) { return nextafter(static_cast<double>(x), static_cast<double>(y)); }
inline float nexttowardf(float x, long double y) { return nextafterf(x, static_cast<float>(y)); }
inline float erfcf(float x) { return static_cast<float>(erfc(x)); }
