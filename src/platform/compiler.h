#pragma once
// Compiler annotations shared by the subsystems.

// Marks a printf-style function so the compiler checks its arguments.
// MinGW's C99 stdio (__USE_MINGW_ANSI_STDIO) is checked as gnu_printf.
#ifdef _WIN32
#define QLO_PRINTF(format_index, first_arg) __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define QLO_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#endif
