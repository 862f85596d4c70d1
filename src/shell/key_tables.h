// The key component's constant tables: key names, X keysyms to virtual
// keys, ASCII to virtual keys, characters to the key and Shift that type
// them, and the keysym-to-Unicode table.
#pragma once

struct key_name_row {
    unsigned char vkey;
    const char* code_name;     // the plug-in SDK's name, NBPM_VK_...
    const char* display_name;  // as the user reads it
};
// 110 rows and an end row of nulls.
extern const key_name_row kKeyNameTable[];

struct key_translation {
    unsigned long keysym;
    int vkey;
};
// Ends with {0, 0}; the first match wins.
extern const key_translation kKeyTranslations[];

// Byte pairs {character, vkey}, ending with {0, 0}.
extern const unsigned char kAsciiMappings[][2];

// Rows {character, vkey, shift}, ending with a row of zeros.
extern const int kCharTranslations[][3];

struct keysym_ucs {
    unsigned short keysym;
    unsigned short ucs;
};
extern const keysym_ucs keysymtab[];
extern const int keysymtab_rows;

// The UCS code of a legacy keysym by binary search of keysymtab; 0 when
// the table has none.
int keysym_table_lookup(unsigned long keysym);
