// Path and file fields: a text field with the widget sheet's browse button
// on its left, which opens the file chooser (widgets/file_chooser.h).
// open_save and file_type go to the chooser unchanged.  For the file kinds
// the field shows only the path's last part; for 20 and 21 (command paths)
// the whole path.  Each returns 1 on the frame its browse button was
// clicked, whatever the chooser then did.
#pragma once

#include <string>

int BTN_select_path_stl(float x, float y, int open_save, int file_type, std::string* path,
                        int max_len, std::string label, float width, int auto_focus);
// The same over a caller's array of max_len (at most 500) bytes.
int BTN_select_path_chr(float x, float y, int open_save, int file_type, char* path, int max_len,
                        std::string label, float width, int auto_focus);
// The folder in *path, the file name in `name`; both are written when the
// browse button was used, and `name` also when a name is typed.
int BTN_select_file_chr(float x, float y, int open_save, int file_type, char* name,
                        std::string* path, int max_len, std::string label, float width);
