#include "wizard/program_entry.h"

int main(int argc, char** argv) { return wizard_main(argc, argv); }
