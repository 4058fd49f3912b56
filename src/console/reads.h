// The C runtime's console input as the forms use it: a cooked line input that
// fills the standard-input buffer, one function per scanf format the forms
// read with, and the key wait.
//
// The standard-input buffer outlives every call: what one read leaves in it
// (an Enter after "%d", the rest of a line after " %c", a word that was not a
// number) is what the next read sees, until the main loop empties it as it
// starts the next command (con::reset_input_buffer). When
// the buffer is empty and a read needs a character, one line is typed:
// echoed at the cursor in the current attribute, Backspace removing a whole
// character (never the text before the line), Esc erasing the typed line,
// Enter ending it and moving the cursor to column 0 of the next row. The line
// joins the buffer with a "\n" at its end. Esc on an empty line throws
// con::InputCancelled: the user leaves the question unanswered.
//
// A line typed for a text read ("%s") holds no more bytes than the field
// stores (its capacity less one, blanks included); a character that would not
// fit whole is refused with the bell and not echoed, so what the line shows is
// what the field gets. Lines typed for any other read are unbounded.
//
// Each read returns what scanf would: the number of fields stored.
//
//   function               format     takes / leaves
//   con_read_d_c           "%d%*c"    blanks and line breaks skipped, a decimal
//                                      number, then one more character discarded
//   con_read_d             "%d"       the number; what follows stays
//   con_read_s_c           "%s%*c"    blanks and line breaks skipped, one word,
//                                      then one more character discarded
//   con_read_f_c           "%f%*c"    a decimal fraction, then one character
//   con_read_blank_c       " %c"      blanks and line breaks skipped, one char
//   con_read_blank_c_c     " %c%*c"   same, then one more character discarded
//   con_read_c_c           "%c%*c"    the very next character, then one more
//   con_read_c             "%c"       the very next character
//
// As in C, a number read that meets no digits stores nothing, returns 0 and
// leaves the text in the buffer, and the "%*c" after it is not done. A number
// beyond 32 bits is clamped to INT_MIN or INT_MAX. A fraction that is not
// finite ("nan", "inf", or beyond the range of a float) is consumed but not
// stored: fees are finite. A word longer than its field is cut to the field's
// capacity less one on a character boundary (never half a double-byte
// character); the rest of that word is discarded.
#pragma once

#include <cstddef>

int con_read_d_c(int* value);
int con_read_d(int* value);
int con_read_f_c(float* value);
int con_read_blank_c(char* c);
int con_read_blank_c_c(char* c);
int con_read_c_c(char* c);
int con_read_c(char* c);

// "%s" into a field of `capacity` bytes (text plus NUL), then "%*c".
int con_read_word_c(char* field, std::size_t capacity);

// "%s%*c" into a char[N] field: the capacity comes from the field's type.
template <std::size_t N>
int con_read_s_c(char (&field)[N]) {
    return con_read_word_c(field, N);
}

// _getch: waits for one key press and returns its character (0 for keys that
// have none), without echo and without touching the standard-input buffer.
// Key-up records, lone modifier keys and mouse records are consumed and dropped.
int con_getch();

namespace con {
// Empties the standard-input buffer: a fresh console, a command starting.
void reset_input_buffer();
}  // namespace con
