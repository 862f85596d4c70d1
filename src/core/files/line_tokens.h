// The blanks and line ends that split the program's text data files into
// lines and tokens.  Every reader of those files asks these, so a file reads
// alike whichever reader meets it.  A NUL ends a line as CR and LF do.
#pragma once

constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }
constexpr bool is_line_end(char c) { return c == '\r' || c == '\n' || c == '\0'; }
constexpr bool is_delimiter(char c) { return is_blank(c) || is_line_end(c); }
